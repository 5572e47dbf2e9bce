#include "ProbeRunner.h"

#include <sstream>

namespace updtest {

std::wstring InstallProbe(const std::wstring& folder)
{
    testkit::MakeDirs(folder);
    std::wstring target = folder + L"UpdaterProbe.exe";
    testkit::CopyFileTo(testkit::TestsDir() + L"UpdaterProbe.exe", target);
    testkit::CopyFileTo(testkit::BinDir() + L"zlib.dll", folder + L"zlib.dll"); // the probe imports it
    return target;
}

ProcessOutput RunProbe(const std::wstring& probe, const std::wstring& args, DWORD timeoutMs)
{
    return RunCaptured(Quote(probe) + L" " + args, timeoutMs);
}

std::map<std::string, std::string> ProbeValues(const std::string& output)
{
    std::map<std::string, std::string> values;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = line.substr(eq + 1);
        } else if (!line.empty() && line.back() == '!') {
            values[line.substr(0, line.size() - 1)] = "!";
        }
    }
    return values;
}

bool WriteProductConfig(const std::wstring& folder, const std::string& innerXml)
{
    return WriteBytes(folder + L"ProductConfig.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProductConfig>\n" +
                                                         innerXml + "\n</ProductConfig>\n");
}

} // namespace updtest
