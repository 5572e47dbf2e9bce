// Native window base: class registration, creation and message routing.
#pragma once
#include <windows.h>

namespace UiToolkit {

// One native window: registers its class, creates the window and routes its messages to ProcessMessage.
class CWindowWnd
{
public:
    CWindowWnd();

    virtual const wchar_t* QueryClassName() const = 0;
    virtual const wchar_t* QueryBaseClassName() const;
    virtual UINT QueryClassStyle() const;
    virtual LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called last, once the window is gone and the outermost of its messages has returned (the message loop's
    // pre-translation counts as one); derived classes may free themselves here.
    virtual void OnWindowGone(HWND hWnd);
    virtual ~CWindowWnd();

    HWND WindowHandle() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    bool RegisterOwnClass();
    bool RegisterSuperclass();
    HWND CreateWnd(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                   int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = NULL);
    HWND CreateWndInRect(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, const RECT& rc,
                         HMENU menu = NULL);

    LRESULT SendMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void PostClose(UINT code = 0);
    void ShowWnd(bool show = true, bool takeFocus = true);
    void CenterOnOwner();
    void SetIconFromResource(UINT id);
    UINT RunModal();
    void RestoreWindowProc();

    // The object of a window made by this class, or NULL.
    static CWindowWnd* FromHandle(HWND hWnd);

    // Counts as a message of the window's object while open: a window destroyed meanwhile is finished
    // (OnWindowGone) once the last hold and message end. Objects are found by window, at opening, or named
    // directly, which also holds one that has no window yet (across its own creation).
    class Hold
    {
    public:
        explicit Hold(HWND hWnd);
        explicit Hold(CWindowWnd* object);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CWindowWnd* m_pObject;
    };

protected:
    static LRESULT CALLBACK OwnClassWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SuperclassWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT FinishWindow(UINT message, WPARAM wParam, LPARAM lParam, bool superclassed);
    // The message routing of both procedures once the object is known.
    static LRESULT RouteMessage(CWindowWnd* self, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                bool superclassed);
    // The marker is the frame's own hold or scope object: see CHandlingScopeUI::EnterHold.
    void EnterMessage(const void* marker);
    void LeaveMessage(const void* marker);
    // For an object held across its own creation that ends up with no window (none came, or it came and went
    // again): it is finished (OnWindowGone) as the last hold ends, as if its window had gone.
    void FinishWithoutWindow();

    HWND m_hWnd;
    WNDPROC m_OldWndProc;
    bool m_bSubclassed;

private:
    void LeaveMessageDepth();
    int m_iMessageDepth = 0;   // messages and holds of this object under way
    bool m_bGone = false;      // destroyed, waiting for the outermost message or hold to finish it
    bool m_bFinishing = false; // its end is to be told (OnWindowGone), by the rule of frees
    HWND m_hGoneWnd = NULL;    // the window that went, if one came
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;
};

} // namespace UiToolkit
