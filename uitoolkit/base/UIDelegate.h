// Delegates and the event source that controls raise and windows subscribe to.
#pragma once
#include "base/UILifeGuard.h"
#include "base/UIPtrArray.h"
#include "base/UIWalkList.h"

#include <string.h>

namespace UiToolkit {

class CDelegateBase
{
public:
    CDelegateBase(void* object, void* function) : m_pObject(object), m_pFn(function) {}
    CDelegateBase(const CDelegateBase& src) : m_pObject(src.m_pObject), m_pFn(src.m_pFn) {}
    virtual ~CDelegateBase() {}
    virtual CDelegateBase* Clone() const = 0;
    virtual bool Invoke(void* param) = 0;

    bool operator==(const CDelegateBase& other) const { return m_pObject == other.m_pObject && m_pFn == other.m_pFn; }
    bool operator!=(const CDelegateBase& other) const { return !(*this == other); }
    bool operator()(void* param) { return Invoke(param); }

protected:
    void* GetObject() const { return m_pObject; }
    void* GetFn() const { return m_pFn; }

private:
    void* m_pObject;
    void* m_pFn;
};

// A free function: no bound object.
class CDelegateStatic : public CDelegateBase
{
public:
    typedef bool (*Fn)(void*);
    explicit CDelegateStatic(Fn fn) : CDelegateBase(NULL, reinterpret_cast<void*>(fn)) {}
    CDelegateBase* Clone() const override { return new CDelegateStatic(*this); }
    bool Invoke(void* param) override
    {
        Fn fn = reinterpret_cast<Fn>(GetFn());
        return fn(param);
    }
};

template <class O, class T>
class CDelegate : public CDelegateBase
{
public:
    typedef bool (T::*Fn)(void*);
    CDelegate(O* object, Fn fn) : CDelegateBase(object, FnKey(fn)), m_pFn(fn) {}
    CDelegateBase* Clone() const override { return new CDelegate(*this); }
    bool Invoke(void* param) override
    {
        O* object = static_cast<O*>(GetObject());
        return (object->*m_pFn)(param);
    }

private:
    // The first word of a member-function pointer tells functions of one class apart.
    static void* FnKey(Fn fn)
    {
        void* key = NULL;
        memcpy(&key, &fn, sizeof(key));
        return key;
    }

    Fn m_pFn;
};

inline CDelegateStatic MakeDelegate(bool (*fn)(void*))
{
    return CDelegateStatic(fn);
}

template <class O, class T>
CDelegate<O, T> MakeDelegate(O* object, bool (T::*fn)(void*))
{
    return CDelegate<O, T>(object, fn);
}

// Owned delegate clones, run in the order they were added.
class CEventSourceUI
{
public:
    CEventSourceUI();
    ~CEventSourceUI();
    CEventSourceUI(const CEventSourceUI&) = delete;
    CEventSourceUI& operator=(const CEventSourceUI&) = delete;

    void Add(const CDelegateBase& delegate);
    void operator+=(const CDelegateBase& delegate) { Add(delegate); }
    // Drops the delegate that equals this one; nothing when there is none.
    void Remove(const CDelegateBase& delegate);
    void operator-=(const CDelegateBase& delegate) { Remove(delegate); }
    // False when a delegate said stop, or when one deleted this source (and the control holding it).
    bool Invoke(void* param);
    bool operator()(void* param) { return Invoke(param); }
    bool IsEmpty() const { return m_aDelegates.IsEmpty(); }
    int Count() const { return m_aDelegates.Count(); }
    // Dies with the source: a guard on it tells the caller of Invoke whether the source still lives.
    CLifeAnchorUI& LifeAnchor() { return m_lifeAnchor; }

private:
    CWalkListUI m_aDelegates; // owns its clones; delegates may add and remove delegates while they run
    CLifeAnchorUI m_lifeAnchor;
};

} // namespace UiToolkit
