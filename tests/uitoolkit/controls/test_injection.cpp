// Every call a scene makes into application code, replayed once per call with a handler that bites back there.
#include "controls/ActiveXUI.h"
#include "controls/ListItemsUI.h"
#include "controls/OptionUI.h"
#include "controls/TextUI.h"
#include "controls/TreeViewUI.h"
#include "layout/LayoutUI.h"
#include "skin/SkinBuilder.h"
#include "FakeActiveX.h"
#include "HandlerInjection.h"
#include "InjectionChecks.h"
#include "TestHelpers.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

const int WINDOW_X = 760; // away from the other window tests' windows and the parked cursor
const int WINDOW_Y = 60;

// Deletes itself with its manager once its window is gone, as application windows do.
class CSceneWindow : public CTestWindow
{
public:
    explicit CSceneWindow(bool* freed) : m_freed(freed) { deleteWhenGone = true; }
    ~CSceneWindow() override { *m_freed = true; }

private:
    bool* m_freed;
};

class SceneDriver;
struct Scene
{
    const char* name;
    std::wstring markup;
    std::function<void(SceneDriver&)> script;
    bool ole = false;
};

// The scene's window and the input a user would give it, each step delivered as the system would and pumped.
class SceneDriver
{
public:
    SceneDriver(const Scene& scene, CHandlerInjector& injector) : m_watch(injector.Recording()), m_injector(injector)
    {
        m_window = new CSceneWindow(&m_freed);
        m_hwnd = m_window->CreateWnd(NULL, L"injection", WS_POPUP | WS_VISIBLE, 0, WINDOW_X, WINDOW_Y, 360, 320);
        if (m_hwnd == NULL)
            return;
        injector.Attach(&m_window->manager);
        CSkinBuilder builder;
        CControlUI* root = builder.Create(scene.markup.c_str(), NULL, NULL, &m_window->manager);
        if (root != NULL)
            m_window->manager.AttachRoot(root);
        injector.HookTree(root);
        UpdateWindow(m_hwnd);
        Settle();
    }
    ~SceneDriver()
    {
        if (IsWindow(m_hwnd))
            DestroyWindow(m_hwnd);
        RunNestedMessageLoop();
    }

    bool Alive() const { return m_injector.WindowAlive(); }
    // A few steps after the harm show what it broke; the rest of the script would only cost time.
    bool Done() const { return !Alive() || m_stepsAfter > 2; }
    bool Freed() const { return m_freed; }
    CWindowManagerUI* Manager() const { return Alive() ? &m_window->manager : NULL; }
    CControlUI* Find(const wchar_t* label) const { return Alive() ? m_injector.Find(label) : NULL; }

    // Mouse steps at a point of the control given as fractions of its width and height.
    void Click(const wchar_t* label, double fx = 0.5, double fy = 0.5)
    {
        if (Done())
            return;
        StepDone step(*this);
        Mouse(label, fx, fy, WM_MOUSEMOVE, 0);
        Mouse(label, fx, fy, WM_LBUTTONDOWN, MK_LBUTTON);
        Mouse(label, fx, fy, WM_LBUTTONUP, 0);
    }
    // The last click, after the script: the window must still hear it.
    void Check(const wchar_t* label)
    {
        m_stepsAfter = 0;
        m_checking = true;
        // A drop-down or calendar the script left open takes the click, as it would a user's: closed first.
        HWND focus = GetFocus();
        if (focus != NULL && focus != m_hwnd && GetWindow(GetAncestor(focus, GA_ROOT), GW_OWNER) == m_hwnd)
            Key(VK_ESCAPE);
        Click(label);
    }

private:
    // Counts the user's steps once the harm is done.
    struct StepDone
    {
        explicit StepDone(SceneDriver& driver) : d(driver) {}
        ~StepDone()
        {
            if (d.m_injector.Injected() && !d.m_checking)
                ++d.m_stepsAfter;
        }
        SceneDriver& d;
    };

public:
    void DoubleClick(const wchar_t* label)
    {
        if (Done())
            return;
        StepDone step(*this);
        Click(label);
        Mouse(label, 0.5, 0.5, WM_LBUTTONDBLCLK, MK_LBUTTON);
        Mouse(label, 0.5, 0.5, WM_LBUTTONUP, 0);
    }
    void RightClick(const wchar_t* label)
    {
        if (Done())
            return;
        StepDone step(*this);
        Mouse(label, 0.5, 0.5, WM_RBUTTONDOWN, MK_RBUTTON);
        Mouse(label, 0.5, 0.5, WM_RBUTTONUP, 0);
        Mouse(label, 0.5, 0.5, WM_CONTEXTMENU, 0);
    }
    void Drag(const wchar_t* label, double fromX, double toX)
    {
        if (Done())
            return;
        StepDone step(*this);
        Mouse(label, fromX, 0.5, WM_LBUTTONDOWN, MK_LBUTTON);
        Mouse(label, (fromX + toX) / 2, 0.5, WM_MOUSEMOVE, MK_LBUTTON);
        Mouse(label, toX, 0.5, WM_MOUSEMOVE, MK_LBUTTON);
        Mouse(label, toX, 0.5, WM_LBUTTONUP, 0);
    }
    void Hover(const wchar_t* label)
    {
        if (Done())
            return;
        StepDone step(*this);
        Mouse(label, 0.5, 0.5, WM_MOUSEMOVE, 0);
        Mouse(label, 0.5, 0.5, WM_MOUSEHOVER, 0);
        Mouse(label, 0.5, 0.5, WM_MOUSELEAVE, 0);
    }
    void Wheel(const wchar_t* label, bool down)
    {
        if (Done())
            return;
        StepDone step(*this);
        Mouse(label, 0.5, 0.5, WM_MOUSEWHEEL, 0, down ? -1 : 1);
    }

