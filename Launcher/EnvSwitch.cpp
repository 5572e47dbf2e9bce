#include "ConfigWrapper.h"
#include "CommandLine.h"
#include "HttpClient.h"
#include "SystemText.h"
#include <easylogging++.h>
#include <tinyxml2.h>
#include <vector>

using Utility::ToUtf8;

namespace {
// An Updater that ended without a word gets this long for its last message to arrive.
const DWORD kUpdaterGraceMs = 2000;

bool ReadAnswerValue(tinyxml2::XMLElement* root, const char* name, wchar_t* out, unsigned characters)
{
    out[0] = 0;
    tinyxml2::XMLElement* e = root->FirstChildElement(name);
    if (!e) {
        LOG(ERROR) << "Not found " << name << " element from xml file";
        return false;
    }
    const char* text = e->GetText();
    return text && GbkToWide(text, out, characters);
}

// zipurl and zipmd5 from the environment-switch answer; false leaves them empty.
void ParseEnvironmentXml(const std::string& body, wchar_t* zipUrl, wchar_t* zipMd5)
{
    tinyxml2::XMLDocument doc;
    tinyxml2::XMLError err = doc.Parse(body.c_str(), body.size());
    if (err != tinyxml2::XML_SUCCESS) {
        LOG(ERROR) << "Cannot load xml config file, error:" << static_cast<int>(err);
        return;
    }
    tinyxml2::XMLElement* root = doc.FirstChildElement();
    if (!root) {
        LOG(ERROR) << "Not found root element from xml file";
        return;
    }
    if (ReadAnswerValue(root, "zipurl", zipUrl, 256))
        ReadAnswerValue(root, "zipmd5", zipMd5, 128);
}

// Everything here lands on the elevated Updater's command line: nothing may add options to it.
bool SafeForUpdaterCommandLine(const std::wstring& params, const wchar_t* zipUrl, const wchar_t* zipMd5)
{
    if (params.find(L'"') != std::wstring::npos)
        return false;
    for (const wchar_t* value : {zipUrl, zipMd5})
        if (wcspbrk(value, L"\" \t\r\n"))
            return false;
    return true;
}
} // namespace

CConfigWrapper::SwitchOutcome CConfigWrapper::SwitchEnvironment(const LauncherCommandLine& cmd, std::wstring& env)
{
    if (!cmd.switchValid) {
        LOG(ERROR) << "Refused switchenv line: missing &xmlurl= or '&' after the URL, or env/URL too long";
        return kSwitchFailed;
    }
    LOG(INFO) << "switchenv=" << ToUtf8(cmd.switchEnv);
    LOG(INFO) << "xmlurl=" << ToUtf8(cmd.switchUrl);
    LOG(INFO) << "pCallParams=" << ToUtf8(cmd.params);
    LOG(INFO) << "Switch environment [" << ToUtf8(m_productConfig.name) << "," << ToUtf8(cmd.switchEnv) << "]";

    wchar_t mainProgram[MAX_PATH];
    if (!Utility::FormatW(mainProgram, MAX_PATH, L"%ls%ls_%ls\\%ls", m_szModuleDir, m_productConfig.name.c_str(),
                          cmd.switchEnv.c_str(), m_productConfig.ProgName.c_str())) {
        LOG(ERROR) << "Client path for env " << ToUtf8(cmd.switchEnv) << " is too long";
        return kSwitchFailed;
    }
    if (Utility::FileExists(mainProgram)) {
        m_productConfig.env = cmd.switchEnv;
        env = cmd.switchEnv;
        return kSwitchContinue;
    }
    LOG(WARNING) << "Not found main program [" << ToUtf8(mainProgram) << "]. Try to download it.";

    // The client hears how the switch ended if it still runs; a failed write is logged by
    // WritePipeBuf and changes nothing here, hence the (void) on each answer.
    const wchar_t* clientPipe = m_productConfig.pipe.c_str();
    wchar_t zipUrl[256] = {};
    wchar_t zipMd5[128] = {};
    char url[256];
    if (Utility::WideToGbk(cmd.switchUrl.c_str(), url, sizeof(url))) {
        HttpClient http;
        std::string body;
        // A failure leaves the body empty, and its codes are logged below.
        (void)http.Request(body, false, false, url, "", "");
        if (body.empty()) {
            (void)Utility::WritePipeBuf(clientPipe, L"switchenv_msg:0");
            LOG(ERROR) << "Fatal error occurred when downloading xml file!" << http.m_nError << ", "
                       << http.m_dwLastError
                       << (http.m_dwLastError ? " " + SystemText(http.m_dwLastError) : std::string());
            return kSwitchFailed;
        }
        ParseEnvironmentXml(body, zipUrl, zipMd5);
    }
    LOG(INFO) << "zipurl=" << ToUtf8(zipUrl) << " zipmd5=" << ToUtf8(zipMd5) << " params=" << ToUtf8(cmd.params);
    if (!zipUrl[0] || !zipMd5[0]) {
        (void)Utility::WritePipeBuf(clientPipe, L"switchenv_msg:0");
        return kSwitchFailed;
    }
    if (!SafeForUpdaterCommandLine(cmd.params, zipUrl, zipMd5)) {
        LOG(ERROR) << "Refused switch: a double quote in the parameters, or a quote or blank in zipurl/zipmd5";
        (void)Utility::WritePipeBuf(clientPipe, L"switchenv_msg:0");
        return kSwitchFailed;
    }

    ScopedHandle semaphore(CreateSemaphoreW(NULL, 0, 1, L"WaitUpdate"));
    if (!semaphore) {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Cannot create semaphore WaitUpdate, last error: " << error << " " << SystemText(error);
    }
    if (DownloadClient(zipUrl, zipMd5, cmd.params.c_str()))
        WaitForUpdater(semaphore.Get());
    else
        m_nUpdateResult = 0;
    semaphore.Reset();

    if (m_nUpdateResult == 0) {
        LOG(INFO) << "error in download new client, not updateConfig";
        (void)Utility::WritePipeBuf(clientPipe, L"switchenv_msg:0");
        return kSwitchFailed;
    }
    // An Updater's success is believed only once the new environment's client is really there.
    if (!Utility::FileExists(mainProgram)) {
        LOG(ERROR) << "Updater reported success but " << ToUtf8(mainProgram) << " is missing, not updateConfig";
        (void)Utility::WritePipeBuf(clientPipe, L"switchenv_msg:0");
        return kSwitchFailed;
    }
    (void)Utility::WritePipeBuf(clientPipe, L"switchenv_msg:1");
    UpdateConfig(cmd.switchEnv.c_str());
    return kSwitchDone;
}

