#include "base/UILifeGuard.h"

namespace UiToolkit {

CLifeAnchorUI::~CLifeAnchorUI()
{
    if (m_alive)
        *m_alive = false;
}

CLifeGuardUI::CLifeGuardUI(CLifeAnchorUI& anchor)
{
    // Made on first use: most anchors (one per event list of every control) are never guarded.
    if (!anchor.m_alive)
        anchor.m_alive = std::make_shared<bool>(true);
    m_alive = anchor.m_alive;
}

} // namespace UiToolkit
