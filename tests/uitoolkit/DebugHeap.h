// The debug heap's one knob (DebugHeap.cpp): bookkeeping of a test's own that no code under test ever sees.
#pragma once

extern "C" bool DebugHeapEnterUnguarded();
extern "C" void DebugHeapLeaveUnguarded();

namespace TestHelpers {

// While one lives, this thread's allocations come from the system heap, unguarded: a guarded block costs two
// changes of the process's mappings, and a harness that records every call would spend most of a run on its
// own strings. Frees find their heap by address, so a block may go on either side of the scope. Toolkit calls
// stay outside it. Nested scopes and other threads' allocations are not affected.
class CUnguardedAllocations
{
public:
    CUnguardedAllocations() : m_entered(DebugHeapEnterUnguarded()) {}
    ~CUnguardedAllocations()
    {
        if (m_entered)
            DebugHeapLeaveUnguarded();
    }
    CUnguardedAllocations(const CUnguardedAllocations&) = delete;
    CUnguardedAllocations& operator=(const CUnguardedAllocations&) = delete;

private:
    bool m_entered;
};

} // namespace TestHelpers
