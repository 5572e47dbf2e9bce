// Debug allocator of the toolkit's test programs: a use after free faults every time.
//
// mingw has no address sanitizer. Every block of operator new and of the malloc family gets pages of
// its own in one reserved arena, ending just before a page that is never committed (an overrun
// faults too). A freed block's pages are decommitted at once, so any later touch is an access
// violation, and they stay out of use while the block waits in a quarantine of the last frees and
// the allocation cursor goes round the arena. Blocks that the system allocator made (before the
// arena, or in msvcrt itself) are handed back to it. Such a fault, and a stack overflow, end the
// program with a message and a failing exit code wherever they happen, and so do any other access
// violation in the program's own code (exit code 6) and an arena used up (exit code 5): the blocks
// after it would go unguarded. A test's own bookkeeping may skip the arena (DebugHeap.h).
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>

#include <new>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const size_t PAGE = 4096;
const size_t ALIGN = 16;
const size_t QUARANTINE = 8192; // freed blocks kept inaccessible before their pages may come back
// A block takes two pages at least: 512 MiB is about 65,000 small blocks. A 64-bit process has the room
// for far more; halved until the reservation succeeds.
#ifdef _WIN64
const size_t ARENA_MOST = size_t(8) << 30;
const size_t ARENA_LEAST = size_t(512) << 20;
#else
const size_t ARENA_MOST = size_t(512) << 20;
const size_t ARENA_LEAST = size_t(64) << 20;
#endif
const UINT EXIT_ARENA_USED_UP = 5;
const UINT EXIT_FAULT = 6; // any other access violation in the program's own code

enum PageState : uint8_t
{
    PAGE_FREE = 0,
    PAGE_LIVE = 1,
    PAGE_QUARANTINED = 2
};

struct Arena
{
    BYTE* base = NULL;
    size_t pages = 0;
    size_t cursor = 0;
    uint8_t* state = NULL;  // per page
    uint32_t* head = NULL;  // per page: first page of the block it belongs to
    uint32_t* count = NULL; // per first page: pages of the block
    uint32_t* size = NULL;  // per first page: bytes asked for
    uint32_t quarantine[QUARANTINE] = {};
    size_t quarantineNext = 0;
    size_t quarantineUsed = 0;
    bool tried = false;
};

Arena g_arena;
SRWLOCK g_lock = SRWLOCK_INIT;

typedef void*(__cdecl* MallocFn)(size_t);
typedef void(__cdecl* FreeFn)(void*);
typedef void*(__cdecl* ReallocFn)(void*, size_t);

struct SystemHeap
{
    MallocFn malloc = NULL;
    FreeFn free = NULL;
    ReallocFn realloc = NULL;
};

// Filled on first use without a guard: racing threads store the same values.
SystemHeap g_system;

const SystemHeap& System()
{
    if (g_system.free == NULL) {
        HMODULE crt = GetModuleHandleW(L"msvcrt.dll");
        if (crt == NULL)
            crt = LoadLibraryW(L"msvcrt.dll");
        g_system.malloc = reinterpret_cast<MallocFn>(GetProcAddress(crt, "malloc"));
        g_system.realloc = reinterpret_cast<ReallocFn>(GetProcAddress(crt, "realloc"));
        g_system.free = reinterpret_cast<FreeFn>(GetProcAddress(crt, "free"));
    }
    return g_system;
}

[[noreturn]] void End(const char* text, int n, UINT code)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, n > 0 ? static_cast<DWORD>(n) : 0, &written, NULL);
    TerminateProcess(GetCurrentProcess(), code);
    for (;;) {
    }
}

[[noreturn]] void Fatal(const char* what, const void* p)
{
    char text[160];
    End(text, _snprintf(text, sizeof(text), "debug heap: %s %p\n", what, p), 3);
}

// Called with the lock held; the process ends here, so it is never released.
[[noreturn]] void ArenaUsedUp(size_t bytes)
{
    char text[200];
    End(text,
        _snprintf(text, sizeof(text), "debug heap: arena of %u MiB used up: no room for a block of %llu bytes\n",
                  static_cast<unsigned>(g_arena.pages * PAGE >> 20), static_cast<unsigned long long>(bytes)),
        EXIT_ARENA_USED_UP);
}

