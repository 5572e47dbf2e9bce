// One setter per item-style attribute, shared by the list and the combo box; each owner decides what a
// change repaints or lays out again (OnItemStyleChanged).
#pragma once
#include "controls/ListInterfaces.h"

namespace UiToolkit {

template <class Owner>
class CListStyleSettersUI
{
public:
    void SetItemFont(int index)
    {
        Style().nFont = index;
        Changed(LISTSTYLE_STORED);
    }
    // DT_LEFT, DT_CENTER or DT_RIGHT.
    void SetItemAlign(UINT align) { Changed(SetListStyleAlign(Style(), align)); }
    void SetItemEndEllipsis(bool ellipsis) { Changed(SetListStyleEndEllipsis(Style(), ellipsis)); }
    void SetItemTextPadding(RECT padding) { Changed(SetListStyleTextPadding(Style(), padding)); }
    void SetItemTextColor(DWORD color) { Color(&ListStyleUI::dwTextColor, color); }
    void SetItemBkColor(DWORD color) { Color(&ListStyleUI::dwBkColor, color); }
    void SetItemBkImage(const wchar_t* image) { Image(&ListStyleUI::bkImage, image); }
    void SetAlternateBk(bool alternate)
    {
        Style().bAlternateBk = alternate;
        Changed(LISTSTYLE_LOOK);
    }
    void SetSelectedItemTextColor(DWORD color) { Color(&ListStyleUI::dwSelectedTextColor, color); }
    void SetSelectedItemBkColor(DWORD color) { Color(&ListStyleUI::dwSelectedBkColor, color); }
    void SetSelectedItemImage(const wchar_t* image) { Image(&ListStyleUI::selectedImage, image); }
    void SetHotItemTextColor(DWORD color) { Color(&ListStyleUI::dwHotTextColor, color); }
    void SetHotItemBkColor(DWORD color) { Color(&ListStyleUI::dwHotBkColor, color); }
    void SetHotItemImage(const wchar_t* image) { Image(&ListStyleUI::hotImage, image); }
    void SetDisabledItemTextColor(DWORD color) { Color(&ListStyleUI::dwDisabledTextColor, color); }
    void SetDisabledItemBkColor(DWORD color) { Color(&ListStyleUI::dwDisabledBkColor, color); }
    void SetDisabledItemImage(const wchar_t* image) { Image(&ListStyleUI::disabledImage, image); }
    void SetItemLineColor(DWORD color) { Color(&ListStyleUI::dwLineColor, color); }
    void SetItemShowHtml(bool show) { Changed(SetListStyleShowHtml(Style(), show)); }

private:
    ListStyleUI& Style() { return *static_cast<Owner*>(this)->GetListInfo(); }
    void Changed(ListStyleChangeUI change) { static_cast<Owner*>(this)->OnItemStyleChanged(change); }
    void Color(DWORD ListStyleUI::*field, DWORD color) { Changed(SetListStyleColor(Style(), field, color)); }
    void Image(ImageDrawInfoUI ListStyleUI::*field, const wchar_t* image)
    {
        Changed(SetListStyleImage(Style(), field, image));
    }
};

} // namespace UiToolkit
