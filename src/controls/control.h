#pragma once
// The base of every on-screen object and the control tree.
//
// The record layout and the virtual slot order are shared with the game module, which builds
// its own controls with exactly this layout, links them into the host's tree and walks host
// controls through the same fields and slots. Nothing here may be reordered.
//
//   offset  field                      offset  field
//   0       virtual table              48      parent
//   4       x, y                       52      previous sibling   (child ring, circular)
//   12      offsetX, offsetY           56      next sibling
//   20      bounds (l, t, r, b)        60      first child        (lowest priority)
//   36      flags (u16)                64      draw owner
//   38      priority (i16)             68      draw previous      (draw list, null-terminated)
//   40      alpha                      72      draw next
//   44      effect                     76      draw first
//
// Slot 0 is the deleting destructor of the other compiler's ABI: one slot taking the delete
// flag. It is therefore an ordinary virtual function, never a C++ virtual destructor.
#include <cstddef>
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/geometry.h"
#include "common/layout_check.h"
#include "controls/window_message.h"

class SurfaceControl;

namespace control_flags {
inline constexpr uint16_t Visible = 1u << 0;
inline constexpr uint16_t InputEnabled = 1u << 1;
inline constexpr uint16_t Active = 1u << 2;
inline constexpr uint16_t Shown = 1u << 3;  // set at construction, cleared to create hidden
inline constexpr uint16_t NotifyTarget = 1u << 5;
inline constexpr uint16_t TransitionMask = 0x1Fu << 8;
inline constexpr uint16_t FollowParentMove = 1u << 13;
inline constexpr uint16_t InheritAlpha = 1u << 14;
inline constexpr uint16_t InheritEffect = 1u << 15;

inline constexpr uint16_t Initial =
    Visible | InputEnabled | Active | Shown | FollowParentMove | InheritAlpha | InheritEffect;
// Flags AND this creates a control hidden.
inline constexpr uint16_t HiddenMask = uint16_t(~(Visible | InputEnabled | Active | Shown));
}  // namespace control_flags

enum class TransitionState : uint16_t { None = 0, Opening = 1, Open = 2, Closing = 4, Closed = 5 };

namespace control_flags {
// The transition field holding one state.
constexpr uint16_t TransitionField(TransitionState state) { return uint16_t(uint16_t(state) << 8); }

// Open: the control starts opening, shown, updated and taking input; the other bits stay.
inline constexpr uint16_t OpenKeeps = uint16_t(~TransitionMask);
inline constexpr uint16_t OpenSets =
    TransitionField(TransitionState::Opening) | Visible | InputEnabled | Active;
// Close: the control starts closing, still shown and updated but no longer taking input.
inline constexpr uint16_t CloseKeeps = uint16_t(~(TransitionMask | InputEnabled));
inline constexpr uint16_t CloseSets = TransitionField(TransitionState::Closing) | Visible | Active;
}  // namespace control_flags

