#include "controls/ListInterfaces.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

int ListStyleUI::ColumnCount() const
{
    if (nColumns < 0)
        return 0;
    return nColumns > UILIST_MAX_COLUMNS ? UILIST_MAX_COLUMNS : nColumns;
}

namespace {

bool IsTrue(const wchar_t* value)
{
    return wcscmp(value, L"true") == 0;
}

} // namespace

ListStyleChangeUI ApplyListStyleAttribute(ListStyleUI& style, const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return LISTSTYLE_NOT_STYLE;
    struct ColorAttribute
    {
        const wchar_t* name;
        DWORD ListStyleUI::*field;
    };
    static const ColorAttribute colors[] = {
        {L"itembkcolor", &ListStyleUI::dwBkColor},
        {L"itemselectedtextcolor", &ListStyleUI::dwSelectedTextColor},
        {L"itemselectedbkcolor", &ListStyleUI::dwSelectedBkColor},
        {L"itemhottextcolor", &ListStyleUI::dwHotTextColor},
        {L"itemhotbkcolor", &ListStyleUI::dwHotBkColor},
        {L"itemdisabledtextcolor", &ListStyleUI::dwDisabledTextColor},
        {L"itemdisabledbkcolor", &ListStyleUI::dwDisabledBkColor},
        {L"itemlinecolor", &ListStyleUI::dwLineColor},
    };
    struct ImageAttribute
    {
        const wchar_t* name;
        ImageDrawInfoUI ListStyleUI::*field;
    };
    static const ImageAttribute images[] = {
        {L"itembkimage", &ListStyleUI::bkImage},
        {L"itemselectedimage", &ListStyleUI::selectedImage},
        {L"itemhotimage", &ListStyleUI::hotImage},
        {L"itemdisabledimage", &ListStyleUI::disabledImage},
    };
    if (wcscmp(name, L"itemfont") == 0) {
        style.nFont = _wtoi(value);
        return LISTSTYLE_STORED;
    }
    if (wcscmp(name, L"itemalign") == 0) {
        if (wcsstr(value, L"left") != NULL)
            style.uTextStyle &= ~(DT_CENTER | DT_RIGHT);
        if (wcsstr(value, L"center") != NULL) {
            style.uTextStyle &= ~DT_RIGHT;
            style.uTextStyle |= DT_CENTER;
        }
        if (wcsstr(value, L"right") != NULL) {
            style.uTextStyle &= ~DT_CENTER;
            style.uTextStyle |= DT_RIGHT;
        }
        return LISTSTYLE_STORED;
    }
    if (wcscmp(name, L"itemendellipsis") == 0) {
        if (IsTrue(value))
            style.uTextStyle |= DT_END_ELLIPSIS;
        else
            style.uTextStyle &= ~DT_END_ELLIPSIS;
        return LISTSTYLE_STORED;
    }
    if (wcscmp(name, L"itemtextpadding") == 0) {
        style.rcTextPadding = ParseRectList(value);
        return LISTSTYLE_LAYOUT;
    }
    if (wcscmp(name, L"itemtextcolor") == 0) {
        style.dwTextColor = ParseHexColor(value);
        return LISTSTYLE_TEXTCOLOR;
    }
    for (const ColorAttribute& color : colors) {
        if (wcscmp(name, color.name) == 0) {
            style.*color.field = ParseHexColor(value);
            return LISTSTYLE_LOOK;
        }
    }
    for (const ImageAttribute& image : images) {
        if (wcscmp(name, image.name) == 0) {
            (style.*image.field).SetString(value);
            return LISTSTYLE_LOOK;
        }
    }
    if (wcscmp(name, L"itemaltbk") == 0) {
        style.bAlternateBk = IsTrue(value);
        return LISTSTYLE_LOOK;
    }
    if (wcscmp(name, L"itemshowhtml") == 0) {
        bool show = IsTrue(value);
        if (style.bShowHtml == show)
            return LISTSTYLE_STORED;
        style.bShowHtml = show;
        return LISTSTYLE_LAYOUT;
    }
    return LISTSTYLE_NOT_STYLE;
}

} // namespace UiToolkit
