// Vertical, horizontal, tile and tab layouts.
#pragma once
#include "layout/ContainerUI.h"

namespace UiToolkit {

// Shared by the vertical and horizontal layouts: a separator band the user drags to resize the layout.
class CLinearLayoutUI : public CContainerUI
{
public:
    UINT BehaviourFlags() const override;
    void OnEvent(InputEventUI& event) override;
    // "sepheight" (vertical) or "sepwidth" (horizontal) and "sepimm".
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintOverlay(HDC hdc) override;

    int GetSepSize() const { return m_iSepSize; }
    void SetSepSize(int size) { m_iSepSize = size; }
    bool IsSepImmMode() const { return m_bImmMode; }
    void SetSepImmMode(bool immediate);
    RECT GetSepRect(bool tracking) const;

protected:
    explicit CLinearLayoutUI(bool vertical);
    // Answers true when the drag step moved the tracking rectangle.
    bool DragSeparator(POINT pt);

    bool m_bVertical;
    int m_iSepSize;
    UINT m_uButtonState;
    POINT m_ptLastMouse;
    RECT m_rcNewPos;
    bool m_bImmMode;
};

class CVerticalLayoutUI : public CLinearLayoutUI
{
public:
    CVerticalLayoutUI();
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
};

class CHorizontalLayoutUI : public CLinearLayoutUI
{
public:
    CHorizontalLayoutUI();
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
};

// Children in a grid of equal cells.
class CTileLayoutUI : public CContainerUI
{
public:
    CTileLayoutUI();
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

    SIZE GetItemSize() const { return m_szItem; }
    void SetItemSize(SIZE size);
    int GetColumns() const { return m_nColumns; }
    void SetColumns(int columns);

private:
    SIZE m_szItem;
    int m_nColumns;
};

// One child shown at a time.
class CTabLayoutUI : public CContainerUI
{
public:
    CTabLayoutUI();
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    bool RemoveItem(CControlUI* control) override;
    void RemoveAllItems() override;

    int GetCurSel() const { return m_iCurSel; }
    bool SelectItem(int index);

private:
    int m_iCurSel;
};

} // namespace UiToolkit
