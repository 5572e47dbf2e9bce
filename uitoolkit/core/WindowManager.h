// Window manager: message loop, painting, focus, timers, notifications and shared resources of one window.
#pragma once
#include "core/ControlUI.h"
#include "render/RenderKit.h"
#include "core/ResourceSettings.h"
#include "base/UIPtrArray.h"
#include "base/UIStringMap.h"
#include "base/UIHandlingScope.h"
#include "base/UIWalkList.h"
#include "core/WindowWnd.h"

#include <commctrl.h>

#include <memory>
#include <vector>

namespace UiToolkit {

enum InputEventTypeUI
{
    UIEVENT_KEYDOWN = 3,
    UIEVENT_KEYUP = 4,
    UIEVENT_CHAR = 5,
    UIEVENT_SYSKEY = 6,
    UIEVENT_MOUSEMOVE = 9,
    UIEVENT_MOUSELEAVE = 10,
    UIEVENT_MOUSEENTER = 11,
    UIEVENT_MOUSEHOVER = 12,
    UIEVENT_BUTTONDOWN = 13,
    UIEVENT_BUTTONUP = 14,
    UIEVENT_RBUTTONDOWN = 15,
    UIEVENT_DBLCLICK = 16,
    UIEVENT_CONTEXTMENU = 17,
    UIEVENT_SCROLLWHEEL = 18,
    UIEVENT_KILLFOCUS = 20,
    UIEVENT_SETFOCUS = 21,
    UIEVENT_WINDOWSIZE = 22,
    UIEVENT_SETCURSOR = 23,
    UIEVENT_TIMER = 24
};

// Posted to a window to delete the controls queued for deletion.
const UINT WM_DELETE_QUEUED = 0x8001;

struct NotifyMsgUI
{
    CStringUI sType;
    CStringUI sVirtualWnd;
    CControlUI* pSender;
    DWORD dwTimestamp;
    POINT ptMouse;
    WPARAM wParam;
    LPARAM lParam;
};

struct InputEventUI
{
    int type;
    CControlUI* pSender;
    DWORD dwTimestamp;
    POINT ptMouse;
    wchar_t chKey;
    WORD wKeyState;
    WPARAM wParam;
    LPARAM lParam;
};

class INotifyUI
{
public:
    virtual void Notify(NotifyMsgUI& msg) = 0;
};

class IMessageFilterUI
{
public:
    virtual LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

class ITranslateAcceleratorUI
{
public:
    // 0 means the message was consumed.
    virtual LRESULT TranslateAccelerator(MSG* msg) = 0;
};

struct FontInfoUI
{
    HFONT hFont;
    CStringUI sFaceName;
    int iSize;
    bool bBold;
    bool bUnderline;
    bool bItalic;
    TEXTMETRICW tm;
};

// Colours, fonts, default attribute lists and texts; one per window and one shared by the process.
struct ResourcesUI
{
    ResourcesUI();
    DWORD dwDisabledColor;
    DWORD dwFontColor;
    DWORD dwLinkColor;
    DWORD dwLinkHoverColor;
    DWORD dwSelectedColor;
    FontInfoUI defaultFont;
    CStringMapUI fonts;
    CStringMapUI images;
    CStringMapUI attributeLists;
    CStringMapUI multiLanguageTexts;
};

class CWindowManagerUI;

// Lives on the stack across a call that may run handlers or a modal loop. The control reads NULL once it
// has left the manager (removed, deleted or moved to another window); both read NULL once the manager is gone.
class CControlWatchUI
{
public:
    CControlWatchUI(CWindowManagerUI* manager, CControlUI* control);
    CControlWatchUI(const CControlWatchUI&) = delete;
    CControlWatchUI& operator=(const CControlWatchUI&) = delete;

    CControlUI* Control() const { return m_cell->control; }
    bool ManagerAlive() const { return m_cell->manager != NULL; }

    // Shared by the watch and its manager; the manager lets go of cells no watch holds any more. Nothing is
    // linked through the stack, so a frame unwound without its destructors leaves nothing dangling.
    struct Cell
    {
        CWindowManagerUI* manager;
        CControlUI* control;
    };

private:
    std::shared_ptr<Cell> m_cell;
};

// Open across a removal from a container, list, combo or tree (they nest): a removed control's "killfocus" is
// raised once the outermost removal is complete, and removed controls the application keeps leave the manager
// then. The manager may be NULL or go away inside. A removal is handling: what its "killfocus" handler removes
// is freed once the removal has returned.
class CRemovalScopeUI
{
public:
    explicit CRemovalScopeUI(CWindowManagerUI* manager);
    ~CRemovalScopeUI();
    CRemovalScopeUI(const CRemovalScopeUI&) = delete;
    CRemovalScopeUI& operator=(const CRemovalScopeUI&) = delete;

private:
    CHandlingScopeUI m_handling{CHandlingScopeUI::CALL}; // first: closes after the "killfocus"
    CWindowWnd::Hold m_window; // a handler that destroys the window frees it once the removal is done
    CWindowManagerUI* m_pManager;
    CControlWatchUI m_watch;
};

// One per skinned window: owns the control tree and turns window messages into control events.
class CWindowManagerUI
{
public:
    CWindowManagerUI();
    ~CWindowManagerUI();
    CWindowManagerUI(const CWindowManagerUI&) = delete;
    CWindowManagerUI& operator=(const CWindowManagerUI&) = delete;

