// An install folder for Launcher.exe: the program, ProductConfig.xml and the client stand-in
// under <name>_<env>\<progname>, with names unique to the test so parallel runs never meet.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "testkit.h"

namespace launchertest {
struct InstallNames
{
    std::string name = "kel";
    std::string env = "www";
    std::string progname; // unique "<tag>.exe"
    std::string protocol;
    std::string pipe;
    std::string launchname;
};

class Install
{
public:
    explicit Install(const std::wstring& tag, const std::wstring& folderSuffix = L"");
    ~Install();

    const std::wstring& Dir() const { return dir_; }
    InstallNames& Names() { return names_; }
    std::wstring ProgName() const { return testkit::FromUtf8(names_.progname); }
    // <dir><name>_<env>\ for the given env (default: the configured one).
    std::wstring ClientDir(const std::string& env = "") const;
    std::wstring RecordPath(const std::string& env = "") const;
    testkit::ClientRecord Record(const std::string& env = "") const;

    // ProductConfig.xml from the names, plus extra elements.
    void WriteConfig(const std::vector<std::pair<std::string, std::string>>& extra = {});
    void WriteConfigRaw(const std::string& xml);
    std::string ReadConfig() const;
    // The client stand-in as <name>_<env>\<progname>.
    void PlaceClient(const std::string& env = "");

    // Runs Launcher.exe, by default with the install folder as its working folder; -1 arrives as 0xFFFFFFFF.
    testkit::ProcessResult Run(const std::wstring& args, DWORD timeoutMs = 30000, const std::wstring& cwd = L"");
    // The install folder as GetCurrentDirectory gives it (no trailing backslash), UTF-8.
    std::string WorkingFolder() const { return testkit::ToUtf8(dir_.substr(0, dir_.size() - 1)); }
    std::wstring LauncherPath() const { return dir_ + L"Launcher.exe"; }

private:
    testkit::TempDir temp_;
    std::wstring dir_;
    InstallNames names_;
};

// What the Launchers wrote to their log folder since this object was made.
class LogTail
{
public:
    LogTail();
    std::vector<std::string> NewLines() const;
    bool Has(const std::string& fragment) const;
    static std::wstring Folder();

private:
    std::map<std::wstring, unsigned long long> sizes_;
};

std::string ElementText(const std::string& xml, const std::string& element);
} // namespace launchertest
