#include "core/ResourceSettings.h"
#include "core/SkinMarkup.h"
#include "TestHelpers.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// Loads UTF-8 bytes that end right before a guard page, under a timeout.
bool LoadGuarded(CSkinMarkup& markup, const std::string& text)
{
    bool loaded = false;
    RunWithTimeout([&] {
        GuardedBuffer guarded(text.data(), text.size());
        loaded = markup.LoadFromMemory(guarded.Data(), static_cast<DWORD>(guarded.Size()), XMLFILE_ENCODING_UTF8);
    });
    return loaded;
}

std::wstring AttributeValue(const CSkinMarkupNode& node, const wchar_t* name)
{
    wchar_t buffer[256] = {0};
    if (!node.GetAttributeValue(name, buffer, 256))
        return L"<none>";
    return buffer;
}

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), NULL, 0, NULL, NULL);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, NULL, NULL);
    return out;
}

} // namespace

TEST(SkinMarkup, ReadsElementsAttributesAndEntities)
{
    CSkinMarkup markup;
    std::string skin = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                       "<!-- window skin -->\r\n"
                       "<Window size=\"400,300\" caption=\"0,0,0,30\">\r\n"
                       "  <Font id=\"0\" name=\"&quot;Tahoma&quot;\" size = \"12\"/>\r\n"
                       "  <VerticalLayout bkcolor=\"#FFFFFFFF\">\r\n"
                       "    <Label name=\"title\" text=\"a &amp; b &foo; &lt;c&gt; &apos;\"/>\r\n"
                       "    <Control/>\r\n"
                       "    <Text>x &amp; y</Text >\r\n"
                       "  </VerticalLayout>\r\n"
                       "</Window>\r\n";
    ASSERT_TRUE(LoadGuarded(markup, skin)) << markup.GetLastErrorMessage();

    CSkinMarkupNode root = markup.GetRoot();
    ASSERT_TRUE(root.IsValid());
    EXPECT_STREQ(L"Window", root.GetName());
    EXPECT_EQ(2, root.GetAttributeCount());
    EXPECT_STREQ(L"size", root.GetAttributeName(0));
    EXPECT_STREQ(L"400,300", root.GetAttributeValue(0));
    EXPECT_STREQ(L"0,0,0,30", root.GetAttributeValue(1));
    EXPECT_STREQ(L"", root.GetAttributeValue(2));
    EXPECT_STREQ(L"", root.GetAttributeName(-1));

    CSkinMarkupNode font = root.GetChild();
    EXPECT_STREQ(L"Font", font.GetName());
    EXPECT_EQ(L"\"Tahoma\"", AttributeValue(font, L"name"));
    EXPECT_EQ(L"12", AttributeValue(font, L"size"));
    EXPECT_EQ(L"<none>", AttributeValue(font, L"Size"));
    EXPECT_FALSE(font.HasChildren());

    CSkinMarkupNode layout = font.GetSibling();
    EXPECT_STREQ(L"VerticalLayout", layout.GetName());
    EXPECT_FALSE(layout.GetSibling().IsValid());
    CSkinMarkupNode label = layout.GetChild();
    EXPECT_EQ(L"a & b &foo; <c> '", AttributeValue(label, L"text"));
    EXPECT_EQ(L"title", AttributeValue(label, L"name"));

    CSkinMarkupNode control = label.GetSibling();
    EXPECT_STREQ(L"Control", control.GetName());
    EXPECT_FALSE(control.HasAttributes());
    EXPECT_STREQ(L"", control.GetValue());

    CSkinMarkupNode text = control.GetSibling();
    EXPECT_STREQ(L"Text", text.GetName());
    EXPECT_STREQ(L"x & y", text.GetValue());

    // An invalid node answers NULL, never a stale pointer.
    CSkinMarkupNode none;
    EXPECT_EQ(nullptr, none.GetName());
    EXPECT_EQ(nullptr, none.GetAttributeValue(0));
    EXPECT_FALSE(none.GetChild().IsValid());
}

