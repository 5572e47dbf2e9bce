#include "controls/TxtWinHost.h"
#include "controls/RichEditUI.h"
#include "core/WindowManager.h"

#include <SystemText.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

typedef HRESULT(WINAPI* CreateTextServicesProc)(IUnknown* outer, ITextHost* host, IUnknown** unknown);

const int HIMETRIC_PER_INCH = 2540;
const int TWIPS_PER_INCH = 1440;
// Effects kept in step with the control's font.
const DWORD FONT_EFFECTS = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE;

COLORREF FromArgb(DWORD argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

void LogHostFailure(const char* what, DWORD code)
{
    // The toolkit has no log file of its own: the debugger output tells why the control stays plain.
    char line[640];
    snprintf(line, sizeof(line), "RichEdit: %s (0x%08lX %s)\n", what, static_cast<unsigned long>(code),
             SystemText(code, CP_ACP).c_str());
    OutputDebugStringA(line);
}

} // namespace

CTxtWinHost::~CTxtWinHost()
{
    // A host whose text services never came has nothing to deactivate.
    if (m_pServices != NULL) {
        m_pServices->OnTxInPlaceDeactivate();
        m_pServices->Release();
        m_pServices = NULL;
    }
    if (m_hScreenDc != NULL)
        ::DeleteDC(m_hScreenDc);
}

bool CTxtWinHost::CreateTextHost(CRichEditUI* control, const CREATESTRUCTW* create, CTxtWinHost** host)
{
    CTxtWinHost* made = new CTxtWinHost();
    if (!made->Init(control, create)) {
        delete made;
        return false;
    }
    *host = made;
    return true;
}

CWindowManagerUI* CTxtWinHost::Manager() const
{
    return m_pOwner != NULL ? m_pOwner->GetOwnerManager() : NULL;
}

HWND CTxtWinHost::Window() const
{
    CWindowManagerUI* manager = Manager();
    return manager != NULL ? manager->GetWindow() : NULL;
}

int CTxtWinHost::PixelsPerInch(int index) const
{
    CWindowManagerUI* manager = Manager();
    HDC dc = manager != NULL ? manager->GetWindowDC() : NULL;
    int value = dc != NULL ? GetDeviceCaps(dc, index) : 0;
    return value > 0 ? value : 96;
}

void CTxtWinHost::SetFlag(DWORD flag, bool on)
{
    if (on)
        m_flags |= flag;
    else
        m_flags &= ~flag;
}

void CTxtWinHost::TakeFont(HFONT font)
{
    LOGFONTW lf = {};
    if (font == NULL || GetObjectW(font, sizeof(lf), &lf) == 0)
        return;
    // Set and cleared with the font, so a font change can also take an effect away.
    m_cf.dwEffects &= ~FONT_EFFECTS;
    if (lf.lfWeight >= FW_BOLD)
        m_cf.dwEffects |= CFE_BOLD;
    if (lf.lfItalic)
        m_cf.dwEffects |= CFE_ITALIC;
    if (lf.lfUnderline)
        m_cf.dwEffects |= CFE_UNDERLINE;
    m_cf.yHeight = MulDiv(lf.lfHeight, -TWIPS_PER_INCH, PixelsPerInch(LOGPIXELSY));
    m_cf.bCharSet = lf.lfCharSet;
    m_cf.bPitchAndFamily = lf.lfPitchAndFamily;
    wcsncpy(m_cf.szFaceName, lf.lfFaceName, LF_FACESIZE - 1);
    m_cf.szFaceName[LF_FACESIZE - 1] = L'\0';
}