    // Keys go to the focused window of this thread, else to the scene's window; the pump makes their characters.
    void Key(WPARAM key)
    {
        HWND target = KeyTarget();
        if (target == NULL || Done())
            return;
        StepDone step(*this);
        LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), 0)) << 16;
        PostMessageW(target, WM_KEYDOWN, key, scan | 1);
        PostMessageW(target, WM_KEYUP, key, scan | 1 | 0xC0000000);
        Settle();
    }
    void Keys(std::initializer_list<WPARAM> keys)
    {
        for (WPARAM key : keys)
            Key(key);
    }
    void Alt(wchar_t letter)
    {
        HWND target = KeyTarget();
        if (target == NULL || Done())
            return;
        StepDone step(*this);
        LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(letter, 0)) << 16;
        PostMessageW(target, WM_SYSKEYDOWN, letter, scan | 1 | (1 << 29));
        PostMessageW(target, WM_SYSCHAR, towlower(letter), scan | 1 | (1 << 29));
        PostMessageW(target, WM_SYSKEYUP, letter, scan | 1 | (1 << 29) | 0xC0000000);
        Settle();
    }
    void Resize(int cx, int cy)
    {
        if (Done())
            return;
        StepDone step(*this);
        SetWindowPos(m_hwnd, NULL, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Settle();
    }
    void HideShow(const wchar_t* label)
    {
        if (Done())
            return;
        StepDone step(*this);
        if (CControlUI* control = Find(label)) {
            control->SetVisible(false);
            Settle();
        }
        if (CControlUI* control = Find(label)) {
            control->SetVisible(true);
            Settle();
        }
    }
    void Do(const std::function<void(CWindowManagerUI&)>& step)
    {
        if (Done())
            return;
        StepDone done(*this);
        step(m_window->manager);
        Settle();
    }

    // Runs what the step posted and paints, then hooks controls that came meanwhile and checks the tree: a
    // wrong state a later step would mend (a focus left where no control is shown) counts too.
    void Settle()
    {
        for (int round = 0; round < 3; ++round)
            RunNestedMessageLoop();
        if (!Alive())
            return;
        m_injector.HookTree(m_window->manager.GetRoot());
        if (m_broken.empty())
            m_broken = CheckTreeWhole(&m_window->manager);
    }
    // The first wrong state a step left; empty while all held.
    const std::wstring& Broken() const { return m_broken; }

private:
    HWND KeyTarget() const
    {
        if (!Alive())
            return NULL;
        HWND focus = GetFocus();
        if (focus != NULL && (focus == m_hwnd || IsChild(m_hwnd, focus) || GetWindow(focus, GW_OWNER) == m_hwnd))
            return focus;
        return m_hwnd;
    }

    static BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM data)
    {
        if (IsWindowVisible(hwnd))
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
        return TRUE;
    }

    // The window of this thread a real click at the screen point would reach.
    static HWND WindowAt(POINT screen)
    {
        HWND capture = GetCapture();
        if (capture != NULL)
            return capture;
        std::vector<HWND> windows;
        EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
        for (HWND top : windows) {
            RECT rc;
            GetWindowRect(top, &rc);
            if (!PtInRect(&rc, screen))
                continue;
            HWND at = top;
            for (;;) {
                POINT pt = screen;
                ScreenToClient(at, &pt);
                HWND child = ChildWindowFromPointEx(at, pt, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
                if (child == NULL || child == at)
                    return at;
                at = child;
            }
        }
        return NULL;
    }

    void Mouse(const wchar_t* label, double fx, double fy, UINT message, WPARAM keys, int wheel = 0)
    {
        CControlUI* control = Find(label);
        if (control == NULL || control->GetOwnerManager() == NULL)
            return;
        const RECT& rc = control->GetPos();
        POINT pt = {rc.left + static_cast<LONG>((rc.right - rc.left) * fx),
                    rc.top + static_cast<LONG>((rc.bottom - rc.top) * fy)};
        if (fx >= 1.0)
            pt.x = rc.right - 3;
        if (fy >= 1.0)
            pt.y = rc.bottom - 3;
        ClientToScreen(control->GetOwnerManager()->GetWindow(), &pt);
        HWND target = WindowAt(pt);
        if (target == NULL)
            return;
        if (message == WM_MOUSEWHEEL || message == WM_CONTEXTMENU) {
            WPARAM wParam = message == WM_MOUSEWHEEL ? MAKEWPARAM(0, wheel * WHEEL_DELTA) : WPARAM(target);
            PostMessageW(target, message, wParam, MAKELPARAM(pt.x, pt.y));
        } else {
            ScreenToClient(target, &pt);
            PostMessageW(target, message, keys, MAKELPARAM(pt.x, pt.y));
        }
        Settle();
    }

    CMessageStack::Watch m_watch; // first: it sees the window's creation (the recording's contexts)
    CHandlerInjector& m_injector;
    CSceneWindow* m_window = NULL;
    HWND m_hwnd = NULL;
    bool m_freed = false;
    int m_stepsAfter = 0;
    bool m_checking = false;
    std::wstring m_broken;
};

const wchar_t PROBE[] = L"<Button name=\"probe\" height=\"24\" text=\"probe\" bkcolor=\"#FF40C040\"/>";

