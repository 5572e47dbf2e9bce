// The platform's windowless text services and text host interfaces, declared with their real calling convention.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <richedit.h>

namespace UiToolkit {

// The text services call every host method but IUnknown's as thiscall on 32-bit, and their own methods
// expect the same; spelled out so no compiler default can change it. x86-64 has one convention only.
#if defined(__i386__) || defined(_M_IX86)
#define UI_TXCALL __thiscall
#else
#define UI_TXCALL
#endif

extern const IID IID_ITextServices; // {8D33F740-CF58-11CE-A89D-00AA006CADC5}
extern const IID IID_ITextHost;     // {C5BDD8D0-D26E-11CE-A89E-00AA006CADC5}

enum
{
    TXTBIT_RICHTEXT = 0x1,
    TXTBIT_MULTILINE = 0x2,
    TXTBIT_READONLY = 0x4,
    TXTBIT_USEPASSWORD = 0x10,
    TXTBIT_HIDESELECTION = 0x20,
    TXTBIT_SAVESELECTION = 0x40,
    TXTBIT_AUTOWORDSEL = 0x80,
    TXTBIT_WORDWRAP = 0x400,
    TXTBIT_ALLOWBEEP = 0x800,
    TXTBIT_VIEWINSETCHANGE = 0x2000,
    TXTBIT_BACKSTYLECHANGE = 0x4000,
    TXTBIT_MAXLENGTHCHANGE = 0x8000,
    TXTBIT_CHARFORMATCHANGE = 0x20000
};

enum TXTBACKSTYLE
{
    TXTBACK_TRANSPARENT = 0,
    TXTBACK_OPAQUE = 1
};
enum
{
    TXTNS_FITTOCONTENT = 1,
    TXTVIEW_ACTIVE = 0
};

class ITextServices : public IUnknown
{
public:
    virtual HRESULT UI_TXCALL TxSendMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
    virtual HRESULT UI_TXCALL TxDraw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC draw,
                                     HDC target, LPCRECTL bounds, LPCRECTL metaBounds, LPRECT update,
                                     BOOL(CALLBACK* keepDrawing)(DWORD), DWORD keepDrawingData, LONG viewId) = 0;
    virtual HRESULT UI_TXCALL TxGetHScroll(LONG* min, LONG* max, LONG* pos, LONG* page, BOOL* enabled) = 0;
    virtual HRESULT UI_TXCALL TxGetVScroll(LONG* min, LONG* max, LONG* pos, LONG* page, BOOL* enabled) = 0;
    virtual HRESULT UI_TXCALL OnTxSetCursor(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                            HDC draw, HDC target, LPCRECT client, INT x, INT y) = 0;
    virtual HRESULT UI_TXCALL TxQueryHitPoint(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                              HDC draw, HDC target, LPCRECT client, INT x, INT y, DWORD* hit) = 0;
    virtual HRESULT UI_TXCALL OnTxInPlaceActivate(LPCRECT client) = 0;
    virtual HRESULT UI_TXCALL OnTxInPlaceDeactivate() = 0;
    virtual HRESULT UI_TXCALL OnTxUIActivate() = 0;
    virtual HRESULT UI_TXCALL OnTxUIDeactivate() = 0;
    virtual HRESULT UI_TXCALL TxGetText(BSTR* text) = 0;
    virtual HRESULT UI_TXCALL TxSetText(LPCWSTR text) = 0;
    virtual HRESULT UI_TXCALL TxGetCurTargetX(LONG* x) = 0;
    virtual HRESULT UI_TXCALL TxGetBaseLinePos(LONG* pos) = 0;
    virtual HRESULT UI_TXCALL TxGetNaturalSize(DWORD aspect, HDC draw, HDC target, DVTARGETDEVICE* device, DWORD mode,
                                               const SIZEL* extent, LONG* width, LONG* height) = 0;
    virtual HRESULT UI_TXCALL TxGetDropTarget(IDropTarget** target) = 0;
    virtual HRESULT UI_TXCALL OnTxPropertyBitsChange(DWORD mask, DWORD bits) = 0;
    virtual HRESULT UI_TXCALL TxGetCachedSize(DWORD* width, DWORD* height) = 0;
};

