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

ListStyleChangeUI SetListStyleColor(ListStyleUI& style, DWORD ListStyleUI::*field, DWORD color)
{
    style.*field = color;
    return field == &ListStyleUI::dwTextColor ? LISTSTYLE_TEXTCOLOR : LISTSTYLE_LOOK;
}

ListStyleChangeUI SetListStyleImage(ListStyleUI& style, ImageDrawInfoUI ListStyleUI::*field, const wchar_t* image)
{
    (style.*field).SetString(image);
    return LISTSTYLE_LOOK;
}

ListStyleChangeUI SetListStyleAlign(ListStyleUI& style, UINT align)
{
    style.uTextStyle = (style.uTextStyle & ~(DT_CENTER | DT_RIGHT)) | (align & (DT_CENTER | DT_RIGHT));
    return LISTSTYLE_STORED;
}

ListStyleChangeUI SetListStyleEndEllipsis(ListStyleUI& style, bool ellipsis)
{
    if (ellipsis)
        style.uTextStyle |= DT_END_ELLIPSIS;
    else
        style.uTextStyle &= ~DT_END_ELLIPSIS;
    return LISTSTYLE_STORED;
}

ListStyleChangeUI SetListStyleTextPadding(ListStyleUI& style, RECT padding)
{
    style.rcTextPadding = padding;
    return LISTSTYLE_LAYOUT;
}

ListStyleChangeUI SetListStyleShowHtml(ListStyleUI& style, bool show)
{
    if (style.bShowHtml == show)
        return LISTSTYLE_STORED;
    style.bShowHtml = show;
    return LISTSTYLE_LAYOUT;
}

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
    if (wcscmp(name, L"itemendellipsis") == 0)
        return SetListStyleEndEllipsis(style, IsTrue(value));
    if (wcscmp(name, L"itemtextpadding") == 0)
        return SetListStyleTextPadding(style, ParseRectList(value));
    if (wcscmp(name, L"itemtextcolor") == 0)
        return SetListStyleColor(style, &ListStyleUI::dwTextColor, ParseHexColor(value));
    for (const ColorAttribute& color : colors) {
        if (wcscmp(name, color.name) == 0)
            return SetListStyleColor(style, color.field, ParseHexColor(value));
    }
    for (const ImageAttribute& image : images) {
        if (wcscmp(name, image.name) == 0)
            return SetListStyleImage(style, image.field, value);
    }
    if (wcscmp(name, L"itemaltbk") == 0) {
        style.bAlternateBk = IsTrue(value);
        return LISTSTYLE_LOOK;
    }
    if (wcscmp(name, L"itemshowhtml") == 0)
        return SetListStyleShowHtml(style, IsTrue(value));
    return LISTSTYLE_NOT_STYLE;
}

} // namespace UiToolkit
