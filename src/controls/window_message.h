#pragma once
// The window message record handed to HandleMessage. It has the layout of the platform's MSG,
// so the frame loop passes the record it took from the queue as it is.
#include <cstdint>

#include "controls/geometry.h"

struct WindowMessage {
    void* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t time;
    Point point;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(WindowMessage) == 28, "MSG layout of the 32-bit platform");
#endif

namespace message_id {
inline constexpr uint32_t Close = 16;
inline constexpr uint32_t KeyUp = 257;
inline constexpr uint32_t MouseMove = 512;
inline constexpr uint32_t LeftButtonDown = 513;
inline constexpr uint32_t LeftButtonUp = 514;
inline constexpr uint32_t LeftButtonDoubleClick = 515;
inline constexpr uint32_t RightButtonDown = 516;
inline constexpr uint32_t RightButtonUp = 517;
inline constexpr uint32_t SocketNotify = 1122;
inline constexpr uint32_t PrintScreenKey = 44;  // virtual key of Print Screen
}  // namespace message_id
