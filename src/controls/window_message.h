#pragma once
// The window message record handed to HandleMessage. It has the layout of the platform's MSG,
// so the frame loop passes the record it took from the queue as it is.
#include <cstdint>

#include "common/geometry.h"
#include "common/window_message_numbers.h"

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
