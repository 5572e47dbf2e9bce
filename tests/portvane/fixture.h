#pragma once
#include <windows.h>
#include <memory>
#include <string>

#include "debugrun.h"
#include "testkit.h"

// A folder holding Portvane.exe and the client stand-in as kelnova.exe, one level below a
// temp root so that anything written outside it shows. Puts back HKCR\kelnova afterwards and
// ends every kelnova.exe.
class PortvaneFolder
{
public:
    PortvaneFolder();
    ~PortvaneFolder();

    const std::wstring& Dir() const { return m_dir; }
    std::wstring operator/(const std::wstring& rel) const { return m_dir + rel; }
    const testkit::TempDir& Root() const { return m_root; }
    testkit::ClientRecord& Record() { return m_record; }

    DebugRun Run(const std::wstring& args, DWORD timeout_ms = 30000);
    // Starts the stand-in from this folder as the running client, serving its pipe.
    std::unique_ptr<testkit::ChildProcess> StartClient(const std::wstring& exeName = L"kelnova.exe");

private:
    testkit::TempDir m_root;
    std::wstring m_dir;
    testkit::ClientRecord m_record;
    bool m_hadKey;
    std::wstring m_oldCommand;
};

std::wstring RegisteredCommand();