TEST(SkinMarkup, AttributeCopiesAreAlwaysTerminated)
{
    CSkinMarkup markup(L"<a long=\"0123456789\"/>");
    CSkinMarkupNode node = markup.GetRoot();
    wchar_t buffer[6];
    wmemset(buffer, L'#', 6);
    EXPECT_TRUE(node.GetAttributeValue(L"long", buffer, 4));
    EXPECT_STREQ(L"012", buffer);
    EXPECT_EQ(L'#', buffer[4]);
    EXPECT_FALSE(node.GetAttributeValue(L"short", buffer, 6));
}

TEST(SkinMarkup, MalformedInputFailsWithItsMessage)
{
    struct Case
    {
        const char* text;
        const wchar_t* message;
    };
    const Case cases[] = {
        {"<Wind", L"Expected start-tag closing"},
        {"<Window", L"Expected start-tag closing"},
        {"<a bc", L"Error while parsing attributes"},
        {"<a b", L"Error while parsing attributes"},
        {"<a b=", L"Expected attribute value"},
        {"<a b= ", L"Expected attribute value"},
        {"<a b=\"xy", L"Error while parsing attribute string"},
        {"<a b=\"x&amp", L"Error while parsing attribute string"},
        {"<a b='x'/>", L"Expected attribute value"},
        {"<a =\"x\"/>", L"Error while parsing attributes"},
        {"<a></b>", L"Unmatched closing tag"},
        {"<ab></a>", L"Unmatched closing tag"},
        {"<a></abc>", L"Unmatched closing tag"},
        {"<a></a", L"Unmatched closing tag"},
        {"<a></", L"Unmatched closing tag"},
        {"</a>", L"Unmatched closing tag"},
        {"<a/></a>", L"Unmatched closing tag"},
        {"text", L"Expected start tag"},
        {"<a/>text", L"Expected start tag"},
        {"< a/>", L"Error parsing element name"},
        {"<", L"Error parsing element name"},
        {"<a><b><c>", L"Expected end-tag start"},
        {"<a><b><c></c>", L"Expected end-tag start"},
        {"<a x=\"1\"", L"Expected start-tag closing"},
        {"<a/", L"Expected start-tag closing"},
    };
    for (const Case& c : cases) {
        CSkinMarkup markup;
        EXPECT_FALSE(LoadGuarded(markup, c.text)) << c.text;
        EXPECT_STREQ(c.message, markup.GetLastErrorMessage()) << c.text;
        EXPECT_FALSE(markup.GetRoot().IsValid()) << c.text;
    }

    CSkinMarkup located;
    EXPECT_FALSE(located.LoadFromString(L"<Window><Button text='x'/></Window>"));
    EXPECT_STREQ(L"'x'/></Window>", located.GetLastErrorLocation());
}

