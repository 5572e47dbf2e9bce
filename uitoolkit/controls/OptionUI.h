// Option buttons and check boxes with selection groups.
#pragma once
#include "base/UILifeGuard.h"
#include "controls/ButtonUI.h"

namespace UiToolkit {

// A button with a selected state; options sharing a group name in a window are exclusive.
class COptionUI : public CButtonUI
{
public:
    COptionUI();
    ~COptionUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    bool Trigger() override;
    void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise = true) override;
    void SetEnabled(bool enabled = true) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC hdc) override;
    void PaintLabelText(HDC hdc) override;

    bool IsSelected() const { return m_bSelected; }
    void SetSelected(bool selected);
    const CStringUI& GetGroup() const { return m_sGroupName; }
    void SetGroup(const wchar_t* name);
    void SetSelectedBkColor(DWORD color) { m_dwSelectedBkColor = color; }
    void SetSelectedTextColor(DWORD color) { m_dwSelectedTextColor = color; }

private:
    // Joins the group of the current manager, leaving the one of any other manager first.
    void JoinGroup();
    void LeaveGroup();

    bool m_bSelected;
    CStringUI m_sGroupName;
    DWORD m_dwSelectedBkColor;
    DWORD m_dwSelectedTextColor;
    ImageDrawInfoUI m_selectedImage;
    ImageDrawInfoUI m_selectedHotImage;
    ImageDrawInfoUI m_optionForeImage;
    CWindowManagerUI* m_pGroupManager = NULL; // manager whose group list holds this option, if any
    // Guards around "click" and "selectchanged" learn here whether a handler deleted the option.
    CLifeAnchorUI m_lifeAnchor;
};

class CCheckBoxUI : public COptionUI
{
public:
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
};

} // namespace UiToolkit
