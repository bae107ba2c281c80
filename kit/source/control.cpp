// The control base as a module runs it, with the host's tree rules: the same ordering, the same
// walks that survive a callee destroying or moving controls, the same positioning and blending.
// Build this file into the module; host controls linked under the module's controls are walked
// by this code, and the module's controls under host controls by the host's.
#include "tidemarch/controls.h"

namespace tidemarch {

namespace {
// Positions use 32-bit arithmetic that wraps, as the host's does: moving by a delta and back
// always returns to the start.
int32_t WrappingAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
int32_t WrappingSubtract(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }

constexpr uint16_t kOpenKeeps = uint16_t(~control_flags::TransitionMask);
constexpr uint16_t kOpenSets =
    0x0100 | control_flags::Visible | control_flags::InputEnabled | control_flags::Active;
constexpr uint16_t kCloseKeeps = uint16_t(~(control_flags::TransitionMask | control_flags::InputEnabled));
constexpr uint16_t kCloseSets = 0x0400 | control_flags::Visible | control_flags::Active;

// One call made by a walk over a control's children or draw list, while it runs. A walk checks
// where it stands by scanning the list only after a call during which this code changed that
// list. The watches form a stack, innermost first, as deep as the calls are nested.
class ListWatch {
  public:
    explicit ListWatch(const Control* owner) : owner_(owner), outer_(innermost) { innermost = this; }
    ~ListWatch() { innermost = outer_; }
    ListWatch(const ListWatch&) = delete;
    ListWatch& operator=(const ListWatch&) = delete;

    bool ListChanged() const { return changed_; }

    static void NoteChange(const Control* owner) {
        for (ListWatch* watch = innermost; watch; watch = watch->outer_)
            if (watch->owner_ == owner) watch->changed_ = true;
    }

  private:
    const Control* owner_;
    ListWatch* outer_;
    bool changed_ = false;
    // The tree lives on the window's thread only.
    static ListWatch* innermost;
};
ListWatch* ListWatch::innermost = nullptr;

template <class Visit> void ForEachChildWith(Control* self, uint16_t flag, Visit visit) {
    Control* first = self->firstChild;
    if (!first) return;
    Control* child = first;
    do {
        Control* next = child->nextSibling;
        if (child->HasFlag(flag)) visit(child);
        child = next;
    } while (child && child != first);
}
}  // namespace

Control::Control(Control* parentControl, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                 int16_t priorityValue)
    : x(x1), y(y1), offsetX(0), offsetY(0), bounds{0, 0, WrappingSubtract(x2, x1), WrappingSubtract(y2, y1)},
      flags(control_flags::Initial), priority(priorityValue), alpha(256), effect(0), parent(nullptr),
      prevSibling(this), nextSibling(this), firstChild(nullptr), drawOwner(nullptr), drawPrev(nullptr),
      drawNext(nullptr), drawFirst(nullptr) {
    if (parentControl) {
        parentControl->InsertChild(this);
        parentControl->InsertDrawChild(this);
    }
}

// Children are detached, not destroyed: a parent does not own them.
Control::~Control() {
    while (firstChild) {
        Control* child = firstChild;
        child->UnlinkFromRing();
        child->UnlinkFromDrawList();
    }
    UnlinkFromRing();
    UnlinkFromDrawList();
}

#if !TIDEMARCH_KIT_MSVC_ABI
void* Control::DeletingDestructor(uint32_t deleteFlags) { return RunDeletingDestructor(this, deleteFlags); }
#endif

void Control::Open() { flags = uint16_t((flags & kOpenKeeps) | kOpenSets); }

void Control::Close() { flags = uint16_t((flags & kCloseKeeps) | kCloseSets); }

void Control::Update() {
    if (HasFlag(control_flags::Active)) UpdateChildren();
}

bool Control::HoldsChild(const Control* candidate) const {
    Control* node = firstChild;
    if (!node || !candidate) return false;
    do {
        if (node == candidate) return true;
        node = node->nextSibling;
    } while (node && node != firstChild);
    return false;
}

bool Control::HoldsDrawMember(const Control* candidate) const {
    if (!candidate) return false;
    for (Control* member = drawFirst; member; member = member->drawNext)
        if (member == candidate) return true;
    return false;
}

void Control::UpdateChildren() {
    Control* child = firstChild;
    while (child) {
        // Everything the walk needs of the child is read before the call: afterwards the child,
        // and either neighbour, may be gone.
        Control* next = child->nextSibling;
        Control* previous = child->prevSibling;
        bool wasFirst = child == firstChild;
        bool wasLast = !next || next == firstChild;
        bool ringChanged;
        {
            ListWatch watch(this);
            child->Update();
            ringChanged = watch.ListChanged();
        }
        if (wasLast || !firstChild) return;

        Control* continuation;
        if (!ringChanged)
            continuation = next;
        else if (HoldsChild(child))
            continuation = child->nextSibling;
        else if (HoldsChild(next))
            continuation = next;
        else if (HoldsChild(previous))
            continuation = previous->nextSibling;
        else
            return;
        // A first child that left the ring hands the walk to the new first child, which has not
        // been updated yet; for any other child, arriving at the first child means coming round.
        if (!wasFirst && continuation == firstChild) return;
        child = continuation;
    }
}

Control* Control::HandleMessage(WindowMessage* message) {
    if (!HasFlag(control_flags::InputEnabled) || !firstChild) return prevSibling;
    return ChildrenConsume(message) ? nullptr : prevSibling;
}

bool Control::ChildrenConsume(WindowMessage* message) {
    Control* candidate = LastChild();
    while (candidate) {
        Control* highestBefore = LastChild();
        Control* next = candidate->HandleMessage(message);
        if (!next) return true;
        Control* highestAfter = LastChild();
        if (!highestAfter) return false;
        if (next == highestBefore || (candidate != highestBefore && next == highestAfter)) return false;
        candidate = next;
    }
    return true;
}

void Control::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    DrawMembersFrom(drawFirst, target, clip, origin);
}