// Whether code lies in the program's own image, the toolkit linked in; not in a system library.
bool InOwnCode(const void* code)
{
    const BYTE* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(NULL));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const BYTE* at = static_cast<const BYTE*>(code);
    return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

// Committing fails long before the arena is full where the system caps a process's mappings (each block
// and its guard page are two): the blocks after it would go unguarded as well.
[[noreturn]] void CommitFailed(size_t bytes)
{
    char text[200];
    End(text,
        _snprintf(text, sizeof(text),
                  "debug heap: arena of %u MiB: no page could be committed for a block of %llu "
                  "bytes (error %lu)\n",
                  static_cast<unsigned>(g_arena.pages * PAGE >> 20), static_cast<unsigned long long>(bytes),
                  GetLastError()),
        EXIT_ARENA_USED_UP);
}

// Runs before any frame handler. A touch of a freed block or of the page after a block ends the
// program even where a window message's dispatch would swallow the access violation and carry on. So
// does a stack overflow: under Wine one that runs on into the frame handlers ends the process with
// exit code 0, which a test run would count as a pass.
LONG CALLBACK CatchFatalFault(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
        static const char text[] = "debug heap: stack overflow\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, sizeof(text) - 1, &written, NULL);
        TerminateProcess(GetCurrentProcess(), 4);
    }
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    const BYTE* address = reinterpret_cast<const BYTE*>(record->ExceptionInformation[1]);
    const Arena& a = g_arena;
    if (a.base == NULL || address < a.base || address >= a.base + a.pages * PAGE) {
        // Any other fault of the program's own code, a NULL pointer say: the dispatch of a window message would
        // swallow it and unwind the frames above without their destructors, leaving holds and links behind.
        if (!InOwnCode(record->ExceptionAddress))
            return EXCEPTION_CONTINUE_SEARCH;
#ifdef _WIN64
        void* const* stack = reinterpret_cast<void* const*>(info->ContextRecord->Rsp);
#else
        void* const* stack = reinterpret_cast<void* const*>(info->ContextRecord->Esp);
#endif
        char text[400];
        int n =
            _snprintf(text, sizeof(text), "debug heap: fault: %s %p by code at %p (callers, likely:",
                      record->ExceptionInformation[0] == 0 ? "read of" : "write to", address, record->ExceptionAddress);
        // Words on the stack that point into the program's code: mostly return addresses, for the symbol table.
        for (int i = 0, found = 0; i < 256 && found < 8 && n > 0 && n < 360; ++i) {
            if (InOwnCode(stack[i])) {
                n += _snprintf(text + n, sizeof(text) - n, " %p", stack[i]);
                ++found;
            }
        }
        if (n > 0 && n < 396)
            n += _snprintf(text + n, sizeof(text) - n, ")\n");
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, n > 0 ? static_cast<DWORD>(n) : 0, &written, NULL);
        TerminateProcess(GetCurrentProcess(), EXIT_FAULT);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    uint8_t state = a.state[(address - a.base) / PAGE];
    char text[200];
    int n = _snprintf(text, sizeof(text), "debug heap: %s %s %p by code at %p\n",
                      state == PAGE_FREE ? "touch past a block or of a block freed long ago:" : "use after free:",
                      record->ExceptionInformation[0] == 0 ? "read of" : "write to", address, record->ExceptionAddress);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, n > 0 ? static_cast<DWORD>(n) : 0, &written, NULL);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Called with the lock held. The bookkeeping arrays live in the arena's own first pages.