// IUnknown's 3 methods, then the 39 host methods in the platform's order.
class ITextHost : public IUnknown
{
public:
    virtual HDC UI_TXCALL TxGetDC() = 0;
    virtual INT UI_TXCALL TxReleaseDC(HDC hdc) = 0;
    virtual BOOL UI_TXCALL TxShowScrollBar(INT bar, BOOL show) = 0;
    virtual BOOL UI_TXCALL TxEnableScrollBar(INT bars, INT arrows) = 0;
    virtual BOOL UI_TXCALL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL redraw) = 0;
    virtual BOOL UI_TXCALL TxSetScrollPos(INT bar, INT pos, BOOL redraw) = 0;
    virtual void UI_TXCALL TxInvalidateRect(LPCRECT rect, BOOL mode) = 0;
    virtual void UI_TXCALL TxViewChange(BOOL update) = 0;
    virtual BOOL UI_TXCALL TxCreateCaret(HBITMAP bitmap, INT width, INT height) = 0;
    virtual BOOL UI_TXCALL TxShowCaret(BOOL show) = 0;
    virtual BOOL UI_TXCALL TxSetCaretPos(INT x, INT y) = 0;
    virtual BOOL UI_TXCALL TxSetTimer(UINT id, UINT timeout) = 0;
    virtual void UI_TXCALL TxKillTimer(UINT id) = 0;
    virtual void UI_TXCALL TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update,
                                            LPRECT updateRect, UINT flags) = 0;
    virtual void UI_TXCALL TxSetCapture(BOOL capture) = 0;
    virtual void UI_TXCALL TxSetFocus() = 0;
    virtual void UI_TXCALL TxSetCursor(HCURSOR cursor, BOOL text) = 0;
    virtual BOOL UI_TXCALL TxScreenToClient(LPPOINT pt) = 0;
    virtual BOOL UI_TXCALL TxClientToScreen(LPPOINT pt) = 0;
    virtual HRESULT UI_TXCALL TxActivate(LONG* oldState) = 0;
    virtual HRESULT UI_TXCALL TxDeactivate(LONG newState) = 0;
    virtual HRESULT UI_TXCALL TxGetClientRect(LPRECT rect) = 0;
    virtual HRESULT UI_TXCALL TxGetViewInset(LPRECT rect) = 0;
    virtual HRESULT UI_TXCALL TxGetCharFormat(const CHARFORMATW** format) = 0;
    virtual HRESULT UI_TXCALL TxGetParaFormat(const PARAFORMAT** format) = 0;
    virtual COLORREF UI_TXCALL TxGetSysColor(int index) = 0;
    virtual HRESULT UI_TXCALL TxGetBackStyle(TXTBACKSTYLE* style) = 0;
    virtual HRESULT UI_TXCALL TxGetMaxLength(DWORD* length) = 0;
    virtual HRESULT UI_TXCALL TxGetScrollBars(DWORD* bars) = 0;
    // Always a full UTF-16 unit, whatever the build's TCHAR.
    virtual HRESULT UI_TXCALL TxGetPasswordChar(WCHAR* ch) = 0;
    virtual HRESULT UI_TXCALL TxGetAcceleratorPos(LONG* pos) = 0;
    virtual HRESULT UI_TXCALL TxGetExtent(LPSIZEL extent) = 0;
    virtual HRESULT UI_TXCALL OnTxCharFormatChange(const CHARFORMATW* format) = 0;
    virtual HRESULT UI_TXCALL OnTxParaFormatChange(const PARAFORMAT* format) = 0;
    virtual HRESULT UI_TXCALL TxGetPropertyBits(DWORD mask, DWORD* bits) = 0;
    virtual HRESULT UI_TXCALL TxNotify(DWORD code, void* record) = 0;
    virtual HIMC UI_TXCALL TxImmGetContext() = 0;
    virtual void UI_TXCALL TxImmReleaseContext(HIMC context) = 0;
    virtual HRESULT UI_TXCALL TxGetSelectionBarWidth(LONG* width) = 0;
};

} // namespace UiToolkit
