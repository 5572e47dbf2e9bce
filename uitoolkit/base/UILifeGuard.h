// Tells code that raised a notification whether the handler deleted the object it runs in.
#pragma once
#include <memory>

namespace UiToolkit {

class CLifeGuardUI;

// A member of the guarded object: its destruction marks every guard on it dead.
class CLifeAnchorUI
{
public:
    CLifeAnchorUI() = default;
    ~CLifeAnchorUI();
    CLifeAnchorUI(const CLifeAnchorUI&) = delete;
    CLifeAnchorUI& operator=(const CLifeAnchorUI&) = delete;

private:
    friend class CLifeGuardUI;
    // Heap-held and shared with the guards, which link to nothing: a guard whose frame was unwound without its
    // destructor (a swallowed fault) leaves no stale link behind for anyone to walk.
    std::shared_ptr<bool> m_alive;
};

// Lives on the stack around a call that may delete the anchor's object; guards nest.
class CLifeGuardUI
{
public:
    explicit CLifeGuardUI(CLifeAnchorUI& anchor);
    CLifeGuardUI(const CLifeGuardUI&) = delete;
    CLifeGuardUI& operator=(const CLifeGuardUI&) = delete;

    bool IsAlive() const { return *m_alive; }

private:
    std::shared_ptr<bool> m_alive;
};

} // namespace UiToolkit
