#include "base/UIPtrArray.h"

#include <stdlib.h>
#include <string.h>

namespace UiToolkit {

CPtrArrayUI::CPtrArrayUI(int initialCapacity) : m_ppVoid(NULL), m_nCount(0), m_nAllocated(0)
{
    if (initialCapacity > 0) {
        m_ppVoid = static_cast<void**>(malloc(initialCapacity * sizeof(void*)));
        if (m_ppVoid != NULL)
            m_nAllocated = initialCapacity;
    }
}

CPtrArrayUI::CPtrArrayUI(const CPtrArrayUI& src) : m_ppVoid(NULL), m_nCount(0), m_nAllocated(0)
{
    for (int i = 0; i < src.Count(); ++i)
        Add(src.GetAt(i));
}

CPtrArrayUI& CPtrArrayUI::operator=(const CPtrArrayUI& src)
{
    if (&src != this) {
        Empty();
        for (int i = 0; i < src.Count(); ++i)
            Add(src.GetAt(i));
    }
    return *this;
}

CPtrArrayUI::~CPtrArrayUI()
{
    free(m_ppVoid);
}

void CPtrArrayUI::Empty()
{
    free(m_ppVoid);
    m_ppVoid = NULL;
    m_nCount = m_nAllocated = 0;
}

void CPtrArrayUI::Resize(int n)
{
    Empty();
    if (n <= 0)
        return;
    m_ppVoid = static_cast<void**>(calloc(n, sizeof(void*)));
    if (m_ppVoid != NULL)
        m_nCount = m_nAllocated = n;
}

int CPtrArrayUI::Find(void* p) const
{
    for (int i = 0; i < m_nCount; ++i) {
        if (m_ppVoid[i] == p)
            return i;
    }
    return -1;
}

// Keeps one free slot beyond the count, the way the list has always grown (11, 22, 44, ...).
bool CPtrArrayUI::GrowForOneMore()
{
    if (m_nCount + 1 < m_nAllocated)
        return true;
    int capacity = m_nAllocated > 0 ? m_nAllocated * 2 : 11;
    while (capacity <= m_nCount + 1)
        capacity *= 2;
    void** block = static_cast<void**>(realloc(m_ppVoid, capacity * sizeof(void*)));
    if (block == NULL)
        return false;
    m_ppVoid = block;
    m_nAllocated = capacity;
    return true;
}

bool CPtrArrayUI::Add(void* p)
{
    if (!GrowForOneMore())
        return false;
    m_ppVoid[m_nCount++] = p;
    return true;
}

bool CPtrArrayUI::InsertAt(int index, void* p)
{
    if (index == m_nCount)
        return Add(p);
    if (index < 0 || index > m_nCount)
        return false;
    if (!GrowForOneMore())
        return false;
    memmove(&m_ppVoid[index + 1], &m_ppVoid[index], (m_nCount - index) * sizeof(void*));
    m_ppVoid[index] = p;
    ++m_nCount;
    return true;
}

bool CPtrArrayUI::Remove(int index)
{
    if (index < 0 || index >= m_nCount)
        return false;
    --m_nCount;
    if (index < m_nCount)
        memmove(&m_ppVoid[index], &m_ppVoid[index + 1], (m_nCount - index) * sizeof(void*));
    return true;
}

void* CPtrArrayUI::GetAt(int index) const
{
    if (index < 0 || index >= m_nCount)
        return NULL;
    return m_ppVoid[index];
}

} // namespace UiToolkit
