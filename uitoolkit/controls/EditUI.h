// Single-line edit control that shows the system edit while the user types.
#pragma once
#include "controls/LabelUI.h"
#include "core/WindowWnd.h"

namespace UiToolkit {

class CEditUI;

// The system edit placed over a CEditUI while the user types; deletes itself when its window goes.
class CEditWnd : public CWindowWnd
{
public:
    CEditWnd();
    void Init(CEditUI* owner);
    // The owner is going away; the window must not touch it any more.
    void Detach() { m_pOwner = NULL; }
    RECT EditRect() const;

    const wchar_t* QueryClassName() const override { return L"EditWnd"; }
    const wchar_t* QueryBaseClassName() const override { return L"Edit"; }
    UINT QueryClassStyle() const override { return 0; }
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone(HWND hWnd) override;

private:
    CEditUI* m_pOwner;
    HBRUSH m_hBkBrush;
    bool m_bInit;
};

// A text entry drawn by the toolkit while idle and handed to a system edit while focused.
class CEditUI : public CLabelUI
{
    friend class CEditWnd;

public:
    CEditUI();
    ~CEditUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    void SetText(const wchar_t* text) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Shift(int dx, int dy, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetShownByParent(bool shown) override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC hdc) override;
    void PaintLabelText(HDC hdc) override;

    UINT GetMaxChar() const { return m_uMaxChar; }
    void SetMaxChar(UINT max);
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetReadOnly(bool readOnly);
    void SetNumberOnly(bool numberOnly);
    bool IsPasswordMode() const { return m_bPasswordMode; }
    void SetPasswordMode(bool password);
    wchar_t GetPasswordChar() const { return m_cPasswordChar; }
    DWORD GetWindowStyles() const { return m_iWindowStyles; }
    void SetNativeBkColor(DWORD color) { m_dwEditbkColor = color; }
    DWORD GetNativeBkColor() const { return m_dwEditbkColor; }
    UINT GetState() const { return m_uButtonState; }
    HWND GetNativeWindow() const { return m_pWindow != NULL ? m_pWindow->WindowHandle() : NULL; }

private:
    void CloseNativeIfHidden();
    void MoveNative(UINT flags);

    CEditWnd* m_pWindow;
    UINT m_uMaxChar;
    bool m_bReadOnly;
    bool m_bPasswordMode;
    wchar_t m_cPasswordChar;
    UINT m_uButtonState;
    DWORD m_dwEditbkColor;
    DWORD m_iWindowStyles;
    ImageDrawInfoUI m_normalImage;
    ImageDrawInfoUI m_hotImage;
    ImageDrawInfoUI m_focusedImage;
    ImageDrawInfoUI m_disabledImage;
};

} // namespace UiToolkit
