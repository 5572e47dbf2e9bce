#include "controls/OptionUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

COptionUI::COptionUI() : m_bSelected(false), m_dwSelectedBkColor(0), m_dwSelectedTextColor(0) {}

COptionUI::~COptionUI()
{
    LeaveGroup();
}

void COptionUI::JoinGroup()
{
    if (m_pGroupManager != NULL && m_pGroupManager != m_pManager)
        LeaveGroup();
    if (m_sGroupName.IsEmpty() || m_pManager == NULL)
        return;
    m_pManager->AddOptionGroup(m_sGroupName, this);
    m_pGroupManager = m_pManager;
}

void COptionUI::LeaveGroup()
{
    // The group it joined, even when the option has moved to another manager since.
    if (m_pGroupManager != NULL)
        m_pGroupManager->RemoveOptionGroup(m_sGroupName, this);
    m_pGroupManager = NULL;
}

const wchar_t* COptionUI::TypeName() const
{
    return L"OptionUI";
}

void* COptionUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Option") == 0)
        return this;
    return CButtonUI::CastTo(name);
}

void COptionUI::SetSelected(bool selected)
{
    if (m_bSelected == selected)
        return;
    m_bSelected = selected;
    if (selected)
        m_uButtonState |= UISTATE_SELECTED;
    else
        m_uButtonState &= ~UISTATE_SELECTED;
    // Before the announcement: its handler may delete the option.
    Invalidate();
    if (m_pManager != NULL) {
        if (m_sGroupName.IsEmpty()) {
            m_pManager->RaiseNotification(this, L"selectchanged");
        } else if (m_bSelected) {
            CPtrArrayUI* group = m_pManager->GetOptionGroup(m_sGroupName);
            for (int i = 0; group != NULL && i < group->Count(); ++i) {
                COptionUI* other = static_cast<COptionUI*>(group->GetAt(i));
                if (other != this)
                    other->SetSelected(false);
            }
            m_pManager->RaiseNotification(this, L"selectchanged");
        }
    }
}

void COptionUI::SetGroup(const wchar_t* name)
{
    if (name == NULL ? m_sGroupName.IsEmpty() : m_sGroupName.Equals(name))
        return;
    LeaveGroup();
    m_sGroupName = name == NULL ? L"" : name;
    JoinGroup();
}

bool COptionUI::Trigger()
{
    CControlUI* parent = GetParentControl();
    CLifeGuardUI guard(m_lifeAnchor);
    if (!CButtonUI::Trigger())
        return false;
    // The click's handler removed or deleted the option: its selection stays as it was.
    if (!guard.IsAlive() || GetParentControl() != parent)
        return true;
    // A click never deselects the chosen option of a group.
    SetSelected(m_sGroupName.IsEmpty() ? !m_bSelected : true);
    return true;
}

void COptionUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise)
{
    CButtonUI::AttachManager(manager, parent, initialise);
    // A group entry never outlives the option's tie to that manager.
    if (m_pGroupManager != NULL && m_pGroupManager != m_pManager)
        LeaveGroup();
    if (initialise)
        JoinGroup();
}

void COptionUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = m_bSelected ? UISTATE_SELECTED : 0;
}

void COptionUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"group") == 0)
        SetGroup(value);
    else if (wcscmp(name, L"selected") == 0)
        SetSelected(wcscmp(value, L"true") == 0);
    else if (wcscmp(name, L"selectedimage") == 0)
        SetImageRecord(m_selectedImage, value);
    else if (wcscmp(name, L"selectedhotimage") == 0)
        SetImageRecord(m_selectedHotImage, value);
    else if (wcscmp(name, L"foreimage") == 0)
        SetImageRecord(m_optionForeImage, value);
    else if (wcscmp(name, L"selectedbkcolor") == 0)
        SetSelectedBkColor(ParseHexColor(value));
    else if (wcscmp(name, L"selectedtextcolor") == 0)
        SetSelectedTextColor(ParseHexColor(value));
    else
        CButtonUI::ApplyAttribute(name, value);
}

void COptionUI::PaintStateImage(HDC hdc)
{
    UINT saved = m_uButtonState;
    bool painted = false;
    if (m_bSelected) {
        if ((m_uButtonState & UISTATE_HOT) && DrawImageRecord(hdc, m_selectedHotImage))
            painted = true;
        else if (DrawImageRecord(hdc, m_selectedImage))
            painted = true;
        else if (m_dwSelectedBkColor != 0) {
            CRenderKitUI::DrawColor(hdc, m_rcPaint, GetAdjustColor(m_dwSelectedBkColor));
            painted = true;
        }
    }
    if (!painted) {
        m_uButtonState &= ~UISTATE_PUSHED;
        CButtonUI::PaintStateImage(hdc);
        m_uButtonState = (m_uButtonState & ~UISTATE_PUSHED) | (saved & UISTATE_PUSHED);
    }
    DrawImageRecord(hdc, m_optionForeImage);
}

void COptionUI::PaintLabelText(HDC hdc)
{
    if (!m_bSelected) {
        UINT saved = m_uButtonState;
        m_uButtonState &= ~UISTATE_PUSHED;
        CButtonUI::PaintLabelText(hdc);
        m_uButtonState = (m_uButtonState & ~UISTATE_PUSHED) | (saved & UISTATE_PUSHED);
        return;
    }
    TakeDefaultTextColors();
    if (m_sText.IsEmpty())
        return;
    DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if (IsEnabled() && m_dwSelectedTextColor != 0)
        color = m_dwSelectedTextColor;
    PaintPlainText(hdc, m_sText, color, m_uTextStyle);
}

const wchar_t* CCheckBoxUI::TypeName() const
{
    return L"CheckBoxUI";
}

void* CCheckBoxUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"CheckBox") == 0)
        return this;
    return COptionUI::CastTo(name);
}

} // namespace UiToolkit