void CConfigWrapper::WaitForUpdater(HANDLE semaphore)
{
    ScopedHandle process(m_hUpdaterProcess.Release());
    if (!semaphore) {
        m_nUpdateResult = 0; // logged where its creation failed
    } else {
        // The Updater's process is watched too: one that dies without answering cannot hang us.
        HANDLE both[2] = {semaphore, process.Get()};
        DWORD woke = WaitForMultipleObjects(process ? 2 : 1, both, FALSE, INFINITE);
        if (woke != WAIT_OBJECT_0 && WaitForSingleObject(semaphore, kUpdaterGraceMs) != WAIT_OBJECT_0) {
            LOG(ERROR) << "Updater ended without an answer";
            m_nUpdateResult = 0;
        }
    }
}

bool CConfigWrapper::DownloadClient(const wchar_t* zipUrl, const wchar_t* zipMd5, const wchar_t* params)
{
    wchar_t updater[MAX_PATH];
    if (!Utility::FormatW(updater, MAX_PATH, L"%lsUpdater.exe", m_szModuleDir) || !Utility::FileExists(updater)) {
        LOG(INFO) << "Not found Updater from: " << ToUtf8(updater);
        ShowLanguageBox(m_productConfig.ProgName, 256, L"无法找到更新工具, 路径[%ls]",
                        L"Fatal Error! Cannot found Updater module from [%ls]", updater, L"TAVNClient", L"TAVNClient",
                        MB_ICONERROR);
        return false;
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::vector<wchar_t> command(8192);
    if (!Utility::FormatW(
            command.data(), command.size(),
            L"\"%ls\" -url=%ls -md5=%ls -pagecallparam=\"%ls\" -forcedupdate=2 -clientexe=\"%ls\" -extractpath=\"%ls\"",
            updater, zipUrl, zipMd5, params ? params : L"", self, m_szModuleDir)) {
        LOG(ERROR) << "Updater command line does not fit";
        return false;
    }
    LOG(INFO) << "Download full version client: " << ToUtf8(command.data());
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // The program is named apart from the command text, so a folder with blanks cannot start another file;
    // its path is quoted in the text too, or a folder such as "Kel-nova" under "Program Files" would hand
    // the Updater a stray option.
    if (!CreateProcessW(updater, command.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Cannot start Updater, last error: " << error << " " << SystemText(error);
        return false;
    }
    ScopedHandle thread(pi.hThread);
    m_hUpdaterProcess.Reset(pi.hProcess);
    return true;
}
