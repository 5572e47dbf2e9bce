// The Launcher's command-line forms, worked out before anything is done with them.
#pragma once
#include <string>

struct LauncherCommandLine
{
    enum EnvUpdate
    {
        kNoEnvUpdate,
        kWww,
        kPro
    };
    EnvUpdate envUpdate = kNoEnvUpdate;

    bool isSwitch = false;    // "switchenv=<env>&xmlurl=<url>&<params>"
    bool switchValid = false; // the switch line fits its buffers and has all its parts
    std::wstring switchEnv;
    std::wstring switchUrl;

    bool forceKill = false;
    bool hasParams = false; // an empty line gives no parameters at all
    std::wstring params;
};

const size_t kMaxEnvChars = 31;
const size_t kMaxUrlChars = 255;

// An env names the client folder <name>_<env> beside the Launcher: it may hold no '\\', '/', ':',
// "..", nor control characters, so it can never lead out of the install folder.
bool IsPlainEnvName(const std::wstring& env);

LauncherCommandLine ParseLauncherCommandLine(const std::wstring& line);
