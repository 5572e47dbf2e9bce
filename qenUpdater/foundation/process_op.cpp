#include "foundation/process_op.h"

#include <tlhelp32.h>

#include "Handles.h"
#include "SystemText.h"
#include "foundation/UpdaterLog.h"

namespace {

wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SameExeName(const wchar_t* exe, const std::string& name)
{
    size_t len = wcslen(exe);
    if (len != name.size())
        return false;
    for (size_t i = 0; i < len; ++i) {
        wchar_t a = exe[i];
        wchar_t b = static_cast<unsigned char>(name[i]);
        if (a > 0x7F || b > 0x7F)
            return false; // names outside ASCII never match
        if (AsciiLower(a) != AsciiLower(b))
            return false;
    }
    return true;
}

} // namespace

DWORD FindProcess_ByName(const std::string& name)
{
    ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    if (!snapshot || !::Process32FirstW(snapshot.Get(), &entry)) {
        const DWORD error = ::GetLastError();
        LOG(ERROR) << "process32 first error, error[" << error << "] " << SystemText(error);
        return 0;
    }
    do {
        if (SameExeName(entry.szExeFile, name))
            return entry.th32ProcessID;
    } while (::Process32NextW(snapshot.Get(), &entry));
    return 0;
}
