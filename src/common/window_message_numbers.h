#pragma once
// The numbers of the platform's window messages that the host and the game module act on. The
// names are the platform's own without their prefix: its headers define those as macros.
#include <cstdint>

namespace window_message {
inline constexpr uint32_t Close = 16;

// Keyboard.
inline constexpr uint32_t KeyDown = 256;
inline constexpr uint32_t KeyUp = 257;
inline constexpr uint32_t Char = 258;
inline constexpr uint32_t DeadChar = 259;
inline constexpr uint32_t SystemKeyDown = 260;
inline constexpr uint32_t SystemKeyUp = 261;

// Input-method composition.
inline constexpr uint32_t ImeStartComposition = 269;
inline constexpr uint32_t ImeEndComposition = 270;
inline constexpr uint32_t ImeComposition = 271;

// Mouse.
inline constexpr uint32_t MouseMove = 512;
inline constexpr uint32_t LeftButtonDown = 513;
inline constexpr uint32_t LeftButtonUp = 514;
inline constexpr uint32_t LeftButtonDoubleClick = 515;
inline constexpr uint32_t RightButtonDown = 516;
inline constexpr uint32_t RightButtonUp = 517;
inline constexpr uint32_t RightButtonDoubleClick = 518;
inline constexpr uint32_t MiddleButtonDown = 519;
inline constexpr uint32_t MiddleButtonUp = 520;
inline constexpr uint32_t MiddleButtonDoubleClick = 521;
inline constexpr uint32_t MouseWheel = 522;

// Input method.
inline constexpr uint32_t ImeSetContext = 641;
inline constexpr uint32_t ImeNotify = 642;
inline constexpr uint32_t ImeControl = 643;
inline constexpr uint32_t ImeCompositionFull = 644;
inline constexpr uint32_t ImeSelect = 645;
inline constexpr uint32_t ImeChar = 646;
inline constexpr uint32_t ImeKeyDown = 656;
inline constexpr uint32_t ImeKeyUp = 657;

// The socket notification: the socket platform posts it to the window its sockets are bound to.
inline constexpr uint32_t SocketNotify = 1122;

inline constexpr uint32_t PrintScreenKey = 44;  // virtual key of Print Screen, in wParam of key messages
}  // namespace window_message