std::wstring Window(const std::wstring& body)
{
    return L"<Window><VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\">" + body + PROBE +
           L"</VerticalLayout></Window>";
}

std::wstring FakeControlPath()
{
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"FakeActiveX.dll";
}

// Tab and focus moves, the keys every control hears, and the window's size and visibility.
void CommonKeys(SceneDriver& d, const wchar_t* focused, const wchar_t* panel)
{
    d.Keys({VK_TAB, VK_TAB, VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_SPACE, VK_RETURN, VK_ESCAPE});
    d.Click(focused);
    d.Resize(300, 260);
    d.Click(focused);
    d.HideShow(focused);
    d.Click(focused);
    d.HideShow(panel);
    d.Resize(360, 320);
}

// An item the application adds selected: its owner announces the selection while the insert is under way.
void AddSelected(SceneDriver& d, const wchar_t* owner, bool node)
{
    d.Do([owner, node](CWindowManagerUI& m) {
        CControlUI* item = node ? NULL : new CListLabelElementUI();
        if (node) {
            CTreeNodeUI* parent = new CTreeNodeUI();
            parent->AddChildNode(new CTreeNodeUI());
            item = parent;
        }
        CControlUI* list = m.FindControlByName(owner);
        auto* box = list != NULL ? static_cast<IContainerUI*>(list->CastTo(L"IContainer")) : NULL;
        item->SetFixedHeight(20);
        static_cast<IListItemUI*>(item->CastTo(L"ListItem"))->SetItemSelected(true);
        if (box == NULL || !box->AddItem(item))
            delete item;
    });
}