    void AttachWindow(HWND hWnd);
    HWND GetWindow() const { return m_hWnd; }
    HDC GetWindowDC() const { return m_hDcPaint; }
    CControlUI* GetRoot() const { return m_pRoot; }
    CControlUI* GetFocus() const { return m_pFocus; }
    bool AttachRoot(CControlUI* root);
    bool AdoptControlTree(CControlUI* control, CControlUI* parent = NULL);
    CControlUI* FindControlByName(const wchar_t* name) const;
    CControlUI* FindControlAt(POINT pt) const;

    // The owner is the control the capture is taken for when the manager's own button handling does not
    // know it (a control that asks for the mouse itself); it loses the capture when it leaves the tree.
    void SetCapture(CControlUI* owner = NULL);
    void ReleaseCapture();
    bool IsCaptured() const { return m_bMouseCapture; }
    // True while a layout pass places the tree: for checks that no notification reaches the application there.
    bool IsLayingOut() const { return m_iLayoutDepth > 0; }
    // What the input state points at (hover, click, key, capture owner): for checks that they are in the tree.
    void GetInputControls(CControlUI* controls[4]) const
    {
        controls[0] = m_pEventHover;
        controls[1] = m_pEventClick;
        controls[2] = m_pEventKey;
        controls[3] = m_pCaptureOwner;
    }
    void Invalidate(const RECT& rc);
    void MarkLayoutDirty() { m_bUpdateNeeded = true; }
    POINT GetMousePos() const { return m_ptLastMousePos; }

    bool RegisterMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    bool RegisterPostPaint(CControlUI* control);
    bool RemovePostPaint(CControlUI* control);
    bool RegisterNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    bool RegisterPreFilter(IMessageFilterUI* filter);
    bool RemovePreFilter(IMessageFilterUI* filter);
    bool RegisterAcceleratorTranslator(ITranslateAcceleratorUI* translator);
    bool RemoveAcceleratorTranslator(ITranslateAcceleratorUI* translator);

    void SetFocusControl(CControlUI* control);
    void FocusOnNextPaint(CControlUI* control);
    bool MoveFocusByTab(bool forward = true);
    static WORD ModifierState();

    bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool PreTranslate(UINT message, WPARAM wParam, LPARAM lParam);
    static bool TranslateThroughManagers(MSG* msg);
    static void RunMessageLoop();

    // After any notification, handler or modal loop, touch nothing not checked alive (CControlWatchUI): a
    // handler may remove or delete the sender, its item, its owner, this manager and its window.
    void RaiseNotification(CControlUI* sender, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0,
                           bool async = false);
    void DeliverNotification(NotifyMsgUI& msg, bool async = false);
    void ForgetControl(CControlUI* control);
    // A control leaving the tree with everything below it: the focus is taken from it (it hears the kill
    // focus), it gives up the mouse, and nothing of the manager leads to any of them any more.
    void ForgetControlTree(CControlUI* control);
    // A control attached to another manager now (or to none): it loses the focus here (and hears so), the
    // mouse held for it is let go, and no pointer, timer or overlay of this manager leads to it; its name stays.
    void LetGoOfControl(CControlUI* control);

    bool SetTimerFor(CControlUI* control, UINT key, UINT elapse);
    bool KillTimerFor(CControlUI* control, UINT key);
    void KillAllTimersFor(CControlUI* control);
    void RemoveAllTimers();
    void QueueForDeletion(CControlUI* control);
    // Deletes a control that has left its tree: now when nothing is being handled on this thread, else when the
    // outermost handling ends, having left its manager first.
    static void FreeControl(CControlUI* control);
    // A removed control the application keeps: it leaves this manager as a queued one does, and belongs to no
    // manager once the removal is complete, so it may outlive this one.
    void ReleaseRemovedControl(CControlUI* control);

