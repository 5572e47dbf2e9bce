#include "base/UILifeGuard.h"

namespace UiToolkit {

CLifeAnchorUI::~CLifeAnchorUI()
{
    for (CLifeGuardUI* guard = m_pGuards; guard != nullptr; guard = guard->m_pNext)
        guard->m_pAnchor = nullptr;
}

CLifeGuardUI::CLifeGuardUI(CLifeAnchorUI& anchor) : m_pAnchor(&anchor), m_pNext(anchor.m_pGuards)
{
    anchor.m_pGuards = this;
}

CLifeGuardUI::~CLifeGuardUI()
{
    if (m_pAnchor != nullptr)
        m_pAnchor->m_pGuards = m_pNext;
}

} // namespace UiToolkit
