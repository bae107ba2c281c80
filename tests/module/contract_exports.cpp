// The exports of the contract module: a probe control that writes down every call it receives
// from the host, and functions that drive host controls and surfaces through their slots.
#include "contract_protocol.h"
#include "module_records.h"
#include "module_runtime.h"

#define MODULE_EXPORT extern "C" __declspec(dllexport)

extern "C" __declspec(dllimport) void __stdcall PostQuitMessage(int exitCode);

namespace {

constexpr uint32_t kKeyDown = 256;
constexpr uint32_t kEscapeKey = 27;

int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }

// A module control that records the arguments of every slot call in the test's state and then
// behaves as the base does; it paints its box into the target when drawn.
class Probe : public Panel {
  public:
    Probe(Control* parentControl, const contract::ProbeArguments& arguments, contract::ProbeState* probeState)
        : Panel(parentControl, arguments.x1, arguments.y1, arguments.x2, arguments.y2,
                int16_t(arguments.priority)),
          state(probeState) {}

    ~Probe() override {
        ++state->destructions;
        contract::Note(state->journal, this, contract::kDestroy, 0);
    }

    void Open() override {
        contract::Note(state->journal, this, contract::kOpen, 0);
        Control::Open();
    }

    void Close() override {
        contract::Note(state->journal, this, contract::kClose, 0);
        Control::Close();
    }

    void Update() override {
        contract::Note(state->journal, this, contract::kUpdate, 0);
        Control::Update();
    }

    Control* HandleMessage(WindowMessage* message) override {
        contract::Note(state->journal, this, contract::kHandleMessage, 0);
        state->messageAt = message;
        uint32_t* seen = state->messageSeen;
        seen[0] = uint32_t(uintptr_t(message->window));
        seen[1] = message->message;
        seen[2] = message->wParam;
        seen[3] = uint32_t(message->lParam);
        seen[4] = message->time;
        seen[5] = uint32_t(message->point.x);
        seen[6] = uint32_t(message->point.y);
        switch (state->answer) {
        case contract::kConsume:
            return nullptr;
        case contract::kRedirect:
            return static_cast<Control*>(state->redirectTo);
        case contract::kQuitOnEscape:
            if (message->message == kKeyDown && message->wParam == kEscapeKey) {
                PostQuitMessage(0);
                return nullptr;
            }
            return Control::HandleMessage(message);
        default:
            return Control::HandleMessage(message);
        }
    }

    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override {
        contract::Note(state->journal, this, contract::kDraw, 0);
        state->drawTarget = target;
        state->drawClip = clip;
        state->drawOrigin = origin;
        state->clipSeen[0] = clip->left;
        state->clipSeen[1] = clip->top;
        state->clipSeen[2] = clip->right;
        state->clipSeen[3] = clip->bottom;
        state->originSeen[0] = origin->x;
        state->originSeen[1] = origin->y;
        if (!(flags & control_flags::Visible)) return;
        Control* rest = DrawMembersBehind(target, clip, origin);
        Paint(target, *clip, *origin);
        DrawMembersFrom(rest, target, clip, origin);
    }

    int32_t Notify(Control* sender, int32_t code, int32_t param) override {
        contract::Note(state->journal, this, contract::kNotify, 0);
        state->notifySender = sender;
        state->notifyCode = code;
        state->notifyParam = param;
        return code * 1000 + param;
    }

    contract::ProbeState* state;

  private:
    // Fills the box, relative to the target's position and shifted by the origin, within the clip
    // and the target surface, through the surface record's pixel address and pitch.
    void Paint(SurfaceControl* target, const Rect& clip, const Point& origin) {
        Surface* surface = target ? target->ownSurface : nullptr;
        if (!state->paintColour || !surface || !surface->pixels) return;
        int32_t left = x + offsetX + bounds.left - target->x + origin.x;
        int32_t top = y + offsetY + bounds.top - target->y + origin.y;
        int32_t right = left + bounds.right - bounds.left;
        int32_t bottom = top + bounds.bottom - bounds.top;
        left = Max(Max(left, clip.left), 0);
        top = Max(Max(top, clip.top), 0);
        right = Min(Min(right, clip.right), surface->width);
        bottom = Min(Min(bottom, clip.bottom), surface->height);
        for (int32_t row = top; row < bottom; ++row) {
            auto* pixel = reinterpret_cast<uint16_t*>(surface->pixels + row * surface->pitch) + left;
            for (int32_t column = left; column < right; ++column)
                *pixel++ = uint16_t(state->paintColour);
        }
    }
};

}  // namespace

