#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
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
