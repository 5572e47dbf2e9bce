#include "launcher_fixture.h"
#include <shlobj.h>
#include <atomic>

using namespace testkit;

namespace launchertest {
namespace {
std::string UniqueTag(const std::wstring& tag)
{
    static std::atomic<int> counter{0};
    return ToUtf8(tag) + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
}
} // namespace

Install::Install(const std::wstring& tag, const std::wstring& folderSuffix) : temp_(tag)
{
    dir_ = temp_.Path();
    if (!folderSuffix.empty()) {
        dir_ += folderSuffix + L"\\";
        MakeDirs(dir_);
    }
    std::string unique = UniqueTag(tag);
    names_.progname = "kc" + unique + ".exe";
    names_.protocol = "kp" + unique;
    names_.pipe = "kpipe" + unique;
    names_.launchname = "kl" + unique;
    CopyFileTo(BinDir() + L"Launcher.exe", LauncherPath());
}

Install::~Install()
{
    KillProcesses(ProgName());
    DeleteRegTree(HKEY_CLASSES_ROOT, FromUtf8(names_.protocol));
    DeleteRegTree(HKEY_CURRENT_USER, L"SOFTWARE\\" + FromUtf8(names_.progname.substr(0, names_.progname.size() - 4)));
}

std::wstring Install::ClientDir(const std::string& env) const
{
    return dir_ + FromUtf8(names_.name + "_" + (env.empty() ? names_.env : env)) + L"\\";
}

std::wstring Install::RecordPath(const std::string& env) const
{
    return ClientDir(env) + L"client-record.txt";
}

ClientRecord Install::Record(const std::string& env) const
{
    return ClientRecord(RecordPath(env));
}

void Install::WriteConfig(const std::vector<std::pair<std::string, std::string>>& extra)
{
    std::vector<std::pair<std::string, std::string>> elements = {
        {"Version", "1.0.0"},          {"id", "7"},
        {"name", names_.name},         {"env", names_.env},
        {"ProgName", names_.progname}, {"protocol", names_.protocol},
        {"pipe", names_.pipe},         {"LaunchName", names_.launchname},
    };
    elements.insert(elements.end(), extra.begin(), extra.end());
    WriteConfigRaw(ProductConfigXml(elements));
}

void Install::WriteConfigRaw(const std::string& xml)
{
    WriteFileBytes(dir_ + L"ProductConfig.xml", xml);
}

std::string Install::ReadConfig() const
{
    std::string xml;
    ReadFileBytes(dir_ + L"ProductConfig.xml", &xml);
    return xml;
}

void Install::PlaceClient(const std::string& env)
{
    CopyFileTo(TestsDir() + L"ClientStub.exe", ClientDir(env) + ProgName());
}

ProcessResult Install::Run(const std::wstring& args, DWORD timeoutMs, const std::wstring& cwd)
{
    return RunProcess(LauncherPath(), args, timeoutMs, cwd.empty() ? dir_ : cwd);
}

std::wstring LogTail::Folder()
{
    wchar_t appData[MAX_PATH] = {};
    SHGetSpecialFolderPathW(NULL, appData, CSIDL_LOCAL_APPDATA, TRUE);
    return std::wstring(appData) + L"\\kelLauncher\\";
}

LogTail::LogTail()
{
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW((Folder() + L"*.log").c_str(), &data));
    if (!find)
        return;
    do
        sizes_[data.cFileName] = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    while (FindNextFileW(find.Get(), &data));
}

std::vector<std::string> LogTail::NewLines() const
{
    std::vector<std::string> lines;
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW((Folder() + L"*.log").c_str(), &data));
    if (!find)
        return lines;
    do {
        std::string bytes;
        if (!ReadFileBytes(Folder() + data.cFileName, &bytes))
            continue;
        auto it = sizes_.find(data.cFileName);
        size_t from = it == sizes_.end() ? 0 : static_cast<size_t>(it->second);
        if (from > bytes.size())
            from = 0;
        size_t pos = from;
        while (pos < bytes.size()) {
            size_t end = bytes.find('\n', pos);
            if (end == std::string::npos)
                end = bytes.size();
            std::string line = bytes.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            pos = end + 1;
        }
    } while (FindNextFileW(find.Get(), &data));
    return lines;
}

bool LogTail::Has(const std::string& fragment) const
{
    for (const std::string& line : NewLines())
        if (line.find(fragment) != std::string::npos)
            return true;
    return false;
}

std::string ElementText(const std::string& xml, const std::string& element)
{
    if (xml.find("<" + element + "/>") != std::string::npos)
        return "";
    std::string open = "<" + element + ">";
    size_t start = xml.find(open);
    if (start == std::string::npos)
        return "<missing>";
    start += open.size();
    size_t end = xml.find("</" + element + ">", start);
    return end == std::string::npos ? "<missing>" : xml.substr(start, end - start);
}
} // namespace launchertest
