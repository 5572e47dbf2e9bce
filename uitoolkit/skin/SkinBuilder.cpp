#include "core/ToolkitLog.h"
#include "skin/SkinBuilder.h"
#include "controls/TreeViewUI.h"
#include "layout/ContainerUI.h"
#include "core/WindowManager.h"
#include "core/WindowWnd.h"
#include "base/UIHandlingScope.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

bool Is(const wchar_t* a, const wchar_t* b)
{
    return a != NULL && _wcsicmp(a, b) == 0;
}

// Attribute values by name, compared ignoring case.
class NodeAttributes
{
public:
    explicit NodeAttributes(const CSkinMarkupNode& node) : m_node(node) {}
    const wchar_t* Text(const wchar_t* name) const
    {
        int count = m_node.GetAttributeCount();
        for (int i = 0; i < count; ++i) {
            if (Is(m_node.GetAttributeName(i), name))
                return m_node.GetAttributeValue(i);
        }
        return NULL;
    }
    int Number(const wchar_t* name, int fallback) const
    {
        const wchar_t* value = Text(name);
        return value != NULL ? static_cast<int>(wcstol(value, NULL, 10)) : fallback;
    }
    bool Flag(const wchar_t* name) const { return Is(Text(name), L"true"); }

private:
    const CSkinMarkupNode& m_node;
};

SIZE ReadPair(const wchar_t* value)
{
    RECT rc = ParseRectList(value);
    SIZE size = {rc.left, rc.top};
    return size;
}

} // namespace

CSkinBuilder::CSkinBuilder() : m_pCallback(NULL), m_pstrtype(NULL) {}

CControlUI* CSkinBuilder::Create(const wchar_t* skin, const wchar_t* type, IDialogBuilderCallback* callback,
                                 CWindowManagerUI* manager, CControlUI* parent)
{
    if (skin == NULL)
        return NULL;
    if (IS_INTRESOURCE(skin)) {
        HINSTANCE instance = CWindowManagerUI::GetResourceInstance();
        HRSRC resource = FindResourceW(instance, skin, type);
        HGLOBAL global = resource != NULL ? ::LoadResource(instance, resource) : NULL;
        const BYTE* bytes = global != NULL ? static_cast<const BYTE*>(LockResource(global)) : NULL;
        DWORD size = resource != NULL ? SizeofResource(instance, resource) : 0;
        if (bytes == NULL || !m_xml.LoadFromMemory(bytes, size, XMLFILE_ENCODING_UTF8))
            return NULL;
        m_pstrtype = type;
    } else if (*skin == L'<') {
        if (!m_xml.LoadFromString(skin))
            return NULL;
    } else if (!m_xml.LoadFromFile(skin, XMLFILE_ENCODING_UTF8)) {
        return NULL;
    }
    return CreateFromMarkup(callback, manager, parent);
}

CControlUI* CSkinBuilder::CreateFromMarkup(IDialogBuilderCallback* callback, CWindowManagerUI* manager,
                                           CControlUI* parent)
{
    m_pCallback = callback;
    CSkinMarkupNode root = m_xml.GetRoot();
    if (!root.IsValid())
        return NULL;
    // An attribute's notification may run a handler that destroys the window: the manager lives until the
    // build is over, and a tree built for a window that went meanwhile goes with it. A window already gone
    // before the build keeps the old way: the tree is built and makes nothing of the dead window.
    HWND window = manager != NULL && ::IsWindow(manager->GetWindow()) ? manager->GetWindow() : NULL;
    CHandlingScopeUI handling;
    CWindowWnd::Hold hold(window);
    if (manager != NULL) {
        ApplyResources(root, manager);
        if (manager->GetWindow() != NULL && Is(root.GetName(), L"Window"))
            ApplyWindowAttributes(root, manager);
    }
    CControlUI* first = ParseChildren(root, parent, manager, m_iBaseDepth);
    if (window != NULL && !::IsWindow(window)) {
        LOG(WARNING) << "The window went while its controls were built; they are dropped";
        m_bFailed = true;
    }
    if (m_bFailed) {
        // Whatever went to the parent belongs to it; only a parentless first control would be lost.
        if (parent == NULL)
            delete first;
        return NULL;
    }
    return first;
}

