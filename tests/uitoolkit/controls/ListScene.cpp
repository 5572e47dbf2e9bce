#include "ListScene.h"
#include "skin/SkinBuilder.h"
#include "TestCanvas.h"

using namespace UiToolkit;

namespace TestHelpers {

ListScene::ListScene(const std::wstring& markup, int width, int height)
{
    InitToolkitForTests();
    ParkCursor();
    hwnd = window.Create(width, height);
    window.onNotify = [this](NotifyMsgUI& msg) {
        if (msg.sType != L"windowinit")
            heard.push_back({msg.pSender, std::wstring(msg.sType.Text()), msg.wParam, msg.lParam});
    };
    CSkinBuilder builder;
    CControlUI* root = builder.Create(markup.c_str(), NULL, NULL, &window.manager);
    if (root != NULL)
        window.manager.AttachRoot(root);
    Refresh();
    heard.clear();
}

ListScene::~ListScene()
{
    if (IsWindow(hwnd))
        DestroyWindow(hwnd);
}

CControlUI* ListScene::Find(const wchar_t* name) const
{
    return window.manager.FindControlByName(name);
}

CListUI* ListScene::List(const wchar_t* name) const
{
    CControlUI* control = Find(name);
    return control != NULL ? static_cast<CListUI*>(control->CastTo(L"List")) : NULL;
}

void ListScene::Refresh()
{
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
}

void ListScene::Key(WPARAM key)
{
    SendMessageW(hwnd, WM_KEYDOWN, key, 0);
    SendMessageW(hwnd, WM_KEYUP, key, 0);
}

void ListScene::Wheel(int x, int y, bool down)
{
    POINT pt = {x, y};
    ClientToScreen(hwnd, &pt);
    SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, down ? -WHEEL_DELTA : WHEEL_DELTA), MAKELPARAM(pt.x, pt.y));
}

void ListScene::Press(int x, int y)
{
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void ListScene::Move(int x, int y, bool buttonDown)
{
    SendMessageW(hwnd, WM_MOUSEMOVE, buttonDown ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

void ListScene::Release(int x, int y)
{
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void ListScene::RightClick(int x, int y)
{
    SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    POINT pt = {x, y};
    ClientToScreen(hwnd, &pt);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(pt.x, pt.y));
}

void RunModalLoop()
{
    PumpPending();
}

DWORD ListScene::PixelAt(int x, int y)
{
    Refresh();
    RECT client;
    GetClientRect(hwnd, &client);
    TestCanvas canvas(client.right, client.bottom, 0x00FF00FF);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    return canvas.At(x, y);
}

int ListScene::Count(const wchar_t* type) const
{
    int n = 0;
    for (const HeardNotify& h : heard)
        n += h.type == type ? 1 : 0;
    return n;
}

const HeardNotify* ListScene::Last(const wchar_t* type) const
{
    for (auto it = heard.rbegin(); it != heard.rend(); ++it) {
        if (it->type == type)
            return &*it;
    }
    return NULL;
}

} // namespace TestHelpers
