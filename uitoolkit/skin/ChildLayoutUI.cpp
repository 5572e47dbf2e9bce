#include "skin/ChildLayoutUI.h"
#include "skin/SkinBuilder.h"

#include <wchar.h>

namespace UiToolkit {

const wchar_t* CChildLayoutUI::TypeName() const
{
    return L"ChildLayoutUI";
}

void* CChildLayoutUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ChildLayout") == 0)
        return this;
    // Not a container to the builder: its children come from its own file only.
    return CControlUI::CastTo(name);
}

void CChildLayoutUI::Initialise()
{
    if (m_pstrXMLFile.IsEmpty())
        return;
    CSkinBuilder builder;
    CControlUI* root = builder.Create(m_pstrXMLFile, NULL, NULL, m_pManager, NULL);
    if (root != NULL)
        AddItem(root);
    else
        RemoveAllItems();
}

void CChildLayoutUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name != NULL && value != NULL && wcscmp(name, L"xmlfile") == 0)
        SetChildLayoutXML(value);
    else
        CContainerUI::ApplyAttribute(name, value);
}

} // namespace UiToolkit
