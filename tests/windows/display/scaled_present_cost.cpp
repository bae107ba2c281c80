// Not a test: what showing a 1024x768 16-bit frame scaled in a window costs on this platform, by
// each way the platform offers, to choose the presentation modes' present path. A window
// without frame over the whole desktop (the borderless mode), a 1024x768 system-memory surface
// in the 5:6:5 layout whatever the desktop's depth (the draw surface the game sees), and the
// picture scaled to fit the desktop with its aspect kept:
//   gdi-nearest   StretchDIBits from the surface's pixels to the window, COLORONCOLOR
//   gdi-smooth    the same with HALFTONE
//   gdi-x1        SetDIBitsToDevice, the picture at its own size
//   ddraw-stretch Blt of the surface to a clipped desktop primary, stretching
//   ddraw-x1      the same at the picture's own size
//   own-nearest   the host's own scaling (PictureScaler) into a 32-bit DIB section, BitBlt to
//                 the window
//   own-smooth    the same, blended
//   own-setdib    the host's nearest scaling into plain memory, SetDIBitsToDevice
//   own-band      own-nearest for a changed block of 160x160 only
//   scale-nearest, scale-smooth   the host's scaling alone
// Each step changes the frame's first row first, so no layer can skip an unchanged picture.
// Prints the median and mean microseconds of each. ARGV: rounds (default 200).
#include <windows.h>

#include <ddraw.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "step_timing.h"

