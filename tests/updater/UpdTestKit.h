#pragma once
// Test tools of the Updater tests beyond the shared test support: output-capturing runs, package
// data and narrow paths.
#include <windows.h>

#include <cstdint>
#include <string>

#include "testkit.h"

namespace updtest {

using testkit::ChildProcess;
using testkit::FileExists;
using testkit::PipeSink;
using testkit::TempDir;

struct ProcessOutput
{
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string output; // stdout and stderr together
};

// Runs a command line, captures its output, kills it after `timeoutMs`.
ProcessOutput RunCaptured(const std::wstring& commandLine, DWORD timeoutMs = 30000);

std::wstring UniqueName(const std::wstring& prefix);
std::wstring Quote(const std::wstring& text);
std::string ReadBytes(const std::wstring& path); // empty when missing
bool WriteBytes(const std::wstring& path, const std::string& bytes);
int64_t FileSize(const std::wstring& path);   // -1 when missing
std::string Narrow(const std::wstring& text); // system code page, as the Updater's paths are
std::wstring Widen(const std::string& text);

// Deterministic test data: byte i of the stream is the high byte of the i-th step of the LCG
// x = x * 1664525 + 1013904223 seeded with `seed`, repeated every MiB.
std::string PatternBytes(uint32_t seed, size_t size);
bool WritePatternFile(const std::wstring& path, uint32_t seed, uint64_t size);

} // namespace updtest
