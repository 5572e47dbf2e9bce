// Date-time control that shows the system date picker while focused.
#pragma once
#include "controls/LabelUI.h"
#include "core/WindowWnd.h"

namespace UiToolkit {

class CDateTimeUI;

// The system date picker placed over a CDateTimeUI while it has the focus; deletes itself when its window goes.
class CDateTimeWnd : public CWindowWnd
{
public:
    CDateTimeWnd();
    void Init(CDateTimeUI* owner);
    void Detach() { m_pOwner = NULL; }

    const wchar_t* QueryClassName() const override { return L"DateTimeWnd"; }
    const wchar_t* QueryBaseClassName() const override { return L"SysDateTimePick32"; }
    UINT QueryClassStyle() const override { return 0; }
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone(HWND hWnd) override;

private:
    // The picker, a child of it, or its drop-down calendar.
    bool IsOwnWindow(HWND hWnd) const;
    // True while the picker's drop-down calendar is on the screen.
    bool CalendarShown();
    // Takes the picked date into the control, then closes.
    void CloseKeepingDate();

    CDateTimeUI* m_pOwner;
    bool m_bInit;
};

// A date shown as "yyyy-mm-dd" text and picked in a system date picker.
class CDateTimeUI : public CLabelUI
{
    friend class CDateTimeWnd;

public:
    enum
    {
        UPDATE_NONE = 0,
        UPDATE_SHOW = 1,
        UPDATE_CLEAR = 2,
        UPDATE_CANCELLED = 3
    };

    CDateTimeUI();
    ~CDateTimeUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void OnEvent(InputEventUI& event) override;

    const SYSTEMTIME& GetTime() const { return m_sysTime; }
    void SetTime(const SYSTEMTIME& time);
    HWND GetNativeWindow() const { return m_pWindow != NULL ? m_pWindow->WindowHandle() : NULL; }

private:
    void UpdateText();

    SYSTEMTIME m_sysTime;
    int m_nDTUpdateFlag;
    CDateTimeWnd* m_pWindow;
};

} // namespace UiToolkit
