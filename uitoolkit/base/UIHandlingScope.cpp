#include "base/UIHandlingScope.h"

#include <utility>
#include <vector>

namespace UiToolkit {

namespace {

struct PendingFree
{
    void* object;
    CHandlingScopeUI::FreeFn free;
};

// Per thread: each UI thread handles its own windows.
thread_local int t_depth = 0;
thread_local std::vector<PendingFree>* t_pending = nullptr;

} // namespace

void CHandlingScopeUI::Enter()
{
    ++t_depth;
}

void CHandlingScopeUI::Leave()
{
    if (t_depth > 1) {
        --t_depth;
        return;
    }
    // Still open while the frees run: a destructor that removes or frees more appends to the list.
    while (t_pending != nullptr && !t_pending->empty()) {
        std::vector<PendingFree> batch;
        batch.swap(*t_pending);
        for (const PendingFree& pending : batch)
            pending.free(pending.object);
    }
    delete t_pending;
    t_pending = nullptr;
    --t_depth;
}

bool CHandlingScopeUI::IsOpen()
{
    return t_depth > 0;
}

void CHandlingScopeUI::Free(void* object, FreeFn free)
{
    if (object == nullptr)
        return;
    if (t_depth == 0) {
        free(object);
        return;
    }
    if (t_pending == nullptr)
        t_pending = new std::vector<PendingFree>();
    t_pending->push_back(PendingFree{object, free});
}

} // namespace UiToolkit
