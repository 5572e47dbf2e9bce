// Growable array of untyped pointers.
#pragma once
#include <windows.h>

namespace UiToolkit {

// Untyped pointer list; the elements are not owned.
class CPtrArrayUI
{
public:
    explicit CPtrArrayUI(int initialCapacity = 0);
    CPtrArrayUI(const CPtrArrayUI& src);
    CPtrArrayUI& operator=(const CPtrArrayUI& src);
    ~CPtrArrayUI();

    void Empty();
    void Resize(int n);
    bool IsEmpty() const { return m_nCount == 0; }
    int Find(void* p) const;
    bool Add(void* p);
    bool InsertAt(int index, void* p);
    bool Remove(int index);
    int Count() const { return m_nCount; }
    int Capacity() const { return m_nAllocated; }
    void** GetData() { return m_ppVoid; }
    void* GetAt(int index) const;
    void* operator[](int index) const { return m_ppVoid[index]; }

private:
    bool GrowForOneMore();

    void** m_ppVoid;
    int m_nCount;
    int m_nAllocated;
};

} // namespace UiToolkit