void CSkinBuilder::ApplyResources(CSkinMarkupNode root, CWindowManagerUI* manager)
{
    for (CSkinMarkupNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        NodeAttributes attributes(node);
        const wchar_t* tag = node.GetName();
        if (Is(tag, L"Image")) {
            const wchar_t* name = attributes.Text(L"name");
            const wchar_t* type = attributes.Text(L"restype");
            const wchar_t* mask = attributes.Text(L"mask");
            if (name != NULL && *name != L'\0')
                manager->AddImage(name, type != NULL && *type != L'\0' ? type : NULL,
                                  mask != NULL ? ParseHexColor(mask) : 0, attributes.Flag(L"shared"), false);
        } else if (Is(tag, L"Font")) {
            int id = attributes.Number(L"id", -1);
            const wchar_t* name = attributes.Text(L"name");
            int size = attributes.Number(L"size", 12);
            bool shared = attributes.Flag(L"shared");
            if (id >= 0 && name != NULL && *name != L'\0') {
                manager->AddFont(id, name, size, attributes.Flag(L"bold"), attributes.Flag(L"underline"),
                                 attributes.Flag(L"italic"), shared);
                if (attributes.Flag(L"default"))
                    manager->SetDefaultFont(name, size, attributes.Flag(L"bold"), attributes.Flag(L"underline"),
                                            attributes.Flag(L"italic"), shared);
            }
        } else if (Is(tag, L"Default")) {
            const wchar_t* name = attributes.Text(L"name");
            const wchar_t* value = attributes.Text(L"value");
            if (name != NULL && *name != L'\0')
                manager->AddDefaultAttributeList(name, value != NULL ? value : L"", attributes.Flag(L"shared"));
        } else if (Is(tag, L"MultiLanguage")) {
            int id = attributes.Number(L"id", -1);
            const wchar_t* value = attributes.Text(L"value");
            if (id >= 0 && value != NULL)
                CWindowManagerUI::AddMultiLanguageText(id, value);
        }
    }
}

void CSkinBuilder::ApplyWindowAttributes(CSkinMarkupNode root, CWindowManagerUI* manager)
{
    int count = root.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        const wchar_t* name = root.GetAttributeName(i);
        const wchar_t* value = root.GetAttributeValue(i);
        if (Is(name, L"size")) {
            SIZE size = ReadPair(value);
            manager->SetInitialSize(size.cx, size.cy);
        } else if (Is(name, L"sizebox")) {
            manager->SetSizeBox(ParseRectList(value));
        } else if (Is(name, L"caption")) {
            manager->SetCaptionRect(ParseRectList(value));
        } else if (Is(name, L"roundcorner")) {
            SIZE size = ReadPair(value);
            manager->SetRoundCorner(size.cx, size.cy);
        } else if (Is(name, L"mininfo")) {
            SIZE size = ReadPair(value);
            manager->SetMinInfo(size.cx, size.cy);
        } else if (Is(name, L"maxinfo")) {
            SIZE size = ReadPair(value);
            manager->SetMaxInfo(size.cx, size.cy);
        } else if (Is(name, L"showdirty")) {
            manager->SetShowDirty(Is(value, L"true"));
        } else if (Is(name, L"alpha")) {
            manager->SetOpacity(static_cast<int>(wcstol(value, NULL, 10)));
        } else if (Is(name, L"bktrans")) {
            manager->SetBackgroundCached(Is(value, L"true"));
        } else if (Is(name, L"disabledfontcolor")) {
            manager->SetDefaultDisabledColor(ParseHexColor(value));
        } else if (Is(name, L"defaultfontcolor")) {
            manager->SetDefaultFontColor(ParseHexColor(value));
        } else if (Is(name, L"linkfontcolor")) {
            manager->SetDefaultLinkColor(ParseHexColor(value));
        } else if (Is(name, L"linkhoverfontcolor")) {
            manager->SetDefaultLinkHoverColor(ParseHexColor(value));
        } else if (Is(name, L"selectedcolor")) {
            manager->SetDefaultSelectedColor(ParseHexColor(value));
        }
    }
}

void CSkinBuilder::BuildInclude(const CSkinMarkupNode& node, CControlUI* parent, CWindowManagerUI* manager, int depth)
{
    wchar_t count[500] = L"";
    wchar_t source[500] = L"";
    node.GetAttributeValue(L"count", count, 500);
    node.GetAttributeValue(L"source", source, 500);
    int times = count[0] != L'\0' ? static_cast<int>(wcstol(count, NULL, 10)) : 1;
    if (source[0] == L'\0')
        return;
    if (m_iIncludeDepth >= MAX_INCLUDE_DEPTH) {
        // A file that includes itself would otherwise recurse until the stack runs out.
        LOG(ERROR) << "Skin includes nested deeper than " << MAX_INCLUDE_DEPTH << " at \"" << LogText(source)
                   << "\": the skin is not built";
        m_bFailed = true;
        return;
    }
    for (int i = 0; i < times && !m_bFailed; ++i) {
        CSkinBuilder nested;
        nested.m_iIncludeDepth = m_iIncludeDepth + 1;
        nested.m_iBaseDepth = depth;
        CControlUI* built = m_pstrtype != NULL ? nested.Create(MAKEINTRESOURCEW(_wtoi(source)), m_pstrtype, m_pCallback,
                                                               manager, parent)
                                               : nested.Create(source, NULL, m_pCallback, manager, parent);
        // Without a parent nothing would own what the nested build made.
        if (parent == NULL)
            delete built;
        m_bFailed = nested.m_bFailed;
    }
}

