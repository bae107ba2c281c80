// The binary contract with a game module from another compiler (MSVC C++ ABI, ContractModule.dll):
// its controls and the host's call each other's slots with the right arguments and results, share
// one tree walked by both sides' code, and the module draws on host surfaces through their record
// and slots. A disagreement on thiscall (this in ECX, callee pops) or on the record layout shows up
// as wrong arguments, wrong pixels or a crash.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <new>
#include <tuple>
#include <vector>

#include "module_contract_loader.h"
#include "platform/memory/display/memory_surface_platform.h"

// The host's test controls live outside the anonymous namespace on purpose: a class the compiler
// knows to be final would have its slots called directly instead of through the table, and the
// host reaches module panels through NotifyingControl.
namespace module_contract {

// A host control that writes down the calls it receives in the journal the module writes to.
class RecordingControl : public Control {
  public:
    RecordingControl(contract::CallJournal* journal, Control* parentControl, int32_t x1, int32_t y1,
                     int32_t x2, int32_t y2, int16_t priorityValue)
        : Control(parentControl, x1, y1, x2, y2, priorityValue), journal_(journal) {}

    void* DeletingDestructor(uint32_t deleteFlags) override {
        contract::Note(journal_, this, contract::kDestroy, int32_t(deleteFlags));
        return RunDeletingDestructor(this, deleteFlags);
    }
    void Open() override {
        contract::Note(journal_, this, contract::kOpen, 0);
        Control::Open();
    }
    void Close() override {
        contract::Note(journal_, this, contract::kClose, 0);
        Control::Close();
    }
    void Update() override {
        contract::Note(journal_, this, contract::kUpdate, 0);
        Control::Update();
    }
    Control* HandleMessage(WindowMessage* message) override {
        contract::Note(journal_, this, contract::kHandleMessage, 0);
        messageAt = message;
        return answers ? answer : Control::HandleMessage(message);
    }
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override {
        contract::Note(journal_, this, contract::kDraw, 0);
        drawTarget = target;
        drawClip = clip;
        drawOrigin = origin;
        Control::Draw(target, clip, origin);
    }

    bool answers = false;
    Control* answer = nullptr;
    WindowMessage* messageAt = nullptr;
    SurfaceControl* drawTarget = nullptr;
    Rect* drawClip = nullptr;
    Point* drawOrigin = nullptr;

  protected:
    contract::CallJournal* journal_;
};

// A host panel: slot 6 is Notify. The host reaches a module panel's Notify through this class too.
class NotifyingControl : public RecordingControl {
  public:
    using RecordingControl::RecordingControl;
    virtual int32_t Notify(Control* sender, int32_t code, int32_t param) {
        contract::Note(journal_, this, contract::kNotify, 0);
        notifySender = sender;
        notifyCode = code;
        notifyParam = param;
        return param * 3 - code;
    }
    Control* notifySender = nullptr;
    int32_t notifyCode = 0;
    int32_t notifyParam = 0;
};

}  // namespace module_contract

namespace {

using module_contract::NotifyingControl;
using module_contract::RecordingControl;

using contract::CallJournal;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using Entry = std::tuple<const void*, int32_t, int32_t>;  // control, slot, detail

std::vector<Entry> Entries(const CallJournal& journal) {
    std::vector<Entry> out;
    for (int32_t i = 0; i < journal.count; ++i)
        out.emplace_back(journal.records[i].control, journal.records[i].call, journal.records[i].detail);
    return out;
}

// The controls that received the given slot call, in order.
std::vector<const void*> Callers(const CallJournal& journal, int32_t call) {
    std::vector<const void*> out;
    for (int32_t i = 0; i < journal.count; ++i)
        if (journal.records[i].call == call) out.push_back(journal.records[i].control);
    return out;
}

// The child ring from the first child, checking both directions of every link on the way.
std::vector<const void*> Ring(const Control& parent) {
    std::vector<const void*> out;
    Control* child = parent.firstChild;
    while (child) {
        EXPECT_EQ(child->parent, &parent);
        EXPECT_EQ(child->nextSibling->prevSibling, child);
        out.push_back(child);
        child = child->nextSibling;
        if (child == parent.firstChild || out.size() > 16) break;
    }
    return out;
}

std::vector<const void*> DrawList(const Control& owner) {
    std::vector<const void*> out;
    for (Control* member = owner.drawFirst; member && out.size() <= 16; member = member->drawNext) {
        EXPECT_EQ(member->drawOwner, &owner);
        if (member->drawNext) {
            EXPECT_EQ(member->drawNext->drawPrev, member);
        }
        out.push_back(member);
    }
    return out;
}

void ExpectDetached(const Control& control) {
    EXPECT_EQ(control.parent, nullptr);
    EXPECT_EQ(control.prevSibling, &control);
    EXPECT_EQ(control.nextSibling, &control);
    EXPECT_EQ(control.drawOwner, nullptr);
    EXPECT_EQ(control.drawPrev, nullptr);
    EXPECT_EQ(control.drawNext, nullptr);
}

class ModuleContractTest : public ::testing::Test {
  protected:
    static constexpr int32_t kWidth = 64;
    static constexpr int32_t kHeight = 48;

