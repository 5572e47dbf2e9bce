// Scroll bar drawn with skin images; the scrolling part of every container.
#pragma once
#include "core/ControlUI.h"

namespace UiToolkit {

class CContainerUI;

// A vertical or horizontal scroll bar drawn with skin images; scrolls its owner container or raises "scroll".
class CScrollBarUI : public CControlUI
{
public:
    // Image slots of each part.
    enum
    {
        IMAGE_NORMAL,
        IMAGE_HOT,
        IMAGE_PUSHED,
        IMAGE_DISABLED,
        IMAGE_STATES
    };

    CScrollBarUI();

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetFocus() override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hdc, const RECT& paintRect) override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal = true);
    int GetScrollRange() const { return m_nRange; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_nScrollPos; }
    void SetScrollPos(int pos);
    int GetLineSize() const { return m_nLineSize; }
    void SetLineSize(int size) { m_nLineSize = size; }
    CContainerUI* GetOwner() const { return m_pOwner; }
    void SetOwner(CContainerUI* owner) { m_pOwner = owner; }
    void ShowButton1(bool show);
    void ShowButton2(bool show);
    const RECT& GetButton1Rect() const { return m_rcButton1; }
    const RECT& GetButton2Rect() const { return m_rcButton2; }
    const RECT& GetThumbRect() const { return m_rcThumb; }
    UINT GetThumbState() const { return m_thumb.state; }

private:
    struct Part
    {
        Part() : state(0), color(0) {}
        UINT state;
        DWORD color;
        ImageDrawInfoUI images[IMAGE_STATES];
    };

    int Thickness() const;
    void PlaceParts();
    void StepBack();
    void StepForward();
    void PageBack();
    void PageForward();
    // Pages towards the point: before or after the thumb.
    void PageTowards(POINT pt);
    void OnButtonDown(POINT pt);
    void OnButtonUp();
    void OnMouseMove(POINT pt);
    void OnRepeatTick();
    void RaiseScroll();
    void SetPartColor(Part& part, DWORD color);
    void PaintPart(HDC hdc, Part& part, const RECT& rc, UINT state);
    bool ApplyImageAttribute(const wchar_t* name, const wchar_t* value);

    bool m_bHorizontal;
    int m_nRange;
    int m_nScrollPos;
    int m_nLineSize;
    CContainerUI* m_pOwner;
    POINT m_ptLastMouse;
    int m_nLastScrollPos;
    int m_nLastScrollOffset;
    int m_nScrollRepeatDelay;
    Part m_back;
    bool m_bShowButton1;
    RECT m_rcButton1;
    Part m_button1;
    bool m_bShowButton2;
    RECT m_rcButton2;
    Part m_button2;
    RECT m_rcThumb;
    Part m_thumb;
    Part m_rail;
};

} // namespace UiToolkit