TEST(SkinMarkup, TolerantEndsAndOddButValidInput)
{
    CSkinMarkup markup;
    // The root's missing end tag: its name still ends where it should.
    ASSERT_TRUE(LoadGuarded(markup, "<Window size=\"1,2\"><Button text=\"go\"/>"));
    EXPECT_STREQ(L"Window", markup.GetRoot().GetName());
    EXPECT_EQ(L"1,2", AttributeValue(markup.GetRoot(), L"size"));
    EXPECT_STREQ(L"Button", markup.GetRoot().GetChild().GetName());

    ASSERT_TRUE(LoadGuarded(markup, "<Window>"));
    EXPECT_STREQ(L"Window", markup.GetRoot().GetName());
    ASSERT_TRUE(LoadGuarded(markup, "<Window><Label>text"));
    EXPECT_STREQ(L"Label", markup.GetRoot().GetChild().GetName());
    EXPECT_STREQ(L"text", markup.GetRoot().GetChild().GetValue());

    ASSERT_TRUE(LoadGuarded(markup, "<!-- only a comment -->"));
    EXPECT_FALSE(markup.GetRoot().IsValid());
    ASSERT_TRUE(LoadGuarded(markup, "<Window><!-- never closed"));
    EXPECT_STREQ(L"Window", markup.GetRoot().GetName());
    EXPECT_FALSE(markup.GetRoot().HasChildren());
    ASSERT_TRUE(LoadGuarded(markup, "<?xml never closed"));
    EXPECT_FALSE(markup.GetRoot().IsValid());
    ASSERT_TRUE(LoadGuarded(markup, ""));
    EXPECT_FALSE(markup.GetRoot().IsValid());

    ASSERT_TRUE(LoadGuarded(markup, "<a></a \t>"));
    ASSERT_TRUE(LoadGuarded(markup, "<a b=\"1\"c=\"2\"/>"));
    EXPECT_EQ(L"2", AttributeValue(markup.GetRoot(), L"c"));
    ASSERT_TRUE(LoadGuarded(markup, "<a b=\"&\"/>"));
    EXPECT_EQ(L"&", AttributeValue(markup.GetRoot(), L"b"));
}

TEST(SkinMarkup, AttributeLimitAndNestingLimit)
{
    std::string many = "<Window";
    for (int i = 0; i < 70; ++i)
        many += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    many += "/>";
    CSkinMarkup markup;
    ASSERT_TRUE(LoadGuarded(markup, many));
    CSkinMarkupNode root = markup.GetRoot();
    EXPECT_EQ(64, root.GetAttributeCount());
    EXPECT_STREQ(L"63", root.GetAttributeValue(63));
    EXPECT_EQ(L"<none>", AttributeValue(root, L"a64"));

    std::string deep;
    for (int i = 0; i < 200; ++i)
        deep += "<e>";
    for (int i = 0; i < 200; ++i)
        deep += "</e>";
    EXPECT_TRUE(LoadGuarded(markup, deep)) << markup.GetLastErrorMessage();

    std::string tooDeep;
    for (int i = 0; i < 5000; ++i)
        tooDeep += "<e>";
    for (int i = 0; i < 5000; ++i)
        tooDeep += "</e>";
    EXPECT_FALSE(LoadGuarded(markup, tooDeep));
    EXPECT_STREQ(L"Elements nested too deeply", markup.GetLastErrorMessage());
    EXPECT_FALSE(markup.GetRoot().IsValid());

    // More elements than the first table growth holds.
    std::string wide = "<list>";
    for (int i = 0; i < 1500; ++i)
        wide += "<i v=\"" + std::to_string(i) + "\"/>";
    wide += "</list>";
    ASSERT_TRUE(LoadGuarded(markup, wide));
    CSkinMarkupNode item = markup.GetRoot().GetChild();
    int count = 0;
    for (; item.IsValid(); item = item.GetSibling())
        ++count;
    EXPECT_EQ(1500, count);
}