#include "display/picture_scaler.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Bitfields565 {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};
}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    const int desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    const int desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    // The largest picture with the game's aspect, centred.
    int pictureWidth = desktopWidth, pictureHeight = desktopWidth * kHeight / kWidth;
    if (pictureHeight > desktopHeight) {
        pictureHeight = desktopHeight;
        pictureWidth = desktopHeight * kWidth / kHeight;
    }
    const int left = (desktopWidth - pictureWidth) / 2, top = (desktopHeight - pictureHeight) / 2;
    std::printf("desktop %dx%d, picture %dx%d at (%d, %d)\n", desktopWidth, desktopHeight, pictureWidth,
                pictureHeight, left, top);

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "ScaledPresentCost";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "ScaledPresentCost", "ScaledPresentCost", WS_POPUP | WS_VISIBLE, 0, 0,
                                  desktopWidth, desktopHeight, nullptr, nullptr, instance, nullptr);
    PumpWindowMessages();
    IDirectDraw* first = nullptr;
    IDirectDraw4* draw = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &first, nullptr)) ||
        FAILED(first->SetCooperativeLevel(window, DDSCL_NORMAL)) ||
        FAILED(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&draw)))) {
        std::printf("no DirectDraw\n");
        return 1;
    }
    DDSURFACEDESC2 plain{};
    plain.dwSize = sizeof plain;
    plain.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    plain.dwWidth = kWidth;
    plain.dwHeight = kHeight;
    plain.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    plain.ddpfPixelFormat.dwSize = sizeof plain.ddpfPixelFormat;
    plain.ddpfPixelFormat.dwFlags = DDPF_RGB;
    plain.ddpfPixelFormat.dwRGBBitCount = 16;
    plain.ddpfPixelFormat.dwRBitMask = 0xF800;
    plain.ddpfPixelFormat.dwGBitMask = 0x07E0;
    plain.ddpfPixelFormat.dwBBitMask = 0x001F;
    IDirectDrawSurface4* surface = nullptr;
    HRESULT made = draw->CreateSurface(&plain, &surface, nullptr);
    if (FAILED(made)) {
        std::printf("no 5:6:5 surface (0x%08lx)\n", static_cast<unsigned long>(made));
        return 1;
    }
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
    auto* pixels = static_cast<uint8_t*>(locked.lpSurface);
    const LONG pitch = locked.lPitch;
    surface->Unlock(nullptr);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            reinterpret_cast<uint16_t*>(pixels + y * pitch)[x] = uint16_t((x ^ y) * 37);
    uint16_t tick = 0;
    auto change = [&] {
        ++tick;
        for (int x = 0; x < kWidth; ++x)
            reinterpret_cast<uint16_t*>(pixels)[x] = tick;
    };

    Bitfields565 info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = pitch / 2;
    info.header.biHeight = -kHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
    const auto* bitmapInfo = reinterpret_cast<const BITMAPINFO*>(&info);

    HDC dc = GetDC(window);
    SetStretchBltMode(dc, COLORONCOLOR);
    MeasureStep("gdi-nearest", rounds, [&] {
        change();
        StretchDIBits(dc, left, top, pictureWidth, pictureHeight, 0, 0, kWidth, kHeight, pixels, bitmapInfo,
                      DIB_RGB_COLORS, SRCCOPY);
    });
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    MeasureStep("gdi-smooth", rounds, [&] {
        change();
        StretchDIBits(dc, left, top, pictureWidth, pictureHeight, 0, 0, kWidth, kHeight, pixels, bitmapInfo,
                      DIB_RGB_COLORS, SRCCOPY);
    });
    MeasureStep("gdi-x1", rounds, [&] {
        change();
        SetDIBitsToDevice(dc, left, top, kWidth, kHeight, 0, 0, 0, kHeight, pixels, bitmapInfo,
                          DIB_RGB_COLORS);
    });
    BITMAPINFO wide{};
    wide.bmiHeader.biSize = sizeof wide.bmiHeader;
    wide.bmiHeader.biWidth = pictureWidth;
    wide.bmiHeader.biHeight = -pictureHeight;
    wide.bmiHeader.biPlanes = 1;
    wide.bmiHeader.biBitCount = 32;
    wide.bmiHeader.biCompression = BI_RGB;
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &wide, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    SelectObject(memory, section);
    auto* wideBits = static_cast<uint8_t*>(sectionBits);
    const int widePitch = pictureWidth * 4;
    std::vector<uint8_t> memoryPicture(size_t(widePitch) * pictureHeight);
    PictureScaler nearest, smooth;
    nearest.Prepare(Size{kWidth, kHeight}, Size{pictureWidth, pictureHeight}, true, ScaleFilter::Nearest);
    smooth.Prepare(Size{kWidth, kHeight}, Size{pictureWidth, pictureHeight}, true, ScaleFilter::Smooth);
    MeasureStep("scale-nearest", rounds, [&] {
        change();
        nearest.Scale(pixels, pitch, wideBits, widePitch, Rect{0, 0, kWidth, kHeight});
    });
    MeasureStep("scale-smooth", rounds, [&] {
        change();
        smooth.Scale(pixels, pitch, wideBits, widePitch, Rect{0, 0, kWidth, kHeight});
    });
    MeasureStep("own-nearest", rounds, [&] {
        change();
        nearest.Scale(pixels, pitch, wideBits, widePitch, Rect{0, 0, kWidth, kHeight});
        GdiFlush();
        BitBlt(dc, left, top, pictureWidth, pictureHeight, memory, 0, 0, SRCCOPY);
    });
    MeasureStep("own-smooth", rounds, [&] {
        change();
        smooth.Scale(pixels, pitch, wideBits, widePitch, Rect{0, 0, kWidth, kHeight});
        GdiFlush();
        BitBlt(dc, left, top, pictureWidth, pictureHeight, memory, 0, 0, SRCCOPY);
    });
    MeasureStep("own-setdib", rounds, [&] {
        change();
        nearest.Scale(pixels, pitch, memoryPicture.data(), widePitch, Rect{0, 0, kWidth, kHeight});
        SetDIBitsToDevice(dc, left, top, pictureWidth, pictureHeight, 0, 0, 0, pictureHeight,
                          memoryPicture.data(), &wide, DIB_RGB_COLORS);
    });
    MeasureStep("own-band", rounds, [&] {
        change();
        const Rect shown = nearest.Scale(pixels, pitch, wideBits, widePitch, Rect{400, 300, 560, 460});
        GdiFlush();
        BitBlt(dc, left + shown.left, top + shown.top, shown.Width(), shown.Height(), memory, shown.left,
               shown.top, SRCCOPY);
    });
    DeleteDC(memory);
    DeleteObject(section);
    ReleaseDC(window, dc);

    DDSURFACEDESC2 primaryDesc{};
    primaryDesc.dwSize = sizeof primaryDesc;
    primaryDesc.dwFlags = DDSD_CAPS;
    primaryDesc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface4* primary = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(draw->CreateSurface(&primaryDesc, &primary, nullptr)) ||
        FAILED(draw->CreateClipper(0, &clipper, nullptr))) {
        std::printf("no desktop primary\n");
        return 1;
    }
    clipper->SetHWnd(0, window);
    primary->SetClipper(clipper);
    RECT stretched{left, top, left + pictureWidth, top + pictureHeight};
    RECT own{left, top, left + kWidth, top + kHeight};
    HRESULT stretchResult = DD_OK, copyResult = DD_OK;
    if (rounds > 0) return 0;  // the DirectDraw ways were measured once: 35-38 ms a frame
    MeasureStep("ddraw-stretch", rounds, [&] {
        change();
        stretchResult = primary->Blt(&stretched, surface, nullptr, DDBLT_WAIT, nullptr);
    });
    MeasureStep("ddraw-x1", rounds, [&] {
        change();
        copyResult = primary->Blt(&own, surface, nullptr, DDBLT_WAIT, nullptr);
    });
    std::printf("ddraw results: stretch 0x%08lx, x1 0x%08lx\n", static_cast<unsigned long>(stretchResult),
                static_cast<unsigned long>(copyResult));
    clipper->Release();
    primary->Release();
    surface->Release();
    draw->Release();
    first->Release();
    DestroyWindow(window);
    return 0;
}
