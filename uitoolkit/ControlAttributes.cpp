#include "ControlUI.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

bool IsTrue(const wchar_t* value)
{
    return wcscmp(value, L"true") == 0;
}

} // namespace

// Placement, state and text attributes; colours, borders and images belong to the rendering kit.
void CControlUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"pos") == 0) {
        RECT rc = ParseRectList(value);
        SIZE origin = { rc.left, rc.top };
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
            double anchors[4] = { 0, 0, 0, 0 };
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

} // namespace UiToolkit
