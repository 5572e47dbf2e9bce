#include "base/UIStringMap.h"

#include <stdlib.h>

namespace UiToolkit {

CStringMapUI::CStringMapUI(int buckets) : m_aT(NULL), m_nBuckets(0), m_nCount(0)
{
    if (buckets < 16)
        buckets = 16;
    Resize(buckets);
}

CStringMapUI::~CStringMapUI()
{
    FreeNodes();
    free(m_aT);
}

UINT CStringMapUI::Hash(const wchar_t* key)
{
    UINT h = 0;
    if (key == NULL)
        return 0;
    size_t i = wcslen(key);
    while (i > 0) {
        --i;
        h = h * 33 + key[i];
    }
    return h;
}

void CStringMapUI::FreeNodes()
{
    if (m_aT == NULL)
        return;
    for (int b = m_nBuckets - 1; b >= 0; --b) {
        Item* item = m_aT[b];
        while (item != NULL) {
            Item* next = item->next;
            delete item;
            item = next;
        }
        m_aT[b] = NULL;
    }
    m_nCount = 0;
}

void CStringMapUI::Resize(int buckets)
{
    FreeNodes();
    free(m_aT);
    m_aT = NULL;
    m_nBuckets = 0;
    m_nCount = 0;
    if (buckets < 0)
        buckets = 0;
    if (buckets > 0) {
        m_aT = static_cast<Item**>(calloc(buckets, sizeof(Item*)));
        if (m_aT != NULL)
            m_nBuckets = buckets;
    }
}

void CStringMapUI::RemoveAll()
{
    FreeNodes();
}

void* CStringMapUI::Find(const wchar_t* key, bool moveToFront) const
{
    if (m_nBuckets == 0 || m_nCount == 0 || key == NULL)
        return NULL;
    UINT slot = Hash(key) % m_nBuckets;
    for (Item* item = m_aT[slot]; item != NULL; item = item->next) {
        if (!item->key.Equals(key))
            continue;
        if (moveToFront && item != m_aT[slot]) {
            // Repeated lookups of the same name stay cheap.
            item->prev->next = item->next;
            if (item->next != NULL)
                item->next->prev = item->prev;
            item->prev = NULL;
            item->next = m_aT[slot];
            m_aT[slot]->prev = item;
            m_aT[slot] = item;
        }
        return item->data;
    }
    return NULL;
}

bool CStringMapUI::Insert(const wchar_t* key, void* data)
{
    if (m_nBuckets == 0 || key == NULL)
        return false;
    UINT slot = Hash(key) % m_nBuckets;
    for (Item* item = m_aT[slot]; item != NULL; item = item->next) {
        if (item->key.Equals(key))
            return false;
    }
    Item* item = new Item;
    item->key = key;
    item->data = data;
    item->prev = NULL;
    item->next = m_aT[slot];
    if (item->next != NULL)
        item->next->prev = item;
    m_aT[slot] = item;
    ++m_nCount;
    return true;
}

void* CStringMapUI::Set(const wchar_t* key, void* data)
{
    if (m_nBuckets == 0 || key == NULL)
        return NULL;
    UINT slot = Hash(key) % m_nBuckets;
    for (Item* item = m_aT[slot]; item != NULL; item = item->next) {
        if (item->key.Equals(key)) {
            void* old = item->data;
            item->data = data;
            return old;
        }
    }
    Insert(key, data);
    return NULL;
}

bool CStringMapUI::Remove(const wchar_t* key)
{
    if (m_nBuckets == 0 || m_nCount == 0 || key == NULL)
        return false;
    UINT slot = Hash(key) % m_nBuckets;
    for (Item* item = m_aT[slot]; item != NULL; item = item->next) {
        if (!item->key.Equals(key))
            continue;
        if (item->prev != NULL)
            item->prev->next = item->next;
        else
            m_aT[slot] = item->next;
        if (item->next != NULL)
            item->next->prev = item->prev;
        delete item;
        --m_nCount;
        return true;
    }
    return false;
}

const wchar_t* CStringMapUI::GetAt(int index) const
{
    if (index < 0 || m_aT == NULL)
        return NULL;
    int seen = 0;
    for (int b = m_nBuckets - 1; b >= 0; --b) {
        for (Item* item = m_aT[b]; item != NULL; item = item->next) {
            if (seen == index)
                return item->key.Text();
            ++seen;
        }
    }
    return NULL;
}

} // namespace UiToolkit
