#pragma once
// The control tree and drawing targets as a game module sees them: the Control record and its
// slots, the panel family, surfaces and the surface control, the host panel's commands, and the
// sprite controls of the mouse pointer. Non-virtual operations declared here run as the
// module's own code (kit/source/control.cpp is a copy to build into the module).
#include "tidemarch/records.h"

namespace tidemarch {

namespace control_flags {
inline constexpr uint16_t Visible = 1u << 0;
inline constexpr uint16_t InputEnabled = 1u << 1;
inline constexpr uint16_t Active = 1u << 2;
inline constexpr uint16_t Shown = 1u << 3;
inline constexpr uint16_t NotifyTarget = 1u << 5;
inline constexpr uint16_t TransitionMask = 0x1Fu << 8;  // 1 opening, 2 open, 4 closing, 5 closed
inline constexpr uint16_t FollowParentMove = 1u << 13;
inline constexpr uint16_t InheritAlpha = 1u << 14;
inline constexpr uint16_t InheritEffect = 1u << 15;
inline constexpr uint16_t Initial = 0xE00F;
}  // namespace control_flags

// Slots 0 to 5. Children form a circular ring ordered by priority (first child: lowest); the
// draw list is null-terminated in the same order. A parent does not own its children.
class Control {
  public:
    Control(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority);

    TIDEMARCH_SLOT0_DESTRUCTOR(Control);  // slot 0
    virtual void Open();                  // slot 1
    virtual void Close();                 // slot 2
    virtual void Update();                // slot 3
    // Null when the message was consumed; otherwise the control to ask next.
    virtual Control* HandleMessage(WindowMessage* message);                // slot 4
    virtual void Draw(SurfaceControl* target, Rect* clip, Point* origin);  // slot 5

    void InsertChild(Control* child);
    void InsertDrawChild(Control* child);

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
    Control* DrawMembersBehind(SurfaceControl* target, Rect* clip, Point* origin);
    static void DrawMembersFrom(Control* member, SurfaceControl* target, Rect* clip, Point* origin);

