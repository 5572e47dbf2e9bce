// Where the mouse input of a control that takes none goes; containers, bars and controls share the rule.
#pragma once
#include "core/ControlUI.h"
#include "core/WindowManager.h"

namespace UiToolkit {

// A mouse event for a control that takes no mouse input goes to the target (its parent, or a bar's owner);
// with no target the control's plain CControlUI handling sees it. False, with nothing done, for any other
// event or a control that takes the mouse.
inline bool PassDisabledMouse(CControlUI& control, CControlUI* target, InputEventUI& event)
{
    if (control.IsMouseEnabled() || event.type < UIEVENT_MOUSEMOVE || event.type > UIEVENT_SCROLLWHEEL)
        return false;
    if (target != NULL)
        target->OnEvent(event);
    else
        control.CControlUI::OnEvent(event);
    return true;
}

} // namespace UiToolkit
