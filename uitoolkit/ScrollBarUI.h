#pragma once
#include "ControlUI.h"

namespace UiToolkit {

class CContainerUI;

// Position and range of a scroll bar and the container it scrolls.
class CScrollBarUI : public CControlUI
{
public:
    CScrollBarUI();

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void SetVisible(bool visible = true) override;
    void SetFocus() override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal = true);
    int GetScrollRange() const { return m_nRange; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_nScrollPos; }
    void SetScrollPos(int pos);
    int GetLineSize() const { return m_nLineSize; }
    void SetLineSize(int size) { m_nLineSize = size; }
    CContainerUI* GetOwner() const { return m_pOwner; }
    void SetOwner(CContainerUI* owner) { m_pOwner = owner; }

private:
    bool m_bHorizontal;
    int m_nRange;
    int m_nScrollPos;
    int m_nLineSize;
    CContainerUI* m_pOwner;
};

} // namespace UiToolkit