    // Colours, fonts and texts.
    void SetDefaultDisabledColor(DWORD color, bool shared = false);
    DWORD GetDefaultDisabledColor() const { return m_resources.dwDisabledColor; }
    void SetDefaultFontColor(DWORD color, bool shared = false);
    DWORD GetDefaultFontColor() const { return m_resources.dwFontColor; }
    void SetDefaultLinkColor(DWORD color, bool shared = false);
    DWORD GetDefaultLinkColor() const { return m_resources.dwLinkColor; }
    void SetDefaultLinkHoverColor(DWORD color, bool shared = false);
    DWORD GetDefaultLinkHoverColor() const { return m_resources.dwLinkHoverColor; }
    void SetDefaultSelectedColor(DWORD color, bool shared = false);
    DWORD GetDefaultSelectedColor() const { return m_resources.dwSelectedColor; }
    HFONT AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic, bool shared = false);
    void SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic, bool shared = false);
    HFONT GetFont(int id);
    HFONT FindFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) const;
    FontInfoUI* GetFontInfo(int id);
    FontInfoUI* GetFontInfo(HFONT font);
    void RemoveAllFonts(bool shared = false);
    const ImageInfoUI* AddImage(const wchar_t* name, const wchar_t* type = NULL, DWORD mask = 0, bool hsl = false,
                                bool shared = false);
    const ImageInfoUI* GetImage(const wchar_t* name) const;
    const ImageInfoUI* GetImageEx(const wchar_t* name, const wchar_t* type = NULL, DWORD mask = 0, bool hsl = false);
    void RemoveAllImages(bool shared = false);
    void AddDefaultAttributeList(const wchar_t* tag, const wchar_t* list, bool shared = false);
    const wchar_t* GetDefaultAttributeList(const wchar_t* tag) const;
    void RemoveAllDefaultAttributeLists(bool shared = false);
    static void AddMultiLanguageText(int id, const wchar_t* text);
    // Every "%{n}" becomes multi-language text n in one pass; unknown ids stay as they are.
    static CStringUI SubstituteMultiLanguage(const wchar_t* text);
    static const wchar_t* GetMultiLanguageText(int id);
    bool AddOptionGroup(const wchar_t* group, CControlUI* control);
    CPtrArrayUI* GetOptionGroup(const wchar_t* group);
    void RemoveOptionGroup(const wchar_t* group, CControlUI* control);
    void RemoveAllOptionGroups();
    static void GetHSL(short* h, short* s, short* l, bool* enabled);

    // Window attributes from the skin.
    void SetInitialSize(int cx, int cy);
    SIZE GetInitialSize() const { return m_szInitWindowSize; }
    void SetSizeBox(const RECT& rc) { m_rcSizeBox = rc; }
    const RECT& GetSizeBox() const { return m_rcSizeBox; }
    void SetCaptionRect(const RECT& rc) { m_rcCaption = rc; }
    const RECT& GetCaptionRect() const { return m_rcCaption; }
    void SetRoundCorner(int cx, int cy);
    SIZE GetRoundCorner() const { return m_szRoundCorner; }
    void SetMinInfo(int cx, int cy);
    SIZE GetMinInfo() const { return m_szMinWindow; }
    void SetMaxInfo(int cx, int cy);
    SIZE GetMaxInfo() const { return m_szMaxWindow; }
    void SetShowDirty(bool show) { m_bShowUpdateRect = show; }
    bool GetShowDirty() const { return m_bShowUpdateRect; }
    void SetBackgroundCached(bool cached) { m_bAlphaBackground = cached; }
    bool GetBackgroundCached() const { return m_bAlphaBackground; }
    void SetOpacity(int value);
    int GetOpacity() const { return m_nOpacity; }
    void SetUsesVirtualWindows(bool uses) { m_bUsedVirtualWnd = uses; }

    // Process-wide resource settings.
    static void SetModuleInstance(HINSTANCE instance) { CResourceSettingsUI::SetModuleInstance(instance); }
    static HINSTANCE GetModuleInstance() { return CResourceSettingsUI::GetModuleInstance(); }
    static HINSTANCE GetResourceInstance() { return CResourceSettingsUI::GetModuleInstance(); }
    static CStringUI GetModuleFolder() { return CResourceSettingsUI::GetModuleFolder(); }
    static void SetResourceFolder(const wchar_t* path) { CResourceSettingsUI::SetResourceFolder(path); }
    static const CStringUI& GetResourceFolder() { return CResourceSettingsUI::GetResourceFolder(); }
    static void SetResourceZipFile(const wchar_t* name, bool keepOpen = true)
    {
        CResourceSettingsUI::SetResourceZipFile(name, keepOpen);
    }
    static void SetResourceZipMemory(const void* buffer, DWORD length)
    {
        CResourceSettingsUI::SetResourceZipMemory(buffer, length);
    }
    static const CStringUI& GetResourceZipName() { return CResourceSettingsUI::GetResourceZipName(); }
    static bool IsKeepZipOpen() { return CResourceSettingsUI::IsKeepZipOpen(); }
    static ZipReaderHandle* GetKeptZip() { return CResourceSettingsUI::GetKeptZip(); }

