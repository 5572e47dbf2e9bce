#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Runs a program with its standard error in a file and, when asked, as a debuggee whose
// OutputDebugString texts are collected one string per call.
struct DebugRun
{
    bool started = false;
    bool finished = false;
    DWORD exitCode = 0;
    std::vector<std::string> debugStrings;
    std::string stdErr;
};

DebugRun RunDebugged(const std::wstring& exePath, const std::wstring& args, DWORD timeout_ms, bool asDebugger = true);

// Lines of a captured stream, without line ends.
std::vector<std::string> SplitLines(const std::string& text);
