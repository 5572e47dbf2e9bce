#include "core/WindowManager.h"

namespace UiToolkit {

CControlWatchUI::CControlWatchUI(CWindowManagerUI* manager, CControlUI* control)
    : m_pManager(manager), m_pControl(manager != NULL ? control : NULL)
{
    if (manager == NULL)
        return;
    m_pNext = manager->m_pWatches;
    manager->m_pWatches = this;
}

CControlWatchUI::~CControlWatchUI()
{
    if (m_pManager == NULL)
        return;
    for (CControlWatchUI** link = &m_pManager->m_pWatches; *link != NULL; link = &(*link)->m_pNext) {
        if (*link == this) {
            *link = m_pNext;
            break;
        }
    }
}

CRemovalScopeUI::CRemovalScopeUI(CWindowManagerUI* manager) : m_pManager(manager), m_watch(manager, NULL)
{
    if (manager != NULL)
        ++manager->m_iRemovalDepth;
}

CRemovalScopeUI::~CRemovalScopeUI()
{
    if (m_watch.ManagerAlive())
        m_pManager->EndRemoval();
}

} // namespace UiToolkit
