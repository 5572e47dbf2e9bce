// Nothing is freed while the toolkit is inside it: frees asked for during handling wait for its end.
#pragma once

namespace UiToolkit {

// Open while this UI thread handles anything: a window message, the message loop's pre-translation, a
// notification, an event, a filter, a timer or a walk over listeners. Scopes nest; a modal loop inside a handler
// stays inside. A free deferred while any scope is open runs when the outermost one closes, in the order asked.
class CHandlingScopeUI
{
public:
    typedef void (*FreeFn)(void* object);
    // A window message's scope (or the message loop's pre-translation): above it runs no toolkit frame.
    enum Kind
    {
        HANDLING,
        MESSAGE
    };

    explicit CHandlingScopeUI(Kind kind = HANDLING) : m_kind(kind) { Enter(kind); }
    ~CHandlingScopeUI() { Leave(m_kind); }
    CHandlingScopeUI(const CHandlingScopeUI&) = delete;
    CHandlingScopeUI& operator=(const CHandlingScopeUI&) = delete;

    static void Enter(Kind kind = HANDLING);
    static void Leave(Kind kind = HANDLING);
    static bool IsOpen();
    // Frees now when no scope is open, else once the outermost scope closes. The object must need nothing
    // that may be gone by then (its window manager in particular).
    static void Free(void* object, FreeFn free);
    // Finishes a window object whose window went: now when no scope is open; else once the outermost scope
    // closes if that is a window message's, and otherwise (the application called in from outside any message,
    // and toolkit frames of its call may still run) when the thread next handles a message.
    static void Finish(void* object, FreeFn finish);
    // Drops a finish still waiting for the object, which is being freed.
    static void ForgetFinish(void* object);

private:
    Kind m_kind;
};

} // namespace UiToolkit
