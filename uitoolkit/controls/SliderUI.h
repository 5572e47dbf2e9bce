// Slider: a progress bar with a draggable thumb.
#pragma once
#include "controls/ButtonUI.h"

namespace UiToolkit {

// A progress bar with a thumb that the mouse drags or the wheel steps; raises "valuechanged".
class CSliderUI : public CProgressUI
{
public:
    CSliderUI();

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC hdc) override;

    int GetStep() const { return m_nStep; }
    void SetStep(int step) { m_nStep = step; }
    void SetThumbSize(SIZE size) { m_szThumb = size; }
    RECT GetThumbRect() const;
    UINT GetThumbState() const { return m_uThumbState; }

private:
    int ValueAt(POINT pt) const;

    SIZE m_szThumb;
    UINT m_uThumbState;
    int m_nStep;
    ImageDrawInfoUI m_thumbImage;
    ImageDrawInfoUI m_thumbHotImage;
    ImageDrawInfoUI m_thumbPushedImage;
};

} // namespace UiToolkit
