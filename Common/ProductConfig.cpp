#include "Utility.h"
#include <tinyxml2.h>
#include <cstdio>
#include <cstring>

void ProductConfig::Clear()
{
    *this = ProductConfig();
}

namespace
{
// Holds a FILE* opened through the wide path, so folders with any characters work.
struct FileHolder
{
    FILE* fp;
    FileHolder(const wchar_t* path, const wchar_t* mode) : fp(_wfopen(path, mode)) {}
    ~FileHolder()
    {
        if (fp)
            fclose(fp);
    }
};

std::wstring* FieldFor(ProductConfig& config, const char* name)
{
    struct Entry
    {
        const char* name;
        std::wstring ProductConfig::*field;
    };
    static const Entry table[] = {
        {"Version", &ProductConfig::Version},       {"id", &ProductConfig::id},
        {"name", &ProductConfig::name},             {"env", &ProductConfig::env},
        {"progname", &ProductConfig::ProgName},     {"protocol", &ProductConfig::protocol},
        {"pipe", &ProductConfig::pipe},             {"shortcut_cn", &ProductConfig::shortcut_cn},
        {"shortcut_en", &ProductConfig::shortcut_en}, {"launchname", &ProductConfig::LaunchName},
    };
    for (const Entry& e : table)
        if (_stricmp(e.name, name) == 0)
            return &(config.*(e.field));
    return nullptr;
}

bool LoadDocument(tinyxml2::XMLDocument& doc, const wchar_t* path)
{
    FileHolder file(path, L"rb");
    if (!file.fp)
        return false;
    tinyxml2::XMLError err = doc.LoadFile(file.fp);
    if (err != tinyxml2::XML_SUCCESS)
    {
        printf("Cannot load answer card config file, error:%d\n", static_cast<int>(err));
        return false;
    }
    return true;
}
} // namespace

namespace Utility
{
bool ReadProductConfig(ProductConfig& config, const wchar_t* path)
{
    if (!FileExists(path))
        return false;
    tinyxml2::XMLDocument doc;
    if (!LoadDocument(doc, path))
        return false;
    tinyxml2::XMLElement* root = doc.FirstChildElement();
    if (!root)
    {
        printf("Not found root element from xml file.\n");
        return false;
    }
    for (tinyxml2::XMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement())
    {
        tinyxml2::XMLNode* first = e->FirstChild();
        if (!first || !first->ToText())
            continue;
        const char* text = first->Value();
        if (!text || !*text)
            continue;
        std::wstring* field = FieldFor(config, e->Name());
        if (!field)
            continue;
        wchar_t value[MAX_PATH];
        // A value that does not fit the 260-character field is refused, the field keeps what it had.
        if (Utf8ToWide(text, value))
            *field = value;
    }
    return true;
}

bool SetProductConfigEnv(const char* envUtf8, const wchar_t* path)
{
    if (!envUtf8 || !FileExists(path))
        return false;
    tinyxml2::XMLDocument doc;
    if (!LoadDocument(doc, path))
        return false;
    if (tinyxml2::XMLElement* root = doc.FirstChildElement())
    {
        for (tinyxml2::XMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement())
        {
            if (_stricmp(e->Name(), "env") == 0)
            {
                e->SetText(envUtf8);
                break;
            }
        }
    }
    // Write beside the file and replace it only when the whole document is on disk.
    std::wstring temp = std::wstring(path) + L".tmp";
    {
        FileHolder file(temp.c_str(), L"wb");
        if (!file.fp)
            return false;
        bool ok = doc.SaveFile(file.fp) == tinyxml2::XML_SUCCESS && fflush(file.fp) == 0;
        if (!ok)
        {
            fclose(file.fp);
            file.fp = nullptr;
            DeleteFileW(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}
} // namespace Utility
