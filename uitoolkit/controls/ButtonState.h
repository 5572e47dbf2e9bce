// The focused and disabled bits of a control's button state, which buttons, edits and combo boxes paint by.
#pragma once
#include "core/ControlUI.h"

namespace UiToolkit {

// Sets or clears UISTATE_FOCUSED and UISTATE_DISABLED in the state from what the control is now.
inline void RefreshFocusAndDisabledBits(const CControlUI& control, UINT& state)
{
    if (control.IsFocused())
        state |= UISTATE_FOCUSED;
    else
        state &= ~UISTATE_FOCUSED;
    if (!control.IsEnabled())
        state |= UISTATE_DISABLED;
    else
        state &= ~UISTATE_DISABLED;
}

} // namespace UiToolkit
