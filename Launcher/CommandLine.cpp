#include "CommandLine.h"

namespace {
bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

// The URL protocol handler is registered as "<exe>" "%1": the link arrives in double quotes.
std::wstring StripEnclosingQuotes(const std::wstring& line)
{
    if (line.size() >= 2 && line.front() == L'"' && line.back() == L'"')
        return line.substr(1, line.size() - 2);
    return line;
}

void ParseSwitch(const std::wstring& line, LauncherCommandLine& out)
{
    static const wchar_t kSwitch[] = L"switchenv=";
    static const wchar_t kXmlUrl[] = L"&xmlurl=";
    out.isSwitch = true;
    out.forceKill = true;
    size_t envStart = wcslen(kSwitch);
    size_t urlMark = line.find(kXmlUrl, envStart);
    if (urlMark == std::wstring::npos)
        return;
    size_t urlStart = urlMark + wcslen(kXmlUrl);
    size_t paramsMark = line.find(L'&', urlStart);
    if (paramsMark == std::wstring::npos)
        return;
    std::wstring env = line.substr(envStart, urlMark - envStart);
    std::wstring url = line.substr(urlStart, paramsMark - urlStart);
    if (env.size() > kMaxEnvChars || url.size() > kMaxUrlChars || !IsPlainEnvName(env))
        return;
    out.switchEnv = env;
    out.switchUrl = url;
    out.params = line.substr(paramsMark + 1);
    out.hasParams = true;
    out.switchValid = true;
}
} // namespace

bool IsPlainEnvName(const std::wstring& env)
{
    if (env.find(L"..") != std::wstring::npos)
        return false;
    for (wchar_t c : env)
        if (c == L'\\' || c == L'/' || c == L':' || c < 0x20 || c == 0x7F)
            return false;
    return true;
}

LauncherCommandLine ParseLauncherCommandLine(const std::wstring& rawLine)
{
    LauncherCommandLine out;
    std::wstring line = StripEnclosingQuotes(rawLine);
    if (line.empty())
        return out;

    if (line.find(L"--www") != std::wstring::npos)
        out.envUpdate = LauncherCommandLine::kWww;
    else if (line.find(L"--pro") != std::wstring::npos)
        out.envUpdate = LauncherCommandLine::kPro;

    if (StartsWith(line, L"switchenv=")) {
        ParseSwitch(line, out);
        return out;
    }

    std::wstring rest = line;
    if (StartsWith(line, L"forcerun:")) {
        out.forceKill = true;
        rest = line.substr(9);
    }
    out.hasParams = true;
    out.params = rest;
    if (!rest.empty() && !StartsWith(rest, L"urlpath=") && !StartsWith(rest, L"loginurl=")) {
        size_t colon = rest.find(L':');
        if (colon != std::wstring::npos) {
            // The parameters begin at the third character after the ':' ("://" dropped);
            // a text that ends sooner gives empty parameters.
            size_t start = colon + 3;
            out.params = start < rest.size() ? rest.substr(start) : std::wstring();
        }
    }
    return out;
}
