// Word-wrapping text control with clickable links.
#pragma once
#include "controls/LabelUI.h"

namespace UiToolkit {

// A word-wrapping label whose tagged text may hold links that raise "link".
class CTextUI : public CLabelUI
{
public:
    enum
    {
        MAX_LINKS = 8
    };

    CTextUI();

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    void OnEvent(InputEventUI& event) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintLabelText(HDC hdc) override;

    int GetLinkCount() const { return m_nLinks; }
    const RECT& GetLinkRect(int index) const { return m_rcLinks[index]; }
    const CStringUI& GetLinkText(int index) const { return m_sLinks[index]; }

private:
    int LinkAt(POINT pt) const;

    int m_nLinks;
    RECT m_rcLinks[MAX_LINKS];
    CStringUI m_sLinks[MAX_LINKS];
    int m_nHoverLink;
};

} // namespace UiToolkit