    void SetUp() override {
        module = LoadContractModule();
        ASSERT_NE(module, nullptr) << "ContractModule.dll with all its exports must lie beside the test";
        screen = CreateSurface(kWidth, kHeight, 0x840);
        ASSERT_TRUE(screen && screen->HasPixels());
        screen->Clear(0);
        root.ownSurface = screen;
    }
    void TearDown() override { DestroySurface(screen); }

    contract::ProbeState NewState(uint32_t paintColour = 0) {
        contract::ProbeState state{};
        state.journal = &journal;
        state.paintColour = paintColour;
        return state;
    }
    Control* NewProbe(Control* parent, contract::ProbeArguments arguments, contract::ProbeState& state) {
        return module->createProbe(parent, &arguments, &state);
    }

    // The bounding box of the screen pixels of one colour, and whether they fill it solidly.
    Rect PaintedBox(uint32_t colour, bool* solid = nullptr) {
        Rect box{kWidth, kHeight, 0, 0};
        int count = 0;
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x)
                if (screen->GetPixel(x, y) == colour) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
                    ++count;
                }
        if (solid) *solid = count == box.Width() * box.Height();
        return box;
    }

    // Extra pitch bytes, so that drawing which ignores the pitch lands in the wrong place.
    MemoryDisplayScope display{2, 0xF800, kWidth, kHeight, 6};
    const ContractModule* module = nullptr;
    Surface* screen = nullptr;
    RootControl root{nullptr, 0, 0, kWidth, kHeight, 64};
    CallJournal journal{};
    WindowMessage message{reinterpret_cast<void*>(0x00C0FFEE), 514, 0x55, (200 << 16) | 300, 4242, {11, 22}};
};

TEST_F(ModuleContractTest, ModuleConstructorFillsTheSharedRecord) {
    auto state = NewState();
    Control* probe = NewProbe(nullptr, {10, 20, 110, 70, -3}, state);
    ASSERT_NE(probe, nullptr);
    EXPECT_GE(module->probeSize(), int32_t(sizeof(Control)));
    EXPECT_EQ(probe->x, 10);
    EXPECT_EQ(probe->y, 20);
    EXPECT_EQ(probe->offsetX, 0);
    EXPECT_EQ(probe->offsetY, 0);
    EXPECT_EQ(probe->bounds, (Rect{0, 0, 100, 50}));
    EXPECT_EQ(probe->flags, 0xE00F);
    EXPECT_EQ(probe->priority, -3);
    EXPECT_EQ(probe->alpha, 256);
    EXPECT_EQ(probe->effect, 0);
    EXPECT_EQ(probe->firstChild, nullptr);
    EXPECT_EQ(probe->drawFirst, nullptr);
    ExpectDetached(*probe);
    DestroyControl(probe);
}

