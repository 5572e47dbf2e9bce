#include "Utility.h"
#include "Handles.h"
#include <tinyxml2.h>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

void ProductConfig::Clear()
{
    *this = ProductConfig();
}

namespace {
struct FieldEntry
{
    const char* element; // matched in any case
    std::wstring ProductConfig::*field;
    const char* recordName;
};

const FieldEntry kFields[] = {
    {"Version", &ProductConfig::Version, "Version"},
    {"id", &ProductConfig::id, "id"},
    {"name", &ProductConfig::name, "name"},
    {"env", &ProductConfig::env, "env"},
    {"progname", &ProductConfig::ProgName, "ProgName"},
    {"protocol", &ProductConfig::protocol, "protocol"},
    {"pipe", &ProductConfig::pipe, "pipe"},
    {"shortcut_cn", &ProductConfig::shortcut_cn, "shortcut_cn"},
    {"shortcut_en", &ProductConfig::shortcut_en, "shortcut_en"},
    {"launchname", &ProductConfig::LaunchName, "LaunchName"},
};

const FieldEntry* FieldFor(const char* element)
{
    for (const FieldEntry& e : kFields)
        if (_stricmp(e.element, element) == 0)
            return &e;
    return nullptr;
}

bool LoadDocument(tinyxml2::XMLDocument& doc, const wchar_t* path)
{
    // Opened through the wide path, so folders with any characters work.
    ScopedFile file(_wfopen(path, L"rb"));
    if (!file)
        return false;
    tinyxml2::XMLError err = doc.LoadFile(file.Get());
    if (err != tinyxml2::XML_SUCCESS) {
        printf("Cannot load answer card config file, error:%d\n", static_cast<int>(err));
        return false;
    }
    return true;
}

bool ReadBytes(const wchar_t* path, std::string& out)
{
    ScopedFile file(_wfopen(path, L"rb"));
    if (!file)
        return false;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file.Get())) > 0)
        out.append(chunk, n);
    return ferror(file.Get()) == 0;
}

const char kEndMark[] = "kel-end-of-file";

// Loads the document only when the parser took in the whole file. The parser stops quietly at a
// NUL byte or at a closing tag with nothing open and calls the rest a success; a file written back
// from that would lose everything after the stop.
bool LoadWholeDocument(tinyxml2::XMLDocument& doc, const wchar_t* path)
{
    std::string bytes;
    if (!ReadBytes(path, bytes) || bytes.find('\0') != std::string::npos)
        return false;
    // A mark after the text is there when parsing reached the end of it.
    bytes += "\n<";
    bytes += kEndMark;
    bytes += "/>";
    if (doc.Parse(bytes.c_str(), bytes.size()) != tinyxml2::XML_SUCCESS)
        return false;
    tinyxml2::XMLElement* mark = doc.LastChildElement();
    if (!mark || strcmp(mark->Name(), kEndMark) != 0)
        return false;
    doc.DeleteNode(mark);
    return doc.FirstChildElement() != nullptr;
}

// The fields from the root's direct children; names of fields whose last non-empty value was
// refused for its length go to overlong.
void ReadFields(tinyxml2::XMLElement* root, ProductConfig& config, std::vector<std::string>* overlong)
{
    std::vector<const FieldEntry*> refused;
    for (tinyxml2::XMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        tinyxml2::XMLNode* first = e->FirstChild();
        if (!first || !first->ToText())
            continue;
        const char* text = first->Value();
        if (!text || !*text)
            continue;
        const FieldEntry* field = FieldFor(e->Name());
        if (!field)
            continue;
        wchar_t value[MAX_PATH];
        // A value that does not fit the 260-character field is refused, the field keeps what it had.
        bool fits = Utility::Utf8ToWide(text, value);
        if (fits)
            config.*(field->field) = value;
        auto at = std::find(refused.begin(), refused.end(), field);
        if (fits && at != refused.end())
            refused.erase(at);
        else if (!fits && at == refused.end())
            refused.push_back(field);
    }
    if (overlong)
        for (const FieldEntry* field : refused)
            overlong->push_back(field->recordName);
}

bool SameButEnv(const ProductConfig& a, const ProductConfig& b)
{
    return a.Version == b.Version && a.id == b.id && a.name == b.name && a.ProgName == b.ProgName &&
           a.protocol == b.protocol && a.pipe == b.pipe && a.shortcut_cn == b.shortcut_cn &&
           a.shortcut_en == b.shortcut_en && a.LaunchName == b.LaunchName;
}
} // namespace

namespace Utility {
bool ReadProductConfig(ProductConfig& config, const wchar_t* path, std::vector<std::string>* overlong)
{
    if (!FileExists(path))
        return false;
    tinyxml2::XMLDocument doc;
    if (!LoadDocument(doc, path))
        return false;
    tinyxml2::XMLElement* root = doc.FirstChildElement();
    if (!root) {
        printf("Not found root element from xml file.\n");
        return false;
    }
    ReadFields(root, config, overlong);
    return true;
}

bool SetProductConfigEnv(const char* envUtf8, const wchar_t* path)
{
    wchar_t wanted[MAX_PATH] = {};
    if (!envUtf8 || (*envUtf8 && !Utility::Utf8ToWide(envUtf8, wanted)) || !FileExists(path))
        return false;
    tinyxml2::XMLDocument doc;
    if (!LoadWholeDocument(doc, path))
        return false;
    tinyxml2::XMLElement* root = doc.FirstChildElement();
    ProductConfig before;
    ReadFields(root, before, nullptr);
    // Every env element: the reader takes the last non-empty one, not the first.
    for (tinyxml2::XMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement())
        if (_stricmp(e->Name(), "env") == 0)
            e->SetText(envUtf8);
    // Write beside the file and replace it only when the whole document is on disk and reads back
    // with the new env and every other field as it was.
    std::wstring temp = std::wstring(path) + L".tmp";
    bool ok;
    {
        ScopedFile file(_wfopen(temp.c_str(), L"wb"));
        if (!file)
            return false;
        ok = doc.SaveFile(file.Get()) == tinyxml2::XML_SUCCESS && fflush(file.Get()) == 0;
    }
    ProductConfig after;
    ok = ok && ReadProductConfig(after, temp.c_str()) && SameButEnv(before, after) && after.env == wanted;
    if (!ok || !MoveFileExW(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}
} // namespace Utility
