// Control base: position, state, attributes, painting steps and events of every control.
#pragma once
#include "render/RenderKit.h"
#include "base/UIDelegate.h"
#include "base/UIGeometry.h"
#include "base/UIString.h"

namespace UiToolkit {

// Interaction state bits of buttons, scroll bars and the controls built on them.
enum
{
    UISTATE_FOCUSED = 0x01,
    UISTATE_SELECTED = 0x02,
    UISTATE_DISABLED = 0x04,
    UISTATE_HOT = 0x08,
    UISTATE_PUSHED = 0x10,
    UISTATE_CAPTURED = 0x40
};

class CWindowManagerUI;
class CControlUI;
struct InputEventUI;

typedef CControlUI*(CALLBACK* FINDCONTROLPROC)(CControlUI*, LPVOID);

// SearchTree flags.
enum
{
    UIFIND_ALL = 0x00000000,
    UIFIND_VISIBLE = 0x00000001,
    UIFIND_ENABLED = 0x00000002,
    UIFIND_HITTEST = 0x00000004,
    UIFIND_TOP_FIRST = 0x00000008,
    UIFIND_REVERSE = 0x00000010,
    UIFIND_ME_FIRST = 0x80000000
};

// BehaviourFlags bits.
enum
{
    UIFLAG_TABSTOP = 0x01,
    UIFLAG_SETCURSOR = 0x02,
    UIFLAG_WANTRETURN = 0x04
};

// Colour attribute values: one leading '#', then hexadecimal (unsigned, so opaque colours keep their value).
DWORD ParseHexColor(const wchar_t* value);

// Base of every control: name, text, placement, state flags and the delegate lists.
// The drawing slots are filled in by the rendering kit.
class CControlUI
{
public:
    CControlUI();
    virtual ~CControlUI();

