// Every text the Updater's windows show fits its control in both languages: the extent of each text,
// measured by GDI on the font the skin gives, against the control's rectangle after layout. The
// skins come from the packed skin archive the program carries.
#include <windows.h>

#include <easylogging++.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/LabelUI.h"
#include "core/WindowManager.h"
#include "files.h"
#include "skin/WindowImplBase.h"

// The toolkit logs through the program's easylogging++ storage.
INITIALIZE_EASYLOGGINGPP

using namespace UiToolkit;

namespace {

class SkinWindow : public WindowImplBase
{
public:
    explicit SkinWindow(const std::wstring& file) : file_(file)
    {
        CreateWnd(nullptr, L"skin fit", WS_POPUP, WS_EX_TOOLWINDOW);
        ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    }
    ~SkinWindow() override
    {
        if (::IsWindow(m_hWnd))
            ::DestroyWindow(m_hWnd);
    }
    const wchar_t* QueryClassName() const override { return L"skin_fit_wnd"; }
    CStringUI QuerySkinFolder() override { return CStringUI(); }
    CStringUI QuerySkinFile() override { return file_.c_str(); }
    int QuerySkinSourceKind() const override { return UILIB_ZIP; }
    CStringUI QuerySkinZipName() const override { return L"updater-skin.zip"; }

    void SetWidth(int width)
    {
        RECT rc;
        ::GetWindowRect(m_hWnd, &rc);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CLabelUI* Label(const wchar_t* name) { return static_cast<CLabelUI*>(m_pm.FindControlByName(name)); }
    void Show(const wchar_t* name, bool visible) { m_pm.FindControlByName(name)->SetVisible(visible); }
    void Layout()
    {
        m_pm.MarkLayoutDirty();
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }

    // The text's extent against the control's text rectangle; empty when it fits.
    std::string Misfit(const wchar_t* name, const std::wstring& text)
    {
        CLabelUI* label = Label(name);
        if (label == nullptr)
            return "no control";
        label->SetText(text.c_str());
        Layout();
        RECT pos = label->GetPos();
        RECT pad = label->GetTextPadding();
        int width = pos.right - pos.left - pad.left - pad.right;
        int height = pos.bottom - pos.top - pad.top - pad.bottom;
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ old = ::SelectObject(dc, m_pm.GetFont(label->GetFont()));
        SIZE need = {0, 0};
        if (label->CastTo(L"Text") != nullptr) {
            // Wrapping text: GDI's own line breaking at the control's width.
            RECT rc = {0, 0, width, 0};
            ::DrawTextW(dc, text.c_str(), -1, &rc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            need.cx = rc.right;
            need.cy = rc.bottom;
        } else {
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &need);
        }
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        if (width > 0 && need.cx <= width && need.cy <= height)
            return std::string();
        return "text " + std::to_string(need.cx) + "x" + std::to_string(need.cy) + " in " + std::to_string(width) +
               "x" + std::to_string(height);
    }

private:
    std::wstring file_;
};

struct Language
{
    const wchar_t* suffix;
    bool chinese;
};
const Language kLanguages[] = {{L"", true}, {L"_en", false}};

class SkinFit : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        CWindowManagerUI::SetModuleInstance(::GetModuleHandleW(nullptr));
        CWindowManagerUI::SetResourceFolder(testkit::TestsDir().c_str());
    }
    static std::wstring Skin(const wchar_t* base, const Language& lang)
    {
        return std::wstring(base) + lang.suffix + L".xml";
    }
};

#define EXPECT_FITS(wnd, name, text)                                                                                   \
    EXPECT_EQ((wnd).Misfit(name, text), "") << testkit::ToUtf8(std::wstring(name) + L": " + (text))

} // namespace

TEST_F(SkinFit, ProgressWindowShowsEveryProgressTextWithItsPercentage)
{
    for (const Language& lang : kLanguages) {
        SkinWindow wnd(Skin(L"UpdaterWnd", lang));
        std::vector<std::wstring> modes =
            lang.chinese
                ? std::vector<std::wstring>{L"新版本下载中，建议下载完成后再进入教室",
                                            L"正在为您准备客户端新版本，请稍候......"}
                : std::vector<std::wstring>{L"Downloading the newest client application, please wait......",
                                            L"The newest client application is downloading, please wait......"};
        std::wstring retry = lang.chinese ? L"（重试第10次)" : L"（Retring for 10 times)";
        EXPECT_FITS(wnd, L"titleLabel", wnd.Label(L"titleLabel")->GetText().Text());
        EXPECT_FITS(wnd, L"skipButton", wnd.Label(L"skipButton")->GetText().Text());
        // Before the first retry at the skin's width, afterwards widened with the retry count.
        for (const std::wstring& mode : modes)
            EXPECT_FITS(wnd, L"tipsLabel", mode + L"...100%");
        wnd.SetWidth(360);
        for (const std::wstring& mode : modes)
            EXPECT_FITS(wnd, L"tipsLabel", mode + L"...100%" + retry);

        // Ready to install: the progress row gives way to the install button.
        wnd.Show(L"progressLayout", false);
        wnd.Show(L"buttonLayout", true);
        EXPECT_FITS(wnd, L"installButton", wnd.Label(L"installButton")->GetText().Text());
        EXPECT_FITS(wnd, L"tipsLabel",
                    lang.chinese ? L"新版本将在下次启动时安装，您也可以立即安装！"
                                 : L"New version is ready, install now or later");
    }
}

TEST_F(SkinFit, TipsBoxShowsTheNoticeTheFailureAndTheirButtons)
{
    for (const Language& lang : kLanguages) {
        SkinWindow wnd(Skin(L"TipsBoxWnd", lang));
        EXPECT_FITS(wnd, L"titleLabel", wnd.Label(L"titleLabel")->GetText().Text());
        EXPECT_FITS(wnd, L"tipsLabel", wnd.Label(L"tipsLabel")->GetText().Text());
        EXPECT_FITS(wnd, L"tipsLabel",
                    lang.chinese ? L"您的客户端版本不可用，将更新至最新版本。"
                                 : L"Your client will be upgraded to the newest version.");
        EXPECT_FITS(wnd, L"tipsLabel",
                    lang.chinese
                        ? L"升级出问题了,请下载完整安装包~"
                        : L"There are some problems in Updating, Please download full installer from website~");
        EXPECT_FITS(wnd, L"cancelButton", wnd.Label(L"cancelButton")->GetText().Text());
        EXPECT_FITS(wnd, L"confirmButton", L"确定");
        EXPECT_FITS(wnd, L"confirmButton", lang.chinese ? L"前往下载" : L"Go Downloading Page");
    }
}

TEST_F(SkinFit, UpdateCompleteWindowShowsItsTexts)
{
    for (const Language& lang : kLanguages) {
        SkinWindow wnd(Skin(L"LaunchWnd", lang));
        for (const wchar_t* name : {L"titleLabel", L"tipsLabel", L"launchButton"})
            EXPECT_FITS(wnd, name, wnd.Label(name)->GetText().Text());
    }
}
