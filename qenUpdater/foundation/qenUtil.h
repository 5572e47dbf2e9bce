#pragma once
// Client and pipe helpers of the Updater.
#include <string>

namespace qen {

// Ends the running client named by ProgName and waits up to 3 s until it is gone.
[[nodiscard]] bool KillClient();

// Writes `message` (system code page, no terminator) as one message to "\\.\Pipe\<name>".
// A name whose pipe path does not fit 260 characters is refused.
[[nodiscard]] bool WritePipeBuf(const std::wstring& name, const std::wstring& message);

} // namespace qen

// ProgName from the product configuration; empty when it cannot be read.
std::string GetProgName();

// The Updater's own folder with its trailing backslash.
std::wstring GetModuleDir();

// "LU_" + LaunchName, the Launcher's pipe; empty when LaunchName cannot be read or does not fit.
std::wstring GetLauncherPipeName();