std::vector<Scene> Scenes()
{
    std::vector<Scene> scenes;
    scenes.push_back({"button",
                      Window(L"<HorizontalLayout name=\"panel\" height=\"40\">"
                             L"<Button name=\"b1\" text=\"one\" width=\"80\" shortcut=\"O\"/>"
                             L"<Button name=\"b2\" text=\"two\" width=\"80\" shortcut=\"T\"/></HorizontalLayout>"),
                      [](SceneDriver& d) {
                          d.Click(L"b1");
                          d.Hover(L"b2");
                          d.RightClick(L"b2");
                          d.Alt(L'T');
                          d.Alt(L'O');
                          CommonKeys(d, L"b1", L"panel");
                      }});
    scenes.push_back({"option",
                      Window(L"<HorizontalLayout name=\"panel\" height=\"40\">"
                             L"<Option name=\"o1\" group=\"g\" text=\"a\" width=\"60\" shortcut=\"A\"/>"
                             L"<Option name=\"o2\" group=\"g\" text=\"b\" width=\"60\" selected=\"true\"/>"
                             L"<CheckBox name=\"c1\" text=\"c\" width=\"60\" shortcut=\"C\"/></HorizontalLayout>"),
                      [](SceneDriver& d) {
                          // The application's own choice, from outside any message.
                          d.Do([](CWindowManagerUI& m) {
                              if (CControlUI* option = m.FindControlByName(L"o1"))
                                  static_cast<COptionUI*>(option->CastTo(L"Option"))->SetSelected(true);
                          });
                          d.Click(L"o1");
                          d.Click(L"c1");
                          d.Alt(L'A');
                          d.Alt(L'C');
                          CommonKeys(d, L"o2", L"panel");
                      }});
    scenes.push_back({"edit",
                      Window(L"<VerticalLayout name=\"panel\" height=\"80\">"
                             L"<Edit name=\"e1\" text=\"first\" height=\"30\"/>"
                             L"<Edit name=\"e2\" text=\"second\" height=\"30\" shortcut=\"S\"/></VerticalLayout>"),
                      [](SceneDriver& d) {
                          d.Click(L"e1");
                          d.Keys({'X', VK_LEFT, VK_RETURN});
                          d.Click(L"e1");
                          d.Resize(320, 300);
                          d.Alt(L'S');
                          d.Click(L"e2");
                          d.Click(L"probe");
                          CommonKeys(d, L"e1", L"panel");
                      }});
    scenes.push_back({"richedit",
                      Window(L"<VerticalLayout name=\"panel\" height=\"100\">"
                             L"<RichEdit name=\"r1\" text=\"rich text\" height=\"45\" multiline=\"true\"/>"
                             L"<RichEdit name=\"r2\" text=\"more\" height=\"45\"/></VerticalLayout>"),
                      [](SceneDriver& d) {
                          d.Click(L"r1");
                          d.Keys({'A', VK_LEFT, VK_RETURN, VK_TAB});
                          d.Click(L"r2");
                          d.Wheel(L"r1", true);
                          CommonKeys(d, L"r1", L"panel");
                      }});
    scenes.push_back(
        {"slider",
         Window(L"<HorizontalLayout name=\"panel\" height=\"40\">"
                L"<Slider name=\"s1\" width=\"200\" min=\"0\" max=\"100\" value=\"30\" thumbsize=\"10,20\"/>"
                L"</HorizontalLayout>"),
         [](SceneDriver& d) {
             d.Click(L"s1", 0.8);
             d.Drag(L"s1", 0.8, 0.2);
             d.Wheel(L"s1", true);
             d.Keys({VK_LEFT, VK_RIGHT, VK_HOME});
             CommonKeys(d, L"s1", L"panel");
         }});
    scenes.push_back(
        {"scrollbar",
         Window(L"<VerticalLayout name=\"panel\" height=\"120\" vscrollbar=\"true\">"
                L"<Button name=\"t1\" height=\"80\" text=\"1\"/><Button name=\"t2\" height=\"80\" text=\"2\"/>"
                L"<Button name=\"t3\" height=\"80\" text=\"3\"/></VerticalLayout>"
                L"<ScrollBar name=\"bar\" hor=\"true\" height=\"16\" range=\"100\" value=\"50\"/>"),
         [](SceneDriver& d) {
             d.Click(L"panel", 1.0, 0.05);
             d.Click(L"panel", 1.0, 1.0);
             d.Click(L"panel", 1.0, 0.7);
             d.Wheel(L"panel", true);
             d.Click(L"bar", 0.02);
             d.Click(L"bar", 1.0);
             d.Drag(L"bar", 0.5, 0.8);
             d.Click(L"t1");
             CommonKeys(d, L"t1", L"panel");
         }});
    scenes.push_back({"combo",
                      Window(L"<Combo name=\"combo\" height=\"24\" dropboxsize=\"0,80\">"
                             L"<ListLabelElement name=\"i0\" height=\"20\" text=\"zero\"/>"
                             L"<ListLabelElement name=\"i1\" height=\"20\" text=\"one\"/>"
                             L"<ListLabelElement name=\"i2\" height=\"20\" text=\"two\"/>"
                             L"<ListContainerElement name=\"i3\" height=\"20\"><Button name=\"ib\" text=\"in\"/>"
                             L"</ListContainerElement></Combo>"
                             L"<Control name=\"panel\" height=\"20\"/>"),
                      [](SceneDriver& d) {
                          d.Click(L"combo");
                          d.Click(L"i1");
                          d.Click(L"combo");
                          d.Keys({VK_DOWN, VK_RETURN});
                          d.Click(L"combo");
                          d.Wheel(L"i0", true);
                          // Refilled while open: the drop-down keeps showing the items where it placed them.
                          d.Do([](CWindowManagerUI& m) {
                              CControlUI* combo = m.FindControlByName(L"combo");
                              auto* box =
                                  combo != NULL ? static_cast<IContainerUI*>(combo->CastTo(L"IContainer")) : NULL;
                              CControlUI* item = new CListLabelElementUI();
                              item->SetName(L"i9");
                              item->SetText(L"nine");
                              item->SetFixedHeight(20);
                              if (box == NULL || !box->AddItem(item))
                                  delete item;
                          });
                          d.Key(VK_ESCAPE);
                          d.Click(L"combo");
                          d.Click(L"probe");
                          d.Wheel(L"combo", true);
                          CommonKeys(d, L"combo", L"combo");
                          // Tab from the last stop round to the combo and on: the closed combo's items are no stops.
                          d.Click(L"probe");
                          d.Keys({VK_TAB, VK_TAB});
                      }});
    scenes.push_back({"list",
                      Window(L"<List name=\"list\" height=\"150\" vscrollbar=\"true\" header=\"true\">"
                             L"<ListHeader height=\"20\"><ListHeaderItem name=\"h1\" text=\"A\" width=\"80\" "
                             L"sepwidth=\"4\"/><ListHeaderItem name=\"h2\" text=\"B\" width=\"80\"/></ListHeader>"
                             L"<ListTextElement name=\"l0\" height=\"30\" text=\"a|b\"/>"
                             L"<ListLabelElement name=\"l1\" height=\"30\" text=\"one\"/>"
                             L"<ListLabelElement name=\"l2\" height=\"30\" text=\"two\"/>"
                             L"<ListContainerElement name=\"l3\" height=\"30\"><Button name=\"inner\" text=\"in\"/>"
                             L"</ListContainerElement><ListLabelElement name=\"l4\" height=\"30\" text=\"four\"/>"
                             L"</List>"),
                      [](SceneDriver& d) {
                          AddSelected(d, L"list", false);
                          d.Click(L"h1");
                          d.Drag(L"h1", 0.98, 0.6);
                          d.Click(L"l1");
                          d.DoubleClick(L"l2");
                          d.RightClick(L"l1");
                          d.Click(L"inner");
                          d.Keys({VK_DOWN, VK_UP, VK_END, VK_HOME, VK_RETURN});
                          d.Wheel(L"l2", true);
                          // The application takes away the row with the focus; its "killfocus" comes once it is gone.
                          d.Do([](CWindowManagerUI& m) {
                              CControlUI* list = m.FindControlByName(L"list");
                              CControlUI* row = m.FindControlByName(L"l4");
                              if (list != NULL && row != NULL) {
                                  static_cast<CContainerUI*>(list->CastTo(L"Container"))->SetDefersItemDeletion(true);
                                  row->SetFocus();
                              }
                          });
                          d.Do([](CWindowManagerUI& m) {
                              CControlUI* list = m.FindControlByName(L"list");
                              CControlUI* row = m.FindControlByName(L"l4");
                              if (list != NULL && row != NULL)
                                  static_cast<IContainerUI*>(list->CastTo(L"IContainer"))->RemoveItem(row);
                          });
                          d.Do([](CWindowManagerUI& m) {
                              if (CControlUI* list = m.FindControlByName(L"list"))
                                  static_cast<CContainerUI*>(list->CastTo(L"Container"))->SetDefersItemDeletion(false);
                          });
                          CommonKeys(d, L"l1", L"list");
                      }});
    scenes.push_back({"tree",
                      Window(L"<TreeView name=\"tree\" height=\"160\" visiblecheckbtn=\"true\">"
                             L"<TreeNode name=\"n1\" text=\"one\"><TreeNode name=\"n11\" text=\"inner\"/></TreeNode>"
                             L"<TreeNode name=\"n2\" text=\"two\"/></TreeView>"),
                      [](SceneDriver& d) {
                          // The application's own selection, check and folding, from outside any message, before
                          // the user's: what a handler deletes there is freed at once.
                          auto node = [&d](const wchar_t* name, void (*step)(CTreeViewUI*, CTreeNodeUI*)) {
                              d.Do([name, step](CWindowManagerUI& m) {
                                  CControlUI* tree = m.FindControlByName(L"tree");
                                  CControlUI* node = m.FindControlByName(name);
                                  if (tree != NULL && node != NULL)
                                      step(static_cast<CTreeViewUI*>(tree->CastTo(L"TreeView")),
                                           static_cast<CTreeNodeUI*>(node->CastTo(L"TreeNode")));
                              });
                          };
                          node(L"n2", [](CTreeViewUI*, CTreeNodeUI* n) { n->SetItemSelected(true); });
                          node(L"n1", [](CTreeViewUI* t, CTreeNodeUI* n) { t->SetItemChecked(true, n); });
                          node(L"n1", [](CTreeViewUI* t, CTreeNodeUI* n) { t->SetItemExpanded(false, n); });
                          node(L"n1", [](CTreeViewUI* t, CTreeNodeUI* n) { t->SetItemExpanded(true, n); });
                          AddSelected(d, L"tree", true);
                          d.Click(L"n1");
                          d.DoubleClick(L"n1");
                          d.DoubleClick(L"n1");
                          d.Click(L"n11");
                          d.Click(L"n2", 0.05);
                          d.Click(L"n2", 0.12);
                          d.Keys({VK_DOWN, VK_UP, VK_RETURN});
                          CommonKeys(d, L"n1", L"tree");
                      }});
    scenes.push_back({"tab",
                      Window(L"<HorizontalLayout height=\"30\"><Option name=\"p0\" group=\"tabs\" text=\"0\" "
                             L"width=\"50\" selected=\"true\"/><Option name=\"p1\" group=\"tabs\" text=\"1\" "
                             L"width=\"50\"/></HorizontalLayout><TabLayout name=\"tabs\" height=\"80\">"
                             L"<VerticalLayout name=\"page0\"><Edit name=\"e0\" height=\"30\" text=\"e\"/>"
                             L"<Button name=\"b0\" height=\"30\" text=\"b\"/></VerticalLayout>"
                             L"<VerticalLayout name=\"page1\"><Button name=\"b1\" height=\"30\" text=\"c\"/>"
                             L"</VerticalLayout></TabLayout>"),
                      [](SceneDriver& d) {
                          auto select = [&d](int page) {
                              d.Do([page](CWindowManagerUI& m) {
                                  if (CControlUI* tabs = m.FindControlByName(L"tabs"))
                                      static_cast<CTabLayoutUI*>(tabs->CastTo(L"TabLayout"))->SelectItem(page);
                              });
                          };
                          d.Click(L"b0");
                          select(1);
                          d.Click(L"b1");
                          d.Click(L"p0");
                          select(0);
                          d.Click(L"e0");
                          select(1);
                          select(0);
                          CommonKeys(d, L"b0", L"tabs");
                      }});
    scenes.push_back({"text",
                      Window(L"<Text name=\"links\" height=\"40\" showhtml=\"true\"/>"
                             L"<Button name=\"panel\" height=\"20\"/>"),
                      [](SceneDriver& d) {
                          d.Do([](CWindowManagerUI& m) {
                              if (CControlUI* text = m.FindControlByName(L"links"))
                                  text->SetText(L"<a one>first</a> and <a two>second</a>");
                          });
                          d.Hover(L"links");
                          d.Click(L"links", 0.05);
                          d.Click(L"links", 0.3);
                          d.Click(L"links", 0.9);
                          CommonKeys(d, L"links", L"links");
                      }});
    scenes.push_back(
        {"date",
         Window(L"<VerticalLayout name=\"panel\" height=\"70\">"
                L"<DateTime name=\"d1\" height=\"30\"/><Edit name=\"e1\" height=\"30\"/></VerticalLayout>"),
         [](SceneDriver& d) {
             d.Click(L"d1");
             d.Keys({VK_UP, VK_RIGHT, VK_RETURN});
             d.Click(L"d1");
             d.Key(VK_ESCAPE);
             d.Click(L"d1");
             d.Resize(300, 280);
             d.Click(L"e1");
             CommonKeys(d, L"d1", L"panel");
         }});
    scenes.push_back(
        {"activex",
         Window(L"<VerticalLayout name=\"panel\" height=\"100\"><ActiveX name=\"ax\" height=\"60\" "
                L"clsid=\"{6C1F3A10-2B7E-4C1D-9E55-0A1B2C3D4E02}\" modulename=\"" +
                FakeControlPath() +
                L"\"/><ActiveX name=\"wl\" height=\"30\" "
                L"clsid=\"{6C1F3A10-2B7E-4C1D-9E55-0A1B2C3D4E01}\" modulename=\"" +
                FakeControlPath() + L"\"/></VerticalLayout>"),
         [](SceneDriver& d) {
             // The windowed object asks for the focus from inside its window's focus message.
             d.Do([](CWindowManagerUI&) {
                 HMODULE fake = GetModuleHandleW(L"FakeActiveX.dll");
                 auto take = fake != NULL
                                 ? reinterpret_cast<FakeKeepProc>(GetProcAddress(fake, "FakeFocusOnUIActivate"))
                                 : NULL;
                 if (take != NULL)
                     take(1);
             });
             d.Click(L"ax");
             // The system gives the object's window the focus, as a click into it does.
             d.Do([](CWindowManagerUI& m) {
                 if (CControlUI* ax = m.FindControlByName(L"ax"))
                     SetFocus(static_cast<CActiveXUI*>(ax->CastTo(L"ActiveX"))->GetHostWindow());
             });
             // The newest object takes the focus through its site, as one clicked inside does.
             d.Do([](CWindowManagerUI&) {
                 HMODULE fake = GetModuleHandleW(L"FakeActiveX.dll");
                 auto take = fake != NULL ? reinterpret_cast<FakeAskProc>(GetProcAddress(fake, "FakeTakeFocus")) : NULL;
                 if (take != NULL)
                     take();
             });
             d.Click(L"wl");
             d.Keys({'A', VK_TAB});
             CommonKeys(d, L"ax", L"panel");
         },
         true});
    return scenes;
}

