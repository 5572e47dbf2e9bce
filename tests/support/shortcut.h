#pragma once
#include <string>

namespace testkit {

struct ShortcutInfo
{
    std::wstring target, args, workDir, iconPath;
    int iconIndex;
};

bool MakeShortcut(const std::wstring& lnkPath, const std::wstring& target, const std::wstring& args,
                  const std::wstring& workDir);
bool ReadShortcut(const std::wstring& lnkPath, ShortcutInfo* out);

} // namespace testkit