TEST_F(ModuleContractTest, HostCallsModuleSlotsWithTheirArguments) {
    auto state = NewState(0xFFFF);
    Control* probe = NewProbe(nullptr, {5, 4, 13, 10, 64}, state);
    ASSERT_NE(probe, nullptr);

    probe->Open();
    EXPECT_EQ(probe->flags, 0xE10F);
    probe->Close();
    EXPECT_EQ(probe->flags, 0xE40D);
    probe->Update();

    // The box (5, 4)-(13, 10) relative to a target at (2, 1), shifted by the origin (3, 2), is
    // (6, 5)-(14, 11); the clip cuts it at x = 10.
    root.x = 2;
    root.y = 1;
    Rect clip{1, 1, 10, 40};
    Point origin{3, 2};
    probe->Draw(&root, &clip, &origin);
    EXPECT_EQ(state.drawTarget, &root);
    EXPECT_EQ(state.drawClip, &clip);
    EXPECT_EQ(state.drawOrigin, &origin);
    EXPECT_THAT(state.clipSeen, ElementsAre(1, 1, 10, 40));
    EXPECT_THAT(state.originSeen, ElementsAre(3, 2));
    bool solid = false;
    EXPECT_EQ(PaintedBox(0xFFFF, &solid), (Rect{6, 5, 10, 11}));
    EXPECT_TRUE(solid);

    EXPECT_EQ(static_cast<NotifyingControl*>(probe)->Notify(&root, 7, -12), 6988);
    EXPECT_EQ(state.notifySender, &root);
    EXPECT_EQ(state.notifyCode, 7);
    EXPECT_EQ(state.notifyParam, -12);

    using namespace contract;
    EXPECT_THAT(Entries(journal),
                ElementsAre(Entry{probe, kOpen, 0}, Entry{probe, kClose, 0}, Entry{probe, kUpdate, 0},
                            Entry{probe, kDraw, 0}, Entry{probe, kNotify, 0}));
    DestroyControl(probe);
}

TEST_F(ModuleContractTest, ModuleHandleMessageSeesTheRecordAndItsAnswerComesBack) {
    auto state = NewState();
    Control* probe = NewProbe(nullptr, {0, 0, 10, 10, 64}, state);
    ASSERT_NE(probe, nullptr);
    state.redirectTo = &root;
    struct Case {
        int32_t answer;
        Control* expected;
    };
    // A parentless control without children declines with its previous sibling: itself.
    for (const Case& c : {Case{contract::kWalk, probe}, Case{contract::kConsume, nullptr},
                          Case{contract::kRedirect, &root}}) {
        SCOPED_TRACE(c.answer);
        state.answer = c.answer;
        state.messageAt = nullptr;
        EXPECT_EQ(probe->HandleMessage(&message), c.expected);
        EXPECT_EQ(state.messageAt, &message);
        EXPECT_THAT(state.messageSeen,
                    ElementsAre(0x00C0FFEEu, 514u, 0x55u, (200u << 16) | 300u, 4242u, 11u, 22u));
    }
    DestroyControl(probe);
}

TEST_F(ModuleContractTest, ModuleCallsHostSlotsWithTheirArguments) {
    NotifyingControl host(&journal, nullptr, 7, 8, 17, 20, 42);
    host.answers = true;
    host.answer = &root;
    Rect clip{2, 3, 50, 40};
    Point origin{-4, 6};
    contract::HostCallReport report{};
    module->exerciseHostControl(&host, &root, &clip, &origin, &message, &report);

    using namespace contract;
    EXPECT_THAT(Entries(journal),
                ElementsAre(Entry{&host, kOpen, 0}, Entry{&host, kClose, 0}, Entry{&host, kUpdate, 0},
                            Entry{&host, kHandleMessage, 0}, Entry{&host, kDraw, 0}));
    EXPECT_EQ(report.flagsBefore, 0xE00Fu);
    EXPECT_EQ(report.flagsAfterOpen, 0xE10Fu);
    EXPECT_EQ(report.flagsAfterClose, 0xE40Du);
    EXPECT_EQ(report.messageResult, &root);
    EXPECT_EQ(host.messageAt, &message);
    EXPECT_EQ(host.drawTarget, &root);
    EXPECT_EQ(host.drawClip, &clip);
    EXPECT_EQ(host.drawOrigin, &origin);
    EXPECT_EQ(report.x, 7);
    EXPECT_EQ(report.y, 8);
    EXPECT_EQ(report.priority, 42);
    EXPECT_THAT(report.bounds, ElementsAre(0, 0, 10, 12));

    host.answer = nullptr;
    module->exerciseHostControl(&host, &root, &clip, &origin, &message, &report);
    EXPECT_EQ(report.messageResult, nullptr);

    EXPECT_EQ(module->notifyHost(&host, &root, 5, 40), 115);
    EXPECT_EQ(host.notifySender, &root);
    EXPECT_EQ(host.notifyCode, 5);
    EXPECT_EQ(host.notifyParam, 40);
}

