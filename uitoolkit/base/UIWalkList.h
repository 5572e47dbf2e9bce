// A list of listeners that the listeners themselves may change while it is walked.
#pragma once
#include <memory>
#include <vector>

namespace UiToolkit {

// Pointers in the order they were added. During a walk an entry removed is not reached afterwards, no other
// entry is skipped, and an entry added is first reached by the next walk. The list may be destroyed while it
// is walked: the walk then ends. Entries are never NULL. UI thread only.
class CWalkListUI
{
    struct State;

public:
    // Frees an owned entry once it is removed and no walk can reach it any more; NULL for entries not owned.
    typedef void (*ReleaseFn)(void* entry);

    explicit CWalkListUI(ReleaseFn release = nullptr);
    ~CWalkListUI();
    CWalkListUI(const CWalkListUI&) = delete;
    CWalkListUI& operator=(const CWalkListUI&) = delete;

    bool Add(void* entry);
    // The first listed occurrence; false when there is none.
    bool Remove(void* entry);
    void Empty();
    bool Contains(void* entry) const;
    int Count() const;
    bool IsEmpty() const { return Count() == 0; }

    // Open while the caller walks; each walk is also a handling scope, so nothing deferred is freed under it.
    class Walk
    {
    public:
        explicit Walk(const CWalkListUI& list);
        ~Walk();
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;
        // NULL once every entry listed at the start of the walk was reached or removed.
        void* Next();

    private:
        std::shared_ptr<State> m_state;
        size_t m_next = 0;
        size_t m_end;
    };

private:
    struct State
    {
        std::vector<void*> entries; // removed ones read NULL until no walk is open
        int openWalks = 0;
        bool holes = false;
        ReleaseFn release = nullptr;
        std::vector<void*> released; // removed owned entries waiting for the walks to end
    };
    static void Settle(State& state);

    // Made by the first Add (most lists of a control never get an entry); shared with open walks, which may
    // outlive the list.
    std::shared_ptr<State> m_state;
    ReleaseFn m_release;
};

} // namespace UiToolkit
