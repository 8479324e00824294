// clang-format off
// The project's headers first: windows.h defines SEVERITY_ERROR, a name of the ABI header.
#include "qarvel/preferences_window.h"
#include "qarvel/qarvel_common.h"

#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <vector>

// stb_image_write writes the picture as a compressed PNG; its functions are compiled here, the
// one place that uses them.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBIW_WINDOWS_UTF8
#include <stb/stb_image_write.h>
// clang-format on

namespace qarvel_cli {
namespace {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width x height x 3, top row first
};

void fit_frame_to_page(HWND frame, HWND page) {
    RECT page_rect;
    GetWindowRect(page, &page_rect);
    RECT outer = {0, 0, page_rect.right - page_rect.left, page_rect.bottom - page_rect.top};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(frame, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(frame, GWL_EXSTYLE)));
    SetWindowPos(frame, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(page, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Handles what is waiting, for about `milliseconds`, so that every control has painted.
void pump_messages(HWND page, DWORD milliseconds) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    while (GetTickCount64() < until) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(page, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        Sleep(10);
    }
}

// The client area of `window` as it is on the screen, top row first, RGB.
bool capture(HWND window, RgbImage* image) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (ok) {
        image->width = width;
        image->height = height;
        image->rgb.resize(static_cast<size_t>(width) * height * 3);
        const auto* bgrx = static_cast<const uint8_t*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            image->rgb[i * 3 + 0] = bgrx[i * 4 + 2];
            image->rgb[i * 3 + 1] = bgrx[i * 4 + 1];
            image->rgb[i * 3 + 2] = bgrx[i * 4 + 0];
        }
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace

int present_preferences_window(tb_hwnd frame, tb_hwnd page, const std::string& screenshot_path) {
    fit_frame_to_page(frame, page);
    ShowWindow(page, SW_SHOW);
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);
    if (screenshot_path.empty()) {
        MSG message;
        while (IsWindow(frame) && GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (!IsDialogMessageW(page, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return kExitOk;
    }
    pump_messages(page, 700);
    RgbImage image;
    if (!capture(frame, &image)) {
        print_error("cannot capture the preferences window");
        return kExitFailed;
    }
    if (stbi_write_png(screenshot_path.c_str(), image.width, image.height, 3, image.rgb.data(),
                       image.width * 3) == 0) {
        print_error("cannot write " + screenshot_path);
        return kExitFailed;
    }
    std::printf("wrote %s (%d x %d)\n", screenshot_path.c_str(), image.width, image.height);
    return kExitOk;
}

}  // namespace qarvel_cli
