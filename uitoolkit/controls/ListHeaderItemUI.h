// A column of a list header: state images, a caption and a separator that resizes the column when dragged.
#pragma once
#include "core/ControlUI.h"

namespace UiToolkit {

class CListHeaderItemUI : public CControlUI
{
public:
    CListHeaderItemUI();

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC hdc) override;
    void PaintLabelText(HDC hdc) override;

    bool IsDragable() const { return m_bDragable; }
    void SetDragable(bool dragable);
    int GetSepWidth() const { return m_iSepWidth; }
    void SetSepWidth(int width) { m_iSepWidth = width; }
    UINT GetState() const { return m_uButtonState; }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD color) { m_dwTextColor = color; }
    int GetFont() const { return m_iFont; }
    void SetFont(int index) { m_iFont = index; }
    UINT GetTextStyle() const { return m_uTextStyle; }
    bool IsShowHtml() const { return m_bShowHtml; }
    void SetShowHtml(bool show);
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(RECT padding);
    // The separator band: at the right edge for a width >= 0, else at the left edge.
    RECT GetSepRect() const;

private:
    // The band widened by 4 pixels into the item, where a press starts a drag.
    RECT SepHitZone() const;

    POINT m_ptLastMouse = {0, 0};
    bool m_bDragable = true;
    UINT m_uButtonState = 0;
    int m_iSepWidth = 4;
    DWORD m_dwTextColor = 0; // the window's default text colour is taken on first paint
    int m_iFont = -1;
    UINT m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    bool m_bShowHtml = false;
    RECT m_rcTextPadding = {2, 0, 2, 0};
    ImageDrawInfoUI m_normalImage;
    ImageDrawInfoUI m_hotImage;
    ImageDrawInfoUI m_pushedImage;
    ImageDrawInfoUI m_focusedImage;
    ImageDrawInfoUI m_sepImage;
};

} // namespace UiToolkit
