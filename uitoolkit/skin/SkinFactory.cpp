#include "controls/ActiveXUI.h"
#include "controls/ButtonUI.h"
#include "skin/ChildLayoutUI.h"
#include "controls/DateTimeUI.h"
#include "controls/EditUI.h"
#include "controls/ListHeaderItemUI.h"
#include "controls/ListItemsUI.h"
#include "controls/ListUI.h"
#include "controls/ComboUI.h"
#include "controls/TreeViewUI.h"
#include "layout/LayoutUI.h"
#include "controls/OptionUI.h"
#include "controls/RichEditUI.h"
#include "controls/SliderUI.h"
#include "controls/TextUI.h"
#include "controls/WebBrowserUI.h"
#include "layout/ScrollBarUI.h"
#include "skin/SkinBuilder.h"

#include <wchar.h>

namespace UiToolkit {

namespace {

struct FactoryEntry
{
    const wchar_t* tag;
    CControlUI* (*make)();
};

template <typename T>
CControlUI* Make()
{
    return new T();
}

// Tags of classes this toolkit has; the others reach the builder's callback.
const FactoryEntry FACTORY[] = {
    {L"Label", Make<CLabelUI>},
    {L"Button", Make<CButtonUI>},
    {L"Control", Make<CControlUI>},
    {L"Progress", Make<CProgressUI>},
    {L"Text", Make<CTextUI>},
    {L"Option", Make<COptionUI>},
    {L"Slider", Make<CSliderUI>},
    {L"Edit", Make<CEditUI>},
    {L"DateTime", Make<CDateTimeUI>},
    {L"RichEdit", Make<CRichEditUI>},
    {L"CheckBox", Make<CCheckBoxUI>},
    {L"Container", Make<CContainerUI>},
    {L"TabLayout", Make<CTabLayoutUI>},
    {L"ScrollBar", Make<CScrollBarUI>},
    {L"TileLayout", Make<CTileLayoutUI>},
    {L"ChildLayout", Make<CChildLayoutUI>},
    {L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"ActiveX", Make<CActiveXUI>},
    {L"WebBrowser", Make<CWebBrowserUI>},
    {L"List", Make<CListUI>},
    {L"ListHeader", Make<CListHeaderUI>},
    {L"ListHeaderItem", Make<CListHeaderItemUI>},
    {L"ListLabelElement", Make<CListLabelElementUI>},
    {L"ListTextElement", Make<CListTextElementUI>},
    {L"ListContainerElement", Make<CListContainerElementUI>},
    {L"Combo", Make<CComboUI>},
    {L"TreeView", Make<CTreeViewUI>},
};

} // namespace

CControlUI* CSkinBuilder::CreateControl(const wchar_t* tag)
{
    if (tag == NULL)
        return NULL;
    size_t length = wcslen(tag);
    for (const FactoryEntry& entry : FACTORY) {
        // The length picks the candidates before any text is compared.
        if (wcslen(entry.tag) == length && _wcsicmp(entry.tag, tag) == 0)
            return entry.make();
    }
    return NULL;
}

} // namespace UiToolkit
