#include "msgbox.h"
#include "files.h"

namespace testkit {

static const DWORD kPollMs = 30;
static const DWORD kRepressMs = 1000; // a box still up after this long gets pressed again

MsgBoxAnswerer::MsgBoxAnswerer(int button) : button_(button), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    thread_ = std::thread(&MsgBoxAnswerer::Run, this);
}

MsgBoxAnswerer::~MsgBoxAnswerer()
{
    SetEvent(stop_.Get());
    thread_.join();
}

std::vector<MsgBoxAnswerer::Box> MsgBoxAnswerer::Boxes() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
}

bool MsgBoxAnswerer::WaitForBoxes(size_t n, DWORD ms) const
{
    return WaitFor([&] { return Boxes().size() >= n; }, ms);
}

void MsgBoxAnswerer::Run()
{
    while (WaitForSingleObject(stop_.Get(), kPollMs) == WAIT_TIMEOUT)
        Poll();
}

static std::wstring WindowText(HWND hwnd)
{
    int len = GetWindowTextLengthW(hwnd);
    std::wstring text(len + 1, L'\0');
    int got = GetWindowTextW(hwnd, &text[0], len + 1);
    text.resize(got > 0 ? got : 0);
    return text;
}

static BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM param)
{
    wchar_t cls[16] = {};
    if (GetClassNameW(hwnd, cls, 16) && wcscmp(cls, L"#32770") == 0 && IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

void MsgBoxAnswerer::Poll()
{
    std::vector<HWND> found;
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&found));
    DWORD now = GetTickCount();
    for (auto it = answered_.begin(); it != answered_.end();) {
        if (!IsWindow(it->first))
            it = answered_.erase(it);
        else
            ++it;
    }
    for (HWND box : found) {
        auto it = answered_.find(box);
        if (it == answered_.end()) {
            Box b;
            b.caption = ToUtf8(WindowText(box));
            HWND text = GetDlgItem(box, 0xFFFF);
            if (text)
                b.text = ToUtf8(WindowText(text));
            {
                std::lock_guard<std::mutex> hold(lock_);
                boxes_.push_back(b);
            }
            answered_[box] = now;
            Answer(box);
        } else if (now - it->second >= kRepressMs) {
            it->second = now;
            Answer(box);
        }
    }
}

// The wanted button, else its nearest meaning on this box, else any button, so nothing stalls.
void MsgBoxAnswerer::Answer(HWND box)
{
    int wanted = button_;
    int fallback = 0;
    switch (wanted) {
    case IDYES:
        fallback = IDOK;
        break;
    case IDNO:
        fallback = IDCANCEL;
        break;
    case IDOK:
        fallback = IDYES;
        break;
    case IDCANCEL:
        fallback = IDNO;
        break;
    }
    const int order[] = {wanted, fallback, IDOK, IDCANCEL, IDYES, IDNO};
    for (int id : order) {
        if (id == 0)
            continue;
        HWND button = GetDlgItem(box, id);
        if (button) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            return;
        }
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

} // namespace testkit