TEST_F(ModuleContractTest, ModuleDestroysHostObjectsThroughSlotZero) {
    // A delete expression of the module's compiler: slot 0 with the delete flag.
    auto* owned = new RecordingControl(&journal, nullptr, 0, 0, 0, 0, 64);
    module->deleteHostControl(owned);

    // An explicit destructor call: slot 0 without the flag, on storage the host keeps.
    RecordingControl parent(nullptr, nullptr, 0, 0, 0, 0, 64);
    alignas(RecordingControl) unsigned char storage[sizeof(RecordingControl)];
    auto* placed = new (storage) RecordingControl(&journal, &parent, 0, 0, 0, 0, 64);
    ASSERT_EQ(parent.firstChild, placed);
    module->destroyHostControlInPlace(placed);

    using namespace contract;
    EXPECT_THAT(Entries(journal), ElementsAre(Entry{owned, kDestroy, 1}, Entry{placed, kDestroy, 0}));
    EXPECT_EQ(parent.firstChild, nullptr) << "the host destructor ran and unlinked the child";
    EXPECT_EQ(parent.drawFirst, nullptr);

    size_t liveSurfaces = display.backend().LiveSurfaces();
    Surface* surface = CreateSurface(8, 8, 0x840);
    ASSERT_EQ(display.backend().LiveSurfaces(), liveSurfaces + 1);
    module->deleteHostSurface(surface);
    EXPECT_EQ(display.backend().LiveSurfaces(), liveSurfaces) << "the surface released its platform surface";
}

TEST_F(ModuleContractTest, HostDestroysModuleControlsThroughSlotZero) {
    RecordingControl parent(nullptr, nullptr, 0, 0, 0, 0, 64);
    auto state = NewState();
    contract::ProbeArguments arguments{0, 0, 10, 10, 64};
    int32_t allocations = module->liveAllocations();

    // Without the delete flag, on storage the host owns: destroyed, not freed.
    alignas(8) unsigned char storage[256];
    ASSERT_LE(module->probeSize(), int32_t(sizeof(storage)));
    Control* placed = module->constructProbeAt(storage, &parent, &arguments, &state);
    ASSERT_EQ(static_cast<void*>(placed), static_cast<void*>(storage));
    ASSERT_EQ(parent.firstChild, placed);
    EXPECT_EQ(placed->DeletingDestructor(0), static_cast<void*>(storage));
    EXPECT_EQ(state.destructions, 1);
    EXPECT_EQ(module->liveAllocations(), allocations);
    EXPECT_EQ(parent.firstChild, nullptr) << "the module's destructor unlinked it from the host parent";
    EXPECT_EQ(parent.drawFirst, nullptr);

    // With the flag: destroyed and given back to the module's heap.
    Control* owned = module->createProbe(&parent, &arguments, &state);
    ASSERT_EQ(module->liveAllocations(), allocations + 1);
    EXPECT_EQ(owned->DeletingDestructor(1), static_cast<void*>(owned));
    EXPECT_EQ(state.destructions, 2);
    EXPECT_EQ(module->liveAllocations(), allocations);
    EXPECT_EQ(parent.firstChild, nullptr);
}