class Control {
  public:
    Control(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Virtual slots 0 to 5, in this order.
    virtual void* DeletingDestructor(uint32_t flags);
    virtual void Open();
    virtual void Close();
    virtual void Update();
    virtual Control* HandleMessage(WindowMessage* message);
    virtual void Draw(SurfaceControl* target, Rect* clip, Point* origin);

    void InsertChild(Control* child);
    void InsertDrawChild(Control* child);

    void MoveTo(int32_t newX, int32_t newY);
    void SetX(int32_t newX);
    void MoveBy(int32_t dx, int32_t dy);
    void MoveByX(int32_t dx);
    void SetAlpha(int32_t a);
    void SetEffect(int32_t e);

    bool HasFlag(uint16_t flag) const { return (flags & flag) != 0; }
    void SetFlag(uint16_t flag, bool on) { flags = on ? uint16_t(flags | flag) : uint16_t(flags & ~flag); }
    TransitionState Transition() const {
        return TransitionState((flags & control_flags::TransitionMask) >> 8);
    }
    void SetTransition(TransitionState state) {
        flags = uint16_t((flags & ~control_flags::TransitionMask) | control_flags::TransitionField(state));
    }

    // The highest-priority child (the first child's previous sibling), or null.
    Control* LastChild() const { return firstChild ? firstChild->prevSibling : nullptr; }

    // Whether the control is in this control's child ring. Compares addresses only, so it may be
    // asked about a control that has been destroyed.
    bool HoldsChild(const Control* candidate) const;
    // The same for this control's draw list.
    bool HoldsDrawMember(const Control* candidate) const;

    // The child walk of Update, for every class that updates its children: first to last, each
    // child once. A child may destroy or move itself or any sibling during its update; the walk
    // never touches a control after its call unless that control is still in the ring:
    //  - it ends after the child that was last when it was called, or when the ring is empty;
    //  - it goes on from the called child's next sibling as it is after the call; if the child
    //    has left the ring, from its old next sibling if that is still there, else from whatever
    //    now follows its old previous sibling (if neither neighbour is left either, the walk
    //    ends for this frame);
    //  - it ends when that would come round to the first child again.
    // Children inserted during the walk are updated this frame only if they land after the
    // current position.
    // The walk learns of a change through this code's own linking and unlinking, so a call that
    // changed nothing costs no scan. Changes made by the game module's own copy of the tree code
    // are not seen: after such a call the walk goes on from the next sibling read before the
    // call, as the module's own walk does.
    void UpdateChildren();

    // The child walk of HandleMessage: the highest-priority child first, each handler returning
    // the control to ask next (its previous sibling to decline, any control to redirect) or null
    // to consume. Returns true when the message was consumed. The walk has come round, and
    // declines, when a handler returns the highest-priority child as it was before that handler
    // ran, or, for a handler that was not itself that child, the highest-priority child as it is
    // after the call (the handler may have removed the one before it). A ring emptied by a
    // handler ends the walk: consumed if that handler returned null, declined otherwise.
    bool ChildrenConsume(WindowMessage* message);

    int32_t x;
    int32_t y;
    int32_t offsetX;
    int32_t offsetY;
    Rect bounds;
    uint16_t flags;
    int16_t priority;
    int32_t alpha;
    int32_t effect;
    Control* parent;
    Control* prevSibling;
    Control* nextSibling;
    Control* firstChild;
    Control* drawOwner;
    Control* drawPrev;
    Control* drawNext;
    Control* drawFirst;

    // Not virtual on purpose: slot 0 is the way to destroy through a base pointer.
    ~Control();

  protected:
    // Draws the draw-list members with negative priority and returns where that walk stopped,
    // so that a subclass can draw its own image between the two halves of its list.
    // A member may destroy itself or other members while it draws: after each call the walk
    // goes on from the member's next as it is then if the member is still listed, else from
    // its old next if that is still listed, else it ends. As with UpdateChildren, only a call
    // that changed the list through this code costs a scan of it.
    Control* DrawMembersBehind(SurfaceControl* target, Rect* clip, Point* origin);
    // Draws the members from the given one (a member of this control's list, or null) to the end.
    void DrawMembersFrom(Control* member, SurfaceControl* target, Rect* clip, Point* origin);

  private:
    // Draws one member and gives the member to draw after it, or null (see DrawMembersBehind).
    Control* DrawMemberAndStep(Control* member, SurfaceControl* target, Rect* clip, Point* origin);
    void UnlinkFromRing();
    void UnlinkFromDrawList();
};

// Destroys a control through its slot 0 and frees it.
inline void DestroyControl(Control* control) {
    if (control) control->DeletingDestructor(kDeleteMemory);
}

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(Control, 80);
TIDEMARCH_CHECK_OFFSET(Control, x, 4);
TIDEMARCH_CHECK_OFFSET(Control, offsetX, 12);
TIDEMARCH_CHECK_OFFSET(Control, bounds, 20);
TIDEMARCH_CHECK_OFFSET(Control, flags, 36);
TIDEMARCH_CHECK_OFFSET(Control, priority, 38);
TIDEMARCH_CHECK_OFFSET(Control, alpha, 40);
TIDEMARCH_CHECK_OFFSET(Control, effect, 44);
TIDEMARCH_CHECK_OFFSET(Control, parent, 48);
TIDEMARCH_CHECK_OFFSET(Control, prevSibling, 52);
TIDEMARCH_CHECK_OFFSET(Control, nextSibling, 56);
TIDEMARCH_CHECK_OFFSET(Control, firstChild, 60);
TIDEMARCH_CHECK_OFFSET(Control, drawOwner, 64);
TIDEMARCH_CHECK_OFFSET(Control, drawPrev, 68);
TIDEMARCH_CHECK_OFFSET(Control, drawNext, 72);
TIDEMARCH_CHECK_OFFSET(Control, drawFirst, 76);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