Control* Control::DrawMemberAndStep(Control* member, SurfaceControl* target, Rect* clip, Point* origin) {
    Control* next = member->drawNext;
    {
        ListWatch watch(this);
        member->Draw(target, clip, origin);
        if (!watch.ListChanged()) return next;
    }
    if (HoldsDrawMember(member)) return member->drawNext;
    return HoldsDrawMember(next) ? next : nullptr;
}

Control* Control::DrawMembersBehind(SurfaceControl* target, Rect* clip, Point* origin) {
    Control* member = drawFirst;
    while (member && member->priority < 0)
        member = DrawMemberAndStep(member, target, clip, origin);
    return member;
}

void Control::DrawMembersFrom(Control* member, SurfaceControl* target, Rect* clip, Point* origin) {
    while (member)
        member = DrawMemberAndStep(member, target, clip, origin);
}

void Control::UnlinkFromRing() {
    if (parent) {
        ListWatch::NoteChange(parent);
        if (nextSibling != this) {
            prevSibling->nextSibling = nextSibling;
            nextSibling->prevSibling = prevSibling;
            if (parent->firstChild == this) parent->firstChild = nextSibling;
        } else {
            parent->firstChild = nullptr;
        }
    }
    prevSibling = this;
    nextSibling = this;
    parent = nullptr;
}

void Control::UnlinkFromDrawList() {
    if (!drawOwner) return;
    ListWatch::NoteChange(drawOwner);
    if (drawNext) drawNext->drawPrev = drawPrev;
    if (drawPrev)
        drawPrev->drawNext = drawNext;
    else
        drawOwner->drawFirst = drawNext;
    drawOwner = nullptr;
    drawPrev = nullptr;
    drawNext = nullptr;
}

void Control::InsertChild(Control* child) {
    child->UnlinkFromRing();
    ListWatch::NoteChange(this);
    child->parent = this;
    if (!firstChild) {
        firstChild = child;
        return;
    }
    Control* node;
    if (firstChild->priority > child->priority) {
        node = firstChild;
        firstChild = child;
    } else {
        node = firstChild->nextSibling;
        while (node != firstChild && node->priority <= child->priority)
            node = node->nextSibling;
    }
    child->nextSibling = node;
    child->prevSibling = node->prevSibling;
    node->prevSibling->nextSibling = child;
    node->prevSibling = child;
}

void Control::InsertDrawChild(Control* child) {
    child->UnlinkFromDrawList();
    ListWatch::NoteChange(this);
    child->drawOwner = this;
    Control* node = drawFirst;
    Control* last = nullptr;
    while (node && node->priority <= child->priority) {
        last = node;
        node = node->drawNext;
    }
    child->drawPrev = last;
    child->drawNext = node;
    if (node) node->drawPrev = child;
    if (last)
        last->drawNext = child;
    else
        drawFirst = child;
}

void Control::MoveTo(int32_t newX, int32_t newY) {
    int32_t dx = WrappingSubtract(newX, x), dy = WrappingSubtract(newY, y);
    x = newX;
    y = newY;
    ForEachChildWith(this, control_flags::FollowParentMove, [&](Control* c) { c->MoveBy(dx, dy); });
}

void Control::SetX(int32_t newX) {
    int32_t dx = WrappingSubtract(newX, x);
    x = newX;
    ForEachChildWith(this, control_flags::FollowParentMove, [&](Control* c) { c->MoveByX(dx); });
}

void Control::MoveBy(int32_t dx, int32_t dy) {
    x = WrappingAdd(x, dx);
    y = WrappingAdd(y, dy);
    ForEachChildWith(this, control_flags::FollowParentMove, [&](Control* c) { c->MoveBy(dx, dy); });
}

void Control::MoveByX(int32_t dx) {
    x = WrappingAdd(x, dx);
    ForEachChildWith(this, control_flags::FollowParentMove, [&](Control* c) { c->MoveByX(dx); });
}

void Control::SetAlpha(int32_t a) {
    alpha = a;
    ForEachChildWith(this, control_flags::InheritAlpha, [&](Control* c) { c->SetAlpha(a); });
}

void Control::SetEffect(int32_t e) {
    effect = e;
    ForEachChildWith(this, control_flags::InheritEffect, [&](Control* c) { c->SetEffect(e); });
}

}  // namespace tidemarch
