#include "fixture.h"

using namespace testkit;

namespace {
const wchar_t kCommandKey[] = L"kelnova\\shell\\open\\command";
}

std::wstring RegisteredCommand()
{
    return ReadRegDefault(HKEY_CLASSES_ROOT, kCommandKey);
}

PortvaneFolder::PortvaneFolder()
    : m_root(L"portvane"), m_dir(m_root / L"app\\"), m_record(m_dir + L"client-record.txt"),
      m_hadKey(KeyExists(HKEY_CLASSES_ROOT, L"kelnova")), m_oldCommand(RegisteredCommand())
{
    KillProcesses(L"kelnova.exe");
    CopyFileTo(BinDir() + L"Portvane.exe", m_dir + L"Portvane.exe");
    CopyFileTo(TestsDir() + L"ClientStub.exe", m_dir + L"kelnova.exe");
}

PortvaneFolder::~PortvaneFolder()
{
    KillProcesses(L"kelnova.exe");
    if (!m_hadKey) {
        DeleteRegTree(HKEY_CLASSES_ROOT, L"kelnova");
    } else {
        ScopedRegKey key;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kCommandKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(),
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(m_oldCommand.c_str()),
                           static_cast<DWORD>((m_oldCommand.size() + 1) * sizeof(wchar_t)));
        }
    }
}

DebugRun PortvaneFolder::Run(const std::wstring& args, DWORD timeout_ms)
{
    return RunDebugged(m_dir + L"Portvane.exe", args, timeout_ms);
}

std::unique_ptr<ChildProcess> PortvaneFolder::StartClient(const std::wstring& exeName)
{
    std::unique_ptr<ChildProcess> client(new ChildProcess(m_dir + exeName, L"running"));
    if (!client->Started() || !m_record.WaitListening("ANEDLL_kelnova", 10000))
        return nullptr;
    return client;
}
