#include "zipDownloader.h"

#include <shellapi.h>

#include <filesystem>

#include "PageCallParam.h"
#include "StringConv.h"
#include "UpdaterLog.h"
#include "process_op.h"
#include "qenUtil.h"
#include "zlibdll/ExtractZip.h"

namespace {

const DWORD kExtractDelayMs = 500;
const DWORD kRestartDelayMs = 300;

}  // namespace

bool TryCreateDirectories(const std::wstring& folder) {
    std::wstring trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.back() == L'\\' || trimmed.back() == L'/')) trimmed.pop_back();
    if (trimmed.empty()) return false;
    std::error_code ec;
    std::filesystem::path path(trimmed);
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool UnzipJob::Run() {
    if (!TryCreateDirectories(StringToWString(unzipFolder))) return false;
    return ExtractZip();
}

bool UnzipJob::ExtractZip() {
    ::Sleep(kExtractDelayMs);
    std::wstring zip = StringToWString(zipPath);
    std::wstring folder = StringToWString(unzipFolder);
    int result = ExtractZipToDir(zip.c_str(), folder.c_str(), 0);
    LOG(INFO) << "ExtractZipToDir result:" << result;
    return true;
}

ZipDownloader::ZipDownloader(const ZipDwCfg& cfg, const std::string& folder)
    : Downloader(cfg.url, cfg.md5, cfg.host, cfg.path, folder), cfg_(cfg) {
    SetPageCallParam(cfg.pageCallParam);
}

void ZipDownloader::StopClient() {
    std::string progName = GetProgName();
    for (unsigned round = 0; FindProcess_ByName(progName) != 0; ++round) {
        if (round >= installTimings_.maxKillRounds) {
            LOG(WARNING) << "client could not be stopped, installing anyway";
            return;
        }
        LOG(INFO) << "Voq is running";
        qen::KillClient();
        ::Sleep(installTimings_.killPauseMs);
    }
}

void ZipDownloader::ReportToLauncher(bool installed) {
    qen::WritePipeBuf(GetLauncherPipeName(), installed ? L"msg1:1" : L"msg1:0");
}

void ZipDownloader::DoInstall() {
    LOG(INFO) << "begin to install";
    StopClient();
    LOG(INFO) << "zipname:" << WideToUtf8(cfg_.zipPath);
    LOG(INFO) << "unzipFolder:" << WideToUtf8(cfg_.clientDic);

    UnzipJob job{WStringToString(cfg_.zipPath), WStringToString(cfg_.clientDic)};
    DWORD started = ::GetTickCount();
    if (cfg_.forcedUpdate != 0) {
        for (;;) {
            if (job.Run()) {
                ReportToLauncher(true);
                LOG(INFO) << "install success";
                break;
            }
            if (::GetTickCount() - started > installTimings_.giveUpMs) {
                LOG(ERROR) << "update install failed";
                ReportToLauncher(false);
                if (installUi_ != nullptr) installUi_->ShowInstallFailed();
                break;
            }
            ::Sleep(installTimings_.retryMs);
        }
    }

    if (!cfg_.restartClient) return;
    LOG(INFO) << "run launch exe";
    ::Sleep(kRestartDelayMs);
    if (installUi_ != nullptr) installUi_->ShowUpdateComplete();
    std::string param = GetPageCallParam();
    LOG(INFO) << "clientExePath:" << WideToUtf8(cfg_.clientExePath) << " pageCallParam:" << WideToUtf8(StringToWString(param));
    ::ShellExecuteA(nullptr, "open", WStringToString(cfg_.clientExePath).c_str(), param.c_str(), nullptr,
                    SW_SHOWNORMAL);
}
