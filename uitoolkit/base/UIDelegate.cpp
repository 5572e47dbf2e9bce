#include "base/UIDelegate.h"

namespace UiToolkit {

namespace {

void DeleteDelegate(void* delegate)
{
    delete static_cast<CDelegateBase*>(delegate);
}

CDelegateBase* FindEqual(const CWalkListUI& delegates, const CDelegateBase& delegate)
{
    CWalkListUI::Walk walk(delegates);
    while (CDelegateBase* known = static_cast<CDelegateBase*>(walk.Next())) {
        if (*known == delegate)
            return known;
    }
    return NULL;
}

} // namespace

CEventSourceUI::CEventSourceUI() : m_aDelegates(DeleteDelegate) {}

CEventSourceUI::~CEventSourceUI() {}

void CEventSourceUI::Add(const CDelegateBase& delegate)
{
    if (FindEqual(m_aDelegates, delegate) == NULL)
        m_aDelegates.Add(delegate.Clone());
}

void CEventSourceUI::Remove(const CDelegateBase& delegate)
{
    CDelegateBase* known = FindEqual(m_aDelegates, delegate);
    if (known != NULL)
        m_aDelegates.Remove(known);
}

bool CEventSourceUI::Invoke(void* param)
{
    CLifeGuardUI guard(m_lifeAnchor);
    CWalkListUI::Walk walk(m_aDelegates);
    while (CDelegateBase* delegate = static_cast<CDelegateBase*>(walk.Next())) {
        if (!delegate->Invoke(param))
            return false;
        // The delegate deleted the control holding this list: the list is gone with it.
        if (!guard.IsAlive())
            return false;
    }
    return true;
}

} // namespace UiToolkit
