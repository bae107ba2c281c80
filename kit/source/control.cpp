// The control base as a module runs it: the same tree rules as the host's. Build this file into
// the module; host controls linked under the module's controls are walked by this code, and the
// module's controls under host controls by the host's.
#include "tidemarch/controls.h"

namespace tidemarch {

Control::Control(Control* parentControl, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                 int16_t priorityValue)
    : x(x1), y(y1), offsetX(0), offsetY(0), bounds{0, 0, x2 - x1, y2 - y1}, flags(control_flags::Initial),
      priority(priorityValue), alpha(256), effect(0), parent(nullptr), prevSibling(this), nextSibling(this),
      firstChild(nullptr), drawOwner(nullptr), drawPrev(nullptr), drawNext(nullptr), drawFirst(nullptr) {
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
void* Control::DeletingDestructor(uint32_t deleteFlags) {
    this->~Control();
    if (deleteFlags & 1) ::operator delete(this);
    return this;
}
#endif

void Control::Open() { flags = uint16_t((flags & 0xE1FF) | 0x0107); }

void Control::Close() { flags = uint16_t((flags & 0xE4FD) | 0x0405); }

void Control::Update() {
    if (!(flags & control_flags::Active)) return;
    Control* child = firstChild;
    while (child) {
        Control* next = child->nextSibling;
        const bool last = next == firstChild;
        child->Update();
        if (last || !firstChild) break;
        child = next;
    }
}

Control* Control::HandleMessage(WindowMessage* message) {
    if (!(flags & control_flags::InputEnabled) || !firstChild) return prevSibling;
    Control* candidate = firstChild->prevSibling;
    for (;;) {
        if (!candidate) return nullptr;
        Control* next = candidate->HandleMessage(message);
        if (next == (firstChild ? firstChild->prevSibling : nullptr)) return prevSibling;
        candidate = next;
    }
}

void Control::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!(flags & control_flags::Visible)) return;
    DrawMembersFrom(drawFirst, target, clip, origin);
}

Control* Control::DrawMembersBehind(SurfaceControl* target, Rect* clip, Point* origin) {
    Control* member = drawFirst;
    while (member && member->priority < 0) {
        Control* next = member->drawNext;
        member->Draw(target, clip, origin);
        member = next;
    }
    return member;
}

void Control::DrawMembersFrom(Control* member, SurfaceControl* target, Rect* clip, Point* origin) {
    while (member) {
        Control* next = member->drawNext;
        member->Draw(target, clip, origin);
        member = next;
    }
}

void Control::UnlinkFromRing() {
    if (parent) {
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

int32_t Panel::Notify(Control*, int32_t, int32_t) { return 0; }

}  // namespace tidemarch
