#include <windows.h>

#include <gtest/gtest.h>

#include "DebugHeap.h"
#include "TestHelpers.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <thread>
#include <vector>

// The test looks at freed blocks on purpose, without touching their bytes.
#pragma GCC diagnostic ignored "-Wuse-after-free"

namespace {

bool Accessible(const void* p)
{
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(p, &info, sizeof(info)) != sizeof(info))
        return false;
    return info.State == MEM_COMMIT && (info.Protect & (PAGE_READWRITE | PAGE_READONLY)) != 0;
}

// Runs this test again as a child that fills the arena in blocks of the given kind, and checks how it ends.
void ExpectFillEndsTheProgram(const char* fill)
{
    TestHelpers::TempFolder folder;
    // Read back through the same handle: the child's copy may close a moment after it ends.
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE err = CreateFileW(folder.File(L"stderr.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, err);
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=DebugHeap.UsedUpArenaEndsTheProgram";
    STARTUPINFOW si = {sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    SetEnvironmentVariableA("DEBUGHEAP_FILL_ARENA", fill);
    BOOL started = CreateProcessW(self, &command[0], NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL, NULL, &si, &pi);
    SetEnvironmentVariableW(L"DEBUGHEAP_FILL_ARENA", NULL);
    if (!started)
        CloseHandle(err);
    ASSERT_TRUE(started);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program filling the arena did not end";
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(5u, code);
    char text[300] = "";
    DWORD read = 0;
    SetFilePointer(err, 0, NULL, FILE_BEGIN);
    ReadFile(err, text, sizeof(text) - 1, &read, NULL);
    CloseHandle(err);
    EXPECT_NE(nullptr, strstr(text, "debug heap: arena of")) << text;
}

} // namespace

// The test programs' allocator: what the tests rely on to see a use after free.
TEST(DebugHeap, FreedBlocksFaultAndStayOutOfUse)
{
    int* object = new int(5);
    char* bytes = static_cast<char*>(malloc(100));
    ASSERT_TRUE(Accessible(object));
    ASSERT_TRUE(Accessible(bytes));
    // The block ends right before a page that is never accessible.
    EXPECT_FALSE(Accessible(bytes + 112));
    EXPECT_EQ(0u, reinterpret_cast<UINT_PTR>(bytes) % 16);

    delete object;
    free(bytes);
    EXPECT_FALSE(Accessible(object));
    EXPECT_FALSE(Accessible(bytes));

    // Many later blocks never land on the freed ones.
    std::vector<void*> later;
    for (int i = 0; i < 2000; ++i) {
        later.push_back(malloc(i % 300 + 1));
        ASSERT_NE(static_cast<void*>(object), later.back());
        ASSERT_NE(static_cast<void*>(bytes), later.back());
    }
    for (void* p : later)
        free(p);
    EXPECT_FALSE(Accessible(bytes));

    // realloc keeps the contents and retires the old block.
    char* grown = static_cast<char*>(malloc(8));
    strcpy(grown, "kept");
    char* moved = static_cast<char*>(realloc(grown, 5000));
    EXPECT_STREQ("kept", moved);
    EXPECT_FALSE(Accessible(grown));
    free(moved);
}

// A harness's own bookkeeping skips the guard: on its thread only, while its outermost scope is open.
TEST(DebugHeap, UnguardedScopeCoversItsThreadWhileOpen)
{
    char* guarded = static_cast<char*>(malloc(40));
    char* own = NULL;
    char* otherThread = NULL;
    {
        TestHelpers::CUnguardedAllocations scope;
        {
            TestHelpers::CUnguardedAllocations nested;
        }
        own = static_cast<char*>(malloc(40));
        std::thread([&otherThread] { otherThread = static_cast<char*>(malloc(40)); }).join();
        free(guarded); // a guarded block freed inside still faults afterwards
    }
    char* after = static_cast<char*>(malloc(40));
    free(own); // the system heap keeps its pages
    free(otherThread);
    free(after);
    EXPECT_FALSE(Accessible(guarded));
    EXPECT_TRUE(Accessible(own));
    EXPECT_FALSE(Accessible(otherThread));
    EXPECT_FALSE(Accessible(after));
}

// Past the end of the arena, or of the pages the system lets it commit (many small blocks), nothing would be
// guarded: the program ends, saying so, with a code of its own.
TEST(DebugHeap, UsedUpArenaEndsTheProgram)
{
    if (const char* fill = getenv("DEBUGHEAP_FILL_ARENA")) {
        size_t bytes = strcmp(fill, "small") == 0 ? 16 : 256u << 20;
        static void* volatile kept;
        for (;;)
            kept = malloc(bytes);
    }
    for (const char* fill : {"large", "small"}) {
        SCOPED_TRACE(fill);
        ExpectFillEndsTheProgram(fill);
    }
}
