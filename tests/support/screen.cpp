#include "screen.h"

namespace testkit {

static BOOL CALLBACK ChildPainted(HWND child, LPARAM allPainted)
{
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE))
        *reinterpret_cast<bool*>(allPainted) = false;
    return TRUE;
}

bool Painted(HWND wnd)
{
    bool all = !GetUpdateRect(wnd, nullptr, FALSE);
    EnumChildWindows(wnd, &ChildPainted, reinterpret_cast<LPARAM>(&all));
    return all;
}

int ColoursIn(HWND wnd, RECT area)
{
    RECT client;
    GetClientRect(wnd, &client);
    if (area.left < 0)
        OffsetRect(&area, client.right, 0);
    POINT origin = {area.left, area.top};
    ClientToScreen(wnd, &origin);
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return 0;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int colours = 0;
    if (dib && memory) {
        HGDIOBJ old = SelectObject(memory, dib);
        if (BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY)) {
            const DWORD* px = static_cast<const DWORD*>(bits);
            colours = 1;
            for (int i = 1; i < w * h && colours < 2; ++i)
                if ((px[i] & 0xFFFFFF) != (px[0] & 0xFFFFFF))
                    colours = 2;
        }
        SelectObject(memory, old);
    }
    if (dib)
        DeleteObject(dib);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return colours;
}

} // namespace testkit
