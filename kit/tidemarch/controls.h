#pragma once
// The control tree and drawing targets as a game module sees them: the Control record and its
// slots, the panel family, surfaces and the surface control, the host panel's commands and the
// progress bar. Non-virtual operations declared here run as the module's own code
// (kit/source/control.cpp, panel.cpp and progress_bar.cpp): they follow the host's rules.
#include "tidemarch/records.h"

namespace tidemarch {

namespace control_flags {
inline constexpr uint16_t Visible = 1u << 0;
inline constexpr uint16_t InputEnabled = 1u << 1;
inline constexpr uint16_t Active = 1u << 2;
inline constexpr uint16_t Shown = 1u << 3;  // set at construction, cleared to create hidden
inline constexpr uint16_t NotifyTarget = 1u << 5;
inline constexpr uint16_t TransitionMask = 0x1Fu << 8;  // 1 opening, 2 open, 4 closing, 5 closed
inline constexpr uint16_t FollowParentMove = 1u << 13;
inline constexpr uint16_t InheritAlpha = 1u << 14;
inline constexpr uint16_t InheritEffect = 1u << 15;
inline constexpr uint16_t Initial = 0xE00F;
// Flags AND this creates a control hidden.
inline constexpr uint16_t HiddenMask = 0xFFF0;
}  // namespace control_flags

enum class TransitionState : uint16_t { None = 0, Opening = 1, Open = 2, Closing = 4, Closed = 5 };

// Slots 0 to 5. Children form a circular ring ordered by priority (first child: lowest); the
// draw list is null-terminated in the same order. A parent does not own its children.
// Positions are absolute: moving a control moves the children that carry FollowParentMove.
class Control {
  public:
    Control(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    TIDEMARCH_SLOT0_DESTRUCTOR(Control);  // slot 0
    // Opening: shown, updated and taking input (a Panel keeps input as it was).
    virtual void Open();  // slot 1
    // Closing: still shown and updated, no longer taking input.
    virtual void Close();  // slot 2
    // When Active: UpdateChildren.
    virtual void Update();  // slot 3
    // Null when the message was consumed; otherwise the control to ask next (its previous
    // sibling to decline). Without InputEnabled or children: declines.
    virtual Control* HandleMessage(WindowMessage* message);                // slot 4
    virtual void Draw(SurfaceControl* target, Rect* clip, Point* origin);  // slot 5

    // Both first unlink the child from where it was, so they also move a control to another
    // parent; a child goes after its siblings of equal priority.
    void InsertChild(Control* child);
    void InsertDrawChild(Control* child);

    void MoveTo(int32_t newX, int32_t newY);
    void SetX(int32_t newX);
    void MoveBy(int32_t dx, int32_t dy);
    void MoveByX(int32_t dx);
    // The children that carry InheritAlpha (InheritEffect) take the value too, and so on down.
    void SetAlpha(int32_t a);
    void SetEffect(int32_t e);

    bool HasFlag(uint16_t flag) const { return (flags & flag) != 0; }
    void SetFlag(uint16_t flag, bool on) { flags = on ? uint16_t(flags | flag) : uint16_t(flags & ~flag); }
    TransitionState Transition() const {
        return TransitionState((flags & control_flags::TransitionMask) >> 8);
    }

    // The highest-priority child (the first child's previous sibling), or null.
    Control* LastChild() const { return firstChild ? firstChild->prevSibling : nullptr; }
    // Whether the control is in this control's child ring (draw list). Compares addresses only,
    // so it may be asked about a control that has been destroyed.
    bool HoldsChild(const Control* candidate) const;
    bool HoldsDrawMember(const Control* candidate) const;

    // The child walk of Update: first to last, each child once. A child may destroy or move
    // itself or any sibling during its update; the walk never touches a control after its call
    // unless that control is still in the ring. It goes on from the called child's next sibling
    // as it is after the call; if the child has left the ring, from its old next sibling if that
    // is still there, else from what now follows its old previous sibling (else it ends). It
    // ends after the child that was last when it was called, and when it comes round.
    void UpdateChildren();

    // The child walk of HandleMessage: the highest-priority child first, each handler returning
    // the control to ask next or null to consume. True when the message was consumed. The walk
    // declines when a handler returns the highest-priority child as it was before that handler
    // ran, or, for a handler that was not itself that child, as it is after the call. A ring
    // emptied by a handler ends the walk: consumed if that handler returned null.
    bool ChildrenConsume(WindowMessage* message);

    int32_t x;
    int32_t y;
    int32_t offsetX;
    int32_t offsetY;
    Rect bounds;
    uint16_t flags;
    int16_t priority;
    int32_t alpha;  // 0 to 256, 256 opaque
    int32_t effect;
    Control* parent;
    Control* prevSibling;
    Control* nextSibling;
    Control* firstChild;
    Control* drawOwner;
    Control* drawPrev;
    Control* drawNext;
    Control* drawFirst;

  protected:
    // Draws the draw-list members with negative priority and returns where that walk stopped,
    // so that a subclass can draw its own image between the two halves of its list. A member
    // may destroy itself or other members while it draws: the walk goes on from the member's
    // next as it is then if the member is still listed, else from its old next if that is
    // still listed, else it ends.
    Control* DrawMembersBehind(SurfaceControl* target, Rect* clip, Point* origin);
    // Draws the members from the given one (a member of this control's list, or null) to the end.
    void DrawMembersFrom(Control* member, SurfaceControl* target, Rect* clip, Point* origin);

  private:
    Control* DrawMemberAndStep(Control* member, SurfaceControl* target, Rect* clip, Point* origin);
    void UnlinkFromRing();
    void UnlinkFromDrawList();
};

// Adds slot 6, Notify: 0 unless a subclass answers. Open keeps InputEnabled as it was.
class Panel : public Control {
  public:
    Panel(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    TIDEMARCH_SLOT0_OVERRIDE(Panel);
    void Open() override;
    virtual int32_t Notify(Control* sender, int32_t code, int32_t param);  // slot 6
};

// A panel that, while opening or closing, moves its position, effect and alpha one step per
// update toward the targets; on arrival an opening panel takes input and a closing one hides.
// To fade out and slide away, set the targets first and then call Close.
class TransitionPanel : public Panel {
  public:
    TransitionPanel(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Panel(parent, x1, y1, x2, y2, priority) {}
    TIDEMARCH_SLOT0_OVERRIDE(TransitionPanel);
    void Update() override;

    int32_t targetX = 0;
    int32_t targetY = 0;
    int32_t targetAlpha = 256;
    int32_t targetEffect = 0;
};

// One update's step of a position delta: a quarter of it from 8 pixels on, a half from 4 on,
// else one pixel (divisions truncate toward zero).
int32_t TransitionStep(int32_t delta);

// The commands of the host panel, the parent of the module's first screen: call its Notify
// (slot 6) with the code.
namespace host_command {
inline constexpr int32_t SetInputRoot = 100;        // InputRoot = sender; 0
inline constexpr int32_t GetInputRoot = 101;        // the current InputRoot
inline constexpr int32_t SetBackgroundClear = 102;  // param 0 or 1; 0
inline constexpr int32_t ResizeWindow = 103;        // param 0: 800x600, 1: 1024x768, 2: 1280x1024; 0
inline constexpr int32_t SetFrameInterval = 104;    // param milliseconds; 0
}  // namespace host_command

// Pixel memory in the display's layout. The module draws on the host's surfaces through these
// slots or directly through pixels and pitch; it creates none of its own through this header.
class Surface {
  public:
    TIDEMARCH_SLOT0_DESTRUCTOR(Surface);
    virtual uint32_t GetPixel(int32_t x, int32_t y);
    virtual void PutPixel(int32_t x, int32_t y, uint32_t colour, int32_t level, int32_t reserved);
    virtual void Reserved3(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    virtual void DrawHLine(int32_t x1, int32_t x2, int32_t y, uint32_t colour, int32_t level,
                           int32_t reserved);
    virtual void DrawVLine(int32_t x, int32_t y1, int32_t y2, uint32_t colour, int32_t level,
                           int32_t reserved);
    virtual void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                          int32_t effect);
    virtual void Reserved7(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    virtual void BlitTo(Surface* destination, int32_t x, int32_t y, Rect source, int32_t level,
                        int32_t effect);

    void* platformSurface;
    uint8_t* pixels;
    int32_t pitch;
    uint32_t blitOptions;
    int32_t width;
    int32_t height;
};

// A control with a surface of its own; every drawing target (the root control, the display).
// Only the host makes them: the module draws into those it is handed.
class SurfaceControl : public Control {
  public:
    SurfaceControl() = delete;
    Surface* ownSurface;
    uint32_t fillColour;
};

// Fills the part of its box that value takes between minimum and maximum; its owner writes the
// fields directly.
class ProgressBar : public Control {
  public:
    ProgressBar(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    TIDEMARCH_SLOT0_OVERRIDE(ProgressBar);
    // Fills from x to x + value * width / (maximum - minimum) within its box and the clip, with
    // the target surface's FillRect; draws nothing more.
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;
    uint32_t colour = 0x00FFFFFF;  // in the surface's pixel layout
    int32_t minimum = 0;
    int32_t maximum = 99;
    int32_t value = 99;
};

}  // namespace tidemarch

#if TIDEMARCH_KIT_LAYOUT
TIDEMARCH_KIT_CHECKS_BEGIN
TIDEMARCH_KIT_SIZE(tidemarch::Control, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, x, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, offsetX, 12);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, bounds, 20);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, flags, 36);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, priority, 38);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, alpha, 40);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, effect, 44);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, parent, 48);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, prevSibling, 52);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, nextSibling, 56);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, firstChild, 60);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, drawOwner, 64);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, drawPrev, 68);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, drawNext, 72);
TIDEMARCH_KIT_OFFSET(tidemarch::Control, drawFirst, 76);
TIDEMARCH_KIT_SIZE(tidemarch::Panel, 80);
TIDEMARCH_KIT_SIZE(tidemarch::TransitionPanel, 96);
TIDEMARCH_KIT_OFFSET(tidemarch::TransitionPanel, targetX, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::TransitionPanel, targetAlpha, 88);
TIDEMARCH_KIT_OFFSET(tidemarch::TransitionPanel, targetEffect, 92);
TIDEMARCH_KIT_SIZE(tidemarch::Surface, 28);
TIDEMARCH_KIT_OFFSET(tidemarch::Surface, platformSurface, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::Surface, pixels, 8);
TIDEMARCH_KIT_OFFSET(tidemarch::Surface, pitch, 12);
TIDEMARCH_KIT_OFFSET(tidemarch::Surface, blitOptions, 16);
TIDEMARCH_KIT_OFFSET(tidemarch::Surface, width, 20);
TIDEMARCH_KIT_OFFSET(tidemarch::Surface, height, 24);
TIDEMARCH_KIT_SIZE(tidemarch::SurfaceControl, 88);
TIDEMARCH_KIT_OFFSET(tidemarch::SurfaceControl, ownSurface, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::SurfaceControl, fillColour, 84);
TIDEMARCH_KIT_SIZE(tidemarch::ProgressBar, 96);
TIDEMARCH_KIT_OFFSET(tidemarch::ProgressBar, colour, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::ProgressBar, value, 92);
TIDEMARCH_KIT_CHECKS_END
#endif
