#pragma once
// Copies the UpdaterProbe program into a folder and runs one of its commands there.
#include <map>
#include <string>

#include "UpdTestKit.h"

namespace updtest {

std::wstring InstallProbe(const std::wstring& folder); // returns the probe's path
ProcessOutput RunProbe(const std::wstring& probe, const std::wstring& args, DWORD timeoutMs = 30000);
// "key=value" lines of the probe's output; a "key!" line gives the value "!".
std::map<std::string, std::string> ProbeValues(const std::string& output);
// A "ProductConfig.xml" whose root holds the given inner XML.
bool WriteProductConfig(const std::wstring& folder, const std::string& innerXml);

} // namespace updtest