private:
    struct TimerInfo
    {
        CControlUI* control;
        UINT key;
        HWND window;
        UINT id;
        bool killed;
    };

    // The sender field is the receiving control unless a caller says otherwise.
    void SendEvent(CControlUI* control, int type, WPARAM wParam, LPARAM lParam, WORD keyState, CControlUI* sender);
    void SendEvent(CControlUI* control, int type, WPARAM wParam = 0, LPARAM lParam = 0, WORD keyState = 0)
    {
        SendEvent(control, type, wParam, lParam, keyState, control);
    }
    // Key events carry the key code as their character and the current modifier state.
    void SendKeyEvent(CControlUI* control, int type, WPARAM wParam, LPARAM lParam);
    // False when a handler deleted this manager. A deferred "killfocus" waits for the end of the removal.
    bool DropFocus(CControlUI* next, bool deferNotification = false);
    // The ForgetControl of one control of a tree that is leaving; its pending removal entries stay.
    void ForgetRegistrations(CControlUI* control);
    // Gone or moved to another manager: the end of a removal must not reach it.
    void ForgetPendingRemoval(CControlUI* control);
    void EndRemoval();
    void DetachKeptRemovals();
    // Capture, input pointers, timers and overlay of the control; no event.
    void DropReferencesTo(CControlUI* control);
    bool IsOwnControl(CControlUI* control) const;
    void DrainAsyncNotifications();
    // The sender's own delegates; the sender is cleared in the message when one of them deleted it.
    void InvokeSenderDelegates(NotifyMsgUI& msg);
    void DeleteQueuedControls();
    void OnPaint();
    void PaintOffscreen(HDC paintDc, const RECT& paintRect, const RECT& updateRect);
    void LayOut();
    void OnMouseMove(LPARAM lParam);
    void OnMouseHover(LPARAM lParam);
    void OnPrintClient(HDC hdc, LPARAM lParam);
    bool UsesTimerId(UINT id) const;
    void ReleaseDrawingSurfaces();
    static void SetupSharedResources();
    static FontInfoUI* NewFontInfo(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    void TakeMetrics(FontInfoUI* info);
    static void FreeFontMap(CStringMapUI& fonts);
    static void FreeTextMap(CStringMapUI& texts);
    static void FreeImageMap(CStringMapUI& images);

    HWND m_hWnd;
    int m_nOpacity;
    HDC m_hDcPaint;
    HDC m_hDcOffscreen;
    HDC m_hDcBackground;
    HBITMAP m_hbmpOffscreen;
    HBITMAP m_hbmpBackground;
    HWND m_hwndTooltip;
    TOOLINFOW m_ToolTip;
    CStringUI m_sToolTipText;
    bool m_bShowUpdateRect;
    CControlUI* m_pRoot;
    CControlUI* m_pFocus;
    CControlUI* m_pEventHover;
    CControlUI* m_pEventClick;
    CControlUI* m_pEventKey;
    CControlUI* m_pCaptureOwner;
    POINT m_ptLastMousePos;
    SIZE m_szMinWindow;
    SIZE m_szMaxWindow;
    SIZE m_szInitWindowSize;
    RECT m_rcSizeBox;
    SIZE m_szRoundCorner;
    RECT m_rcCaption;
    UINT m_uTimerID;
    bool m_bFirstLayout;
    bool m_bUpdateNeeded;
    bool m_bFocusNeeded;
    bool m_bOffscreenPaint;
    bool m_bAlphaBackground;
    bool m_bMouseTracking;
    bool m_bMouseCapture;
    bool m_bUsedVirtualWnd;
    // Listeners may register and remove themselves and others while they are called.
    CWalkListUI m_aNotifiers;
    CWalkListUI m_aTimers; // owns its TimerInfo entries
    CWalkListUI m_aPreMessageFilters;
    CWalkListUI m_aMessageFilters;
    CPtrArrayUI m_aPostPaintControls;
    CPtrArrayUI m_aDelayedCleanup;
    CPtrArrayUI m_aAsyncNotify;
    CPtrArrayUI m_aFoundControls;
    CStringMapUI m_mNameHash;
    CStringMapUI m_mOptionGroup;
    ResourcesUI m_resources;
    CWalkListUI m_aTranslateAccelerator;
    friend class CControlWatchUI;
    std::vector<std::shared_ptr<CControlWatchUI::Cell>> m_watches; // cells of watches on this manager
    size_t m_watchPruneAt = 16;
    friend class CRemovalScopeUI;
    int m_iRemovalDepth = 0;     // open removal scopes
    int m_iLayoutDepth = 0;      // layout passes under way
    CPtrArrayUI m_aLostFocus;    // removed controls whose "killfocus" waits for the end of the removal
    CPtrArrayUI m_aKeptRemovals; // removed, kept controls still attached here until the removal ends
};

} // namespace UiToolkit
