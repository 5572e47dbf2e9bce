// The item controls of lists and combo boxes: label, text (columns and links) and container elements.
#pragma once
#include "controls/ListItemBase.h"
#include "layout/ContainerUI.h"
#include "base/UIPtrArray.h"

namespace UiToolkit {

// Base of the leaf items; draws nothing itself.
class CListElementUI : public CListItemBase<CControlUI>
{
public:
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void OnEvent(InputEventUI& event) override;
};

// One line of text in the owner's item style.
class CListLabelElementUI : public CListElementUI
{
public:
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void OnEvent(InputEventUI& event) override;
    SIZE MeasureSize(SIZE available) override;
    void Paint(HDC hdc, const RECT& paintRect) override;
    void PaintItemText(HDC hdc, const RECT& rc) override;

protected:
    // Draws one text in the item style; links found in tagged text go to the given slots.
    void DrawItemText(HDC hdc, RECT rc, const wchar_t* text, const ListStyleUI& style, RECT* links,
                      CStringUI* linkTexts, int& linkCount);
};

// One text per header column, from the list's text source; tagged text may hold links that raise "link".
class CListTextElementUI : public CListLabelElementUI
{
public:
    enum
    {
        MAX_LINKS = 8
    };

    CListTextElementUI();
    ~CListTextElementUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    void SetItemOwner(CControlUI* owner) override;
    void OnEvent(InputEventUI& event) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintItemText(HDC hdc, const RECT& rc) override;

    // The stored text of a column; NULL when it has none.
    const wchar_t* ColumnText(int index) const;
    int GetLinkCount() const { return m_nLinks; }
    const RECT& GetLinkRect(int index) const { return m_rcLinks[index]; }
    const CStringUI& GetLinkText(int index) const { return m_sLinks[index]; }

private:
    int LinkAt(POINT pt) const;

    int m_nLinks = 0;
    RECT m_rcLinks[MAX_LINKS] = {};
    CStringUI m_sLinks[MAX_LINKS];
    int m_nHoverLink = -1;
    IListUI* m_pOwnerList = NULL;
    CPtrArrayUI m_aTexts; // owned CStringUI per column
};

// An item that holds other controls.
class CListContainerElementUI : public CListItemBase<CContainerUI>
{
public:
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void OnEvent(InputEventUI& event) override;
    void Paint(HDC hdc, const RECT& paintRect) override;
    void PaintItemText(HDC hdc, const RECT& rc) override;
};

} // namespace UiToolkit