const Scene* FindScene(const std::string& name)
{
    static const std::vector<Scene> scenes = Scenes();
    for (const Scene& scene : scenes) {
        if (name == scene.name)
            return &scene;
    }
    return NULL;
}

// The calls a run of the scene makes, and the window messages under way at each.
std::vector<std::wstring> Record(const Scene& scene, std::vector<std::wstring>* contexts = NULL)
{
    CHandlerInjector injector;
    {
        SceneDriver driver(scene, injector);
        scene.script(driver);
    }
    if (contexts != NULL)
        *contexts = injector.Contexts();
    return injector.Calls();
}

struct Replay
{
    InjectMode mode;
    std::wstring call;
    int occurrence;
    std::wstring context; // the window messages under way at the call when it was recorded
};

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::string Describe(const Replay& replay)
{
    return std::string(InjectModeName(replay.mode)) + " at \"" + Narrow(replay.call) + "\" #" +
           std::to_string(replay.occurrence) + (replay.context.empty() ? "" : " [" + Narrow(replay.context) + "]");
}

// One replay: the scene up to the call, the harm there, the rest of the script, then the window must still
// paint and hear a click, or be gone with its object freed. Empty when it held.
std::string RunReplay(const Scene& scene, const Replay& replay, bool& reached)
{
    CHandlerInjector injector(replay.mode, replay.call, replay.occurrence);
    std::string problem;
    {
        SceneDriver driver(scene, injector);
        scene.script(driver);
        if (driver.Alive()) {
            size_t before = injector.Calls().size();
            RedrawWindow(injector.Window(), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            if (driver.Manager()->FindControlByName(L"probe") != NULL) {
                // A call the script did not reach (it came by timing in the recording) is a miss, not a harm
                // done by the check's own click; the window's end is the recording's too.
                injector.Pause(true);
                driver.Check(L"probe");
                injector.Pause(false);
                bool heard = false;
                for (size_t i = before; i < injector.Calls().size(); ++i)
                    heard = heard || injector.Calls()[i] == L"notify click probe";
                if (!heard && driver.Alive())
                    problem = "the window no longer hears a click (" + Narrow(injector.Outcome()) + ")";
            }
        }
        if (!driver.Broken().empty())
            problem = Narrow(driver.Broken()) + " (" + Narrow(injector.Outcome()) + ")";
        if (driver.Alive())
            DestroyWindow(injector.Window());
        // A window that went under a call from outside any message is finished at the next message.
        driver.Settle();
        if (!driver.Freed())
            problem = "the window is gone but its object was never freed (" + Narrow(injector.Outcome()) + ")";
    }
    if (problem.empty() && !injector.Faults().empty())
        problem = Narrow(injector.Faults()) + " (" + Narrow(injector.Outcome()) + ")";
    reached = injector.Injected();
    return problem;
}

// The child's side: runs the replays of the plan from START, one line per replay on standard output.
void RunPlanChild(const Scene& scene, const char* planPath, int start)
{
    FILE* plan = fopen(planPath, "r");
    ASSERT_NE(nullptr, plan);
    std::vector<Replay> replays;
    char line[1024];
    while (fgets(line, sizeof(line), plan) != NULL) {
        int mode = 0, occurrence = 0, used = 0;
        if (sscanf(line, "%d %d %n", &mode, &occurrence, &used) < 2)
            continue;
        std::string call(line + used);
        while (!call.empty() && (call.back() == '\n' || call.back() == '\r'))
            call.pop_back();
        replays.push_back({static_cast<InjectMode>(mode), std::wstring(call.begin(), call.end()), occurrence, L""});
    }
    fclose(plan);
    for (size_t i = static_cast<size_t>(start); i < replays.size(); ++i) {
        bool reached = false;
        std::string problem = RunReplay(scene, replays[i], reached);
        // A call the scene makes only on some runs (timers, focus taken by other programs' windows on the
        // shared display) may be missed once. Missed again, a recording made now tells whether the call still
        // comes at all: if not, the miss is timing; if it does, a replay must reach it within three such rounds.
        if (problem.empty() && !reached)
            problem = RunReplay(scene, replays[i], reached);
        const char* state = reached ? "reached" : "unreached";
        for (int round = 0; round < 3 && problem.empty() && !reached; ++round) {
            std::vector<std::wstring> now = Record(scene);
            if (std::count(now.begin(), now.end(), replays[i].call) < replays[i].occurrence) {
                state = "timing";
                break;
            }
            problem = RunReplay(scene, replays[i], reached);
            if (reached)
                state = "reached";
        }
        printf("%u %s %s\n", static_cast<unsigned>(i), state, problem.c_str());
        fflush(stdout);
    }
}

// Read while the child still writes it: shared for writing, or the child's next line would be lost.
std::string ReadText(const std::wstring& path)
{
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof(block), &read, NULL) && read > 0)
        text.append(block, read);
    CloseHandle(file);
    return text;
}

