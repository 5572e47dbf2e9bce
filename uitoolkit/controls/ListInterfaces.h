// Interfaces and the shared item style of lists and combo boxes.
#pragma once
#include "core/ControlUI.h"

namespace UiToolkit {

class CContainerUI;
class CListHeaderUI;
struct InputEventUI;

// Columns beyond this many header items get no bounds.
enum
{
    UILIST_MAX_COLUMNS = 32
};

// How every item of one list or combo box draws itself; items read it on every paint and measure.
struct ListStyleUI
{
    int nColumns = 0;
    RECT rcColumn[UILIST_MAX_COLUMNS] = {};
    int nFont = -1;
    UINT uTextStyle = DT_VCENTER;
    RECT rcTextPadding = {0, 0, 0, 0};
    DWORD dwTextColor = 0xFF000000;
    DWORD dwBkColor = 0;
    ImageDrawInfoUI bkImage;
    bool bAlternateBk = false;
    DWORD dwSelectedTextColor = 0xFF000000;
    DWORD dwSelectedBkColor = 0xFFC1E3FF;
    ImageDrawInfoUI selectedImage;
    DWORD dwHotTextColor = 0xFF000000;
    DWORD dwHotBkColor = 0xFFE9F5FF;
    ImageDrawInfoUI hotImage;
    DWORD dwDisabledTextColor = 0xFFCCCCCC;
    DWORD dwDisabledBkColor = 0xFFFFFFFF;
    ImageDrawInfoUI disabledImage;
    DWORD dwLineColor = 0;
    bool bShowHtml = false;
    bool bMultiExpandable = false;

    // The column count clamped to the bounds array, whatever was stored.
    int ColumnCount() const;
};

// What an item-style attribute changed, so that each owner can repaint or lay out as it needs.
enum ListStyleChangeUI
{
    LISTSTYLE_NOT_STYLE, // not an item-style attribute
    LISTSTYLE_STORED,    // font, alignment, ellipsis, an unchanged "itemshowhtml"
    LISTSTYLE_LOOK,      // a colour other than the text colour, an image, "itemaltbk"
    LISTSTYLE_TEXTCOLOR, // "itemtextcolor"
    LISTSTYLE_LAYOUT     // "itemtextpadding", a changed "itemshowhtml"
};

// Reads one "item..." attribute into the style; the owner decides what to repaint.
ListStyleChangeUI ApplyListStyleAttribute(ListStyleUI& style, const wchar_t* name, const wchar_t* value);

// The typed forms of the same attributes, each answering what it changed.
ListStyleChangeUI SetListStyleColor(ListStyleUI& style, DWORD ListStyleUI::*field, DWORD color);
ListStyleChangeUI SetListStyleImage(ListStyleUI& style, ImageDrawInfoUI ListStyleUI::*field, const wchar_t* image);
// DT_LEFT, DT_CENTER or DT_RIGHT replaces the horizontal alignment; the other style bits stay.
ListStyleChangeUI SetListStyleAlign(ListStyleUI& style, UINT align);
ListStyleChangeUI SetListStyleEndEllipsis(ListStyleUI& style, bool ellipsis);
ListStyleChangeUI SetListStyleTextPadding(ListStyleUI& style, RECT padding);
ListStyleChangeUI SetListStyleShowHtml(ListStyleUI& style, bool show);

// How far the view that shows an item must scroll down (up when negative) for the item to lie within the
// band, which loses the view's horizontal bar first; 0 when it lies there already.
int ScrollToShowItem(const CContainerUI& view, RECT band, const RECT& item);

// Supplied by the application: the text of one cell of a text element. Never owned by the list.
class ListTextSourceUI
{
public:
    virtual const wchar_t* CellText(CControlUI* item, int index, int column) = 0;
};

// What list items need from whoever holds them: a list or a combo box.
class IListOwnerUI
{
public:
    virtual ListStyleUI* GetListInfo() = 0;
    virtual int CurrentIndex() const = 0;
    virtual bool SelectIndex(int index, bool takeFocus = false) = 0;
    virtual void RouteItemEvent(InputEventUI& event) = 0;
};

class IListUI : public IListOwnerUI
{
public:
    virtual CListHeaderUI* HeaderControl() const = 0;
    virtual CContainerUI* BodyControl() const = 0;
    virtual ListTextSourceUI* TextSource() const = 0;
    virtual void SetTextSource(ListTextSourceUI* source) = 0;
    virtual bool ExpandIndex(int index, bool expand = true) = 0;
    virtual int ExpandedIndex() const = 0;
};

class IListItemUI
{
public:
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int index) = 0;
    virtual IListOwnerUI* ItemOwner() const = 0;
    virtual void SetItemOwner(CControlUI* owner) = 0;
    virtual bool IsItemSelected() const = 0;
    virtual bool SetItemSelected(bool selected) = 0;
    virtual bool IsItemExpanded() const = 0;
    virtual bool SetItemExpansion(bool expand) = 0;
    virtual void PaintItemText(HDC hdc, const RECT& rc) = 0;
};

} // namespace UiToolkit
