#include "base/UIHandlingScope.h"

#include <windows.h>

#include <cstddef>
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
thread_local std::vector<PendingFree>* t_finishes = nullptr; // window objects, after the frees
thread_local HWND t_poster = NULL;                           // this thread's message-only window, once made
thread_local bool t_posted = false;

const wchar_t POSTER_CLASS[] = L"UiToolkitFinishLater";
const UINT WM_FINISH_LATER = WM_APP + 0x3F1;

void RunAll(std::vector<PendingFree>*& list)
{
    while (list != nullptr && !list->empty()) {
        std::vector<PendingFree> batch;
        batch.swap(*list);
        for (const PendingFree& pending : batch)
            pending.free(pending.object);
    }
    delete list;
    list = nullptr;
}

LRESULT CALLBACK PosterProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_FINISH_LATER)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    t_posted = false;
    // Closing as a message's scope runs what waits, unless a handler's modal loop took this message.
    CHandlingScopeUI handling(CHandlingScopeUI::MESSAGE);
    return 0;
}

// Asks for a message that finishes what waits; false when none can be had.
bool PostFinishes()
{
    if (t_posted)
        return true;
    if (t_poster == NULL) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = PosterProc;
        wc.hInstance = ::GetModuleHandleW(NULL);
        wc.lpszClassName = POSTER_CLASS;
        if (::RegisterClassW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
        t_poster = ::CreateWindowExW(0, POSTER_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
    }
    t_posted = t_poster != NULL && ::PostMessageW(t_poster, WM_FINISH_LATER, 0, 0);
    return t_posted;
}

} // namespace

void CHandlingScopeUI::Enter(Kind)
{
    ++t_depth;
}

void CHandlingScopeUI::Leave(Kind kind)
{
    if (t_depth > 1) {
        --t_depth;
        return;
    }
    // Still open while the frees run: a destructor that removes or frees more appends to the list.
    RunAll(t_pending);
    if (t_finishes != nullptr && (kind == MESSAGE || !PostFinishes())) {
        RunAll(t_finishes);
        RunAll(t_pending);
    }
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

void CHandlingScopeUI::ForgetFinish(void* object)
{
    if (t_finishes == nullptr)
        return;
    for (size_t i = t_finishes->size(); i-- > 0;) {
        if ((*t_finishes)[i].object == object)
            t_finishes->erase(t_finishes->begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void CHandlingScopeUI::Finish(void* object, FreeFn finish)
{
    if (object == nullptr)
        return;
    if (t_depth == 0) {
        finish(object);
        return;
    }
    if (t_finishes == nullptr)
        t_finishes = new std::vector<PendingFree>();
    t_finishes->push_back(PendingFree{object, finish});
}

} // namespace UiToolkit
