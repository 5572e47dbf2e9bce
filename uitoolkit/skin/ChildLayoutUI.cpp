#include "skin/ChildLayoutUI.h"
#include "skin/SkinBuilder.h"
#include "core/ToolkitLog.h"

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
    // A file that holds itself, however far down, would build again on every level: refused at the
    // first repeat. The levels above count towards the builder's depth limit.
    int depth = 0;
    for (CControlUI* above = this; above != NULL; above = above->GetParentControl()) {
        ++depth;
        CChildLayoutUI* outer = above != this ? static_cast<CChildLayoutUI*>(above->CastTo(L"ChildLayout")) : NULL;
        if (outer != NULL && _wcsicmp(outer->m_pstrXMLFile, m_pstrXMLFile) == 0) {
            LOG(ERROR) << "Child layout \"" << LogText(m_pstrXMLFile) << "\" inside itself: left empty";
            RemoveAllItems();
            return;
        }
    }
    CSkinBuilder builder;
    builder.SetBaseDepth(depth);
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
