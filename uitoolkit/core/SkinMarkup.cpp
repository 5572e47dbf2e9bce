#include "core/SkinMarkup.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <wctype.h>

namespace UiToolkit {

namespace {

// Whitespace is every unit up to 32, but never the terminator.
void SkipWhitespace(wchar_t*& p)
{
    while (*p != L'\0' && *p <= L' ')
        ++p;
}

void SkipWhitespace(const wchar_t*& p, const wchar_t* limit)
{
    while (p < limit && *p <= L' ')
        ++p;
}

void SkipIdentifier(wchar_t*& p)
{
    while (*p == L'_' || *p == L':' || (*p != L'\0' && iswalnum(*p)))
        ++p;
}

struct Entity
{
    const wchar_t* text;
    size_t length;
    wchar_t value;
};

const Entity ENTITIES[] = {
    {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

} // namespace

CSkinMarkupNode::CSkinMarkupNode() : m_nElement(0), m_nAttributes(0), m_pOwner(NULL) {}

CSkinMarkupNode::CSkinMarkupNode(CSkinMarkup* owner, ULONG element)
    : m_nElement(element), m_nAttributes(0), m_pOwner(owner)
{}

CSkinMarkupNode CSkinMarkupNode::GetChild() const
{
    if (m_pOwner == NULL)
        return CSkinMarkupNode();
    ULONG child = m_pOwner->m_pElements[m_nElement].child;
    return child == 0 ? CSkinMarkupNode() : CSkinMarkupNode(m_pOwner, child);
}

CSkinMarkupNode CSkinMarkupNode::GetSibling() const
{
    if (m_pOwner == NULL)
        return CSkinMarkupNode();
    ULONG next = m_pOwner->m_pElements[m_nElement].next;
    return next == 0 ? CSkinMarkupNode() : CSkinMarkupNode(m_pOwner, next);
}

bool CSkinMarkupNode::HasChildren() const
{
    return m_pOwner != NULL && m_pOwner->m_pElements[m_nElement].child != 0;
}

bool CSkinMarkupNode::HasAttributes() const
{
    return GetAttributeCount() > 0;
}

const wchar_t* CSkinMarkupNode::GetName() const
{
    if (m_pOwner == NULL)
        return NULL;
    return m_pOwner->m_pstrXML + m_pOwner->m_pElements[m_nElement].name;
}

const wchar_t* CSkinMarkupNode::GetValue() const
{
    if (m_pOwner == NULL)
        return NULL;
    return m_pOwner->m_pstrXML + m_pOwner->m_pElements[m_nElement].value;
}

void CSkinMarkupNode::FindAttributes() const
{
    m_nAttributes = 0;
    const wchar_t* text = m_pOwner->m_pstrXML;
    const CSkinMarkup::Element& element = m_pOwner->m_pElements[m_nElement];
    const wchar_t* p = text + element.name;
    const wchar_t* limit = text + element.value;
    while (p < limit && *p != L'\0')
        ++p;
    ++p;
    // Each entry: name, terminator, blanks, quote, value, terminator; all of it before the value.
    while (m_nAttributes < MAX_ATTRIBUTES) {
        SkipWhitespace(p, limit);
        if (p >= limit || *p == L'>' || *p == L'/')
            return;
        const wchar_t* name = p;
        while (p < limit && *p != L'\0')
            ++p;
        if (p >= limit)
            return;
        ++p;
        SkipWhitespace(p, limit);
        if (p >= limit || *p != L'"')
            return;
        const wchar_t* value = ++p;
        while (p < limit && *p != L'\0')
            ++p;
        if (p >= limit)
            return;
        ++p;
        m_aAttributes[m_nAttributes].name = static_cast<ULONG>(name - text);
        m_aAttributes[m_nAttributes].value = static_cast<ULONG>(value - text);
        ++m_nAttributes;
    }
}

int CSkinMarkupNode::GetAttributeCount() const
{
    if (m_pOwner == NULL)
        return 0;
    if (m_nAttributes == 0)
        FindAttributes();
    return static_cast<int>(m_nAttributes);
}

const wchar_t* CSkinMarkupNode::GetAttributeName(int index) const
{
    if (m_pOwner == NULL)
        return NULL;
    if (index < 0 || index >= GetAttributeCount())
        return L"";
    return m_pOwner->m_pstrXML + m_aAttributes[index].name;
}

const wchar_t* CSkinMarkupNode::GetAttributeValue(int index) const
{
    if (m_pOwner == NULL)
        return NULL;
    if (index < 0 || index >= GetAttributeCount())
        return L"";
    return m_pOwner->m_pstrXML + m_aAttributes[index].value;
}

bool CSkinMarkupNode::GetAttributeValue(const wchar_t* name, wchar_t* buffer, SIZE_T capacity) const
{
    if (m_pOwner == NULL || name == NULL)
        return false;
    int count = GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        if (wcscmp(m_pOwner->m_pstrXML + m_aAttributes[i].name, name) != 0)
            continue;
        if (buffer != NULL && capacity > 0) {
            const wchar_t* value = m_pOwner->m_pstrXML + m_aAttributes[i].value;
            SIZE_T n = 0;
            while (n + 1 < capacity && value[n] != L'\0') {
                buffer[n] = value[n];
                ++n;
            }
            buffer[n] = L'\0';
        }
        return true;
    }
    return false;
}

CSkinMarkup::CSkinMarkup(const wchar_t* text)
    : m_pstrXML(NULL), m_pElements(NULL), m_nElements(0), m_nReservedElements(0), m_bPreserveWhitespace(true)
{
    m_szErrorMsg[0] = L'\0';
    m_szErrorXML[0] = L'\0';
    if (text != NULL)
        LoadFromString(text);
}

CSkinMarkup::~CSkinMarkup()
{
    Release();
}

void CSkinMarkup::Release()
{
    free(m_pstrXML);
    free(m_pElements);
    m_pstrXML = NULL;
    m_pElements = NULL;
    m_nElements = 0;
    m_nReservedElements = 0;
}

CSkinMarkupNode CSkinMarkup::GetRoot()
{
    if (m_nElements < 2)
        return CSkinMarkupNode();
    return CSkinMarkupNode(this, 1);
}

bool CSkinMarkup::LoadFromString(const wchar_t* text)
{
    Release();
    if (text == NULL)
        text = L"";
    size_t units = wcslen(text) + 1;
    m_pstrXML = static_cast<wchar_t*>(malloc(units * sizeof(wchar_t)));
    if (m_pstrXML == NULL)
        return FailLoad(L"Out of memory");
    wmemcpy(m_pstrXML, text, units);
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CSkinMarkup::Fail(const wchar_t* message, const wchar_t* location)
{
    wcsncpy(m_szErrorMsg, message, 99);
    m_szErrorMsg[99] = L'\0';
    m_szErrorXML[0] = L'\0';
    if (location != NULL) {
        size_t n = 0;
        while (n < 49 && location[n] != L'\0') {
            m_szErrorXML[n] = location[n];
            ++n;
        }
        m_szErrorXML[n] = L'\0';
    }
    return false;
}

bool CSkinMarkup::FailLoad(const wchar_t* message)
{
    Release();
    return Fail(message, NULL);
}

ULONG CSkinMarkup::ReserveElement()
{
    if (m_nElements >= m_nReservedElements) {
        ULONG capacity = m_nReservedElements + m_nReservedElements / 2 + 500;
        Element* grown = static_cast<Element*>(realloc(m_pElements, capacity * sizeof(Element)));
        if (grown == NULL)
            return 0;
        m_pElements = grown;
        m_nReservedElements = capacity;
    }
    memset(&m_pElements[m_nElements], 0, sizeof(Element));
    return m_nElements++;
}

bool CSkinMarkup::Parse()
{
    m_nElements = 0;
    if (ReserveElement() != 0 || m_pElements == NULL)
        return Fail(L"Out of memory", NULL);
    m_szErrorMsg[0] = L'\0';
    m_szErrorXML[0] = L'\0';
    wchar_t* p = m_pstrXML;
    if (!ParseLevel(p, 0, 0))
        return false;
    // An end tag at the top level closes nothing.
    if (*p != L'\0')
        return Fail(L"Unmatched closing tag", p);
    return true;
}

bool CSkinMarkup::ParseLevel(wchar_t*& p, ULONG parent, int depth)
{
    if (depth > MAX_DEPTH)
        return Fail(L"Elements nested too deeply", p);
    ULONG previous = 0;
    for (;;) {
        SkipWhitespace(p);
        if (*p == L'\0') {
            if (parent <= 1)
                return true;
            return Fail(L"Expected end-tag start", p);
        }
        if (*p != L'<')
            return Fail(L"Expected start tag", p);
        if (p[1] == L'/')
            return true;
        *p++ = L'\0';
        if (*p == L'!' || *p == L'?') {
            const wchar_t* close = (*p == L'!') ? L"->" : L"?>";
            ++p;
            wchar_t* end = wcsstr(p, close);
            p = end != NULL ? end + 2 : p + wcslen(p);
            continue;
        }

        ULONG pos = ReserveElement();
        if (pos == 0)
            return Fail(L"Out of memory", p);
        m_pElements[pos].name = static_cast<ULONG>(p - m_pstrXML);
        m_pElements[pos].parent = parent;
        if (previous != 0)
            m_pElements[previous].next = pos;
        else if (parent > 0)
            m_pElements[parent].child = pos;
        previous = pos;

        wchar_t* name = p;
        SkipIdentifier(p);
        if (p == name)
            return Fail(L"Error parsing element name", p);
        wchar_t* nameEnd = p;
        size_t nameLength = nameEnd - name;
        if (!ParseAttributes(p))
            return false;

        if (p[0] == L'/' && p[1] == L'>') {
            m_pElements[pos].value = static_cast<ULONG>(p - m_pstrXML);
            *p = L'\0';
            p += 2;
            *nameEnd = L'\0';
            continue;
        }
        if (*p != L'>')
            return Fail(L"Expected start-tag closing", p);
        ++p;
        m_pElements[pos].value = static_cast<ULONG>(p - m_pstrXML);
        wchar_t* write = p;
        ParseData(p, write, L'<');
        if (write < p)
            *write = L'\0';

        if (*p != L'\0' && p[1] != L'/') {
            if (!ParseLevel(p, pos, depth + 1))
                return false;
        }
        if (*p == L'\0') {
            // A missing end tag of the root, or of the root's last child, is no error.
            if (parent <= 1) {
                *nameEnd = L'\0';
                return true;
            }
            return Fail(L"Expected end-tag start", p);
        }
        if (p[0] != L'<' || p[1] != L'/')
            return Fail(L"Expected end-tag start", p);
        *p = L'\0';
        p += 2;
        if (wcsncmp(p, name, nameLength) != 0)
            return Fail(L"Unmatched closing tag", p);
        p += nameLength;
        SkipWhitespace(p);
        if (*p != L'>')
            return Fail(L"Unmatched closing tag", p);
        ++p;
        *nameEnd = L'\0';
    }
}

bool CSkinMarkup::ParseAttributes(wchar_t*& p)
{
    if (*p != L'\0' && *p != L'>' && *p != L'/')
        *p++ = L'\0';
    for (;;) {
        SkipWhitespace(p);
        if (*p == L'\0' || *p == L'>' || *p == L'/')
            return true;
        wchar_t* name = p;
        SkipIdentifier(p);
        wchar_t* nameEnd = p;
        if (nameEnd == name)
            return Fail(L"Error while parsing attributes", p);
        SkipWhitespace(p);
        if (*p != L'=')
            return Fail(L"Error while parsing attributes", p);
        *p++ = L' ';
        *nameEnd = L'\0';
        SkipWhitespace(p);
        if (*p != L'"')
            return Fail(L"Expected attribute value", p);
        ++p;
        wchar_t* write = p;
        if (!ParseData(p, write, L'"'))
            return Fail(L"Error while parsing attribute string", p);
        if (write < p) {
            *write = L'\0';
            *p = L' ';
        } else {
            *p = L'\0';
        }
        ++p;
    }
}

// Copies text up to the end unit with entities decoded; false when the text ends first.
bool CSkinMarkup::ParseData(wchar_t*& p, wchar_t*& write, wchar_t end)
{
    while (*p != L'\0' && *p != end) {
        if (*p == L'&') {
            bool decoded = false;
            for (const Entity& entity : ENTITIES) {
                if (wcsncmp(p, entity.text, entity.length) == 0) {
                    *write++ = entity.value;
                    p += entity.length;
                    decoded = true;
                    break;
                }
            }
            if (decoded)
                continue;
        }
        if (*p == L' ') {
            *write++ = *p++;
            if (!m_bPreserveWhitespace)
                SkipWhitespace(p);
            continue;
        }
        *write++ = *p++;
    }
    for (wchar_t* gap = write; gap < p; ++gap)
        *gap = L' ';
    return *p != L'\0';
}

} // namespace UiToolkit
