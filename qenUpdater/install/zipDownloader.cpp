#include "install/zipDownloader.h"

#include <shellapi.h>

#include <filesystem>

#include "install/PageCallParam.h"
#include "foundation/StringConv.h"
#include "foundation/UpdaterLog.h"
#include "foundation/process_op.h"
#include "foundation/qenUtil.h"
#include "zlibdll/ExtractZip.h"

namespace {

const DWORD kExtractDelayMs = 500;
const DWORD kRestartDelayMs = 300;

} // namespace

bool TryCreateDirectories(const std::wstring& folder)
{
    std::wstring trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.back() == L'\\' || trimmed.back() == L'/'))
        trimmed.pop_back();
    if (trimmed.empty())
        return false;
    std::error_code ec;
    std::filesystem::path path(trimmed);
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool UnzipJob::Run()
{
    if (!TryCreateDirectories(StringToWString(unzipFolder)))
        return false;
    return ExtractZip();
}

bool UnzipJob::ExtractZip()
{
    ::Sleep(kExtractDelayMs);
    std::wstring zip = StringToWString(zipPath);
    std::wstring folder = StringToWString(unzipFolder);
    int result = ExtractZipToDir(zip.c_str(), folder.c_str(), 0);
    LOG(INFO) << "ExtractZipToDir result:" << result;
    return result == 0;
}

ZipDownloader::ZipDownloader(const ZipDwCfg& cfg, const std::string& folder)
    : Downloader(cfg.url, cfg.md5, cfg.host, cfg.path, folder), cfg_(cfg)
{
    SetPageCallParam(cfg.pageCallParam);
}

void ZipDownloader::StopClient()
{
    std::string progName = GetProgName();
    DWORD started = ::GetTickCount();
    while (FindProcess_ByName(progName) != 0) {
        if (::GetTickCount() - started >= installTimings_.stopClientMs) {
            LOG(WARNING) << "client could not be stopped within " << installTimings_.stopClientMs
                         << " ms, installing anyway";
            return;
        }
        LOG(INFO) << "Voq is running";
        (void)qen::KillClient(); // logs its result; the loop checks again whether the client is gone
        ::Sleep(installTimings_.killPauseMs);
    }
}

bool ZipDownloader::InstallPackage()
{
    UnzipJob job{WStringToString(cfg_.zipPath), WStringToString(cfg_.clientDic)};
    DWORD started = ::GetTickCount();
    for (;;) {
        if (job.Run())
            break;
        if (::GetTickCount() - started > installTimings_.giveUpMs) {
            LOG(ERROR) << "update install failed";
            return false;
        }
        ::Sleep(installTimings_.retryMs);
    }
    // A package that lacks the program started afterwards is no installation.
    if (::GetFileAttributesW(cfg_.clientExePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        LOG(ERROR) << "update install failed: no client program at " << WideToUtf8(cfg_.clientExePath);
        return false;
    }
    LOG(INFO) << "install success";
    return true;
}

void ZipDownloader::ReportToLauncher(bool installed)
{
    // Only a Launcher that waits serves the pipe (mode 2); otherwise nobody listens.
    (void)qen::WritePipeBuf(GetLauncherPipeName(), installed ? L"msg1:1" : L"msg1:0");
}

void ZipDownloader::DoInstall()
{
    LOG(INFO) << "begin to install";
    StopClient();
    LOG(INFO) << "zipname:" << WideToUtf8(cfg_.zipPath);
    LOG(INFO) << "unzipFolder:" << WideToUtf8(cfg_.clientDic);

    bool installed = true;
    if (cfg_.forcedUpdate != 0) {
        installed = InstallPackage();
        ReportToLauncher(installed);
        if (!installed && installUi_ != nullptr)
            installUi_->ShowInstallFailed();
    }

    if (!cfg_.restartClient)
        return;
    LOG(INFO) << "run launch exe";
    ::Sleep(kRestartDelayMs);
    // A failed installation was told by its notice: no update-complete window follows it.
    if (installed && installUi_ != nullptr)
        installUi_->ShowUpdateComplete();
    std::string param = GetPageCallParam();
    LOG(INFO) << "clientExePath:" << WideToUtf8(cfg_.clientExePath)
              << " pageCallParam:" << WideToUtf8(StringToWString(param));
    ::ShellExecuteA(nullptr, "open", WStringToString(cfg_.clientExePath).c_str(), param.c_str(), nullptr,
                    SW_SHOWNORMAL);
}
