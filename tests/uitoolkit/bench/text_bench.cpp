// Not a test: times long texts on the toolkit's paint and build paths with the ordinary heap.
// scripts/bench-text.sh runs it; each line gives a case, its size and the milliseconds it took.
#include "controls/RichEditUI.h"
#include "skin/SkinBuilder.h"
#include "TestWindow.h"

#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

double Milliseconds(const std::function<void()>& work)
{
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&stop);
    return 1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Words of varied length with a blank after each, cut to the length asked.
std::wstring Words(int length, int lineEvery)
{
    std::wstring text;
    for (int i = 0; static_cast<int>(text.size()) < length; ++i) {
        text.append(L"word", 1 + i % 4);
        text += (lineEvery > 0 && i % lineEvery == lineEvery - 1) ? L'\r' : L' ';
    }
    text.resize(static_cast<size_t>(length));
    return text;
}

void Paint(HWND hwnd)
{
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
}

void ListText(int length, bool html)
{
    CTestWindow window;
    HWND hwnd = window.Create(400, 200);
    CSkinBuilder builder;
    std::wstring markup = std::wstring(L"<Window><List name=\"list\" showhtml=\"") + (html ? L"true" : L"false") +
                          L"\"><ListLabelElement name=\"item\" height=\"24\"/></List></Window>";
    window.manager.AttachRoot(builder.Create(markup.c_str(), NULL, NULL, &window.manager));
    Paint(hwnd);
    std::wstring text = Words(length, 0);
    window.manager.FindControlByName(L"item")->SetText(text.c_str());
    double ms = Milliseconds([&] { Paint(hwnd); });
    printf("list item, %s text %5d chars  paint %6.1f ms\n", html ? "tagged" : "plain ", length, ms);
    DestroyWindow(hwnd);
}

// The tagged-text renderer measuring a long wrapping text straight, as a control sized by its text does.
void MeasureTagged(int length)
{
    CTestWindow window;
    HWND hwnd = window.Create(400, 300);
    std::wstring text = Words(length, 0);
    RECT rc = {0, 0, 380, 9999};
    int none = 0;
    double ms = Milliseconds([&] {
        CRenderKitUI::DrawHtmlText(window.manager.GetWindowDC(), &window.manager, rc, text.c_str(), 0, NULL, NULL, none,
                                   DT_WORDBREAK | DT_CALCRECT);
    });
    printf("tagged text, measured %5d chars  height %6ld  %6.1f ms\n", length, rc.bottom - rc.top, ms);
    DestroyWindow(hwnd);
}

// lineEvery: a line break after that many words (0: one paragraph); extra: more attributes.
void RichEditBuild(const char* label, int length, int lineEvery, const wchar_t* extra)
{
    CTestWindow window;
    HWND hwnd = window.Create(400, 300);
    std::wstring text = Words(length, lineEvery);
    std::wstring markup = std::wstring(L"<Window><VerticalLayout><RichEdit name=\"edit\" ") + extra + L" text=\"" +
                          text + L"\"/></VerticalLayout></Window>";
    CControlUI* root = NULL;
    double build = Milliseconds([&] {
        CSkinBuilder builder;
        root = builder.Create(markup.c_str(), NULL, NULL, &window.manager);
    });
    double attach = Milliseconds([&] { window.manager.AttachRoot(root); });
    double paint = Milliseconds([&] { Paint(hwnd); }); // lays out, focuses the edit, draws
    CRichEditUI* edit = static_cast<CRichEditUI*>(window.manager.FindControlByName(L"edit")->CastTo(L"RichEdit"));
    int lines = edit->GetLineCount();
    double refocus = Milliseconds([&] {
        window.manager.SetFocusControl(NULL);
        window.manager.SetFocusControl(edit);
    });
    double narrower = Milliseconds([&] {
        SetWindowPos(hwnd, NULL, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
        Paint(hwnd);
    });
    printf("rich edit %-28s %5d chars %4d lines  markup %5.1f  initialise %6.1f  first paint %6.1f  "
           "refocus %6.1f  narrower %6.1f ms\n",
           label, length, lines, build, attach, paint, refocus, narrower);
    fflush(stdout);
    DestroyWindow(hwnd);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    InitToolkitForTests();
    int scale = argc > 1 ? _wtoi(argv[1]) : 1;
    for (int length : {10000, 60000 * scale}) {
        ListText(length, false);
        ListText(length, true);
        MeasureTagged(length);
    }
    for (int length : {500, 2000, 6000 * scale}) {
        RichEditBuild("single-line", length, 0, L"multiline=\"false\"");
        RichEditBuild("multi-line, 12 words a line", length, 12, L"vscrollbar=\"true\"");
        RichEditBuild("multi-line, one paragraph", length, 0, L"vscrollbar=\"true\"");
    }
    return 0;
}
