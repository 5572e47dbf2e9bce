#include "core/WindowManager.h"

#include <algorithm>

namespace UiToolkit {

CControlWatchUI::CControlWatchUI(CWindowManagerUI* manager, CControlUI* control)
    : m_cell(std::make_shared<Cell>(Cell{manager, manager != NULL ? control : NULL}))
{
    if (manager == NULL)
        return;
    std::vector<std::shared_ptr<Cell>>& cells = manager->m_watches;
    if (cells.size() >= manager->m_watchPruneAt) {
        cells.erase(std::remove_if(cells.begin(), cells.end(),
                                   [](const std::shared_ptr<Cell>& cell) { return cell.use_count() == 1; }),
                    cells.end());
        manager->m_watchPruneAt = cells.size() * 2 > 16 ? cells.size() * 2 : 16;
    }
    cells.push_back(m_cell);
}

CRemovalScopeUI::CRemovalScopeUI(CWindowManagerUI* manager)
    : m_window(manager != NULL ? manager->GetWindow() : NULL), m_pManager(manager), m_watch(manager, NULL)
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
