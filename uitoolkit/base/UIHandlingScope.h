// Nothing is freed while the toolkit is inside it: frees asked for during handling wait for its end.
#pragma once

namespace UiToolkit {

// Open while this UI thread handles anything: a window message, the message loop's pre-translation, a
// notification, an event, a filter, a timer or a walk over listeners. Scopes nest; a modal loop inside a handler
// stays inside. What is freed when: asked with no scope open, at once; asked under a scope, once the outermost
// scope closes if that is a window message's or a removal's, else at the thread's next message; in the order
// asked.
class CHandlingScopeUI
{
public:
    typedef void (*FreeFn)(void* object);
    // What runs above the scope when it is the outermost one. HANDLING: toolkit frames may (a walk, event or
    // layout pass inside a call the application made from outside any message), so what waits runs at the next
    // message. CALL: only the caller of a removal or deletion, which was promised that what it removed is gone
    // when the call returns. MESSAGE: a window message's scope (or the loop's pre-translation): no toolkit frame.
    enum Kind
    {
        HANDLING,
        CALL,
        MESSAGE
    };

    explicit CHandlingScopeUI(Kind kind = HANDLING) : m_kind(kind) { Enter(kind, this); }
    ~CHandlingScopeUI() { Leave(m_kind, this); }
    CHandlingScopeUI(const CHandlingScopeUI&) = delete;
    CHandlingScopeUI& operator=(const CHandlingScopeUI&) = delete;

    // The marker is the object that opens and closes the scope, on the stack of the frame that opens it.
    static void Enter(Kind kind, const void* marker);
    static void Leave(Kind kind, const void* marker);
    // A hold on a window object, listed with the scopes so that a frame unwound by a fault the platform
    // swallowed does not keep it: `lost` then undoes it. LeaveHold answers false when that happened already.
    static void EnterHold(const void* marker, void* object, FreeFn lost);
    static bool LeaveHold(const void* marker);
    // The frame that opened the marker's record is being unwound by such a fault: drops it and all after it.
    static void Unwound(const void* marker);
    // Called by message loops before each message: drops what frames unwound that way left open, and runs what
    // waits once nothing is.
    static void AtLoopTop();
    static bool IsOpen();
    // Frees as the rule above says. The object must need nothing that may be gone by then (its window manager
    // in particular).
    static void Free(void* object, FreeFn free);
    // Finishes a window object whose window went, by the same rule, after the frees.
    static void Finish(void* object, FreeFn finish);
    // Drops every free, finish and hold still waiting for the object, which is being freed by other means.
    static void Forget(void* object);

private:
    Kind m_kind;
};

} // namespace UiToolkit