bool CTxtWinHost::Init(CRichEditUI* control, const CREATESTRUCTW* create)
{
    m_pOwner = control;
    m_cRef = 1;

    CWindowManagerUI* manager = Manager();
    m_cf.cbSize = sizeof(CHARFORMAT2W);
    m_cf.dwMask = 0xF8000007; // colour, face, size, charset, offset, protected, bold, italic, underline
    TakeFont(manager != NULL ? manager->GetFont(control->GetFont()) : NULL);
    m_cf.crTextColor = FromArgb(control->GetTextColor());

    m_pf.cbSize = sizeof(PARAFORMAT2);
    m_pf.dwMask = 0x8001003F;
    m_pf.wAlignment = PFA_LEFT;
    m_pf.cTabCount = 1;
    m_pf.rgxTabs[0] = 720;

    m_dwStyle = ES_MULTILINE;
    SetFlag(FLAG_RICHTEXT, control->IsRich());
    m_cchTextMost = control->GetLimitText();
    if (create != NULL) {
        m_dwStyle = static_cast<DWORD>(create->style);
        if (!(m_dwStyle & (WS_HSCROLL | ES_AUTOHSCROLL)))
            m_flags |= FLAG_WORDWRAP;
    }
    if (m_dwStyle & ES_CENTER)
        m_pf.wAlignment = PFA_CENTER;
    else if (m_dwStyle & ES_RIGHT)
        m_pf.wAlignment = PFA_RIGHT;
    // A password style with no character would show the text as it is.
    if (m_dwStyle & ES_PASSWORD)
        m_chPassword = 0x25CF;
    // Transparent from the start: the control asks for it right after creation, and some text services read
    // the back style only while they are being created.
    m_flags |= FLAG_INPLACEACTIVE | FLAG_TRANSPARENT;

    // The text services read the resolution of the window's DC while they are made: a destroyed window's reads 0.
    if (manager != NULL && !::IsWindow(manager->GetWindow())) {
        LogHostFailure("the window is gone", ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    HMODULE library = LoadLibraryW(L"msftedit.dll");
    if (library == NULL) {
        LogHostFailure("msftedit.dll cannot be loaded", GetLastError());
        return false;
    }
    CreateTextServicesProc createServices =
        reinterpret_cast<CreateTextServicesProc>(GetProcAddress(library, "CreateTextServices"));
    if (createServices == NULL) {
        LogHostFailure("no CreateTextServices", GetLastError());
        return false;
    }
    IUnknown* unknown = NULL;
    HRESULT hr = createServices(NULL, this, &unknown);
    if (FAILED(hr) || unknown == NULL) {
        LogHostFailure("CreateTextServices failed", static_cast<DWORD>(hr));
        return false;
    }
    hr = unknown->QueryInterface(IID_ITextServices, reinterpret_cast<void**>(&m_pServices));
    unknown->Release();
    if (FAILED(hr) || m_pServices == NULL) {
        m_pServices = NULL;
        LogHostFailure("no text services interface", static_cast<DWORD>(hr));
        return false;
    }
    if (create != NULL && create->lpszName != NULL && create->lpszName[0] != L'\0') {
        hr = m_pServices->TxSetText(create->lpszName);
        if (FAILED(hr)) {
            LogHostFailure("initial text refused", static_cast<DWORD>(hr));
            return false;
        }
    }
    return true;
}

void CTxtWinHost::SetClientRect(const RECT& rc)
{
    bool wrapped = WrapsNow();
    m_rcClient = rc;
    m_sizelExtent.cx = MulDiv(rc.right - rc.left, HIMETRIC_PER_INCH, PixelsPerInch(LOGPIXELSX));
    m_sizelExtent.cy = MulDiv(rc.bottom - rc.top, HIMETRIC_PER_INCH, PixelsPerInch(LOGPIXELSY));
    if (m_pServices == NULL)
        return;
    m_pServices->OnTxPropertyBitsChange(TXTBIT_VIEWINSETCHANGE, TXTBIT_VIEWINSETCHANGE);
    if (WrapsNow() != wrapped)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_WORDWRAP, WrapsNow() ? TXTBIT_WORDWRAP : 0);
}

bool CTxtWinHost::WrapsNow() const
{
    // Wrapping in an area narrower than a character puts every character on a line of its own, which costs
    // the text services the square of the text's length (minutes for 30,000 characters): the text is laid
    // out unwrapped until the area is as wide as the font is tall.
    // A font of the default height (0) counts as 8 pixels, about the narrowest legible character.
    int fontPixels = abs(MulDiv(m_cf.yHeight, PixelsPerInch(LOGPIXELSY), TWIPS_PER_INCH));
    return (m_flags & FLAG_WORDWRAP) != 0 && m_rcClient.right - m_rcClient.left >= (fontPixels > 0 ? fontPixels : 8);
}

void CTxtWinHost::SetTextColor(DWORD argb)
{
    m_cf.crTextColor = FromArgb(argb);
    if (m_pServices != NULL)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
}

void CTxtWinHost::SetFont(HFONT font)
{
    TakeFont(font);
    if (m_pServices != NULL)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
}

void CTxtWinHost::SetRich(bool rich)
{
    SetFlag(FLAG_RICHTEXT, rich);
    if (m_pServices != NULL)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_RICHTEXT, rich ? TXTBIT_RICHTEXT : 0);
}

void CTxtWinHost::SetTransparent(bool transparent)
{
    SetFlag(FLAG_TRANSPARENT, transparent);
    if (m_pServices != NULL)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
}