TEST_F(ModuleContractTest, ModuleControlsTakeTheirPlaceInAHostTree) {
    RecordingControl top(&journal, nullptr, 0, 0, kWidth, kHeight, 64);
    RecordingControl low(&journal, &top, 0, 0, 0, 0, 10);
    // Linked by the module's constructor, through the host parent's record.
    auto blueState = NewState(0x001F);
    Control* blue = NewProbe(&top, {2, 2, 6, 6, 20}, blueState);
    RecordingControl high(&journal, &top, 0, 0, 0, 0, 30);
    // Linked by the host, through the module control's record.
    auto greenState = NewState(0x07E0);
    Control* green = NewProbe(nullptr, {4, 2, 8, 6, 25}, greenState);
    top.InsertChild(green);
    top.InsertDrawChild(green);
    EXPECT_THAT(Ring(top), ElementsAre(&low, blue, green, &high));
    EXPECT_THAT(DrawList(top), ElementsAre(&low, blue, green, &high));

    top.Update();
    EXPECT_THAT(Callers(journal, contract::kUpdate), ElementsAre(&top, &low, blue, green, &high));

    journal.count = 0;
    EXPECT_EQ(top.HandleMessage(&message), &top) << "declined by every child";
    EXPECT_THAT(Callers(journal, contract::kHandleMessage), ElementsAre(&top, &high, green, blue, &low));
    journal.count = 0;
    blueState.answer = contract::kConsume;
    EXPECT_EQ(top.HandleMessage(&message), nullptr);
    EXPECT_THAT(Callers(journal, contract::kHandleMessage), ElementsAre(&top, &high, green, blue));

    journal.count = 0;
    DrawTree(&top, &root, nullptr);
    EXPECT_THAT(Callers(journal, contract::kDraw), ElementsAre(&top, &low, blue, green, &high));
    EXPECT_EQ(blueState.drawTarget, &root);
    EXPECT_THAT(blueState.clipSeen, ElementsAre(0, 0, kWidth, kHeight));
    EXPECT_THAT(blueState.originSeen, ElementsAre(0, 0));
    EXPECT_EQ(low.drawTarget, &root);
    EXPECT_EQ(low.drawClip, blueState.drawClip);
    EXPECT_EQ(low.drawOrigin, blueState.drawOrigin);
    EXPECT_EQ(screen->GetPixel(2, 2), 0x001Fu);
    EXPECT_EQ(screen->GetPixel(5, 5), 0x07E0u) << "drawn later, by the draw list's order";
    EXPECT_EQ(screen->GetPixel(7, 5), 0x07E0u);
    EXPECT_EQ(screen->GetPixel(8, 5), 0u);

    DestroyControl(blue);
    EXPECT_THAT(Ring(top), ElementsAre(&low, green, &high));
    EXPECT_THAT(DrawList(top), ElementsAre(&low, green, &high));
    DestroyControl(green);
    EXPECT_THAT(Ring(top), ElementsAre(&low, &high));
    EXPECT_THAT(DrawList(top), ElementsAre(&low, &high));
}

TEST_F(ModuleContractTest, ModuleControlWalksHostChildren) {
    auto state = NewState(0x001F);
    Control* panel = NewProbe(nullptr, {0, 0, 20, 20, 64}, state);
    ASSERT_NE(panel, nullptr);
    Surface* greenPicture = CreateSurface(4, 4, 0x840);
    Surface* redPicture = CreateSurface(4, 4, 0x840);
    greenPicture->Clear(0x07E0);
    redPicture->Clear(0xF800);
    // Linked by the host's constructors, through the module parent's record.
    RecordingControl listener(&journal, panel, 0, 0, 0, 0, 5);
    SurfaceControl over(panel, 4, 4, 8, 8, 10);
    over.ownSurface = greenPicture;
    SurfaceControl under(panel, 18, 18, 22, 22, -1);
    under.ownSurface = redPicture;
    EXPECT_THAT(Ring(*panel), ElementsAre(&under, &listener, &over));
    EXPECT_THAT(DrawList(*panel), ElementsAre(&under, &listener, &over));

    panel->Update();
    EXPECT_THAT(Callers(journal, contract::kUpdate), ElementsAre(panel, &listener));

    // The module draws the member behind first, then its own box, then the rest.
    DrawTree(panel, &root, nullptr);
    EXPECT_EQ(listener.drawTarget, &root);
    EXPECT_EQ(screen->GetPixel(1, 1), 0x001Fu);
    EXPECT_EQ(screen->GetPixel(5, 5), 0x07E0u);
    EXPECT_EQ(screen->GetPixel(19, 19), 0x001Fu) << "the member behind is painted over";
    EXPECT_EQ(screen->GetPixel(21, 21), 0xF800u) << "the member behind was drawn";

    journal.count = 0;
    EXPECT_EQ(panel->HandleMessage(&message), panel) << "declined by every child: its own previous sibling";
    EXPECT_THAT(Callers(journal, contract::kHandleMessage), ElementsAre(panel, &listener));
    listener.answers = true;
    listener.answer = nullptr;
    EXPECT_EQ(panel->HandleMessage(&message), nullptr);
    EXPECT_EQ(listener.messageAt, &message);

    // A parent does not own its children: destroying the module parent leaves them detached.
    DestroyControl(panel);
    for (const Control* child : std::initializer_list<const Control*>{&listener, &over, &under})
        ExpectDetached(*child);
    over.ownSurface = nullptr;
    under.ownSurface = nullptr;
    DestroySurface(greenPicture);
    DestroySurface(redPicture);
}