bool ReadyLocked()
{
    Arena& a = g_arena;
    if (a.base != NULL || a.tried)
        return a.base != NULL;
    a.tried = true;
    for (size_t bytes = ARENA_MOST; bytes >= ARENA_LEAST && a.base == NULL; bytes /= 2) {
        a.base = static_cast<BYTE*>(VirtualAlloc(NULL, bytes, MEM_RESERVE, PAGE_NOACCESS));
        a.pages = bytes / PAGE;
    }
    if (a.base == NULL)
        return false;
    size_t books = a.pages * (1 + 3 * sizeof(uint32_t));
    size_t bookPages = (books + PAGE - 1) / PAGE;
    if (VirtualAlloc(a.base, bookPages * PAGE, MEM_COMMIT, PAGE_READWRITE) == NULL) {
        VirtualFree(a.base, 0, MEM_RELEASE);
        a.base = NULL;
        return false;
    }
    a.head = reinterpret_cast<uint32_t*>(a.base);
    a.count = a.head + a.pages;
    a.size = a.count + a.pages;
    a.state = reinterpret_cast<uint8_t*>(a.size + a.pages);
    for (size_t i = 0; i <= bookPages && i < a.pages; ++i)
        a.state[i] = PAGE_LIVE; // the books themselves, and a guard page after them
    a.cursor = bookPages + 1;
    AddVectoredExceptionHandler(1, CatchFatalFault);
    return true;
}

bool Owns(const void* p)
{
    const BYTE* b = static_cast<const BYTE*>(p);
    return g_arena.base != NULL && b >= g_arena.base && b < g_arena.base + g_arena.pages * PAGE;
}

// First page of a free run of n pages, searching round the arena from the cursor; 0 when none.
size_t FindRunLocked(size_t n)
{
    Arena& a = g_arena;
    size_t scanned = 0;
    size_t start = a.cursor;
    while (scanned < a.pages + n) {
        if (start + n > a.pages) {
            scanned += a.pages - start;
            start = 0;
            continue;
        }
        size_t i = 0;
        while (i < n && a.state[start + i] == PAGE_FREE)
            ++i;
        if (i == n)
            return start;
        scanned += i + 1;
        start += i + 1;
    }
    return 0;
}

void ReleaseOldestLocked()
{
    Arena& a = g_arena;
    size_t slot = (a.quarantineNext + QUARANTINE - a.quarantineUsed) % QUARANTINE;
    uint32_t first = a.quarantine[slot];
    for (uint32_t i = 0; i < a.count[first]; ++i)
        a.state[first + i] = PAGE_FREE;
    --a.quarantineUsed;
}

// The one thread whose allocations skip the arena while its unguarded scope is open (0: none).
volatile DWORD g_unguardedThread = 0;

void* Allocate(size_t bytes, size_t align)
{
    if (g_unguardedThread != 0 && align <= ALIGN && g_unguardedThread == GetCurrentThreadId())
        return System().malloc(bytes == 0 ? 1 : bytes);
    if (align < ALIGN)
        align = ALIGN;
    if (bytes > 0x40000000u || align > PAGE)
        return NULL;
    size_t used = (bytes == 0 ? 1 : bytes);
    used = (used + align - 1) & ~(align - 1);
    size_t n = (used + PAGE - 1) / PAGE;
    AcquireSRWLockExclusive(&g_lock);
    void* result = NULL;
    if (ReadyLocked()) {
        Arena& a = g_arena;
        // One page more than the block: left uncommitted, it catches an overrun.
        size_t first = FindRunLocked(n + 1);
        while (first == 0 && a.quarantineUsed > 0) {
            ReleaseOldestLocked();
            first = FindRunLocked(n + 1);
        }
        if (first == 0)
            ArenaUsedUp(bytes);
        if (VirtualAlloc(a.base + first * PAGE, n * PAGE, MEM_COMMIT, PAGE_READWRITE) == NULL)
            CommitFailed(bytes);
        {
            for (size_t i = 0; i < n; ++i) {
                a.state[first + i] = PAGE_LIVE;
                a.head[first + i] = static_cast<uint32_t>(first);
            }
            a.count[first] = static_cast<uint32_t>(n);
            a.size[first] = static_cast<uint32_t>(bytes);
            a.cursor = first + n + 1;
            result = a.base + (first + n) * PAGE - used;
        }
    }
    ReleaseSRWLockExclusive(&g_lock);
    if (result == NULL)
        result = System().malloc(bytes == 0 ? 1 : bytes); // no arena at all: the test still runs, unguarded
    return result;
}