// Runs the plan in child processes of this test program, a new one after each replay that ended it.
// Each scene runs as two tests, so that each ends within minutes: the harms that take controls away, and those
// that end the window.
enum ReplayPart
{
    REMOVALS,
    WINDOW_ENDS
};

void RunInjection(const char* name, ReplayPart part)
{
    const Scene* scene = FindScene(name);
    ASSERT_NE(nullptr, scene);
    InitToolkitForTests();
    OleInitialize(NULL);
    const char* childPlan = getenv("INJECTION_PLAN");
    if (childPlan != NULL) {
        RunPlanChild(*scene, childPlan, atoi(getenv("INJECTION_START")));
        OleUninitialize();
        return;
    }
    // Two recordings: a call whose count differs between them depends on timing, and a replay may miss it.
    std::vector<std::wstring> contexts;
    std::vector<std::wstring> calls = Record(*scene, &contexts);
    std::vector<std::wstring> again = Record(*scene);
    OleUninitialize();
    ASSERT_FALSE(calls.empty());
    std::map<std::wstring, int> counts, countsAgain;
    for (const std::wstring& call : again)
        ++countsAgain[call];
    std::vector<Replay> replays;
    const std::vector<InjectMode> modes = part == REMOVALS
                                              ? std::vector<InjectMode>{INJECT_REMOVE_NOW, INJECT_REMOVE_DEFERRED_MODAL,
                                                                        INJECT_REMOVE_PARENT, INJECT_REMOVE_KEPT}
                                              : std::vector<InjectMode>{INJECT_DESTROY_WINDOW, INJECT_CLOSE_IN_MODAL};
    // Each call once in each chain of window messages it comes in, where it first comes there: a later occurrence
    // in the same chain seldom takes another path, and the run stays within minutes. So for the unnamed parts a
    // control builds of itself ("Type#N", one set per tree node or list row): the same call on a like part
    // elsewhere takes the same path. A filter's or translator's handler has no sender of its own: it ends the
    // window, and the removals are left to the calls that name a control. INJECTION_EVERY=1 replays every
    // occurrence of every call in every mode, the filters' removals taking the focus: hours of machine time
    // rather than minutes, for a run before a release.
    const bool every = getenv("INJECTION_EVERY") != NULL && atoi(getenv("INJECTION_EVERY")) != 0;
    std::set<std::wstring> kinds;
    for (size_t i = 0; i < calls.size(); ++i) {
        const std::wstring& call = calls[i];
        int occurrence = ++counts[call];
        if (!every && !kinds.insert(call.substr(0, call.find(L'#')) + L" @ " + contexts[i]).second)
            continue;
        bool filter = call.compare(0, 7, L"filter ") == 0 || call.compare(0, 10, L"prefilter ") == 0 ||
                      call.compare(0, 11, L"translator ") == 0;
        for (InjectMode mode : modes) {
            if (every || !filter || mode == INJECT_DESTROY_WINDOW || mode == INJECT_CLOSE_IN_MODAL)
                replays.push_back({mode, call, occurrence, contexts[i]});
        }
        if (part == REMOVALS && IsKillFocusCall(call))
            replays.push_back({INJECT_REMOVE_FOCUS_TARGET, call, occurrence, contexts[i]});
    }
    std::set<std::wstring> unstable;
    for (const auto& entry : counts) {
        if (countsAgain[entry.first] != entry.second)
            unstable.insert(entry.first);
    }

    TempFolder folder;
    std::wstring planPath = folder.File(L"plan.txt");
    {
        FILE* plan = _wfopen(planPath.c_str(), L"w");
        ASSERT_NE(nullptr, plan);
        for (const Replay& replay : replays)
            fprintf(plan, "%d %d %s\n", static_cast<int>(replay.mode), replay.occurrence, Narrow(replay.call).c_str());
        fclose(plan);
    }
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(NULL, self, MAX_PATH);
    // The child runs this test also when it is a disabled one that was asked for.
    std::string filter = std::string("--gtest_also_run_disabled_tests --gtest_filter=") +
                         testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "." +
                         testing::UnitTest::GetInstance()->current_test_info()->name();
    std::vector<std::string> failures;
    int unreached = 0;
    size_t start = 0;
    while (start < replays.size()) {
        std::wstring outPath = folder.File(L"out" + std::to_wstring(start) + L".txt");
        std::wstring errPath = folder.File(L"err" + std::to_wstring(start) + L".txt");
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
        HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, 0, NULL);
        HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, out);
        ASSERT_NE(INVALID_HANDLE_VALUE, err);
        std::wstring command = L"\"" + std::wstring(self) + L"\" " + std::wstring(filter.begin(), filter.end());
        STARTUPINFOW si = {sizeof(si)};
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = err;
        PROCESS_INFORMATION pi = {};
        SetEnvironmentVariableW(L"INJECTION_PLAN", planPath.c_str());
        SetEnvironmentVariableW(L"INJECTION_START", std::to_wstring(start).c_str());
        BOOL started = CreateProcessW(self, &command[0], NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL, NULL, &si, &pi);
        SetEnvironmentVariableW(L"INJECTION_PLAN", NULL);
        SetEnvironmentVariableW(L"INJECTION_START", NULL);
        CloseHandle(out);
        CloseHandle(err);
        ASSERT_TRUE(started);
        // A replay that ends no line within a minute hangs; the child as a whole may take many minutes.
        size_t heard = 0;
        DWORD lastProgress = GetTickCount();
        while (WaitForSingleObject(pi.hProcess, 500) != WAIT_OBJECT_0) {
            size_t now = ReadText(outPath).size();
            if (now != heard) {
                heard = now;
                lastProgress = GetTickCount();
            } else if (GetTickCount() - lastProgress > 60000) {
                TerminateProcess(pi.hProcess, 124);
                WaitForSingleObject(pi.hProcess, 5000);
                break;
            }
        }
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        // Each finished replay left a line; the first without one is where the child ended.
        size_t next = start;
        std::string lines = ReadText(outPath);
        for (size_t at = 0; at < lines.size();) {
            size_t end = lines.find('\n', at);
            if (end == std::string::npos)
                break;
            std::string line = lines.substr(at, end - at);
            at = end + 1;
            unsigned index = 0;
            char state[16] = "";
            int used = 0;
            if (sscanf(line.c_str(), "%u %15s %n", &index, state, &used) < 2 || index >= replays.size())
                continue;
            next = index + 1;
            std::string problem = line.substr(static_cast<size_t>(used));
            bool missed = std::string(state) != "reached";
            if (std::string(state) == "unreached" && unstable.count(replays[index].call) == 0)
                problem = "never reached " + problem;
            unreached += missed ? 1 : 0;
            if (!problem.empty())
                failures.push_back(Describe(replays[index]) + ": " + problem);
        }
        if (next >= replays.size())
            break;
        if (code == 0 && next == start) {
            failures.push_back("the child ran nothing from replay " + std::to_string(start));
            break;
        }
        if (next < replays.size() && (code != 0 || next == start)) {
            std::string tail = ReadText(errPath);
            size_t cut = tail.rfind("injecting");
            tail = cut != std::string::npos ? tail.substr(cut) : tail.substr(tail.size() > 300 ? tail.size() - 300 : 0);
            failures.push_back(Describe(replays[next]) + ": exit code " + std::to_string(code) + ": " + tail);
            ++next;
        }
        start = next;
    }
    printf("%s: %u calls recorded, %u replays, %d of them never reached the call (%u calls depend on timing), "
           "%u failed\n",
           name, static_cast<unsigned>(calls.size()), static_cast<unsigned>(replays.size()), unreached,
           static_cast<unsigned>(unstable.size()), static_cast<unsigned>(failures.size()));
    std::string all;
    for (const std::string& failure : failures)
        all += failure + "\n";
    EXPECT_TRUE(failures.empty()) << all;
}

} // namespace

