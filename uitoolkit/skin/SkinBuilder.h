// Skin builder: turns skin markup into controls through the tag factory.
#pragma once
#include "core/ControlUI.h"
#include "core/SkinMarkup.h"

namespace UiToolkit {

class CWindowManagerUI;

// Creates the controls of tags the built-in factory does not know.
class IDialogBuilderCallback
{
public:
    virtual CControlUI* CreateCustomControl(const wchar_t* tag) = 0;
};

// Turns one skin document into a control tree; used for one build.
class CSkinBuilder
{
public:
    CSkinBuilder();
    CSkinBuilder(const CSkinBuilder&) = delete;
    CSkinBuilder& operator=(const CSkinBuilder&) = delete;

    // skin: a resource id (MAKEINTRESOURCEW, with type), markup text starting with '<', or a file name.
    CControlUI* Create(const wchar_t* skin, const wchar_t* type = NULL, IDialogBuilderCallback* callback = NULL,
                       CWindowManagerUI* manager = NULL, CControlUI* parent = NULL);
    CControlUI* CreateFromMarkup(IDialogBuilderCallback* callback = NULL, CWindowManagerUI* manager = NULL,
                                 CControlUI* parent = NULL);
    CSkinMarkup* GetMarkup() { return &m_xml; }
    // Depth in the control tree at which the document's children are placed; the element depth limit
    // counts from there.
    void SetBaseDepth(int depth) { m_iBaseDepth = depth; }

    // The built-in tag-to-class factory; NULL for tags it does not know.
    static CControlUI* CreateControl(const wchar_t* tag);

    // Includes nested deeper than this refuse the whole build; elements nest at most as deep as the
    // markup parser allows, counted through every included file.
    enum
    {
        MAX_INCLUDE_DEPTH = 16
    };

private:
    CControlUI* ParseChildren(CSkinMarkupNode node, CControlUI* parent, CWindowManagerUI* manager, int depth);
    void ApplyResources(CSkinMarkupNode root, CWindowManagerUI* manager);
    void ApplyWindowAttributes(CSkinMarkupNode root, CWindowManagerUI* manager);
    void BuildInclude(const CSkinMarkupNode& node, CControlUI* parent, CWindowManagerUI* manager, int depth);
    // False when the parent is neither a tree node nor a tree view.
    bool BuildTreeNode(const CSkinMarkupNode& node, CControlUI* parent, CWindowManagerUI* manager, int depth);

    CSkinMarkup m_xml;
    IDialogBuilderCallback* m_pCallback;
    const wchar_t* m_pstrtype;
    int m_iIncludeDepth = 0; // includes between the first document and this one
    int m_iBaseDepth = 0;    // element depth at which this document's children are placed
    bool m_bFailed = false;  // an include went too deep: the build is refused
};

} // namespace UiToolkit