TEST(SkinMarkup, EncodingsAndByteOrderMarks)
{
    const std::wstring text = L"<Window text=\"\x4E2D\x6587 ok\"/>";
    CSkinMarkup markup;

    std::string utf8 = Utf8(text);
    ASSERT_TRUE(LoadGuarded(markup, "\xEF\xBB\xBF" + utf8));
    EXPECT_EQ(L"\x4E2D\x6587 ok", AttributeValue(markup.GetRoot(), L"text"));
    ASSERT_TRUE(LoadGuarded(markup, utf8));
    EXPECT_EQ(L"\x4E2D\x6587 ok", AttributeValue(markup.GetRoot(), L"text"));

    std::vector<BYTE> little = {0xFF, 0xFE};
    std::vector<BYTE> big = {0xFE, 0xFF};
    for (wchar_t ch : text) {
        little.push_back(static_cast<BYTE>(ch));
        little.push_back(static_cast<BYTE>(ch >> 8));
        big.push_back(static_cast<BYTE>(ch >> 8));
        big.push_back(static_cast<BYTE>(ch));
    }
    GuardedBuffer le(little.data(), little.size());
    ASSERT_TRUE(markup.LoadFromMemory(le.Data(), static_cast<DWORD>(le.Size()), XMLFILE_ENCODING_UNICODE));
    EXPECT_EQ(L"\x4E2D\x6587 ok", AttributeValue(markup.GetRoot(), L"text"));

    // Big-endian input is swapped in the private copy; the caller's bytes stay as given.
    GuardedBuffer be(big.data(), big.size());
    ASSERT_TRUE(markup.LoadFromMemory(be.Data(), static_cast<DWORD>(be.Size()), XMLFILE_ENCODING_UNICODE));
    EXPECT_EQ(L"\x4E2D\x6587 ok", AttributeValue(markup.GetRoot(), L"text"));
    EXPECT_EQ(0, memcmp(be.Data(), big.data(), big.size()));

    std::vector<BYTE> noMark(little.begin() + 2, little.end());
    GuardedBuffer bare(noMark.data(), noMark.size());
    EXPECT_FALSE(markup.LoadFromMemory(bare.Data(), static_cast<DWORD>(bare.Size()), XMLFILE_ENCODING_UNICODE));
    GuardedBuffer one(little.data(), 1);
    EXPECT_FALSE(markup.LoadFromMemory(one.Data(), 1, XMLFILE_ENCODING_UNICODE));

    std::string ansi = "<Window text=\"plain\"/>";
    GuardedBuffer narrow(ansi.data(), ansi.size());
    ASSERT_TRUE(markup.LoadFromMemory(narrow.Data(), static_cast<DWORD>(narrow.Size()), XMLFILE_ENCODING_ASNI));
    EXPECT_EQ(L"plain", AttributeValue(markup.GetRoot(), L"text"));

    // Bytes above 0x7F are read in the system code page ("\xC4\xE3\xBA\xC3" is a pair in 936, four letters in
    // 1252), never as UTF-8.
    const std::string high = "\xC4\xE3\xBA\xC3";
    wchar_t expected[16] = {};
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, high.data(), static_cast<int>(high.size()), expected, 15), 0);
    wchar_t asUtf8[16] = {};
    MultiByteToWideChar(CP_UTF8, 0, high.data(), static_cast<int>(high.size()), asUtf8, 15);
    ASSERT_NE(std::wstring(expected), std::wstring(asUtf8));
    std::string local = "<Window text=\"" + high + "\"/>";
    GuardedBuffer codePage(local.data(), local.size());
    ASSERT_TRUE(markup.LoadFromMemory(codePage.Data(), static_cast<DWORD>(codePage.Size()), XMLFILE_ENCODING_ASNI));
    EXPECT_EQ(std::wstring(expected), AttributeValue(markup.GetRoot(), L"text"));
}

TEST(SkinMarkupFile, SizeLimitAndFileErrors)
{
    TempFolder folder;
    CResourceSettingsUI::SetResourceFolder(folder.Path().c_str());
    const size_t limit = 0x400000;
    std::string body = "<Window>";
    std::string tail = "</Window>";
    std::string exact = body + std::string(limit - body.size() - tail.size(), ' ') + tail;
    ASSERT_EQ(limit, exact.size());
    folder.Write(L"exact.xml", Bytes(exact));
    std::string over = body + std::string(limit + 1 - body.size() - tail.size(), ' ') + tail;
    folder.Write(L"over.xml", Bytes(over));
    folder.Write(L"empty.xml", {});

    CSkinMarkup markup;
    EXPECT_TRUE(markup.LoadFromFile(L"exact.xml")) << markup.GetLastErrorMessage();
    EXPECT_STREQ(L"Window", markup.GetRoot().GetName());
    EXPECT_FALSE(markup.LoadFromFile(L"over.xml"));
    EXPECT_STREQ(L"File too large", markup.GetLastErrorMessage());
    EXPECT_FALSE(markup.GetRoot().IsValid());
    EXPECT_FALSE(markup.LoadFromFile(L"empty.xml"));
    EXPECT_STREQ(L"File is empty", markup.GetLastErrorMessage());
    EXPECT_FALSE(markup.LoadFromFile(L"missing.xml"));
    EXPECT_STREQ(L"Error opening file", markup.GetLastErrorMessage());
}

