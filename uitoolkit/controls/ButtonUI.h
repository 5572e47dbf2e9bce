// Buttons with state images and the progress bar drawn on the label base.
#pragma once
#include "controls/LabelUI.h"

namespace UiToolkit {

// A label that follows hover, press and focus, draws state images and raises "click".
class CButtonUI : public CLabelUI
{
public:
    CButtonUI();

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    bool Trigger() override;
    void SetEnabled(bool enabled = true) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintStateImage(HDC hdc) override;
    void PaintLabelText(HDC hdc) override;

    UINT GetState() const { return m_uButtonState; }
    void SetNormalImage(const wchar_t* image) { SetImageRecord(m_normalImage, image); }
    void SetHotImage(const wchar_t* image) { SetImageRecord(m_hotImage, image); }
    void SetHotForeImage(const wchar_t* image) { SetImageRecord(m_hotForeImage, image); }
    void SetPushedImage(const wchar_t* image) { SetImageRecord(m_pushedImage, image); }
    void SetFocusedImage(const wchar_t* image) { SetImageRecord(m_focusedImage, image); }
    void SetDisabledImage(const wchar_t* image) { SetImageRecord(m_disabledImage, image); }
    void SetHotBkColor(DWORD color) { m_dwHotBkColor = color; }
    void SetHotTextColor(DWORD color) { m_dwHotTextColor = color; }
    void SetPushedTextColor(DWORD color) { m_dwPushedTextColor = color; }
    void SetFocusedTextColor(DWORD color) { m_dwFocusedTextColor = color; }

protected:
    // The state image when there is one, else the normal image.
    void DrawStateOrNormal(HDC hdc, ImageDrawInfoUI& state);

    UINT m_uButtonState;
    DWORD m_dwHotBkColor;
    DWORD m_dwHotTextColor;
    DWORD m_dwPushedTextColor;
    DWORD m_dwFocusedTextColor;
    ImageDrawInfoUI m_normalImage;
    ImageDrawInfoUI m_hotImage;
    ImageDrawInfoUI m_hotForeImage;
    ImageDrawInfoUI m_pushedImage;
    ImageDrawInfoUI m_focusedImage;
    ImageDrawInfoUI m_disabledImage;
};

// A label whose fore image grows with a value between a minimum and a maximum.
class CProgressUI : public CLabelUI
{
public:
    CProgressUI();

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC hdc) override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal = true);
    bool IsStretchForeImage() const { return m_bStretchForeImage; }
    void SetStretchForeImage(bool stretch = true);
    int GetMinValue() const { return m_nMin; }
    void SetMinValue(int value);
    int GetMaxValue() const { return m_nMax; }
    void SetMaxValue(int value);
    int GetValue() const { return m_nValue; }
    void SetValue(int value);

protected:
    bool m_bHorizontal;
    bool m_bStretchForeImage;
    int m_nMax;
    int m_nMin;
    int m_nValue;
};

} // namespace UiToolkit