  private:
    void UnlinkFromRing();
    void UnlinkFromDrawList();
};

// Adds slot 6, Notify: 0 unless a subclass answers.
class Panel : public Control {
  public:
    Panel(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    virtual int32_t Notify(Control* sender, int32_t code, int32_t param);  // slot 6
};

// A panel whose Open and Close move it toward the target position, alpha and effect.
class TransitionPanel : public Panel {
  public:
    TransitionPanel(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Panel(parent, x1, y1, x2, y2, priority) {}
    int32_t targetX = 0;
    int32_t targetY = 0;
    int32_t targetAlpha = 256;
    int32_t targetEffect = 0;
};

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
class SurfaceControl : public Control {
  public:
    SurfaceControl(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    Surface* ownSurface = nullptr;
    uint32_t fillColour = 0;
};

// A sprite animation: the frame counter advances by one per update; negative hides it.
class AnimatedSprite : public Control {
  public:
    AnimatedSprite(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    int32_t frameCounter = 0;
    void* spriteBundle = nullptr;  // a SpriteBundle of a loaded sprite file
};

// The host's mouse pointer (EngineInfo::mouseCursor); the module gives it its bundle.
class MouseCursor : public AnimatedSprite {
  public:
    MouseCursor() : AnimatedSprite(nullptr, 0, 0, 0, 0, 32767) {}
    int32_t leftButtonX = 0;
    int32_t leftButtonY = 0;
    int32_t rightButtonX = 0;
    int32_t rightButtonY = 0;
    int32_t screenX = 0;
    int32_t screenY = 0;
    int32_t unused = 0;
};

// Shows one sprite renderer.
class ImageControl : public Control {
  public:
    ImageControl(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    void* sprite = nullptr;  // a SpriteRenderer
};

// Shows an integer with digit sprites and counts toward a new target. Slots 6 and 7 move the
// target by the step within the limits (and notify a parent that takes notifications, code 2).
class NumberDisplay : public Control {
  public:
    NumberDisplay(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    virtual void Increment();  // slot 6
    virtual void Decrement();  // slot 7

    int32_t minimum = 0;
    int32_t maximum = 0x7FFFFFFF;
    int32_t reserved = 0;
    int32_t fixedDigitCount = 0;  // > 0 that many positions; 0 centred; < 0 from x
    int32_t shownValue = 0;
    int32_t targetValue = 0;
    int32_t digits[32] = {};  // most significant first: 0-9, 10 blank, 11 minus
    int32_t digitCount = 0;
    int32_t step = 1;
    void* ownedA = nullptr;  // deleted with the display through slot 0
    void* ownedB = nullptr;
    void* digitBundle = nullptr;  // a SpriteBundle: frame k shows digit k
};

// Fills the part of its box that value takes between minimum and maximum; its owner writes the
// fields directly.
class ProgressBar : public Control {
  public:
    ProgressBar(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    uint32_t colour = 0x00FFFFFF;  // in the surface's pixel layout
    int32_t minimum = 0;
    int32_t maximum = 99;
    int32_t value = 99;
};

// Text drawing: slot 1 measures, slot 2 draws one line into a surface's device context.
class TextRenderer {
  public:
    TIDEMARCH_SLOT0_DESTRUCTOR(TextRenderer);
    virtual int32_t MeasureText(const char* text, int32_t length, Size* size);
    virtual void DrawText(Surface* surface, Point* anchor, const char* text, uint32_t textColour,
                          uint32_t backgroundColour, uint32_t shadowColour, Rect* clip, uint32_t alignment);
};

// One line of text in a font. Colours are GDI colours (0x00BBGGRR); a background or shadow of 0
// is not drawn.
class TextLabel : public Control {
  public:
    TextLabel(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority)
        : Control(parent, x1, y1, x2, y2, priority) {}
    TextRenderer* font = nullptr;
    uint32_t alignment = 0;
    int32_t characterWidth = 8;
    int32_t lineHeight = 16;
    uint32_t textColour = 0x00FFFFFF;
    uint32_t backgroundColour = 0;
    uint32_t shadowColour = 0;
    char* text = nullptr;  // the label's own text below, or the owner's storage
    char ownText[128] = {};
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
TIDEMARCH_KIT_SIZE(tidemarch::AnimatedSprite, 88);
TIDEMARCH_KIT_OFFSET(tidemarch::AnimatedSprite, frameCounter, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::AnimatedSprite, spriteBundle, 84);
TIDEMARCH_KIT_SIZE(tidemarch::MouseCursor, 116);
TIDEMARCH_KIT_OFFSET(tidemarch::MouseCursor, leftButtonX, 88);
TIDEMARCH_KIT_OFFSET(tidemarch::MouseCursor, screenX, 104);
TIDEMARCH_KIT_SIZE(tidemarch::ImageControl, 84);
TIDEMARCH_KIT_OFFSET(tidemarch::ImageControl, sprite, 80);
TIDEMARCH_KIT_SIZE(tidemarch::NumberDisplay, 252);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, fixedDigitCount, 92);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, digits, 104);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, digitCount, 232);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, ownedA, 240);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, digitBundle, 248);
TIDEMARCH_KIT_SIZE(tidemarch::ProgressBar, 96);
TIDEMARCH_KIT_OFFSET(tidemarch::ProgressBar, colour, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::ProgressBar, value, 92);
TIDEMARCH_KIT_SIZE(tidemarch::TextRenderer, 4);
TIDEMARCH_KIT_SIZE(tidemarch::TextLabel, 240);
TIDEMARCH_KIT_OFFSET(tidemarch::TextLabel, font, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::TextLabel, textColour, 96);
TIDEMARCH_KIT_OFFSET(tidemarch::TextLabel, text, 108);
TIDEMARCH_KIT_OFFSET(tidemarch::TextLabel, ownText, 112);
TIDEMARCH_KIT_CHECKS_END
#endif
