#pragma once
// The Updater's downloader: the download engine plus the installation of the verified package and
// the restart of the client program.
#include <windows.h>

#include <string>

#include "download/Downloader.h"
#include "foundation/UpdaterCmdLine.h"

// The window steps of the installation, filled in by the progress window; without one they are
// skipped.
class IInstallUi
{
public:
    virtual ~IInstallUi() = default;
    // The notice that the package could not be installed (modal).
    virtual void ShowInstallFailed() = 0;
    // The update-complete window shown before the client is started again (modal).
    virtual void ShowUpdateComplete() = 0;
};

// Time limits of the installation. The defaults are the shipped ones.
struct InstallTimings
{
    DWORD giveUpMs = 60000;     // the target folder still cannot be created: failed
    DWORD retryMs = 2000;       // between attempts to create it
    DWORD killPauseMs = 500;    // between stops of client processes
    DWORD stopClientMs = 10000; // a client that cannot be stopped does not hold the update forever
};

struct UnzipJob
{
    std::string zipPath;
    std::string unzipFolder;

    // True when the target folder exists and the library wrote every entry into it.
    bool Run();
    // Hands the package to the extraction library; true when it reports every entry written.
    bool ExtractZip();
};

// Creates every missing folder of the path; true when it exists afterwards.
[[nodiscard]] bool TryCreateDirectories(const std::wstring& folder);

class ZipDownloader : public Downloader
{
public:
    // `folder` (trailing backslash) receives the update files; empty means the Updater's own folder.
    explicit ZipDownloader(const ZipDwCfg& cfg, const std::string& folder = std::string());

    // On the UI thread, after a successful download: stop the client, extract a forced update and
    // report it to the Launcher, then start the client program again.
    void DoInstall() override;

    void SetInstallUi(IInstallUi* ui) { installUi_ = ui; }
    void SetInstallTimings(const InstallTimings& timings) { installTimings_ = timings; }
    const ZipDwCfg& Config() const { return cfg_; }

private:
    void StopClient();
    // Extracts a forced update within the time limit; true when it is installed and its client exists.
    bool InstallPackage();
    void ReportToLauncher(bool installed);

    ZipDwCfg cfg_;
    IInstallUi* installUi_ = nullptr;
    InstallTimings installTimings_;
};
