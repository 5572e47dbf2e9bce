#include "foundation/UpdaterCmdLine.h"

#include <windows.h>

#include <cstdlib>

#include "foundation/ConfigParser.h"
#include "foundation/StringConv.h"
#include "foundation/UpdaterLog.h"
#include "foundation/qenUtil.h"

namespace {

const wchar_t kKeyPrefix = L'-';
const wchar_t kValueSeparator = L'=';
const wchar_t kQuote = L'"';
const wchar_t kValueEnd = L' ';
const unsigned kLaunchNameChars = 512;

std::wstring Lowered(std::wstring text)
{
    if (!text.empty())
        ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// Text up to its last backslash (exclusive); unchanged when there is none.
std::wstring CutBeforeLastSlash(const std::wstring& text)
{
    size_t pos = text.find_last_of(L'\\');
    return pos == std::wstring::npos ? text : text.substr(0, pos);
}

// Text up to its last backslash (inclusive); unchanged when there is none.
std::wstring CutAfterLastSlash(const std::wstring& text)
{
    size_t pos = text.find_last_of(L'\\');
    return pos == std::wstring::npos ? text : text.substr(0, pos + 1);
}

bool PathExists(const std::wstring& path)
{
    return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Utf8(const std::wstring& text)
{
    return WideToUtf8(text);
}

// An option's dash opens the text or follows a blank: a dash inside a program path written before
// the options (unquoted, "C:\Program Files\Kel-nova\Updater.exe -url=...") is no option.
size_t FindOptionDash(const std::wstring& s, size_t from)
{
    for (size_t dash = s.find(kKeyPrefix, from); dash != std::wstring::npos; dash = s.find(kKeyPrefix, dash + 1)) {
        if (dash == 0 || s[dash - 1] == L' ' || s[dash - 1] == L'\t')
            return dash;
    }
    return std::wstring::npos;
}

// Where the options begin: after a quoted program path, when the text starts with one.
size_t SkipQuotedProgram(const std::wstring& s)
{
    if (s.size() < 2 || s[0] != kQuote || s[1] == kKeyPrefix)
        return 0;
    size_t close = s.find(kQuote, 1);
    return close == std::wstring::npos ? 0 : close + 1;
}

} // namespace

CCmdLineParser::CCmdLineParser(const wchar_t* cmdLine)
{
    if (cmdLine != nullptr)
        Parse(cmdLine);
}

void CCmdLineParser::Insert(const std::wstring& key, const std::wstring& value)
{
    if (key.empty())
        return;
    m_values.emplace(m_bCaseSensitive ? key : Lowered(key), value); // the first value of a key stays
}

void CCmdLineParser::Parse(const wchar_t* text)
{
    m_cmdLine = text != nullptr ? text : L"";
    m_values.clear();
    const std::wstring& s = m_cmdLine;
    size_t p = SkipQuotedProgram(s);
    while (p < s.size()) {
        size_t dash = FindOptionDash(s, p);
        if (dash == std::wstring::npos || dash + 1 >= s.size())
            return;
        size_t k = dash + 1;
        size_t eq = s.find(kValueSeparator, k);
        if (eq == std::wstring::npos) {
            Insert(s.substr(k), std::wstring());
            return;
        }
        std::wstring key = s.substr(k, eq - k);
        if (eq + 1 == s.size()) {
            Insert(key, std::wstring());
            return;
        }
        size_t valueStart = eq + 1;
        size_t valueEnd;
        if (s[valueStart] == kQuote) {
            ++valueStart;
            valueEnd = s.find(kQuote, valueStart);
        } else {
            valueEnd = s.find(kValueEnd, valueStart);
        }
        if (valueEnd == std::wstring::npos) {
            Insert(key, s.substr(valueStart));
            return;
        }
        Insert(key, s.substr(valueStart, valueEnd - valueStart));
        p = valueEnd + 1;
    }
}

CCmdLineParser::ValueMap::const_iterator CCmdLineParser::FindKey(const std::wstring& key) const
{
    return m_values.find(m_bCaseSensitive ? key : Lowered(key));
}

std::wstring CCmdLineParser::ValueOf(const std::wstring& key) const
{
    auto it = FindKey(key);
    return it == End() ? std::wstring() : it->second;
}

std::wstring MakeZipPath(const std::wstring& moduleDir)
{
    return moduleDir + L"update.zip";
}

ZipDwCfg parseZipConf(const wchar_t* cmdLine)
{
    LOG(INFO) << "cmdline: " << Utf8(cmdLine != nullptr ? cmdLine : L"");
    CCmdLineParser parser(cmdLine);
    std::wstring url = parser.ValueOf(L"url");
    std::wstring md5 = parser.ValueOf(L"md5");
    std::wstring pageCallParam = parser.ValueOf(L"pagecallparam");
    std::wstring forcedUpdate = parser.ValueOf(L"forcedupdate");
    std::wstring clientExe = parser.ValueOf(L"clientexe");
    std::wstring extractPath = parser.ValueOf(L"extractpath");

    ZipDwCfg cfg;
    std::wstring moduleDir = GetModuleDir();
    cfg.url = WStringToThreadAcp(url);
    cfg.zipPath = MakeZipPath(moduleDir);
    cfg.md5 = WStringToThreadAcp(md5);
    cfg.url += "?" + cfg.md5;
    cfg.pageCallParam = WStringToThreadAcp(pageCallParam);
    cfg.restartClient = true;

    if (PathExists(extractPath)) {
        cfg.clientDic = extractPath;
    } else {
        cfg.clientDic = CutAfterLastSlash(CutBeforeLastSlash(CutBeforeLastSlash(moduleDir)));
    }
    LOG(INFO) << "clientDic: " << Utf8(cfg.clientDic);

    if (PathExists(clientExe)) {
        cfg.clientExePath = clientExe;
    } else {
        cfg.clientExePath = CutAfterLastSlash(CutBeforeLastSlash(moduleDir));
        std::string launchName;
        wchar_t wide[kLaunchNameChars];
        if (ConfigParser::GetInstance().GetValue("LaunchName", launchName) &&
            GbkToWide(launchName.c_str(), wide, kLaunchNameChars)) {
            cfg.clientExePath += wide;
        }
    }
    LOG(INFO) << "clientExePath: " << Utf8(cfg.clientExePath);

    const std::wstring scheme = L"http://";
    std::wstring rest = url.compare(0, scheme.size(), scheme) == 0 ? url.substr(scheme.size()) : url;
    size_t slash = rest.find(L'/');
    if (slash == std::wstring::npos) {
        cfg.path = WStringToThreadAcp(rest);
    } else {
        cfg.host = WStringToThreadAcp(rest.substr(0, slash));
        cfg.path = WStringToThreadAcp(rest.substr(slash));
    }
    cfg.forcedUpdate = _wtoi(forcedUpdate.c_str());

    LOG(INFO) << "zipPath: " << Utf8(cfg.zipPath);
    LOG(INFO) << "zipMd5: " << cfg.md5;
    LOG(INFO) << "clientDic: " << Utf8(cfg.clientDic);
    LOG(INFO) << "clientExePath: " << Utf8(cfg.clientExePath);
    return cfg;
}
