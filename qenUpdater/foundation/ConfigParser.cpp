#include "foundation/ConfigParser.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "Handles.h"
#include "foundation/StringConv.h"
#include "foundation/UpdaterLog.h"

namespace {

const size_t kAnsiValueBytes = 512;
const DWORD kLanguageValueBytes = 260;
const unsigned kProgNameChars = 128;

bool ContainsNoCase(std::string text, std::string what)
{
    auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    };
    lower(text);
    lower(what);
    return text.find(what) != std::string::npos;
}

std::string CutAtLastBackslash(const std::string& path)
{
    size_t pos = path.find_last_of('\\');
    return pos == std::string::npos ? path : path.substr(0, pos);
}

} // namespace

bool Utf8ToAnsi(const char* utf8, char* out)
{
    if (utf8 == nullptr || out == nullptr)
        return false;
    int wideChars = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wideChars <= 1)
        return false;
    std::wstring wide(static_cast<size_t>(wideChars), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], wideChars);
    int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1 || static_cast<size_t>(bytes) > kAnsiValueBytes)
        return false;
    ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out, bytes, nullptr, nullptr);
    out[bytes - 1] = '\0';
    return true;
}

ConfigParser& ConfigParser::GetInstance()
{
    static ConfigParser instance; // constructed once, also under concurrent first use
    return instance;
}

ConfigParser::ConfigParser()
{
    char module[MAX_PATH + 1] = {0};
    DWORD n = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    module[n < MAX_PATH ? n : MAX_PATH] = '\0';

    std::string folder = CutAtLastBackslash(module);
    std::string path = folder + "\\ProductConfig.xml";
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        size_t pos = folder.find_last_of('\\');
        if (pos != std::string::npos)
            path = folder.substr(0, pos) + "\\ProductConfig.xml";
    }
    LOG(INFO) << "product config path: " << path;

    tinyxml2::XMLError err = document.LoadFile(path.c_str());
    if (err != tinyxml2::XML_SUCCESS) {
        LOG(ERROR) << "Error when load [" << path << "] error[" << static_cast<int>(err) << "]";
    } else {
        loaded = true;
    }
    DecideUiLanguage();
}

bool ConfigParser::GetValue(const char* name, std::string& out) const
{
    if (!loaded || name == nullptr)
        return false;
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr)
        return false;
    const tinyxml2::XMLElement* element = root->FirstChildElement(name);
    if (element == nullptr)
        return false;
    const tinyxml2::XMLNode* first = element->FirstChild();
    const tinyxml2::XMLText* text = first ? first->ToText() : nullptr;
    if (text == nullptr)
        return false;
    char ansi[kAnsiValueBytes];
    if (!Utf8ToAnsi(text->Value(), ansi))
        return false;
    out = ansi;
    return true;
}

void ConfigParser::DecideUiLanguage()
{
    std::string progName;
    (void)GetValue("ProgName", progName); // a missing name leaves it empty: Chinese, as without the key
    if (progName.size() >= 4)
        progName.resize(progName.size() - 4);

    wchar_t wideName[kProgNameChars];
    if (!GbkToWide(progName.c_str(), wideName, kProgNameChars))
        wideName[0] = L'\0';

    std::wstring keyPath = std::wstring(L"SOFTWARE\\") + wideName + L"\\Language";
    ScopedRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS)
        return;

    // One byte more than the value may hold, so that a value stored without terminator still ends.
    char value[kLanguageValueBytes + 1] = {0};
    DWORD size = kLanguageValueBytes;
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS) {
        return;
    }
    value[std::min<DWORD>(size, kLanguageValueBytes)] = '\0';

    if (ContainsNoCase(value, "zh-CN")) {
        chineseUi = true;
    } else if (ContainsNoCase(value, "en-US")) {
        chineseUi = false;
    }
}
