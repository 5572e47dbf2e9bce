#include "render/RenderKit.h"
#include "skin/SkinBuilder.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

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

// Words of one to four letters with a blank after each, cut to the length asked.
std::wstring Words(size_t length)
{
    std::wstring text;
    for (int i = 0; text.size() < length; ++i) {
        text.append(L"word", 1 + i % 4);
        text += L' ';
    }
    text.resize(length);
    return text;
}

} // namespace

// Costs that grew with the square of a text's length: each case took seconds to a minute before.
TEST(LongTexts, ListItemPaintsAndTaggedTextMeasuresInTheirLength)
{
    InitToolkitForTests();
    CWindowManagerUI::AddMultiLanguageText(9101, L"[first]");
    CWindowManagerUI::AddMultiLanguageText(9102, L"[last]");
    const std::wstring body = Words(60000);

    // The substitution copies plain runs whole; references at both ends and an unknown one in the middle.
    std::wstring marked = L"%{9101}" + body.substr(0, 30000) + L"%{9199}" + body.substr(30000) + L"%{9102}";
    std::wstring expected = L"[first]" + body.substr(0, 30000) + L"%{9199}" + body.substr(30000) + L"[last]";
    CStringUI substituted;
    double substitute = Milliseconds([&] { substituted = CWindowManagerUI::SubstituteMultiLanguage(marked.c_str()); });
    EXPECT_EQ(expected, std::wstring(substituted.Text()));
    EXPECT_LT(substitute, 1000.0);

    // List items painting that text, plain and tagged (under the debug heap the old way took a minute).
    CTestWindow window;
    HWND hwnd = window.Create(400, 200);
    CSkinBuilder builder;
    CControlUI* root =
        builder.Create(L"<Window><VerticalLayout>"
                       L"<List showhtml=\"false\"><ListLabelElement name=\"plain\" height=\"24\"/></List>"
                       L"<List showhtml=\"true\"><ListLabelElement name=\"tagged\" height=\"24\"/></List>"
                       L"</VerticalLayout></Window>",
                       NULL, NULL, &window.manager);
    ASSERT_TRUE(window.manager.AttachRoot(root));
    UpdateWindow(hwnd);
    window.manager.FindControlByName(L"plain")->SetText(marked.c_str());
    window.manager.FindControlByName(L"tagged")->SetText(marked.c_str());
    double paint = Milliseconds([&] {
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    });
    EXPECT_LT(paint, 3000.0);

    // Wrapping tagged text measures each line, not the rest of the text, for every line.
    HDC dc = window.manager.GetWindowDC();
    const std::wstring longer = Words(120000);
    RECT area = {0, 0, 380, 1 << 30};
    int none = 0;
    double measure = Milliseconds([&] {
        CRenderKitUI::DrawHtmlText(dc, &window.manager, area, longer.c_str(), 0, NULL, NULL, none,
                                   DT_WORDBREAK | DT_CALCRECT);
    });
    EXPECT_LT(measure, 1500.0);
    // Every line was broken after a word: about as many lines as the words need at that width, never wider.
    RECT line = {0, 0, 380, 1000};
    CRenderKitUI::DrawHtmlText(dc, &window.manager, line, L"w", 0, NULL, NULL, none, DT_CALCRECT);
    SIZE blank = {0, 0};
    SIZE full = {0, 0};
    HGDIOBJ old = SelectObject(dc, window.manager.GetFontInfo(-1)->hFont);
    GetTextExtentPoint32W(dc, longer.c_str(), static_cast<int>(longer.size()), &full);
    GetTextExtentPoint32W(dc, L"word ", 5, &blank);
    SelectObject(dc, old);
    int lines = (area.bottom - area.top) / (line.bottom - line.top);
    EXPECT_GE(lines, full.cx / 380);
    EXPECT_LE(lines, full.cx / (380 - blank.cx) + 1);
    EXPECT_LE(area.right, 380);
    DestroyWindow(hwnd);
}