void CTxtWinHost::SetMaxLength(int length)
{
    m_cchTextMost = length;
    if (m_pServices != NULL)
        m_pServices->OnTxPropertyBitsChange(TXTBIT_MAXLENGTHCHANGE, TXTBIT_MAXLENGTHCHANGE);
}

bool CTxtWinHost::ActivateInPlace(const RECT* rc)
{
    m_flags |= FLAG_INPLACEACTIVE;
    if (m_pServices == NULL || FAILED(m_pServices->OnTxInPlaceActivate(rc))) {
        m_flags &= ~FLAG_INPLACEACTIVE;
        return false;
    }
    return true;
}

bool CTxtWinHost::SetCursorAt(const RECT* rc, POINT pt)
{
    if (m_pServices == NULL || !PtInRect(&m_rcClient, pt))
        return false;
    CWindowManagerUI* manager = Manager();
    const RECT* client = (m_flags & FLAG_INPLACEACTIVE) ? NULL : (rc != NULL ? rc : &m_rcClient);
    m_pServices->OnTxSetCursor(DVASPECT_CONTENT, -1, NULL, NULL, manager != NULL ? manager->GetWindowDC() : NULL, NULL,
                               client, pt.x, pt.y);
    return true;
}

HRESULT STDMETHODCALLTYPE CTxtWinHost::QueryInterface(REFIID riid, void** object)
{
    if (object == NULL)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITextHost)) {
        *object = static_cast<ITextHost*>(this);
        AddRef();
        return S_OK;
    }
    *object = NULL;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CTxtWinHost::AddRef()
{
    return static_cast<ULONG>(++m_cRef);
}

ULONG STDMETHODCALLTYPE CTxtWinHost::Release()
{
    LONG left = --m_cRef;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT UI_TXCALL CTxtWinHost::TxGetPropertyBits(DWORD mask, DWORD* bits)
{
    if (bits == NULL)
        return E_INVALIDARG;
    DWORD all = 0;
    if (m_flags & FLAG_RICHTEXT)
        all |= TXTBIT_RICHTEXT;
    if (m_dwStyle & ES_MULTILINE)
        all |= TXTBIT_MULTILINE;
    if (m_dwStyle & ES_READONLY)
        all |= TXTBIT_READONLY;
    if (m_dwStyle & ES_PASSWORD)
        all |= TXTBIT_USEPASSWORD;
    if (!(m_dwStyle & ES_NOHIDESEL))
        all |= TXTBIT_HIDESELECTION;
    if (m_flags & FLAG_AUTOWORDSEL)
        all |= TXTBIT_AUTOWORDSEL;
    if (WrapsNow())
        all |= TXTBIT_WORDWRAP;
    if (m_flags & FLAG_ALLOWBEEP)
        all |= TXTBIT_ALLOWBEEP;
    if (m_flags & FLAG_SAVESELECTION)
        all |= TXTBIT_SAVESELECTION;
    *bits = all & mask;
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxNotify(DWORD code, void* record)
{
    if (code == EN_REQUESTRESIZE && record != NULL) {
        const REQRESIZE* resize = static_cast<const REQRESIZE*>(record);
        RECT rc = m_rcClient;
        rc.right = rc.left + resize->rc.right;
        rc.bottom = rc.top + resize->rc.bottom;
        SetClientRect(rc);
    }
    if (m_pOwner != NULL)
        m_pOwner->OnTxNotify(code, record);
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetCharFormat(const CHARFORMATW** format)
{
    *format = reinterpret_cast<const CHARFORMATW*>(&m_cf);
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetParaFormat(const PARAFORMAT** format)
{
    *format = reinterpret_cast<const PARAFORMAT*>(&m_pf);
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetBackStyle(TXTBACKSTYLE* style)
{
    *style = (m_flags & FLAG_TRANSPARENT) ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetMaxLength(DWORD* length)
{
    *length = static_cast<DWORD>(m_cchTextMost);
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetScrollBars(DWORD* bars)
{
    *bars = m_dwStyle & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetPasswordChar(WCHAR* ch)
{
    *ch = m_chPassword;
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetAcceleratorPos(LONG* pos)
{
    *pos = m_laccelpos;
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetExtent(LPSIZEL extent)
{
    *extent = m_sizelExtent;
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetClientRect(LPRECT rect)
{
    *rect = m_rcClient;
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetViewInset(LPRECT rect)
{
    SetRectEmpty(rect);
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxGetSelectionBarWidth(LONG* width)
{
    *width = m_lSelBarWidth;
    return S_OK;
}

} // namespace UiToolkit
