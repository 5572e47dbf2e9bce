// Hash map from wide text to an untyped pointer.
#pragma once
#include "base/UIString.h"

namespace UiToolkit {

// Chained hash table from text to an untyped pointer; data pointers are not owned.
class CStringMapUI
{
public:
    explicit CStringMapUI(int buckets = 83);
    ~CStringMapUI();
    CStringMapUI(const CStringMapUI&) = delete;
    CStringMapUI& operator=(const CStringMapUI&) = delete;

    static UINT Hash(const wchar_t* key);

    void Resize(int buckets = 83);
    void* Find(const wchar_t* key, bool moveToFront = true) const;
    bool Insert(const wchar_t* key, void* data);
    void* Set(const wchar_t* key, void* data);
    bool Remove(const wchar_t* key);
    void RemoveAll();
    int Count() const { return m_nCount; }
    int BucketCount() const { return m_nBuckets; }
    const wchar_t* GetAt(int index) const;
    const wchar_t* operator[](int index) const { return GetAt(index); }

private:
    struct Item
    {
        CStringUI key;
        void* data;
        Item* prev;
        Item* next;
    };

    void FreeNodes();

    Item** m_aT;
    int m_nBuckets;
    int m_nCount;
};

} // namespace UiToolkit
