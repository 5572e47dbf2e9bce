// What every list item shares, whatever control it is built on: index, owner, selection, hover and background.
#pragma once
#include "base/UILifeGuard.h"
#include "controls/ListInterfaces.h"

namespace UiToolkit {

// Mixes the list-item behaviour into a control class (CControlUI for the elements, CContainerUI for the
// container element). Instantiated for those two bases only.
template <class Base>
class CListItemBase : public Base, public IListItemUI
{
public:
    // Answers "ListItem" with the item interface.
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    bool Trigger() override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

    int ItemIndex() const override { return m_iIndex; }
    void SetItemIndex(int index) override { m_iIndex = index; }
    IListOwnerUI* ItemOwner() const override { return m_pOwner; }
    void SetItemOwner(CControlUI* owner) override;
    bool IsItemSelected() const override { return m_bSelected; }
    bool SetItemSelected(bool selected) override;
    bool IsItemExpanded() const override { return false; }
    bool SetItemExpansion(bool) override { return false; }

    bool IsItemHot() const { return (m_uButtonState & UISTATE_HOT) != 0; }

protected:
    // Invalidates only the part of the item its ancestors let show.
    void InvalidateItem();
    // Invalidates, then activates: the activation's handler may delete the item.
    void InvalidateAndTrigger();
    // The owner's style colours and images for the item's state, then the separating line.
    void PaintItemBackground(HDC hdc);
    // The item's text colour for its state under the owner's style.
    DWORD ItemTextColor(const ListStyleUI& style) const;
    // Mouse events while the item takes no mouse, and events the item leaves to its owner.
    bool ForwardToOwner(InputEventUI& event);
    // Clicks, Enter, double clicks and hover as label and container elements handle them; false for
    // events it leaves to the caller. Nothing touches the item after a handler may have removed it.
    bool HandleItemInput(InputEventUI& event);
    // An event the item leaves goes to its owner, or to the plain control handling when it has none.
    void PassToOwner(InputEventUI& event);
    // The whole event handling of label and container elements: the two above, then the owner.
    void HandleItemEvent(InputEventUI& event);

    int m_iIndex = -1;
    bool m_bSelected = false;
    UINT m_uButtonState = 0;
    IListOwnerUI* m_pOwner = NULL;
    // Guards around notifications learn here whether a handler deleted the item.
    CLifeAnchorUI m_lifeAnchor;
};

} // namespace UiToolkit