bool CSkinBuilder::BuildTreeNode(const CSkinMarkupNode& node, CControlUI* parent, CWindowManagerUI* manager, int depth)
{
    CTreeNodeUI* parentNode = parent != NULL ? static_cast<CTreeNodeUI*>(parent->CastTo(L"TreeNode")) : NULL;
    CTreeViewUI* tree =
        parent != NULL && parentNode == NULL ? static_cast<CTreeViewUI*>(parent->CastTo(L"TreeView")) : NULL;
    if (parentNode == NULL && tree == NULL)
        return false;
    CTreeNodeUI* treeNode = new CTreeNodeUI();
    if (parentNode != NULL && !parentNode->AddItem(treeNode)) {
        delete treeNode;
        return true;
    }
    if (manager != NULL) {
        treeNode->AttachManager(manager, NULL, false);
        const wchar_t* defaults = manager->GetDefaultAttributeList(L"TreeNode");
        if (defaults != NULL)
            treeNode->ApplyAttributeList(defaults);
    }
    int count = node.GetAttributeCount();
    for (int i = 0; i < count; ++i)
        treeNode->ApplyAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
    // Detached like every other control: children joining an attached row would start before the tree
    // is adopted, and a child layout among them would build its file again from inside this build.
    if (manager != NULL)
        treeNode->AttachManager(NULL, treeNode->GetParentControl(), false);
    // Unlike other controls, a node's children come after its own attributes.
    if (node.HasChildren())
        ParseChildren(node, treeNode, manager, depth + 1);
    if (m_bFailed) {
        if (parentNode == NULL)
            delete treeNode; // a node under a parent node is already that node's to delete
        return true;
    }
    if (tree != NULL && !tree->AddNode(treeNode))
        delete treeNode;
    return true;
}

CControlUI* CSkinBuilder::ParseChildren(CSkinMarkupNode node, CControlUI* parent, CWindowManagerUI* manager, int depth)
{
    if (depth > CSkinMarkup::MAX_DEPTH) {
        LOG(ERROR) << "Skin elements nested deeper than " << CSkinMarkup::MAX_DEPTH
                   << " through includes or child layouts: the skin is not built";
        m_bFailed = true;
        return NULL;
    }
    IContainerUI* container = NULL;
    bool containerLooked = false;
    CControlUI* first = NULL;
    for (CSkinMarkupNode child = node.GetChild(); child.IsValid(); child = child.GetSibling()) {
        const wchar_t* tag = child.GetName();
        if (Is(tag, L"Image") || Is(tag, L"Font") || Is(tag, L"Default") || Is(tag, L"MultiLanguage"))
            continue;
        if (Is(tag, L"Include")) {
            if (child.HasAttributes())
                BuildInclude(child, parent, manager, depth);
            if (m_bFailed)
                return first;
            continue;
        }
        if (Is(tag, L"TreeNode")) {
            if (!BuildTreeNode(child, parent, manager, depth))
                return NULL; // a parent that takes no tree node ends this level
            if (m_bFailed)
                return first;
            continue;
        }
        CControlUI* control = CreateControl(tag);
        if (control == NULL && m_pCallback != NULL)
            control = m_pCallback->CreateCustomControl(tag);
        if (control == NULL)
            continue;
        if (child.HasChildren())
            ParseChildren(child, control, manager, depth + 1);
        if (m_bFailed) {
            delete control;
            return first;
        }
        CTreeNodeUI* parentNode = parent != NULL ? static_cast<CTreeNodeUI*>(parent->CastTo(L"TreeNode")) : NULL;
        if (parentNode != NULL) {
            // Controls inside a tree node join its row.
            parentNode->Row()->AddItem(control);
        } else if (parent != NULL) {
            if (!containerLooked) {
                container = static_cast<IContainerUI*>(parent->CastTo(L"IContainer"));
                containerLooked = true;
            }
            if (container == NULL) {
                // A parent that holds no children ends this level; the new control would be lost.
                delete control;
                return NULL;
            }
            if (!container->AddItem(control)) {
                delete control;
                continue;
            }
        }
        if (manager != NULL) {
            control->AttachManager(manager, NULL, false);
            const wchar_t* defaults = manager->GetDefaultAttributeList(tag);
            if (defaults != NULL)
                control->ApplyAttributeList(defaults);
        }
        int count = child.GetAttributeCount();
        for (int i = 0; i < count; ++i)
            control->ApplyAttribute(child.GetAttributeName(i), child.GetAttributeValue(i));
        if (manager != NULL)
            control->AttachManager(NULL, NULL, false);
        if (first == NULL)
            first = control;
        else if (parent == NULL)
            delete control; // only the first top-level control has an owner: the caller
    }
    return first;
}

} // namespace UiToolkit