    virtual CStringUI GetName() const;
    virtual void SetName(const wchar_t* name);
    virtual const wchar_t* TypeName() const;
    virtual void* CastTo(const wchar_t* name);
    virtual UINT BehaviourFlags() const;
    virtual bool Trigger();
    virtual CWindowManagerUI* GetOwnerManager() const;
    virtual void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise = true);
    virtual CControlUI* GetParentControl() const;
    virtual CStringUI GetText() const;
    virtual void SetText(const wchar_t* text);
    virtual const RECT& GetPos() const;
    virtual RECT GetPosInParent() const;
    virtual void SetPos(RECT rc, bool invalidate = true);
    virtual void Shift(int dx, int dy, bool invalidate = true);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT padding);
    virtual SIZE GetFloatOrigin() const;
    virtual void SetFloatOrigin(SIZE origin);
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    virtual void GetFloatAnchors(double anchors[4]) const;
    virtual void SetFloatAnchors(const double anchors[4]);
    virtual CStringUI GetToolTip() const;
    virtual void SetToolTip(const wchar_t* text);
    virtual void SetToolTipWidth(int width);
    virtual int GetToolTipWidth() const;
    virtual wchar_t GetShortcut() const;
    virtual void SetShortcut(wchar_t ch);
    virtual bool WantsContextMenu() const;
    virtual void SetWantsContextMenu(bool wants);
    virtual const CStringUI& GetUserData() const;
    virtual void SetUserData(const wchar_t* text);
    virtual UINT_PTR GetUserValue() const;
    virtual void SetUserValue(UINT_PTR value);
    virtual bool IsVisible() const;
    virtual void SetVisible(bool visible = true);
    virtual void SetShownByParent(bool shown);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool enabled = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool enabled = true);
    virtual bool IsKeyboardEnabled() const;
    virtual void SetKeyboardEnabled(bool enabled = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();
    virtual bool IsFloat() const;
    virtual void SetFloat(bool isFloat = true);
    virtual CControlUI* SearchTree(FINDCONTROLPROC proc, LPVOID data, UINT flags);
    virtual void Initialise();
    virtual void OnInitialise();
    virtual void HandleEvent(InputEventUI& event);
    virtual void OnEvent(InputEventUI& event);
    virtual void ApplyAttribute(const wchar_t* name, const wchar_t* value);
    virtual SIZE MeasureSize(SIZE available);
    virtual void Paint(HDC hdc, const RECT& paintRect);
    virtual void PaintBackColor(HDC hdc);
    virtual void PaintBackImage(HDC hdc);
    virtual void PaintStateImage(HDC hdc);
    virtual void PaintLabelText(HDC hdc);
    virtual void PaintOutline(HDC hdc);
    virtual void PaintOverlay(HDC hdc);

    void Invalidate();
    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
    void NeedUpdate();
    void NeedParentUpdate();
    CStringUI GetVirtualWnd() const;
    void SetVirtualWnd(const wchar_t* name);
    DWORD GetAdjustColor(DWORD color) const;
    // Draws the record over the control; true when its image exists.
    bool DrawImageRecord(HDC hdc, ImageDrawInfoUI& record);
    // name="value" name="value" ...
    void ApplyAttributeList(const wchar_t* list);

    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD color);
    DWORD GetBkColor2() const { return m_dwBackColor2; }
    void SetBkColor2(DWORD color);
    DWORD GetBkColor3() const { return m_dwBackColor3; }
    void SetBkColor3(DWORD color);
    const wchar_t* GetBkImage() const { return m_bkImage.sDrawString; }
    void SetBkImage(const wchar_t* image);
    const wchar_t* GetForeImage() const { return m_foreImage.sDrawString; }
    void SetForeImage(const wchar_t* image);
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const { return m_dwFocusBorderColor; }
    void SetFocusBorderColor(DWORD color);
    bool IsColorHSL() const { return m_bColorHSL; }
    void SetColorHSL(bool hsl);
    int GetBorderSize() const { return m_nBorderSize; }
    void SetBorderSize(int size);
    // Per-side sizes: left, top, right, bottom.
    RECT GetSideBorderSizes() const { return m_rcBorderSize; }
    void SetBorderSize(RECT sides);
    void SetLeftBorderSize(int size);
    void SetTopBorderSize(int size);
    void SetRightBorderSize(int size);
    void SetBottomBorderSize(int size);
    int GetBorderStyle() const { return m_nBorderStyle; }
    void SetBorderStyle(int style);
    SIZE GetBorderRound() const { return m_cxyBorderRound; }
    void SetBorderRound(SIZE round);
    const RECT& GetPaintRect() const { return m_rcPaint; }

    CEventSourceUI OnInitList;
    CEventSourceUI OnDestroyList;
    CEventSourceUI OnSizeList;
    CEventSourceUI OnEventList;
    CEventSourceUI OnNotifyList;

protected:
    void InvalidateClipped(RECT area);
    // Stores a new image string; false when nothing changed.
    bool SetImageRecord(ImageDrawInfoUI& record, const wchar_t* image);

    CWindowManagerUI* m_pManager;
    CControlUI* m_pParent;
    CStringUI m_sVirtualWnd;
    CStringUI m_sName;
    bool m_bUpdateNeeded;
    bool m_bMenuUsed;
    RECT m_rcItem;
    RECT m_rcPadding;
    SIZE m_cXY;
    SIZE m_cxyFixed;
    SIZE m_cxyMin;
    SIZE m_cxyMax;
    bool m_bVisible;
    bool m_bShownByParent;
    bool m_bEnabled;
    bool m_bMouseEnabled;
    bool m_bKeyboardEnabled;
    bool m_bFocused;
    bool m_bFloat;
    double m_anchors[4];
    bool m_bInSizeEvent;
    CStringUI m_sText;
    CStringUI m_sToolTip;
    wchar_t m_chShortcut;
    CStringUI m_sUserData;
    UINT_PTR m_pTag;
    DWORD m_dwBackColor;
    DWORD m_dwBackColor2;
    DWORD m_dwBackColor3;
    ImageDrawInfoUI m_bkImage;
    ImageDrawInfoUI m_foreImage;
    DWORD m_dwBorderColor;
    DWORD m_dwFocusBorderColor;
    bool m_bColorHSL;
    int m_nBorderSize;
    int m_nBorderStyle;
    int m_nTooltipWidth;
    SIZE m_cxyBorderRound;
    RECT m_rcPaint;
    RECT m_rcBorderSize;

private:
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;
};

} // namespace UiToolkit
