// The shared handle holder and SystemText on real handles and real system messages.
#include "Handles.h"
#include "SystemText.h"

#include <gtest/gtest.h>

#include <utility>

namespace {
bool IsOpen(HANDLE h)
{
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}
} // namespace

TEST(ScopedWinHandle, BothFailureValuesAreEmptyAndOwnershipMovesOnlyVisibly)
{
    EXPECT_FALSE(ScopedHandle());
    EXPECT_FALSE(ScopedHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(ScopedFindHandle(nullptr));
    EXPECT_FALSE(ScopedFindHandle(INVALID_HANDLE_VALUE));

    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(IsOpen(raw));
    {
        ScopedHandle first(raw);
        ScopedHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(raw, second.Get());
        HANDLE given = second.Release();
        EXPECT_FALSE(second);
        EXPECT_TRUE(IsOpen(given)); // released, not closed
        second.Reset(given);
    }
    EXPECT_FALSE(IsOpen(raw)); // the last owner closed it

    HANDLE other = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ScopedHandle holder(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE replaced = holder.Get();
    holder.Reset(other);
    EXPECT_FALSE(IsOpen(replaced));
    EXPECT_TRUE(IsOpen(other));

    ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Out()));
    EXPECT_TRUE(key);
    ScopedFile file(_wfopen(L"no\\such\\folder\\file.txt", L"rb"));
    EXPECT_FALSE(file);
}

TEST(SystemText, GivesTheMessageWithoutLineBreakInEitherCodePage)
{
    std::string utf8 = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(utf8.empty());
    EXPECT_NE(utf8, "unknown error");
    EXPECT_EQ(utf8.find_first_of("\r\n"), std::string::npos);
    EXPECT_NE(utf8.back(), ' ');
    EXPECT_FALSE(SystemText(ERROR_ACCESS_DENIED, 936).empty());
    EXPECT_EQ(SystemText(0x2FFFFFFF), "unknown error");
}
