#include <gtest/gtest.h>

// Programs link with -municode, so the console entry point is the wide one.
int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
