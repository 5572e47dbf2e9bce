#pragma once
#include "core/WindowManager.h"
#include "core/WindowWnd.h"

#include <functional>
#include <string>
#include <vector>

namespace TestHelpers {

// A leaf control that records what reaches it and paints one solid colour.
class CTestControl : public UiToolkit::CControlUI
{
public:
    explicit CTestControl(const wchar_t* name, COLORREF color = RGB(0, 0, 0), UINT behaviour = 0);
    ~CTestControl() override;

    UINT BehaviourFlags() const override { return m_behaviour; }
    void OnEvent(UiToolkit::InputEventUI& event) override;
    void PaintBackColor(HDC hdc) override;

    std::vector<int> events;
    std::vector<UiToolkit::InputEventUI> records;
    std::function<void(CTestControl*, UiToolkit::InputEventUI&)> onEvent;
    bool* destroyedFlag;

private:
    COLORREF m_color;
    UINT m_behaviour;
};

// A container that places each child at its float origin with its fixed size, like a canvas.
class CTestContainer : public UiToolkit::CControlUI
{
public:
    explicit CTestContainer(const wchar_t* name, COLORREF color = RGB(255, 255, 255));
    ~CTestContainer() override;

    void Add(UiToolkit::CControlUI* child, int x, int y, int cx, int cy);
    void AttachManager(UiToolkit::CWindowManagerUI* manager, UiToolkit::CControlUI* parent, bool initialise) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    UiToolkit::CControlUI* SearchTree(UiToolkit::FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void Paint(HDC hdc, const RECT& paintRect) override;
    void PaintBackColor(HDC hdc) override;
    std::vector<UiToolkit::CControlUI*> children;

private:
    COLORREF m_color;
};

// A top-level window whose messages go through its manager first.
class CTestWindow : public UiToolkit::CWindowWnd, public UiToolkit::INotifyUI
{
public:
    CTestWindow();
    const wchar_t* QueryClassName() const override { return L"UiToolkitTestWindow"; }
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone(HWND hWnd) override;
    void Notify(UiToolkit::NotifyMsgUI& msg) override;

    HWND Create(int width = 300, int height = 200, HWND owner = NULL);

    UiToolkit::CWindowManagerUI manager;
    std::vector<std::wstring> notifications;
    std::function<void(UiToolkit::NotifyMsgUI&)> onNotify;
    bool gone;
    bool deleteWhenGone;
};

void InitToolkitForTests();
// Pumps messages until the condition holds or the time is up; answers the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 5000);
void PumpPending();
void ParkCursor();

} // namespace TestHelpers
