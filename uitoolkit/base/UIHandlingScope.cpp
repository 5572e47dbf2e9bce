#include "base/UIHandlingScope.h"

#include <windows.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace UiToolkit {

namespace {

struct PendingFree
{
    void* object; // NULL once forgotten
    CHandlingScopeUI::FreeFn free;
};

// Run in the order asked, one at a time from the list itself: a free may free another waiting object, whose
// destructor then forgets its own entry before it is reached.
struct PendingList
{
    std::vector<PendingFree> entries;
    size_t next = 0;

    bool IsEmpty() const { return next == entries.size(); }
    void Add(void* object, CHandlingScopeUI::FreeFn free) { entries.push_back(PendingFree{object, free}); }
    void Forget(void* object)
    {
        for (size_t i = next; i < entries.size(); ++i) {
            if (entries[i].object == object)
                entries[i].object = nullptr;
        }
    }
    void RunAll()
    {
        while (next < entries.size()) {
            PendingFree pending = entries[next++];
            if (pending.object != nullptr)
                pending.free(pending.object);
        }
        entries.clear();
        next = 0;
    }
};

// What a frame of this thread has opened: a scope, or a hold on a window object. Listed innermost last.
struct OpenRecord
{
    const void* marker;            // the scope or hold object, on the stack of the frame that opened it
    bool scope;                    // else a hold, which counts for no depth
    CHandlingScopeUI::FreeFn lost; // a hold's undoing when its frame went without closing it
    void* object;
};

// Per thread: each UI thread handles its own windows.
thread_local int t_depth = 0;                           // open scopes
thread_local std::vector<OpenRecord>* t_open = nullptr; // made when first needed
thread_local PendingList* t_frees = nullptr;            // made when first needed; freed once nothing waits
thread_local PendingList* t_finishes = nullptr;         // window objects, after the frees
thread_local HWND t_poster = NULL;                      // this thread's message-only window, once made
thread_local bool t_posted = false;

const wchar_t POSTER_CLASS[] = L"UiToolkitFinishLater";
const UINT WM_FINISH_LATER = WM_APP + 0x3F1;

bool NothingWaits()
{
    return (t_frees == nullptr || t_frees->IsEmpty()) && (t_finishes == nullptr || t_finishes->IsEmpty());
}

PendingList& List(PendingList*& list)
{
    if (list == nullptr)
        list = new PendingList();
    return *list;
}

void RunWaiting()
{
    while (!NothingWaits()) {
        List(t_frees).RunAll();
        List(t_finishes).RunAll();
    }
    delete t_frees;
    delete t_finishes;
    t_frees = t_finishes = nullptr;
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

// Asks for a message that runs what waits; false when none can be had.
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

std::vector<OpenRecord>& Open()
{
    if (t_open == nullptr)
        t_open = new std::vector<OpenRecord>();
    return *t_open;
}

// A fault the platform swallows inside a window procedure (its text services, say) unwinds the frames above its
// handler without running their destructors on x86: what they opened stays listed. A record whose marker lies
// below the given address of the current stack belongs to a frame that has gone; so do those listed after a
// record that is being closed. Both are dropped, and a hold's object hears it.
void DropRecord()
{
    OpenRecord record = t_open->back();
    t_open->pop_back();
    if (record.scope)
        --t_depth;
    else if (record.lost != nullptr)
        record.lost(record.object);
}

// The stack's ends, from the thread's information block (as NT_TIB lays it out).
bool OnThisStack(const void* marker)
{
    const void* base;
    const void* limit;
#if defined(__x86_64__)
    __asm__("movq %%gs:8, %0" : "=r"(base));
    __asm__("movq %%gs:16, %0" : "=r"(limit));
#else
    __asm__("movl %%fs:4, %0" : "=r"(base));
    __asm__("movl %%fs:8, %0" : "=r"(limit));
#endif
    return marker >= limit && marker < base;
}

void DropGoneFrames(const void* here)
{
    while (t_open != nullptr && !t_open->empty() && t_open->back().marker < here && OnThisStack(t_open->back().marker))
        DropRecord();
}

// Closes the innermost record of the marker and any listed after it; false when none is listed.
bool CloseRecord(const void* marker)
{
    if (t_open == nullptr)
        return false;
    size_t at = t_open->size();
    while (at > 0 && (*t_open)[at - 1].marker != marker)
        --at;
    if (at == 0)
        return false;
    while (t_open->size() > at)
        DropRecord();
    t_open->pop_back();
    return true;
}

void RunIfOutermost(CHandlingScopeUI::Kind kind)
{
    if (t_depth > 0 || NothingWaits())
        return;
    // Still open while the frees run: a destructor that removes or frees more appends to the lists.
    ++t_depth;
    if (kind != CHandlingScopeUI::HANDLING || !PostFinishes())
        RunWaiting();
    --t_depth;
}

} // namespace

void CHandlingScopeUI::Enter(Kind, const void* marker)
{
    char here;
    DropGoneFrames(&here);
    Open().push_back(OpenRecord{marker, true, nullptr, nullptr});
    ++t_depth;
}

// A walk, notification or event that the application reached from outside any message closes with toolkit
// frames of that call still to run (the layout that raised a size event, say): what waits then runs at the
// thread's next message.
void CHandlingScopeUI::Leave(Kind kind, const void* marker)
{
    if (CloseRecord(marker))
        --t_depth;
    RunIfOutermost(kind);
}

void CHandlingScopeUI::EnterHold(const void* marker, void* object, FreeFn lost)
{
    char here;
    DropGoneFrames(&here);
    Open().push_back(OpenRecord{marker, false, lost, object});
}

bool CHandlingScopeUI::LeaveHold(const void* marker)
{
    return CloseRecord(marker);
}

void CHandlingScopeUI::Unwound(const void* marker)
{
    size_t at = 0;
    while (t_open != nullptr && at < t_open->size() && (*t_open)[at].marker != marker)
        ++at;
    while (t_open != nullptr && t_open->size() > at)
        DropRecord();
    // Nothing runs during an unwind: what waits is run by a message.
    if (t_depth == 0 && !NothingWaits())
        PostFinishes();
}

void CHandlingScopeUI::AtLoopTop()
{
    char here;
    DropGoneFrames(&here);
    RunIfOutermost(MESSAGE);
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
    List(t_frees).Add(object, free);
}

void CHandlingScopeUI::Forget(void* object)
{
    if (object == nullptr)
        return;
    if (t_frees != nullptr)
        t_frees->Forget(object);
    if (t_finishes != nullptr)
        t_finishes->Forget(object);
    // Holds on it that a gone frame left listed must not reach it.
    for (size_t i = 0; t_open != nullptr && i < t_open->size(); ++i) {
        if ((*t_open)[i].object == object)
            (*t_open)[i].lost = nullptr;
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
    List(t_finishes).Add(object, finish);
}

} // namespace UiToolkit
