// A test window holding a skin built from inline markup, with the notifications it raised.
#pragma once
#include "controls/ListUI.h"
#include "core/WindowManager.h"
#include "TestWindow.h"

#include <string>
#include <vector>

namespace TestHelpers {

struct HeardNotify
{
    UiToolkit::CControlUI* sender;
    std::wstring type;
    WPARAM wParam;
    LPARAM lParam;
};

class ListScene
{
public:
    // The markup's first control becomes the window's root; the window is laid out and painted once.
    explicit ListScene(const std::wstring& markup, int width = 300, int height = 200);
    ~ListScene();
    ListScene(const ListScene&) = delete;
    ListScene& operator=(const ListScene&) = delete;

    UiToolkit::CControlUI* Find(const wchar_t* name) const;
    UiToolkit::CListUI* List(const wchar_t* name = L"list") const;
    // Lays the window out and paints it.
    void Refresh();
    void Key(WPARAM key);
    void Wheel(int x, int y, bool down);
    void Press(int x, int y);
    void Move(int x, int y, bool buttonDown = false);
    void Release(int x, int y);
    // A right click as the system delivers it: button down, button up, then the context-menu message.
    void RightClick(int x, int y);
    // The window's client area printed into a DIB; 0x00RRGGBB.
    DWORD PixelAt(int x, int y);
    int Count(const wchar_t* type) const;
    const HeardNotify* Last(const wchar_t* type) const;

    CTestWindow window;
    HWND hwnd = NULL;
    std::vector<HeardNotify> heard;
};

// What a message box does inside a handler: it pumps every message posted so far, queued deletions included.
void RunModalLoop();

} // namespace TestHelpers
