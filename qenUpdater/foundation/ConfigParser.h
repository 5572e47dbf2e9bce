#pragma once
// The Updater's reader of "ProductConfig.xml" (next to the program, else one folder up) and its
// UI-language decision. One object per process, created on first use.
#include <string>

#include <tinyxml2.h>

class ConfigParser
{
public:
    static ConfigParser& GetInstance();

    // Text of the root's first child element named exactly `name`, in the system ANSI code page.
    [[nodiscard]] bool GetValue(const char* name, std::string& out) const;

    bool loaded = false;
    bool chineseUi = true;

    ConfigParser(const ConfigParser&) = delete;
    ConfigParser& operator=(const ConfigParser&) = delete;

private:
    ConfigParser();
    void DecideUiLanguage();

    tinyxml2::XMLDocument document;
};

// UTF-8 to the system ANSI code page into `out` (512 bytes); false when the result is empty or
// does not fit into 511 bytes and its terminator. `out` is untouched on failure.
[[nodiscard]] bool Utf8ToAnsi(const char* utf8, char* out);
