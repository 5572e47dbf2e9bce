#include "ui/QenWndBase.h"

#include "foundation/ConfigParser.h"

using UiToolkit::CStringUI;

bool ChineseUi()
{
    return ConfigParser::GetInstance().chineseUi;
}

CStringUI SkinFileFor(const wchar_t* base)
{
    CStringUI file(base);
    file += ChineseUi() ? L".xml" : L"_en.xml";
    return file;
}

UINT CQenWndBase::QueryClassStyle() const
{
    return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
}

CStringUI CQenWndBase::QuerySkinFolder()
{
    return CStringUI();
}

int CQenWndBase::QuerySkinSourceKind() const
{
    return UiToolkit::UILIB_ZIPRESOURCE;
}

const wchar_t* CQenWndBase::QuerySkinResourceName() const
{
    return MAKEINTRESOURCEW(kSkinResourceId);
}

LRESULT CQenWndBase::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&)
{
    if (message != WM_KEYDOWN)
        return 0;
    if (wParam == VK_ESCAPE) {
        PostClose(2);
        return 1;
    }
    if (wParam == VK_RETURN) {
        PostClose(1);
        return 1;
    }
    return 0;
}

void CQenWndBase::DestroyIfOpen()
{
    if (::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}
