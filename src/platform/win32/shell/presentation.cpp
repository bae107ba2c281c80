#include "platform/win32/shell/presentation.h"

#include <windowsx.h>

#include <string>

#include "display/display.h"
#include "display/display_format.h"
#include "display/presentation_layout.h"
#include "host/host_globals.h"
#include "platform/win32/display/directdraw_display_platform.h"
#include "platform/win32/shell/win32_platforms.h"

namespace {
constexpr const char* kRefusalCaption = "Tidemarch display setting";
constexpr DWORD kFramedStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
constexpr DWORD kBorderlessStyle = WS_POPUP | WS_VISIBLE;
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE;
constexpr size_t kSettingCapacity = 256;
constexpr LPARAM kAltHeld = LPARAM(1) << 29;
constexpr LPARAM kRepeated = LPARAM(1) << 30;

PresentationChoice gChoice;
PresentationMode gForm = PresentationMode::FullScreen;
HWND gWindow = nullptr;
Size gGame{0, 0};
Rect gPicture{0, 0, 0, 0};

// To the debugger output a sentence at a time: debuggers show a long line cut short.
void Note(const std::string& text) {
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find(". ", from);
        end = end == std::string::npos ? text.size() : end + 1;
        OutputDebugStringA((text.substr(from, end - from) + "\n").c_str());
        from = text.find_first_not_of(' ', end);
        if (from == std::string::npos) break;
    }
}

