#include "core/ControlUI.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

bool IsTrue(const wchar_t* value)
{
    return wcscmp(value, L"true") == 0;
}

DWORD ReadBackColor(const wchar_t* value)
{
    while (*value != L'\0' && *value <= L' ')
        ++value;
    return ParseHexColor(value);
}

} // namespace

DWORD ParseHexColor(const wchar_t* value)
{
    if (*value == L'#')
        ++value;
    return wcstoul(value, NULL, 16);
}

void CControlUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"bkcolor") == 0 || wcscmp(name, L"bkcolor1") == 0) {
        SetBkColor(ReadBackColor(value));
    } else if (wcscmp(name, L"bkcolor2") == 0) {
        SetBkColor2(ReadBackColor(value));
    } else if (wcscmp(name, L"bkcolor3") == 0) {
        SetBkColor3(ReadBackColor(value));
    } else if (wcscmp(name, L"bordercolor") == 0) {
        SetBorderColor(ParseHexColor(value));
    } else if (wcscmp(name, L"focusbordercolor") == 0) {
        SetFocusBorderColor(ParseHexColor(value));
    } else if (wcscmp(name, L"colorhsl") == 0) {
        SetColorHSL(IsTrue(value));
    } else if (wcscmp(name, L"bordersize") == 0) {
        if (wcschr(value, L',') == NULL) {
            SetBorderSize(_wtoi(value));
            RECT none = {0, 0, 0, 0};
            SetBorderSize(none);
        } else {
            SetBorderSize(ParseRectList(value));
        }
    } else if (wcscmp(name, L"leftbordersize") == 0) {
        SetLeftBorderSize(_wtoi(value));
    } else if (wcscmp(name, L"topbordersize") == 0) {
        SetTopBorderSize(_wtoi(value));
    } else if (wcscmp(name, L"rightbordersize") == 0) {
        SetRightBorderSize(_wtoi(value));
    } else if (wcscmp(name, L"bottombordersize") == 0) {
        SetBottomBorderSize(_wtoi(value));
    } else if (wcscmp(name, L"borderstyle") == 0) {
        SetBorderStyle(_wtoi(value));
    } else if (wcscmp(name, L"borderround") == 0) {
        RECT pair = ParseRectList(value);
        SIZE round = {pair.left, pair.top};
        SetBorderRound(round);
    } else if (wcscmp(name, L"bkimage") == 0) {
        SetBkImage(value);
    } else if (wcscmp(name, L"pos") == 0) {
        RECT rc = ParseRectList(value);
        SIZE origin = {rc.left, rc.top};
        SetFloatOrigin(origin);
        SetFixedWidth(rc.right - rc.left);
        SetFixedHeight(rc.bottom - rc.top);
    } else if (wcscmp(name, L"padding") == 0) {
        SetPadding(ParseRectList(value));
    } else if (wcscmp(name, L"width") == 0) {
        SetFixedWidth(_wtoi(value));
    } else if (wcscmp(name, L"height") == 0) {
        SetFixedHeight(_wtoi(value));
    } else if (wcscmp(name, L"minwidth") == 0) {
        SetMinWidth(_wtoi(value));
    } else if (wcscmp(name, L"minheight") == 0) {
        SetMinHeight(_wtoi(value));
    } else if (wcscmp(name, L"maxwidth") == 0) {
        SetMaxWidth(_wtoi(value));
    } else if (wcscmp(name, L"maxheight") == 0) {
        SetMaxHeight(_wtoi(value));
    } else if (wcscmp(name, L"name") == 0) {
        SetName(value);
    } else if (wcscmp(name, L"text") == 0) {
        SetText(value);
    } else if (wcscmp(name, L"tooltip") == 0) {
        SetToolTip(value);
    } else if (wcscmp(name, L"userdata") == 0) {
        SetUserData(value);
    } else if (wcscmp(name, L"enabled") == 0) {
        SetEnabled(IsTrue(value));
    } else if (wcscmp(name, L"mouse") == 0) {
        SetMouseEnabled(IsTrue(value));
    } else if (wcscmp(name, L"keyboard") == 0) {
        SetKeyboardEnabled(IsTrue(value));
    } else if (wcscmp(name, L"visible") == 0) {
        SetVisible(IsTrue(value));
    } else if (wcscmp(name, L"float") == 0) {
        if (wcschr(value, L',') == NULL) {
            SetFloat(IsTrue(value));
        } else {
            double anchors[4] = {0, 0, 0, 0};
            wchar_t* end = const_cast<wchar_t*>(value);
            for (int i = 0; i < 4; ++i) {
                anchors[i] = wcstod(end, &end);
                if (*end == L'\0')
                    break;
                ++end;
            }
            SetFloatAnchors(anchors);
            SetFloat(true);
        }
    } else if (wcscmp(name, L"shortcut") == 0) {
        SetShortcut(value[0]);
    } else if (wcscmp(name, L"menu") == 0) {
        SetWantsContextMenu(IsTrue(value));
    } else if (wcscmp(name, L"virtualwnd") == 0) {
        SetVirtualWnd(value);
    }
}

void CControlUI::ApplyAttributeList(const wchar_t* list)
{
    if (list == NULL)
        return;
    CStringUI name, value;
    const wchar_t* p = list;
    while (*p != L'\0') {
        const wchar_t* nameStart = p;
        while (*p != L'\0' && *p != L'=')
            ++p;
        if (*p != L'=' || p[1] != L'"')
            return;
        name.SetN(nameStart, static_cast<int>(p - nameStart));
        p += 2;
        const wchar_t* valueStart = p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p != L'"')
            return;
        value.SetN(valueStart, static_cast<int>(p - valueStart));
        ++p;
        ApplyAttribute(name, value);
        if (*p != L' ' || p[1] == L'\0')
            return;
        ++p;
    }
}

} // namespace UiToolkit
