// Text label with plain, tagged or GDI+ effect drawing.
#pragma once
#include "core/ControlUI.h"

namespace UiToolkit {

// One text in a rectangle: plain GDI text, or GDI+ text with a gradient fill, stroke and shadow.
class CLabelUI : public CControlUI
{
public:
    CLabelUI();
    ~CLabelUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    CStringUI GetText() const override;
    void SetText(const wchar_t* text) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE MeasureSize(SIZE available) override;
    void PaintLabelText(HDC hdc) override;

    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD color);
    DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
    void SetDisabledTextColor(DWORD color);
    int GetFont() const { return m_iFont; }
    void SetFont(int index);
    UINT GetTextStyle() const { return m_uTextStyle; }
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(RECT padding);
    bool IsShowHtml() const { return m_bShowHtml; }
    void SetShowHtml(bool show);
    bool IsEnabledEffect() const { return m_bEnableEffect; }
    void SetEnabledEffect(bool enabled);
    int GetTextRenderingHint() const { return m_TextRenderingHintAntiAlias; }
    void SetTextRenderingHint(int hint);
    void SetTransShadow(int alpha) { m_TransShadow = alpha; }
    void SetTransShadow1(int alpha) { m_TransShadow1 = alpha; }
    void SetTransText(int alpha) { m_TransText = alpha; }
    void SetTransText1(int alpha) { m_TransText1 = alpha; }
    void SetTransStroke(int alpha) { m_TransStroke = alpha; }
    void SetGradientLength(int length) { m_GradientLength = length; }
    void SetGradientAngle(int start) { m_GradientAngle = start; }
    void SetEnabledStroke(bool enabled) { m_bEnableStroke = enabled; }
    void SetEnabledShadow(bool enabled) { m_bEnableShadow = enabled; }
    void SetTextColor1(DWORD color) { m_dwTextColor2 = color; }
    void SetTextShadowColorA(DWORD color) { m_dwTextShadowColorA = color; }
    void SetTextShadowColorB(DWORD color) { m_dwTextShadowColorB = color; }
    void SetStrokeColor(DWORD color) { m_dwStrokeColor = color; }
    // Distance and angle in degrees; angles outside -180..180 are ignored.
    void SetShadowOffset(int distance, int angle);
    float GetShadowOffsetX() const { return m_ShadowOffsetX; }
    float GetShadowOffsetY() const { return m_ShadowOffsetY; }

protected:
    // Mouse events of a control that takes none go to its parent; true when the event was passed on.
    bool ForwardDisabledMouse(InputEventUI& event);
    // What controls hosting a native window share: cursor, closing on resize, no wheel while open.
    bool HandleNativeHostEvent(InputEventUI& event, bool nativeOpen);
    // The native window's end writes back into its owner: cut it loose, then close it.
    template <class NativeWnd>
    static void CloseNativeWindow(NativeWnd*& window)
    {
        if (window == NULL)
            return;
        NativeWnd* open = window;
        window = NULL;
        open->Detach();
        ::DestroyWindow(open->WindowHandle());
    }
    // Replaces unset text colours for good by the window's defaults.
    void TakeDefaultTextColors();
    void PaintPlainText(HDC hdc, const CStringUI& text, DWORD color, UINT style);
    void PaintEffectText(HDC hdc);
    int FontHeight() const;
    // The control's rectangle less the text padding.
    RECT TextRect() const;

    DWORD m_dwTextColor;
    DWORD m_dwDisabledTextColor;
    int m_iFont;
    UINT m_uTextStyle;
    RECT m_rcTextPadding;
    bool m_bShowHtml;
    int m_TransShadow;
    int m_TransShadow1;
    int m_TransText;
    int m_TransText1;
    int m_TransStroke;
    int m_GradientLength;
    int m_GradientAngle;
    bool m_bEnableEffect;
    bool m_bEnableStroke;
    bool m_bEnableShadow;
    DWORD m_dwTextColor2;
    DWORD m_dwTextShadowColorA;
    DWORD m_dwTextShadowColorB;
    DWORD m_dwStrokeColor;
    float m_ShadowOffsetX;
    float m_ShadowOffsetY;
    CStringUI m_EffectText;
    ULONG_PTR m_gdiplusToken;
    int m_TextRenderingHintAntiAlias;

private:
    void StartGdiplus();
    void StopGdiplus();
};

} // namespace UiToolkit
