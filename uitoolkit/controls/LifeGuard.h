// Tells code that raised a notification whether the handler deleted the object it runs in.
#pragma once

namespace UiToolkit {

class CLifeGuardUI;

// A member of the guarded object: its destruction marks every open guard dead.
class CLifeAnchorUI
{
public:
    CLifeAnchorUI() = default;
    ~CLifeAnchorUI();
    CLifeAnchorUI(const CLifeAnchorUI&) = delete;
    CLifeAnchorUI& operator=(const CLifeAnchorUI&) = delete;

private:
    friend class CLifeGuardUI;
    CLifeGuardUI* m_pGuards = nullptr; // innermost open guard first
};

// Lives on the stack around a call that may delete the anchor's object; guards nest.
class CLifeGuardUI
{
public:
    explicit CLifeGuardUI(CLifeAnchorUI& anchor) : m_pAnchor(&anchor), m_pNext(anchor.m_pGuards)
    {
        anchor.m_pGuards = this;
    }
    ~CLifeGuardUI()
    {
        if (m_pAnchor != nullptr)
            m_pAnchor->m_pGuards = m_pNext;
    }
    CLifeGuardUI(const CLifeGuardUI&) = delete;
    CLifeGuardUI& operator=(const CLifeGuardUI&) = delete;

    bool IsAlive() const { return m_pAnchor != nullptr; }

private:
    friend class CLifeAnchorUI;
    CLifeAnchorUI* m_pAnchor;
    CLifeGuardUI* m_pNext;
};

inline CLifeAnchorUI::~CLifeAnchorUI()
{
    for (CLifeGuardUI* guard = m_pGuards; guard != nullptr; guard = guard->m_pNext)
        guard->m_pAnchor = nullptr;
}

} // namespace UiToolkit