// Each scene runs as two tests, so that the longest of them share the machine: the removals (with the control
// taking the focus at kill-focus calls) and the window's ends.
TEST(HandlerInjection, Button)
{
    RunInjection("button", REMOVALS);
}
TEST(HandlerInjection, ButtonWindowEnds)
{
    RunInjection("button", WINDOW_ENDS);
}
TEST(HandlerInjection, Option)
{
    RunInjection("option", REMOVALS);
}
TEST(HandlerInjection, OptionWindowEnds)
{
    RunInjection("option", WINDOW_ENDS);
}
TEST(HandlerInjection, Edit)
{
    RunInjection("edit", REMOVALS);
}
TEST(HandlerInjection, EditWindowEnds)
{
    RunInjection("edit", WINDOW_ENDS);
}
TEST(HandlerInjection, RichEdit)
{
    RunInjection("richedit", REMOVALS);
}
TEST(HandlerInjection, RichEditWindowEnds)
{
    RunInjection("richedit", WINDOW_ENDS);
}
TEST(HandlerInjection, Slider)
{
    RunInjection("slider", REMOVALS);
}
TEST(HandlerInjection, SliderWindowEnds)
{
    RunInjection("slider", WINDOW_ENDS);
}
TEST(HandlerInjection, ScrollBar)
{
    RunInjection("scrollbar", REMOVALS);
}
TEST(HandlerInjection, ScrollBarWindowEnds)
{
    RunInjection("scrollbar", WINDOW_ENDS);
}
TEST(HandlerInjection, Combo)
{
    RunInjection("combo", REMOVALS);
}
TEST(HandlerInjection, ComboWindowEnds)
{
    RunInjection("combo", WINDOW_ENDS);
}
TEST(HandlerInjection, ListWithHeader)
{
    RunInjection("list", REMOVALS);
}
TEST(HandlerInjection, ListWithHeaderWindowEnds)
{
    RunInjection("list", WINDOW_ENDS);
}
TEST(HandlerInjection, Tree)
{
    RunInjection("tree", REMOVALS);
}
TEST(HandlerInjection, TreeWindowEnds)
{
    RunInjection("tree", WINDOW_ENDS);
}
TEST(HandlerInjection, Tab)
{
    RunInjection("tab", REMOVALS);
}
TEST(HandlerInjection, TabWindowEnds)
{
    RunInjection("tab", WINDOW_ENDS);
}
TEST(HandlerInjection, TextWithLinks)
{
    RunInjection("text", REMOVALS);
}
TEST(HandlerInjection, TextWithLinksWindowEnds)
{
    RunInjection("text", WINDOW_ENDS);
}
TEST(HandlerInjection, DateField)
{
    RunInjection("date", REMOVALS);
}
TEST(HandlerInjection, DateFieldWindowEnds)
{
    RunInjection("date", WINDOW_ENDS);
}
TEST(HandlerInjection, ActiveXHost)
{
    RunInjection("activex", REMOVALS);
}
TEST(HandlerInjection, ActiveXHostWindowEnds)
{
    RunInjection("activex", WINDOW_ENDS);
}
