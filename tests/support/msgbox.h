#pragma once
#include <windows.h>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Handles.h"

namespace testkit {

// Answers every visible message box of the Wine session (dialog class "#32770") with one button.
class MsgBoxAnswerer
{
public:
    struct Box
    {
        std::string caption; // UTF-8
        std::string text;    // UTF-8
    };

    explicit MsgBoxAnswerer(int button /* IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7 */);
    ~MsgBoxAnswerer();
    MsgBoxAnswerer(const MsgBoxAnswerer&) = delete;
    MsgBoxAnswerer& operator=(const MsgBoxAnswerer&) = delete;

    std::vector<Box> Boxes() const;
    bool WaitForBoxes(size_t n, DWORD ms) const;
    void SetButton(int button) { button_ = button; }

private:
    void Run();
    void Poll();
    void Answer(HWND box);

    std::atomic<int> button_;
    ScopedHandle stop_;
    mutable std::mutex lock_;
    std::vector<Box> boxes_;
    std::map<HWND, DWORD> answered_; // box -> tick of the last press
    std::thread thread_;
};

} // namespace testkit
