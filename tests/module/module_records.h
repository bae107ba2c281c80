#pragma once
// The module's own declaration of the records it shares with the host, written from their byte
// layout alone. This side is compiled with the MSVC C++ ABI: member functions are thiscall and a
// virtual destructor is one slot, the deleting destructor taking a flag word (bit 0: free).
#include <stddef.h>
#include <stdint.h>

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct Point {
    int32_t x;
    int32_t y;
};

// The platform's MSG.
struct WindowMessage {
    void* window;
    uint32_t message;
    uint32_t wParam;
    int32_t lParam;
    uint32_t time;
    Point point;
};

class Surface;
class SurfaceControl;

namespace flag_bits {
inline constexpr uint16_t Visible = 1u << 0;
inline constexpr uint16_t InputEnabled = 1u << 1;
inline constexpr uint16_t Active = 1u << 2;
}  // namespace flag_bits

class Control {
  public:
    // Links the new control into the parent's child ring and draw list when there is a parent.
    Control(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority);

    virtual ~Control();  // slot 0
    virtual void Open();
    virtual void Close();
    virtual void Update();
    virtual Control* HandleMessage(WindowMessage* message);
    virtual void Draw(SurfaceControl* target, Rect* clip, Point* origin);

    void InsertChild(Control* child);
    void InsertDrawChild(Control* child);

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

  protected:
    Control* DrawMembersBehind(SurfaceControl* target, Rect* clip, Point* origin);
    static void DrawMembersFrom(Control* member, SurfaceControl* target, Rect* clip, Point* origin);

  private:
    void UnlinkFromRing();
    void UnlinkFromDrawList();
};

// The module never creates surfaces; it draws through the host's, so the slots are declared only.
class Surface {
  public:
    virtual ~Surface();  // slot 0
    virtual uint32_t GetPixel(int32_t x, int32_t y);
    virtual void PutPixel(int32_t x, int32_t y, uint32_t colour, int32_t level, int32_t reserved);
    virtual void Unused3(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    virtual void DrawHLine(int32_t x1, int32_t x2, int32_t y, uint32_t colour, int32_t level,
                           int32_t reserved);
    virtual void DrawVLine(int32_t x, int32_t y1, int32_t y2, uint32_t colour, int32_t level,
                           int32_t reserved);
    virtual void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                          int32_t effect);
    virtual void Unused7(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    virtual void BlitTo(Surface* destination, int32_t x, int32_t y, Rect source, int32_t level,
                        int32_t effect);

    void* platformSurface;
    uint8_t* pixels;
    int32_t pitch;
    uint32_t blitOptions;
    int32_t width;
    int32_t height;
};

// Only ever a drawing target handed in by the host.
class SurfaceControl : public Control {
  public:
    Surface* ownSurface;
    uint32_t fillColour;
};

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(Rect) == 16 && sizeof(Point) == 8 && sizeof(WindowMessage) == 28);
static_assert(sizeof(Control) == 80);
static_assert(offsetof(Control, x) == 4 && offsetof(Control, offsetX) == 12 &&
              offsetof(Control, bounds) == 20);
static_assert(offsetof(Control, flags) == 36 && offsetof(Control, priority) == 38);
static_assert(offsetof(Control, alpha) == 40 && offsetof(Control, effect) == 44);
static_assert(offsetof(Control, parent) == 48 && offsetof(Control, prevSibling) == 52);
static_assert(offsetof(Control, nextSibling) == 56 && offsetof(Control, firstChild) == 60);
static_assert(offsetof(Control, drawOwner) == 64 && offsetof(Control, drawPrev) == 68);
static_assert(offsetof(Control, drawNext) == 72 && offsetof(Control, drawFirst) == 76);
static_assert(sizeof(SurfaceControl) == 88 && offsetof(SurfaceControl, ownSurface) == 80);
static_assert(sizeof(Surface) == 28 && offsetof(Surface, platformSurface) == 4 &&
              offsetof(Surface, pixels) == 8);
static_assert(offsetof(Surface, pitch) == 12 && offsetof(Surface, width) == 20 &&
              offsetof(Surface, height) == 24);
#pragma clang diagnostic pop
