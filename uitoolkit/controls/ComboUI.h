// Closed combo box: shows the selected item and lists all items in a drop-down window when opened.
#pragma once
#include "controls/ListInterfaces.h"
#include "controls/ListStyleSetters.h"
#include "core/WindowManager.h"
#include "core/WindowWnd.h"
#include "layout/LayoutUI.h"

namespace UiToolkit {

class CComboUI;

// The drop-down: a borderless pop-up whose layout borrows the combo's items while it is open.
class CComboWnd : public CWindowWnd
{
public:
    // Opens the pop-up for the combo; on failure the combo's pointer is cleared and this object freed.
    void Init(CComboUI* owner);
    const wchar_t* QueryClassName() const override { return L"ComboWnd"; }
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone(HWND hWnd) override;

    // Gives the items back to the combo; later calls do nothing. With settle the combo is placed
    // again and takes the focus.
    void ReturnItems(bool settle);
    // The combo is going away: the pop-up never touches it again.
    void Detach() { m_pOwner = NULL; }
    // Items that come, move or go while the pop-up is open show there too (the pop-up stays open and
    // fits its height to them); the index Escape goes back to stays on its item.
    void ItemInserted(CControlUI* control, int index);
    void ItemMoved(CControlUI* control, int from, int to);
    // Before the combo lets the item go: the pop-up gives it back to the combo's window first.
    void ItemRemoved(CControlUI* control, int index);
    void AllItemsRemoved();
    void FitToItems();
    CVerticalLayoutUI* GetLayout() const { return m_pLayout; }
    // True while the pop-up's layout places the items.
    bool HoldsItems() const { return !m_bItemsReturned && m_pLayout != NULL; }

private:
    void OnCreate();
    // Screen rectangle below the combo (above it near the bottom of the work area), as high as the items.
    RECT PlaceForItems() const;
    // Out of the pop-up's layout and manager, back on the combo and its window.
    void GiveBack(CControlUI* control);
    void EnsureVisible(int index);
    void PassEvent(int type, wchar_t key, WPARAM wParam, LPARAM lParam);

    CWindowManagerUI m_manager;
    CComboUI* m_pOwner = NULL;
    CVerticalLayoutUI* m_pLayout = NULL; // the pop-up's root, owned by its manager
    int m_iOldSel = -1;
    bool m_bItemsReturned = false;
};

class CComboUI : public CContainerUI, public IListOwnerUI, public CListStyleSettersUI<CComboUI>
{
public:
    CComboUI();
    ~CComboUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    bool Trigger() override;
    CStringUI GetText() const override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Shift(int dx, int dy, bool invalidate = true) override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(InputEventUI& event) override;
    // The items show only in the drop-down, under its own root: a search for shown controls (tab stops,
    // the first focus, hit tests, shortcuts) finds the combo alone.
    CControlUI* SearchTree(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE MeasureSize(SIZE available) override;
    void Paint(HDC hdc, const RECT& paintRect) override;
    void PaintStateImage(HDC hdc) override;
    void PaintLabelText(HDC hdc) override;

    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    bool MoveToIndex(CControlUI* control, int index) override;
    bool RemoveItem(CControlUI* control) override;
    bool RemoveItemAt(int index) override;
    void RemoveAllItems() override;

    ListStyleUI* GetListInfo() override { return &m_style; }
    int CurrentIndex() const override { return m_iCurSel; }
    bool SelectIndex(int index, bool takeFocus = false) override;
    void RouteItemEvent(InputEventUI& event) override { OnEvent(event); }

    CComboWnd* GetDropDown() const { return m_pWindow; }
    UINT GetState() const { return m_uButtonState; }
    SIZE GetDropBoxSize() const { return m_szDropBox; }
    void SetDropBoxSize(SIZE size) { m_szDropBox = size; }
    const wchar_t* GetDropBoxAttributeList() const { return m_sDropBoxAttributes; }
    void SetDropBoxAttributeList(const wchar_t* list) { m_sDropBoxAttributes = list; }
    bool IsShowText() const { return m_bShowText; }
    void SetShowText(bool show);
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(RECT padding);
    void SetNormalImage(const wchar_t* image) { SetImageRecord(m_normalImage, image); }
    void SetHotImage(const wchar_t* image) { SetImageRecord(m_hotImage, image); }
    void SetPushedImage(const wchar_t* image) { SetImageRecord(m_pushedImage, image); }
    void SetFocusedImage(const wchar_t* image) { SetImageRecord(m_focusedImage, image); }
    void SetDisabledImage(const wchar_t* image) { SetImageRecord(m_disabledImage, image); }
    // Only the text colour, the text padding and a changed "itemshowhtml" repaint the combo.
    void OnItemStyleChanged(ListStyleChangeUI change);

private:
    friend class CComboWnd;

    // Navigation keeps the selection when no item lies that way.
    void SelectByKey(int index);

    CComboWnd* m_pWindow = NULL;
    int m_iCurSel = -1;
    bool m_bShowText = true;
    RECT m_rcTextPadding = {0, 0, 0, 0};
    CStringUI m_sDropBoxAttributes;
    SIZE m_szDropBox = {0, 150};
    UINT m_uButtonState = 0;
    ImageDrawInfoUI m_normalImage;
    ImageDrawInfoUI m_hotImage;
    ImageDrawInfoUI m_pushedImage;
    ImageDrawInfoUI m_focusedImage;
    ImageDrawInfoUI m_disabledImage;
    ListStyleUI m_style;
};

} // namespace UiToolkit
