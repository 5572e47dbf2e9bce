#include "base/UIWalkList.h"
#include "base/UIHandlingScope.h"

#include <algorithm>

namespace UiToolkit {

CWalkListUI::CWalkListUI(ReleaseFn release) : m_release(release) {}

CWalkListUI::~CWalkListUI()
{
    Empty();
}

bool CWalkListUI::Add(void* entry)
{
    if (entry == nullptr)
        return false;
    if (!m_state) {
        m_state = std::make_shared<State>();
        m_state->release = m_release;
    }
    m_state->entries.push_back(entry);
    return true;
}

bool CWalkListUI::Remove(void* entry)
{
    if (!m_state)
        return false;
    State& state = *m_state;
    auto found = std::find(state.entries.begin(), state.entries.end(), entry);
    if (entry == nullptr || found == state.entries.end())
        return false;
    *found = nullptr;
    state.holes = true;
    if (state.release != nullptr)
        state.released.push_back(entry);
    Settle(state);
    return true;
}

void CWalkListUI::Empty()
{
    if (!m_state)
        return;
    State& state = *m_state;
    for (void*& entry : state.entries) {
        if (entry != nullptr && state.release != nullptr)
            state.released.push_back(entry);
        entry = nullptr;
    }
    state.holes = true;
    Settle(state);
}

bool CWalkListUI::Contains(void* entry) const
{
    if (!m_state)
        return false;
    const std::vector<void*>& entries = m_state->entries;
    return entry != nullptr && std::find(entries.begin(), entries.end(), entry) != entries.end();
}

int CWalkListUI::Count() const
{
    if (!m_state)
        return 0;
    const std::vector<void*>& entries = m_state->entries;
    return static_cast<int>(entries.size() - std::count(entries.begin(), entries.end(), nullptr));
}

void CWalkListUI::Settle(State& state)
{
    // Positions stay put while any walk is open: that is what keeps every walk from skipping an entry.
    if (state.openWalks > 0)
        return;
    if (state.holes)
        state.entries.erase(std::remove(state.entries.begin(), state.entries.end(), nullptr), state.entries.end());
    state.holes = false;
    std::vector<void*> released;
    released.swap(state.released);
    for (void* entry : released)
        state.release(entry);
}

CWalkListUI::Walk::Walk(const CWalkListUI& list)
    : m_state(list.m_state), m_end(list.m_state ? list.m_state->entries.size() : 0)
{
    if (m_state)
        ++m_state->openWalks;
    CHandlingScopeUI::Enter(CHandlingScopeUI::HANDLING, this);
}

CWalkListUI::Walk::~Walk()
{
    if (m_state) {
        --m_state->openWalks;
        Settle(*m_state);
    }
    CHandlingScopeUI::Leave(CHandlingScopeUI::HANDLING, this);
}

void* CWalkListUI::Walk::Next()
{
    if (!m_state)
        return nullptr;
    const std::vector<void*>& entries = m_state->entries;
    while (m_next < m_end && m_next < entries.size()) {
        void* entry = entries[m_next++];
        if (entry != nullptr)
            return entry;
    }
    return nullptr;
}

} // namespace UiToolkit
