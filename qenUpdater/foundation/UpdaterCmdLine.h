#pragma once
// The Updater's command line: "-key=value" options into the update configuration of this run.
#include <map>
#include <string>

class CCmdLineParser
{
public:
    using ValueMap = std::map<std::wstring, std::wstring>;

    explicit CCmdLineParser(const wchar_t* cmdLine);
    virtual ~CCmdLineParser() = default;

    void Parse(const wchar_t* text);
    // Position of the key (lower-cased first), End() when absent.
    ValueMap::const_iterator FindKey(const std::wstring& key) const;
    ValueMap::const_iterator End() const { return m_values.end(); }
    // The value of a key, empty when absent.
    std::wstring ValueOf(const std::wstring& key) const;

private:
    void Insert(const std::wstring& key, const std::wstring& value);

    std::wstring m_cmdLine;
    ValueMap m_values;
    bool m_bCaseSensitive = false;
};

// What to download, where to put it and what to start afterwards.
struct ZipDwCfg
{
    std::string url;      // url option, "?", md5 option
    std::wstring zipPath; // <Updater folder>\update.zip
    std::string md5;
    std::wstring clientDic;     // folder the package is extracted into
    std::wstring clientExePath; // program started after the installation
    bool restartClient = false;
    std::string host; // with ":port" when the url has one
    std::string path; // from the first "/"
    std::string pageCallParam;
    int forcedUpdate = 0; // 0 optional, 1 forced with notice, 2 forced
};

std::wstring MakeZipPath(const std::wstring& moduleDir);

// Never fails: missing options and paths that do not exist give the defaults.
ZipDwCfg parseZipConf(const wchar_t* cmdLine);
