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

    CHandlingScopeUI() { Enter(); }
    ~CHandlingScopeUI() { Leave(); }
    CHandlingScopeUI(const CHandlingScopeUI&) = delete;
    CHandlingScopeUI& operator=(const CHandlingScopeUI&) = delete;

    static void Enter();
    static void Leave();
    static bool IsOpen();
    // Frees now when no scope is open, else once the outermost scope closes. The object must need nothing
    // that may be gone by then (its window manager in particular).
    static void Free(void* object, FreeFn free);
};

} // namespace UiToolkit
