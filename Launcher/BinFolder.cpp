#include "LogSetup.h"
#include "Utility.h"
#include <easylogging++.h>
#include <shellapi.h>

using Utility::ToUtf8;

// Moves an old client folder "bin" to its per-environment name <name>_<env> once.
void RenameOldBinFolder(const wchar_t* folder)
{
    wchar_t oldPath[MAX_PATH + 1] = {};
    if (!Utility::FormatW(oldPath, MAX_PATH, L"%lsbin", folder) || !Utility::FileExists(oldPath))
        return;

    ProductConfig config;
    wchar_t configPath[MAX_PATH];
    if (!Utility::FormatW(configPath, MAX_PATH, L"%lsProductConfig.xml", folder) ||
        !Utility::ReadProductConfig(config, configPath)) {
        LOG(WARNING) << "Found bin folder, but not found ProductConfig.xml file.";
        return;
    }
    wchar_t newPath[MAX_PATH + 1] = {}; // zero-filled: SHFileOperationW wants double-NUL ends
    if (!Utility::FormatW(newPath, MAX_PATH, L"%ls%ls_%ls", folder, config.name.c_str(), config.env.c_str())) {
        LOG(ERROR) << "Client folder path is too long, bin folder left alone";
        return;
    }
    LOG(INFO) << "Set current work path to " << ToUtf8(folder);
    SetCurrentDirectoryW(folder);

    SHFILEOPSTRUCTW op = {};
    op.pFrom = oldPath;
    if (!Utility::FileExists(newPath)) {
        LOG(INFO) << "Kill all processes named: " << ToUtf8(config.ProgName);
        // Best effort: each failure is logged there, and a client still running makes the rename fail below.
        (void)Utility::KillAllProcesses(config.ProgName.c_str());
        op.wFunc = FO_RENAME;
        op.pTo = newPath;
        int result = SHFileOperationW(&op);
        if (result == 0 && !op.fAnyOperationsAborted)
            return;
        if (op.fAnyOperationsAborted) {
            LOG(ERROR) << "User abort folder rename.";
            return;
        }
        LOG(ERROR) << "Something wrong [" << result << "] to rename folder from [" << ToUtf8(oldPath) << "] to ["
                   << ToUtf8(newPath) << "]";
        wchar_t text[1024];
        if (Utility::IsChineseUi(config.ProgName))
            Utility::FormatCutW(text, 1024, L"%ls目录重命名为%ls时发生错误, 错误码[0x%08x]", oldPath, newPath, result);
        else
            Utility::FormatCutW(text, 1024, L"Something wrong [0x%08x] to rename folder from [%ls] to [%ls]", result,
                                oldPath, newPath);
        MessageBoxW(NULL, text, L"TAVNClient", MB_ICONINFORMATION);
        return;
    }
    LOG(INFO) << "Folder : [" << ToUtf8(newPath) << "] exists, skip.";
    LOG(INFO) << "Kill all processes named: " << ToUtf8(config.ProgName);
    (void)Utility::KillAllProcesses(config.ProgName.c_str()); // best effort, as above
    op.wFunc = FO_DELETE;
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    SHFileOperationW(&op);
}
