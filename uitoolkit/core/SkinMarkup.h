// Skin markup parser: the XML-like node tree the builder walks.
#pragma once
#include <windows.h>

namespace UiToolkit {

enum
{
    XMLFILE_ENCODING_UTF8 = 0,
    XMLFILE_ENCODING_UNICODE = 1,
    XMLFILE_ENCODING_ASNI = 2
};

class CSkinMarkup;

// A view of one element; attributes are found when first asked for.
class CSkinMarkupNode
{
public:
    enum
    {
        MAX_ATTRIBUTES = 64
    };

    CSkinMarkupNode();
    CSkinMarkupNode(CSkinMarkup* owner, ULONG element);

    bool IsValid() const { return m_pOwner != NULL; }
    CSkinMarkupNode GetChild() const;
    CSkinMarkupNode GetSibling() const;
    bool HasChildren() const;
    bool HasAttributes() const;
    const wchar_t* GetName() const;
    const wchar_t* GetValue() const;
    int GetAttributeCount() const;
    const wchar_t* GetAttributeName(int index) const;
    const wchar_t* GetAttributeValue(int index) const;
    // Copies at most capacity - 1 units and always terminates the buffer.
    bool GetAttributeValue(const wchar_t* name, wchar_t* buffer, SIZE_T capacity) const;

private:
    void FindAttributes() const;

    struct Attribute
    {
        ULONG name;
        ULONG value;
    };

    ULONG m_nElement;
    mutable ULONG m_nAttributes;
    mutable Attribute m_aAttributes[MAX_ATTRIBUTES];
    CSkinMarkup* m_pOwner;
};

// A skin document parsed in place into one UTF-16 buffer and a flat element table.
class CSkinMarkup
{
    friend class CSkinMarkupNode;

public:
    enum
    {
        MAX_FILE_SIZE = 0x400000,
        MAX_DEPTH = 256
    };

    explicit CSkinMarkup(const wchar_t* text = NULL);
    ~CSkinMarkup();
    CSkinMarkup(const CSkinMarkup&) = delete;
    CSkinMarkup& operator=(const CSkinMarkup&) = delete;

    bool LoadFromString(const wchar_t* text);
    bool LoadFromMemory(const BYTE* bytes, DWORD size, int encoding = XMLFILE_ENCODING_UTF8);
    bool LoadFromFile(const wchar_t* name, int encoding = XMLFILE_ENCODING_UTF8);
    void Release();
    bool IsValid() const { return m_pElements != NULL; }
    void SetPreserveWhitespace(bool preserve) { m_bPreserveWhitespace = preserve; }
    CSkinMarkupNode GetRoot();
    const wchar_t* GetLastErrorMessage() const { return m_szErrorMsg; }
    const wchar_t* GetLastErrorLocation() const { return m_szErrorXML; }

private:
    struct Element
    {
        ULONG name;
        ULONG child;
        ULONG next;
        ULONG parent;
        ULONG value;
    };

    bool LoadFromZip(const wchar_t* name, int encoding);
    bool Parse();
    bool ParseLevel(wchar_t*& p, ULONG parent, int depth);
    bool ParseAttributes(wchar_t*& p);
    bool ParseData(wchar_t*& p, wchar_t*& write, wchar_t end);
    ULONG ReserveElement();
    bool Fail(const wchar_t* message, const wchar_t* location);
    bool FailLoad(const wchar_t* message);

    wchar_t* m_pstrXML;
    Element* m_pElements;
    ULONG m_nElements;
    ULONG m_nReservedElements;
    bool m_bPreserveWhitespace;
    wchar_t m_szErrorMsg[100];
    wchar_t m_szErrorXML[50];
};

} // namespace UiToolkit
