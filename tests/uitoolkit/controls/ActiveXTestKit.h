// Shared fixtures of the ActiveX host tests: the fake control's DLL and a window hosting one control.
#pragma once
#include "controls/ActiveXUI.h"
#include "FakeActiveX.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ActiveXTestKit {

// FakeActiveX.dll beside the test program, with its probes.
struct FakeModule
{
    FakeModule()
    {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(NULL, self, MAX_PATH);
        path = self;
        path = path.substr(0, path.find_last_of(L'\\') + 1) + L"FakeActiveX.dll";
        module = LoadLibraryW(path.c_str());
        reset = reinterpret_cast<FakeResetProc>(Proc("FakeReset"));
        logCount = reinterpret_cast<FakeCountProc>(Proc("FakeLogCount"));
        logEntry = reinterpret_cast<FakeLogEntryProc>(Proc("FakeLogEntry"));
        liveObjects = reinterpret_cast<FakeCountProc>(Proc("FakeLiveObjects"));
        runningLocks = reinterpret_cast<FakeCountProc>(Proc("FakeRunningLocks"));
        childWindow = reinterpret_cast<FakeWindowProc>(Proc("FakeChildWindow"));
        keepFrame = reinterpret_cast<FakeKeepProc>(Proc("FakeKeepFrame"));
        askKeptFrame = reinterpret_cast<FakeAskProc>(Proc("FakeAskKeptFrame"));
        showObject = reinterpret_cast<FakeAskProc>(Proc("FakeShowObject"));
        takeFocus = reinterpret_cast<FakeAskProc>(Proc("FakeTakeFocus"));
        focusOnUIActivate = reinterpret_cast<FakeKeepProc>(Proc("FakeFocusOnUIActivate"));
    }
    ~FakeModule()
    {
        if (module != NULL)
            FreeLibrary(module);
    }
    bool Loaded() const
    {
        return reset && logCount && logEntry && liveObjects && runningLocks && childWindow && keepFrame &&
               askKeptFrame && showObject && takeFocus && focusOnUIActivate;
    }
    void* Proc(const char* name) const
    {
        return module != NULL ? reinterpret_cast<void*>(GetProcAddress(module, name)) : NULL;
    }
    std::vector<std::wstring> Log() const
    {
        std::vector<std::wstring> entries;
        for (int i = 0; i < logCount(); ++i)
            entries.push_back(logEntry(i));
        return entries;
    }
    bool Logged(const std::wstring& entry) const
    {
        std::vector<std::wstring> entries = Log();
        return std::find(entries.begin(), entries.end(), entry) != entries.end();
    }

    std::wstring path;
    HMODULE module = NULL;
    FakeResetProc reset = NULL;
    FakeCountProc logCount = NULL;
    FakeLogEntryProc logEntry = NULL;
    FakeCountProc liveObjects = NULL;
    FakeCountProc runningLocks = NULL;
    FakeWindowProc childWindow = NULL;
    FakeKeepProc keepFrame = NULL;
    FakeAskProc askKeptFrame = NULL;
    FakeAskProc showObject = NULL;
    FakeAskProc takeFocus = NULL;
    FakeKeepProc focusOnUIActivate = NULL;
};

// COM for the test's thread, balanced when the test ends.
struct OleScope
{
    OleScope() : hr(OleInitialize(NULL)) {}
    ~OleScope()
    {
        if (SUCCEEDED(hr))
            OleUninitialize();
    }
    HRESULT hr;
};

// A window whose root places one control at the given rectangle; the first paint lays it out.
struct HostScene
{
    HostScene(UiToolkit::CControlUI* control, int width, int height, const RECT& place)
    {
        TestHelpers::InitToolkitForTests();
        hwnd = window.Create(width, height);
        root = new TestHelpers::CTestContainer(L"root");
        root->Add(control, place.left, place.top, place.right - place.left, place.bottom - place.top);
    }
    // The first paint lays the control out; the creation it posts runs in the pump after it.
    void LayOut()
    {
        window.manager.AttachRoot(root);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
        TestHelpers::PumpPending();
    }
    ~HostScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    int Count(const wchar_t* type) const
    {
        return static_cast<int>(std::count(window.notifications.begin(), window.notifications.end(), type));
    }

    TestHelpers::CTestWindow window;
    HWND hwnd = NULL;
    TestHelpers::CTestContainer* root = NULL;
};

// A child's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND child)
{
    RECT rc = {};
    GetWindowRect(child, &rc);
    MapWindowPoints(NULL, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

struct DescendantSearch
{
    const wchar_t* name;
    int count;
};

inline BOOL CALLBACK CountIfNamed(HWND child, LPARAM data)
{
    DescendantSearch* search = reinterpret_cast<DescendantSearch*>(data);
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (search->name == NULL || wcscmp(name, search->name) == 0)
        ++search->count;
    return TRUE;
}

// Windows of the class (any class for NULL) at any depth below the parent.
inline int CountDescendants(HWND parent, const wchar_t* className)
{
    DescendantSearch search = {className, 0};
    EnumChildWindows(parent, CountIfNamed, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

} // namespace ActiveXTestKit