bool ReadSettingText(const char* registryKey, std::string* text) {
    char value[kSettingCapacity] = {};
    DWORD length = GetEnvironmentVariableA(kPresentationVariable, value, sizeof value);
    if (length > 0 && length < sizeof value) {
        text->assign(value, length);
        return true;
    }
    HKEY key = nullptr;
    if (!registryKey || RegOpenKeyExA(HKEY_LOCAL_MACHINE, registryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof value - 1;
    const bool read = RegQueryValueExA(key, kPresentationRegistryValue, nullptr, &type,
                                       reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
                      (type == REG_SZ || type == REG_EXPAND_SZ);
    RegCloseKey(key);
    if (read) text->assign(value, strnlen(value, size));
    return read;
}

DWORD StyleOf(PresentationMode form) {
    switch (form) {
    case PresentationMode::Window:
        return kFramedStyle;
    case PresentationMode::Borderless:
        return kBorderlessStyle;
    case PresentationMode::FullScreen:
        break;
    }
    return kFullScreenStyle;
}

PresentationLayout LayoutOf(PresentationMode form) {
    RECT framed{0, 0, 0, 0};
    AdjustWindowRectEx(&framed, StyleOf(form), FALSE, 0);
    const Size frame{framed.right - framed.left, framed.bottom - framed.top};
    const Size desktop{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return ArrangePresentation(form, gChoice.ScaleFor(form), gGame, desktop, frame);
}

void PlaceWindow(PresentationMode form, const Rect& outer) {
    SetWindowLongA(gWindow, GWL_STYLE, LONG(StyleOf(form)));
    SetWindowPos(gWindow, HWND_TOP, outer.left, outer.top, outer.Width(), outer.Height(),
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

void TellDisplayPlatform(PresentationMode form, const Rect& picture) {
    DirectDrawDisplayPlatform& display = ProductDisplayPlatform();
    if (form == PresentationMode::FullScreen) {
        display.ShowFullScreen();
        return;
    }
    display.ShowInWindow(WindowPresentation{gWindow, picture, gChoice.filter});
}

// Shows the game in a form from now on. False when the display could not open its screen so.
bool Apply(PresentationMode form) {
    Display* display = host::Display;
    if (!display || !gWindow) return false;
    gGame = Size{gDisplayFormat.screenWidth, gDisplayFormat.screenHeight};
    const PresentationLayout layout = LayoutOf(form);
    TellDisplayPlatform(form, layout.picture);
    gForm = form;
    gPicture = layout.picture;
    if (form == PresentationMode::FullScreen) {
        // The window first, so that the display's exclusive level finds it in its full-screen shape.
        PlaceWindow(form, layout.window);
        return display->ReopenScreen();
    }
    // The desktop's mode back first, then the window in its form.
    const bool opened = display->ReopenScreen();
    PlaceWindow(form, layout.window);
    ProductDisplayPlatform().RequestRepaint();
    return opened;
}

void FallBackToFullScreen(const char* why) {
    Note(why);
    Apply(PresentationMode::FullScreen);
}

void Toggle() {
    const PresentationMode target =
        gForm == PresentationMode::FullScreen ? gChoice.WindowForm() : PresentationMode::FullScreen;
    if (Apply(target)) return;
    if (target != PresentationMode::FullScreen)
        FallBackToFullScreen("Tidemarch: the display cannot show the game in a window; full screen is used.");
}

bool IsClientMouseMessage(UINT message) {
    return message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK && message != WM_MOUSEWHEEL;
}

LPARAM AsLParam(Point p) { return MAKELPARAM(uint16_t(p.x), uint16_t(p.y)); }
}  // namespace

void ChoosePresentation(const char* editionRegistryKey) {
    std::string text;
    PresentationSetting setting;
    if (ReadSettingText(editionRegistryKey, &text)) setting = ReadPresentationSetting(text);
    if (!setting.refusal.empty()) {
        Note(setting.refusal);
        MessageBoxA(nullptr, setting.refusal.c_str(), kRefusalCaption, MB_OK | MB_ICONWARNING);
    }
    gChoice = setting.choice;
    gForm = gChoice.mode;
    if (gForm != PresentationMode::FullScreen) {
        HDC desktop = GetDC(nullptr);
        const int caps = desktop ? GetDeviceCaps(desktop, RASTERCAPS) : 0;
        if (desktop) ReleaseDC(nullptr, desktop);
        if (!(caps & RC_STRETCHDIB) || !(caps & RC_DIBTODEV)) {
            Note("Tidemarch: the desktop cannot show a scaled picture; full screen is used.");
            gForm = PresentationMode::FullScreen;
        }
    }
}

HostWindowShape InitialWindowShape(int32_t x, int32_t y, int32_t outerWidth, int32_t outerHeight,
                                   DWORD fullScreenStyle, int32_t gameWidth, int32_t gameHeight) {
    if (gForm == PresentationMode::FullScreen)
        return HostWindowShape{fullScreenStyle, RECT{x, y, x + outerWidth, y + outerHeight}};
    gGame = Size{gameWidth, gameHeight};
    const PresentationLayout layout = LayoutOf(gForm);
    gPicture = layout.picture;
    const Rect& w = layout.window;
    return HostWindowShape{StyleOf(gForm), RECT{w.left, w.top, w.right, w.bottom}};
}

void PresentationWindowCreated(HWND window) {
    gWindow = window;
    if (gForm != PresentationMode::FullScreen) TellDisplayPlatform(gForm, gPicture);
}

void PresentationDisplayCreated() {
    if (gForm == PresentationMode::FullScreen) return;
    Display* display = host::Display;
    if (!display || !display->primary() || !display->primary()->platformSurface || !display->backBuffer)
        FallBackToFullScreen(
            "Tidemarch: the display could not open the game's screen in a window; full screen is used.");
}

void AdaptPresentationInput(MSG* message) {
    if (message->message == WM_SYSKEYDOWN && message->wParam == VK_RETURN && (message->lParam & kAltHeld)) {
        if (!(message->lParam & kRepeated)) Toggle();
        message->message = WM_NULL;
        return;
    }
    if (gForm == PresentationMode::FullScreen || message->hwnd != gWindow) return;
    if (IsClientMouseMessage(message->message)) {
        const Point client{GET_X_LPARAM(message->lParam), GET_Y_LPARAM(message->lParam)};
        const Point game = PointerInPicture(client, gPicture, gGame);
        message->lParam = AsLParam(game);
        message->pt = POINT{game.x, game.y};
    } else if (message->message == WM_MOUSEWHEEL) {
        POINT at{GET_X_LPARAM(message->lParam), GET_Y_LPARAM(message->lParam)};
        ScreenToClient(gWindow, &at);
        const Point game = PointerInPicture(Point{at.x, at.y}, gPicture, gGame);
        message->lParam = AsLParam(game);
        message->pt = POINT{game.x, game.y};
    }
}

bool PresentedPointerPosition(Point* position) {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    if (gForm != PresentationMode::FullScreen && gWindow) {
        ScreenToClient(gWindow, &p);
        *position = PointerInPicture(Point{p.x, p.y}, gPicture, gGame);
        return true;
    }
    *position = Point{p.x, p.y};
    return true;
}

void PresentationNeedsRepaint() { ProductDisplayPlatform().RequestRepaint(); }

bool PresentationInWindow() { return gForm != PresentationMode::FullScreen; }

void PresentationGameResized() {
    if (gForm != PresentationMode::FullScreen) Apply(gForm);
}