namespace {

std::vector<BYTE> SkinArchive()
{
    ZipBuilder zip;
    zip.Add("Skin/Main.xml", "<Window><Label name=\"zipped\"/></Window>", true);
    zip.Add("empty.xml", "");
    zip.Add("broken.xml", "<Window></Window>").overrideCrc = true;
    return zip.Build();
}

} // namespace

TEST(SkinMarkupZip, EntriesFromAKeptZipFile)
{
    TempFolder folder;
    folder.Write(L"skin.zip", SkinArchive());
    CResourceSettingsUI::SetResourceFolder(folder.Path().c_str());
    CResourceSettingsUI::SetResourceZipFile(L"skin.zip", true);
    ZipReaderHandle* kept = CResourceSettingsUI::GetKeptZip();
    ASSERT_TRUE(kept != NULL);
    // The same name and flag again keep the archive already open.
    CResourceSettingsUI::SetResourceZipFile(L"skin.zip", true);
    EXPECT_EQ(kept, CResourceSettingsUI::GetKeptZip());

    CSkinMarkup markup;
    ASSERT_TRUE(markup.LoadFromFile(L"skin\\MAIN.xml")) << markup.GetLastErrorMessage();
    EXPECT_STREQ(L"Label", markup.GetRoot().GetChild().GetName());
    EXPECT_FALSE(markup.LoadFromFile(L"Skin/Other.xml"));
    EXPECT_STREQ(L"Could not find ziped file", markup.GetLastErrorMessage());
    EXPECT_FALSE(markup.LoadFromFile(L"empty.xml"));
    EXPECT_STREQ(L"File is empty", markup.GetLastErrorMessage());
    EXPECT_FALSE(markup.LoadFromFile(L"broken.xml"));
    EXPECT_STREQ(L"Could not unzip file", markup.GetLastErrorMessage());

    // Not kept: opened for each load and closed again, so the file can be replaced in between.
    CResourceSettingsUI::SetResourceZipFile(L"skin.zip", false);
    EXPECT_TRUE(CResourceSettingsUI::GetKeptZip() == NULL);
    ASSERT_TRUE(markup.LoadFromFile(L"Skin/Main.xml"));
    ASSERT_TRUE(DeleteFileW(folder.File(L"skin.zip").c_str()));
    EXPECT_FALSE(markup.LoadFromFile(L"Skin/Main.xml"));
    EXPECT_STREQ(L"Error opening zip file", markup.GetLastErrorMessage());
}

TEST(SkinMarkupZip, MemoryZipIsCopiedOnce)
{
    std::vector<BYTE> archive = SkinArchive();
    std::vector<BYTE>* caller = new std::vector<BYTE>(archive);
    CResourceSettingsUI::SetResourceZipMemory(caller->data(), static_cast<DWORD>(caller->size()));
    // The caller's buffer may go away at once.
    std::fill(caller->begin(), caller->end(), 0xCC);
    delete caller;
    EXPECT_STREQ(L"membuffer", CResourceSettingsUI::GetResourceZipName().Text());

    std::vector<BYTE> other = {'n', 'o', 't', ' ', 'z', 'i', 'p'};
    CResourceSettingsUI::SetResourceZipMemory(other.data(), static_cast<DWORD>(other.size()));

    CSkinMarkup markup;
    ASSERT_TRUE(markup.LoadFromFile(L"Skin/Main.xml")) << markup.GetLastErrorMessage();
    EXPECT_STREQ(L"Window", markup.GetRoot().GetName());
}
