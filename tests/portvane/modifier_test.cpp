// Portvane with modifier keys held through the system's input, as a user holds them while a link opens.
#include <gtest/gtest.h>

#include <vector>

#include "fixture.h"

using namespace testkit;

namespace {

void SendKeys(const std::vector<WORD>& keys, DWORD flags)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Holds the keys down until it goes out of scope, whatever the test's outcome.
class HeldKeys
{
public:
    explicit HeldKeys(const std::vector<WORD>& keys) : keys_(keys) { SendKeys(keys_, 0); }
    ~HeldKeys() { SendKeys(keys_, KEYEVENTF_KEYUP); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;
    bool AllDown() const
    {
        for (WORD key : keys_)
            if (GetAsyncKeyState(key) >= 0)
                return false;
        return true;
    }

private:
    std::vector<WORD> keys_;
};

} // namespace

TEST(PortvaneKeys, OnlyCtrlAndAltTogetherAddIsAdmin)
{
    struct Case
    {
        std::vector<WORD> keys;
        const char* params;
    } cases[] = {
        {{VK_CONTROL}, "k"},
        {{VK_MENU}, "k"},
        {{VK_CONTROL, VK_MENU}, "k IsAdmin"},
    };
    for (const Case& c : cases) {
        PortvaneFolder folder;
        DebugRun run;
        {
            HeldKeys held(c.keys);
            ASSERT_TRUE(held.AllDown());
            run = folder.Run(L"kelnova://k");
        }
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exitCode);
        ASSERT_TRUE(folder.Record().WaitForLine("args=", 30000));
        EXPECT_EQ(std::vector<std::string>{c.params}, folder.Record().Starts()) << c.keys.size();
    }
}
