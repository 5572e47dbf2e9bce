// The text host that lets the windowless text services draw, scroll and take input inside a rich edit control.
#pragma once
#include "controls/TextHostInterfaces.h"

namespace UiToolkit {

class CRichEditUI;
class CWindowManagerUI;

// Implements the platform's text host on the control, its window manager and the container's scroll bars.
// Reference-counted: at 0 it deletes itself.
class CTxtWinHost : public ITextHost
{
public:
    // Host flag bits.
    enum
    {
        FLAG_AUTOWORDSEL = 0x1,
        FLAG_WORDWRAP = 0x2,
        FLAG_ALLOWBEEP = 0x4,
        FLAG_RICHTEXT = 0x8,
        FLAG_SAVESELECTION = 0x10,
        FLAG_INPLACEACTIVE = 0x20,
        FLAG_TRANSPARENT = 0x40,
        FLAG_TIMER = 0x80,
        FLAG_CAPTURED = 0x100
    };

    CTxtWinHost() = default;
    virtual ~CTxtWinHost();
    CTxtWinHost(const CTxtWinHost&) = delete;
    CTxtWinHost& operator=(const CTxtWinHost&) = delete;

    // A host with live text services, or false with the out value untouched.
    static bool CreateTextHost(CRichEditUI* control, const CREATESTRUCTW* create, CTxtWinHost** host);
    bool Init(CRichEditUI* control, const CREATESTRUCTW* create);

    ITextServices* GetTextServices() const { return m_pServices; }
    void SetClientRect(const RECT& rc);
    const RECT& GetClientRect() const { return m_rcClient; }
    void SetTextColor(DWORD argb);
    void SetFont(HFONT font);
    void SetRich(bool rich);
    void SetTransparent(bool transparent);
    void SetMaxLength(int length);
    bool ActivateInPlace(const RECT* rc);
    bool SetCursorAt(const RECT* rc, POINT pt);
    bool IsCaptured() const { return (m_flags & FLAG_CAPTURED) != 0; }
    bool IsInPlaceActive() const { return (m_flags & FLAG_INPLACEACTIVE) != 0; }
    WCHAR GetPasswordChar() const { return m_chPassword; }
    // True while the host is told to keep layout requests to itself (the owner is placing its parts).
    void SetInLayout(bool inLayout) { m_bInLayout = inLayout; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HDC UI_TXCALL TxGetDC() override;
    INT UI_TXCALL TxReleaseDC(HDC hdc) override;
    BOOL UI_TXCALL TxShowScrollBar(INT bar, BOOL show) override;
    BOOL UI_TXCALL TxEnableScrollBar(INT bars, INT arrows) override;
    BOOL UI_TXCALL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL redraw) override;
    BOOL UI_TXCALL TxSetScrollPos(INT bar, INT pos, BOOL redraw) override;
    void UI_TXCALL TxInvalidateRect(LPCRECT rect, BOOL mode) override;
    void UI_TXCALL TxViewChange(BOOL update) override;
    BOOL UI_TXCALL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    BOOL UI_TXCALL TxShowCaret(BOOL show) override;
    BOOL UI_TXCALL TxSetCaretPos(INT x, INT y) override;
    BOOL UI_TXCALL TxSetTimer(UINT id, UINT timeout) override;
    void UI_TXCALL TxKillTimer(UINT id) override;
    void UI_TXCALL TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update, LPRECT updateRect,
                                    UINT flags) override;
    void UI_TXCALL TxSetCapture(BOOL capture) override;
    void UI_TXCALL TxSetFocus() override;
    void UI_TXCALL TxSetCursor(HCURSOR cursor, BOOL text) override;
    BOOL UI_TXCALL TxScreenToClient(LPPOINT pt) override;
    BOOL UI_TXCALL TxClientToScreen(LPPOINT pt) override;
    HRESULT UI_TXCALL TxActivate(LONG* oldState) override;
    HRESULT UI_TXCALL TxDeactivate(LONG newState) override;
    HRESULT UI_TXCALL TxGetClientRect(LPRECT rect) override;
    HRESULT UI_TXCALL TxGetViewInset(LPRECT rect) override;
    HRESULT UI_TXCALL TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT UI_TXCALL TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF UI_TXCALL TxGetSysColor(int index) override;
    HRESULT UI_TXCALL TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT UI_TXCALL TxGetMaxLength(DWORD* length) override;
    HRESULT UI_TXCALL TxGetScrollBars(DWORD* bars) override;
    HRESULT UI_TXCALL TxGetPasswordChar(WCHAR* ch) override;
    HRESULT UI_TXCALL TxGetAcceleratorPos(LONG* pos) override;
    HRESULT UI_TXCALL TxGetExtent(LPSIZEL extent) override;
    HRESULT UI_TXCALL OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT UI_TXCALL OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT UI_TXCALL TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT UI_TXCALL TxNotify(DWORD code, void* record) override;
    HIMC UI_TXCALL TxImmGetContext() override;
    void UI_TXCALL TxImmReleaseContext(HIMC context) override;
    HRESULT UI_TXCALL TxGetSelectionBarWidth(LONG* width) override;

private:
    CWindowManagerUI* Manager() const;
    HWND Window() const;
    int PixelsPerInch(int index) const;
    void SetFlag(DWORD flag, bool on);
    // Face, size, charset and the bold, italic and underline effects from the font.
    void TakeFont(HFONT font);
    void BarVisibilityChanged();
    bool WrapsNow() const;

    LONG m_cRef = 0;
    CRichEditUI* m_pOwner = NULL;
    ITextServices* m_pServices = NULL; // owned reference
    HDC m_hScreenDc = NULL;            // owned; handed out once the window is gone
    DWORD m_dwStyle = ES_MULTILINE;
    DWORD m_flags = 0;
    LONG m_lSelBarWidth = 0;
    LONG m_cchTextMost = 32767;
    RECT m_rcClient = {};
    SIZEL m_sizelExtent = {};
    CHARFORMAT2W m_cf = {};
    PARAFORMAT2 m_pf = {};
    LONG m_laccelpos = -1;
    WCHAR m_chPassword = 0;
    bool m_bInLayout = false;
};

} // namespace UiToolkit
