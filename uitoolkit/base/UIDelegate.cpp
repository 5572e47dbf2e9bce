#include "base/UIDelegate.h"

namespace UiToolkit {

CEventSourceUI::~CEventSourceUI()
{
    for (int i = 0; i < m_aDelegates.Count(); ++i)
        delete static_cast<CDelegateBase*>(m_aDelegates[i]);
}

void CEventSourceUI::Add(const CDelegateBase& delegate)
{
    for (int i = 0; i < m_aDelegates.Count(); ++i) {
        CDelegateBase* known = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (known != NULL && *known == delegate)
            return;
    }
    m_aDelegates.Add(delegate.Clone());
}

void CEventSourceUI::Remove(const CDelegateBase& delegate)
{
    for (int i = 0; i < m_aDelegates.Count(); ++i) {
        CDelegateBase* known = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (known != NULL && *known == delegate) {
            m_aDelegates.Remove(i);
            delete known;
            return;
        }
    }
}

bool CEventSourceUI::Invoke(void* param)
{
    CLifeGuardUI guard(m_lifeAnchor);
    for (int i = 0; i < m_aDelegates.Count(); ++i) {
        CDelegateBase* delegate = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (delegate != NULL && !delegate->Invoke(param))
            return false;
        // The delegate deleted the control holding this list: the list is gone with it.
        if (!guard.IsAlive())
            return false;
    }
    return true;
}

} // namespace UiToolkit
