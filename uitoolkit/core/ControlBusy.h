// Open across a call on a control that may run the application's handlers, from the call's outermost frame.
#pragma once
#include "core/WindowWnd.h"
#include "base/UIHandlingScope.h"

namespace UiToolkit {

class CControlUI;

// A window the handlers destroy is finished, and the controls they remove are freed, only once the call is done
// with them: also when the application calls from outside any message, and also in an override that goes on
// after its base class's call.
class CControlBusyUI
{
public:
    explicit CControlBusyUI(CControlUI* control);
    CControlBusyUI(const CControlBusyUI&) = delete;
    CControlBusyUI& operator=(const CControlBusyUI&) = delete;

private:
    CHandlingScopeUI m_handling; // closes last: the frees wait for the window's end
    CWindowWnd::Hold m_hold;
};

} // namespace UiToolkit
