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
    // Out of line: inlined, the compiler takes the guard's stay in the anchor for a dangling pointer.
    explicit CLifeGuardUI(CLifeAnchorUI& anchor);
    ~CLifeGuardUI();
    CLifeGuardUI(const CLifeGuardUI&) = delete;
    CLifeGuardUI& operator=(const CLifeGuardUI&) = delete;

    bool IsAlive() const { return m_pAnchor != nullptr; }

private:
    friend class CLifeAnchorUI;
    CLifeAnchorUI* m_pAnchor;
    CLifeGuardUI* m_pNext;
};

} // namespace UiToolkit