Control* NewProbe(Control* parent, const contract::ProbeArguments& arguments, contract::ProbeState* state) {
    return new Probe(parent, arguments, state);
}

MODULE_EXPORT int32_t ProbeSize() { return int32_t(sizeof(Probe)); }

MODULE_EXPORT int32_t LiveAllocations() { return LiveModuleAllocations(); }

// A probe on the module's heap, linked under the parent by the module's own tree code.
MODULE_EXPORT Control* CreateProbe(Control* parent, const contract::ProbeArguments* arguments,
                                   contract::ProbeState* state) {
    return new Probe(parent, *arguments, state);
}

// A probe in storage that the caller owns; slot 0 with flag 0 ends it without freeing.
MODULE_EXPORT Control* ConstructProbeAt(void* storage, Control* parent,
                                        const contract::ProbeArguments* arguments,
                                        contract::ProbeState* state) {
    return new (storage) Probe(parent, *arguments, state);
}

// Drives a host control through slots 1 to 5 and reads its record between the calls.
MODULE_EXPORT void ExerciseHostControl(Control* control, SurfaceControl* target, Rect* clip, Point* origin,
                                       WindowMessage* message, contract::HostCallReport* report) {
    report->flagsBefore = control->flags;
    control->Open();
    report->flagsAfterOpen = control->flags;
    control->Close();
    report->flagsAfterClose = control->flags;
    control->Update();
    report->messageResult = control->HandleMessage(message);
    control->Draw(target, clip, origin);
    report->x = control->x;
    report->y = control->y;
    report->priority = control->priority;
    report->bounds[0] = control->bounds.left;
    report->bounds[1] = control->bounds.top;
    report->bounds[2] = control->bounds.right;
    report->bounds[3] = control->bounds.bottom;
}

// Slot 6 of a host control that is a panel.
MODULE_EXPORT int32_t NotifyHost(Control* receiver, Control* sender, int32_t code, int32_t param) {
    return static_cast<Panel*>(receiver)->Notify(sender, code, param);
}

// Slot 0 with the delete flag, as this compiler calls it for a delete expression.
MODULE_EXPORT void DeleteHostControl(Control* control) { delete control; }

// Slot 0 without the delete flag, as this compiler calls it for an explicit destructor call.
MODULE_EXPORT void DestroyHostControlInPlace(Control* control) { control->~Control(); }

MODULE_EXPORT void DeleteHostSurface(Surface* surface) { delete surface; }

// Draws on a host surface through its record and its slots (see the constants of the protocol),
// then copies a rectangle of source into it.
MODULE_EXPORT void PaintSurface(Surface* surface, Surface* source, contract::SurfaceReport* report) {
    using namespace contract;
    report->width = surface->width;
    report->height = surface->height;
    report->pitch = surface->pitch;
    auto* row = reinterpret_cast<uint16_t*>(surface->pixels + kDirectPixelY * surface->pitch);
    row[kDirectPixelX] = kDirectPixel;
    report->pixelRead = surface->GetPixel(kDirectPixelX, kDirectPixelY);
    surface->FillRect(kFill[0], kFill[1], kFill[2], kFill[3], kFillColour, kFillLevel, 0);
    surface->PutPixel(kPutPixelX, kPutPixelY, kPutPixelColour, 256, 0);
    Rect area{kBlitSource[0], kBlitSource[1], kBlitSource[2], kBlitSource[3]};
    source->BlitTo(surface, kBlitX, kBlitY, area, kBlitLevel, kBlitEffect);
}

// Slot 6 of a host counter (Increment), then its fields as the module reads them; a host bar's
// value written by the module.
MODULE_EXPORT void DriveHostCounter(NumberDisplay* counter, ProgressBar* bar, int32_t* report) {
    counter->Increment();
    report[0] = counter->targetValue;
    report[1] = counter->step;
    report[2] = counter->maximum;
    bar->value = bar->maximum / 2;
}