TEST_F(ModuleContractTest, ModuleDrawsOnHostSurfacesThroughRecordAndSlots) {
    using namespace contract;
    Surface* canvas = CreateSurface(32, 16, 0x840);
    Surface* reference = CreateSurface(32, 16, 0x840);
    Surface* source = CreateSurface(8, 8, 0x840);
    ASSERT_TRUE(canvas && canvas->HasPixels() && reference && source);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            source->PutPixel(x, y, uint32_t((x * 4 + 3) << 11 | (y * 8 + 5) << 5 | (x + y + 1)), 256, 0);
    canvas->Clear(0x8410);
    reference->Clear(0x8410);

    SurfaceReport report{};
    module->paintSurface(canvas, source, &report);
    EXPECT_EQ(report.width, 32);
    EXPECT_EQ(report.height, 16);
    EXPECT_EQ(report.pitch, canvas->pitch);
    EXPECT_EQ(report.pixelRead, kDirectPixel);

    // The same drawing made by the host itself.
    reference->PutPixel(kDirectPixelX, kDirectPixelY, kDirectPixel, 256, 0);
    reference->FillRect(kFill[0], kFill[1], kFill[2], kFill[3], kFillColour, kFillLevel, 0);
    reference->PutPixel(kPutPixelX, kPutPixelY, kPutPixelColour, 256, 0);
    source->BlitTo(reference, kBlitX, kBlitY,
                   Rect{kBlitSource[0], kBlitSource[1], kBlitSource[2], kBlitSource[3]}, kBlitLevel,
                   kBlitEffect);
    std::vector<uint32_t> drawn, expected;
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            drawn.push_back(canvas->GetPixel(x, y));
            expected.push_back(reference->GetPixel(x, y));
        }
    EXPECT_THAT(drawn, ElementsAreArray(expected));

    // And each call did draw: a translucent fill, a pixel, a darkened copy of 6 x 3 pixels.
    EXPECT_EQ(canvas->GetPixel(kDirectPixelX, kDirectPixelY), kDirectPixel);
    uint32_t filled = canvas->GetPixel(kFill[2], kFill[3]);
    EXPECT_NE(filled, 0x8410u);
    EXPECT_NE(filled, kFillColour);
    EXPECT_EQ(canvas->GetPixel(kFill[0], kFill[1]), 0x8410u);
    EXPECT_EQ(canvas->GetPixel(kPutPixelX, kPutPixelY), kPutPixelColour);
    uint32_t copied = canvas->GetPixel(kBlitX, kBlitY);
    EXPECT_NE(copied, 0x8410u);
    EXPECT_NE(copied, source->GetPixel(kBlitSource[0], kBlitSource[1])) << "the effect argument darkens";
    EXPECT_NE(canvas->GetPixel(kBlitX + 5, kBlitY + 2), 0x8410u);
    EXPECT_EQ(canvas->GetPixel(kBlitX + 6, kBlitY + 2), 0x8410u);
    EXPECT_EQ(canvas->GetPixel(kBlitX + 5, kBlitY + 3), 0x8410u);

    DestroySurface(canvas);
    DestroySurface(reference);
    DestroySurface(source);
}

TEST_F(ModuleContractTest, ModuleDrivesHostCountersAndBars) {
    // A counter under a panel that takes notifications: the module's call of slot 6 moves the
    // target by the step, cut at the maximum, and the panel hears of it.
    NotifyingControl panel(&journal, nullptr, 0, 0, 0, 0, 64);
    panel.SetFlag(control_flags::NotifyTarget, true);
    NumberDisplay counter(&panel, nullptr, 4, 10, 10);
    counter.step = 7;
    counter.maximum = 12;
    counter.SetValue(9);
    ProgressBar bar(&panel, 0, 0, 100, 8, 64);
    bar.maximum = 40;
    int32_t report[3] = {};
    module->driveHostCounter(&counter, &bar, report);
    EXPECT_THAT(report, ElementsAre(12, 7, 12));
    EXPECT_EQ(counter.targetValue, 12);
    EXPECT_EQ(counter.shownValue, 9) << "the counter counts toward the target in its updates";
    EXPECT_EQ(panel.notifySender, &counter);
    EXPECT_EQ(panel.notifyCode, kNumberChangedNotice);
    EXPECT_EQ(bar.value, 20);
}

}  // namespace