// Bytes asked for when the block is ours and live; faults on a block freed twice.
size_t Release(void* p, bool* ours)
{
    *ours = false;
    if (p == NULL)
        return 0;
    AcquireSRWLockExclusive(&g_lock);
    if (!Owns(p)) {
        ReleaseSRWLockExclusive(&g_lock);
        return 0;
    }
    Arena& a = g_arena;
    size_t page = (static_cast<BYTE*>(p) - a.base) / PAGE;
    uint32_t first = a.head[page];
    if (a.state[page] != PAGE_LIVE || a.state[first] != PAGE_LIVE) {
        ReleaseSRWLockExclusive(&g_lock);
        Fatal("block freed twice or never allocated:", p);
    }
    size_t bytes = a.size[first];
    uint32_t n = a.count[first];
    VirtualFree(a.base + first * PAGE, n * PAGE, MEM_DECOMMIT);
    for (uint32_t i = 0; i < n; ++i)
        a.state[first + i] = PAGE_QUARANTINED;
    if (a.quarantineUsed == QUARANTINE)
        ReleaseOldestLocked();
    a.quarantine[a.quarantineNext] = first;
    a.quarantineNext = (a.quarantineNext + 1) % QUARANTINE;
    ++a.quarantineUsed;
    ReleaseSRWLockExclusive(&g_lock);
    *ours = true;
    return bytes;
}

void Free(void* p)
{
    bool ours = false;
    Release(p, &ours);
    if (!ours && p != NULL)
        System().free(p);
}

// Bytes asked for of a live block of the arena.
size_t SizeOf(void* p)
{
    AcquireSRWLockShared(&g_lock);
    size_t page = (static_cast<BYTE*>(p) - g_arena.base) / PAGE;
    bool live = g_arena.state[page] == PAGE_LIVE;
    size_t bytes = live ? g_arena.size[g_arena.head[page]] : 0;
    ReleaseSRWLockShared(&g_lock);
    if (!live)
        Fatal("realloc of a freed block:", p);
    return bytes;
}

void* NewOrThrow(size_t bytes, size_t align)
{
    void* p = Allocate(bytes, align);
    if (p == NULL)
        throw std::bad_alloc();
    return p;
}

} // namespace

extern "C" {

bool DebugHeapEnterUnguarded()
{
    return InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&g_unguardedThread),
                                      static_cast<LONG>(GetCurrentThreadId()), 0) == 0;
}

void DebugHeapLeaveUnguarded()
{
    g_unguardedThread = 0;
}

void* __cdecl malloc(size_t bytes)
{
    return Allocate(bytes, ALIGN);
}

void __cdecl free(void* p)
{
    Free(p);
}

void* __cdecl calloc(size_t count, size_t bytes)
{
    if (bytes != 0 && count > SIZE_MAX / bytes)
        return NULL;
    void* p = Allocate(count * bytes, ALIGN);
    // Fresh pages of the arena are zero; a block of the system heap is not.
    if (p != NULL && !Owns(p))
        memset(p, 0, count * bytes);
    return p;
}

void* __cdecl realloc(void* p, size_t bytes)
{
    if (p == NULL)
        return Allocate(bytes, ALIGN);
    if (bytes == 0) {
        Free(p);
        return NULL;
    }
    if (!Owns(p))
        return System().realloc(p, bytes);
    size_t old = SizeOf(p);
    void* moved = Allocate(bytes, ALIGN);
    if (moved == NULL)
        return NULL;
    memcpy(moved, p, old < bytes ? old : bytes);
    Free(p);
    return moved;
}

} // extern "C"

void* operator new(size_t bytes)
{
    return NewOrThrow(bytes, ALIGN);
}
void* operator new[](size_t bytes)
{
    return NewOrThrow(bytes, ALIGN);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept
{
    return Allocate(bytes, ALIGN);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept
{
    return Allocate(bytes, ALIGN);
}
void* operator new(size_t bytes, std::align_val_t align)
{
    return NewOrThrow(bytes, static_cast<size_t>(align));
}
void* operator new[](size_t bytes, std::align_val_t align)
{
    return NewOrThrow(bytes, static_cast<size_t>(align));
}
void operator delete(void* p) noexcept
{
    Free(p);
}
void operator delete[](void* p) noexcept
{
    Free(p);
}
void operator delete(void* p, size_t) noexcept
{
    Free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    Free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    Free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    Free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    Free(p);
}
