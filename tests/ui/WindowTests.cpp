// Message maps, windows (registered class, subclassing, superclassing),
// dialogs, the message loop and the module.
#include "tests/ui/TestResources.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"
#include "ui/framework/Window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

constexpr UINT kAppPassOn = WM_APP + 2;
constexpr UINT kAppBase = WM_APP + 1;

// An owned object with a map of its own, chained from its window.
class CChainedControl : public CMessageMap {
public:
    std::vector<WORD> commands;

    BEGIN_MESSAGE_MAP()
    ON_COMMAND(100, OnCommand)
    ON_COMMAND_RANGE(200, 210, OnCommand)
    ON_NOTIFY(7, NM_CLICK, OnClick)
    END_MESSAGE_MAP()

private:
    LRESULT OnCommand(Message& msg)
    {
        commands.push_back(msg.CommandId());
        return 1;
    }
    LRESULT OnClick(Message& msg)
    {
        (void)msg;
        commands.push_back(7);
        return 77;
    }
};

class CBaseWindow : public CWindowImpl {
public:
    std::vector<std::wstring> calls;
    std::vector<HWND> finalMessages;

    BEGIN_MESSAGE_MAP()
    ON_COMMAND(100, OnCommand)
    ON_COMMAND(101, OnCommand)
    ON_MESSAGE(kAppBase, OnApp)
    ON_MESSAGE(kAppPassOn, OnApp)
    ON_NOTIFY_CODE(NM_DBLCLK, OnAnyDoubleClick)
    ON_NOTIFY_RANGE(20, 29, NM_RCLICK, OnRightClick)
    END_MESSAGE_MAP()

protected:
    void OnFinalMessage(HWND window) override { finalMessages.push_back(window); }

private:
    LRESULT OnCommand(Message& msg)
    {
        calls.push_back(L"base command " + std::to_wstring(msg.CommandId()));
        return 0;
    }
    LRESULT OnApp(Message& msg)
    {
        calls.push_back(L"base app");
        return static_cast<LRESULT>(msg.wParam) * 2;
    }
    LRESULT OnAnyDoubleClick(Message& msg)
    {
        calls.push_back(L"double click " + std::to_wstring(msg.Notification()->idFrom));
        return 5;
    }
    LRESULT OnRightClick(Message& msg)
    {
        calls.push_back(L"right click " + std::to_wstring(msg.Notification()->idFrom));
        return 6;
    }
};

class CDerivedWindow : public CBaseWindow {
public:
    CChainedControl control;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(kAppPassOn, OnPassOn)
    CHAIN_TO_MEMBER(control)
    CHAIN_TO_BASE(CBaseWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnPassOn(Message& msg)
    {
        calls.push_back(L"derived saw it");
        msg.handled = false;
        return 0;
    }
};

LRESULT SendNotify(HWND window, UINT_PTR id, UINT code)
{
    NMHDR header{};
    header.hwndFrom = window;
    header.idFrom = id;
    header.code = code;
    return ::SendMessageW(window, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
}

TEST(MessageMap, DispatchesAlongTheChainAndStopsAtTheFirstHandler)
{
    CDerivedWindow window;
    ASSERT_NE(window.Create(nullptr, RECT{0, 0, 200, 100}, L"maps", WS_OVERLAPPEDWINDOW), nullptr);

    // A command the chained control handles never reaches the base.
    ::SendMessageW(window, WM_COMMAND, 100, 0);
    EXPECT_EQ(window.control.commands, std::vector<WORD>{100});
    EXPECT_TRUE(window.calls.empty());

    // One the control does not know goes on to the base.
    ::SendMessageW(window, WM_COMMAND, 101, 0);
    EXPECT_EQ(window.calls, std::vector<std::wstring>{L"base command 101"});

    // Ranges include both ends and nothing beyond.
    ::SendMessageW(window, WM_COMMAND, 200, 0);
    ::SendMessageW(window, WM_COMMAND, 210, 0);
    ::SendMessageW(window, WM_COMMAND, 211, 0);
    EXPECT_EQ(window.control.commands, (std::vector<WORD>{100, 200, 210}));

    // A handler that clears `handled` lets the rest of the chain answer.
    window.calls.clear();
    EXPECT_EQ(::SendMessageW(window, kAppPassOn, 21, 0), 42);
    EXPECT_EQ(window.calls, (std::vector<std::wstring>{L"derived saw it", L"base app"}));

    // Notifications by id and code, by code alone, and by id range.
    window.calls.clear();
    EXPECT_EQ(SendNotify(window, 7, NM_CLICK), 77);
    EXPECT_EQ(SendNotify(window, 8, NM_CLICK), 0);
    EXPECT_EQ(SendNotify(window, 12, NM_DBLCLK), 5);
    EXPECT_EQ(SendNotify(window, 25, NM_RCLICK), 6);
    EXPECT_EQ(SendNotify(window, 30, NM_RCLICK), 0);
    EXPECT_EQ(window.calls, (std::vector<std::wstring>{L"double click 12", L"right click 25"}));
    EXPECT_EQ(window.control.commands.back(), 7);
}

TEST(MessageMap, UnhandledMessagesReachTheDefaultProcedure)
{
    CDerivedWindow window;
    ASSERT_NE(window.Create(nullptr, RECT{0, 0, 200, 100}, L"first", WS_OVERLAPPEDWINDOW), nullptr);
    // DefWindowProc keeps the text and answers WM_GETTEXT.
    ::SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"second"));
    EXPECT_EQ(window.GetText(), L"second");
    EXPECT_EQ(window.calls.size(), 0u);
}

TEST(Window, CreatedWindowIsBoundUntilDestroyedAndDestroyedWithItsObject)
{
    HWND handle = nullptr;
    {
        CBaseWindow window;
        handle = window.Create(nullptr, RECT{0, 0, 100, 100}, L"bound", WS_OVERLAPPEDWINDOW);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(window.Hwnd(), handle);
        EXPECT_EQ(CWindowBase::FromHandle(handle), &window);
        // Creating twice with one object is refused.
        EXPECT_EQ(window.Create(nullptr, RECT{0, 0, 100, 100}, L"again", WS_OVERLAPPEDWINDOW), nullptr);

        ASSERT_TRUE(::DestroyWindow(handle));
        EXPECT_EQ(window.Hwnd(), nullptr);
        EXPECT_EQ(window.finalMessages, std::vector<HWND>{handle});

        // The object can make a new window after the first one is gone.
        handle = window.Create(nullptr, RECT{0, 0, 100, 100}, L"second life", WS_OVERLAPPEDWINDOW);
        ASSERT_NE(handle, nullptr);
    }
    EXPECT_FALSE(::IsWindow(handle));
}

// A superclass of the system edit control that refuses digits.
class CLettersOnlyEdit : public CWindowImpl {
public:
    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CHAR, OnChar)
    END_MESSAGE_MAP()

protected:
    WindowClass GetWindowClass() const override
    {
        WindowClass edit;
        edit.name = L"uitest.LettersOnlyEdit";
        edit.superclassOf = L"Edit";
        return edit;
    }

private:
    LRESULT OnChar(Message& msg)
    {
        if (msg.wParam >= L'0' && msg.wParam <= L'9') {
            return 0;
        }
        msg.handled = false;
        return 0;
    }
};

TEST(Window, SuperclassKeepsTheSystemClassBehaviour)
{
    uitest::CRecordingParent parent;
    ASSERT_NE(parent.Create(), nullptr);
    CLettersOnlyEdit edit;
    ASSERT_NE(edit.Create(parent, RECT{0, 0, 100, 20}, L"", WS_CHILD | WS_VISIBLE), nullptr);
    for (wchar_t typed : std::wstring(L"a1b2")) {
        ::SendMessageW(edit, WM_CHAR, typed, 0);
    }
    EXPECT_EQ(edit.GetText(), L"ab");
    // Edit messages are answered by the edit control's own procedure.
    ::SendMessageW(edit, EM_SETLIMITTEXT, 5, 0);
    EXPECT_EQ(::SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 5);
}

// Records what reaches a window's own procedure.
std::vector<UINT>* originalLog = nullptr;
LRESULT CALLBACK OriginalProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (originalLog != nullptr && message >= WM_APP) {
        originalLog->push_back(message);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(Window, SubclassingSeesMessagesFirstAndGivesTheWindowBack)
{
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.lpfnWndProc = OriginalProcedure;
    description.hInstance = ::GetModuleHandleW(nullptr);
    description.lpszClassName = L"uitest.Original";
    ::RegisterClassExW(&description);
    HWND plain = ::CreateWindowExW(0, L"uitest.Original", L"", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
        ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(plain, nullptr);
    std::vector<UINT> log;
    originalLog = &log;

    {
        CBaseWindow window;
        ASSERT_TRUE(window.SubclassWindow(plain));
        // A window already bound to an object cannot be taken twice.
        CBaseWindow other;
        EXPECT_FALSE(other.SubclassWindow(plain));

        EXPECT_EQ(::SendMessageW(plain, kAppBase, 4, 0), 8);
        ::SendMessageW(plain, WM_APP + 9, 0, 0);
        EXPECT_EQ(window.calls, std::vector<std::wstring>{L"base app"});
        EXPECT_EQ(log, std::vector<UINT>{WM_APP + 9});

        EXPECT_EQ(window.UnsubclassWindow(), plain);
        EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(plain, GWLP_WNDPROC)), &OriginalProcedure);
        ::SendMessageW(plain, kAppBase, 4, 0);
        EXPECT_EQ(window.calls.size(), 1u);

        // Subclassed again, the object's end hands the window back as well.
        ASSERT_TRUE(window.SubclassWindow(plain));
    }
    EXPECT_TRUE(::IsWindow(plain));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(plain, GWLP_WNDPROC)), &OriginalProcedure);
    EXPECT_EQ(CWindowBase::FromHandle(plain), nullptr);
    originalLog = nullptr;
    ::DestroyWindow(plain);

    CBaseWindow nothing;
    EXPECT_FALSE(nothing.SubclassWindow(nullptr));
}

// A control that handles its own reflected notifications.
class CReflectingButton : public CWindowImpl {
public:
    int clicks = 0;
    BEGIN_MESSAGE_MAP()
    ON_REFLECTED_COMMAND_CODE(BN_CLICKED, OnClicked)
    END_MESSAGE_MAP()

private:
    LRESULT OnClicked(Message& msg)
    {
        (void)msg;
        ++clicks;
        return 0;
    }
};

TEST(MessageMap, ReflectsNotificationsToControlsThatHandleThem)
{
    uitest::CRecordingParent parent;
    ASSERT_NE(parent.Create(), nullptr);
    HWND ours = uitest::CreateChild(L"Button", parent, RECT{0, 0, 80, 20}, BS_PUSHBUTTON, 11, L"ours");
    HWND plain = uitest::CreateChild(L"Button", parent, RECT{0, 30, 80, 50}, BS_PUSHBUTTON, 12, L"plain");
    CReflectingButton button;
    ASSERT_TRUE(button.SubclassWindow(ours));

    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(11, BN_CLICKED), reinterpret_cast<LPARAM>(ours));
    EXPECT_EQ(button.clicks, 1);
    EXPECT_TRUE(parent.commands.empty());

    // A plain control, or a code the control leaves, stays with the parent.
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(12, BN_CLICKED), reinterpret_cast<LPARAM>(plain));
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(11, BN_SETFOCUS), reinterpret_cast<LPARAM>(ours));
    ASSERT_EQ(parent.commands.size(), 2u);
    EXPECT_EQ(parent.commands[0].id, 12);
    EXPECT_EQ(parent.commands[1].code, BN_SETFOCUS);
    EXPECT_EQ(button.clicks, 1);
}

class CTestDialog : public CDialogImpl {
public:
    explicit CTestDialog(UINT templateId = IDD_TEST_MODAL) : CDialogImpl(templateId) { }

    std::wstring typed = L"typed in the dialog";
    std::wstring read;
    LPARAM initParam = 0;
    SIZE clientSize{};
    SIZE templateSize{};
    bool destroyed = false;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_APP, OnApp)
    ON_COMMAND(IDOK, OnOk)
    END_MESSAGE_MAP()

protected:
    void OnFinalMessage(HWND) override { destroyed = true; }

private:
    LRESULT OnInitDialog(Message& msg)
    {
        initParam = msg.lParam;
        const RECT client = GetClientRect();
        clientSize = SIZE{client.right, client.bottom};
        templateSize = DialogUnitsToPixels(hwnd_, 160, 60);
        if (IsModal()) {
            PostMessage(WM_APP);
        }
        return TRUE;
    }
    LRESULT OnApp(Message& msg)
    {
        (void)msg;
        ::SetDlgItemTextW(hwnd_, IDC_TEST_EDIT, typed.c_str());
        PostMessage(WM_COMMAND, IDOK);
        return 0;
    }
    LRESULT OnOk(Message& msg)
    {
        (void)msg;
        read = CWindow(GetDlgItem(IDC_TEST_EDIT)).GetText();
        EndDialog(42);
        return 0;
    }
};

TEST(Dialog, ModalFromTemplateEndsWithItsResult)
{
    CTestDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr, 1234), 42);
    EXPECT_EQ(dialog.initParam, 1234);
    EXPECT_EQ(dialog.read, L"typed in the dialog");
    EXPECT_EQ(dialog.Hwnd(), nullptr);
    EXPECT_TRUE(dialog.destroyed);
    // The client area is the template's size in dialog units.
    EXPECT_EQ(dialog.clientSize.cx, dialog.templateSize.cx);
    EXPECT_EQ(dialog.clientSize.cy, dialog.templateSize.cy);
}

int CountThreadWindows()
{
    int count = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND, LPARAM param) {
            ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(Dialog, MissingTemplateGivesNoWindowAndAFailure)
{
    const int before = CountThreadWindows();
    CTestDialog modal(IDD_MISSING);
    EXPECT_EQ(modal.DoModal(), -1);
    CTestDialog modeless(IDD_MISSING);
    EXPECT_EQ(modeless.Create(nullptr), nullptr);
    EXPECT_EQ(modeless.Hwnd(), nullptr);
    EXPECT_EQ(modal.DoModalIndirect(nullptr), -1);
    EXPECT_EQ(CountThreadWindows(), before);

    // The failed attempts leave nothing waiting: the next window binds its own object.
    CBaseWindow window;
    ASSERT_NE(window.Create(nullptr, RECT{0, 0, 50, 50}, L"after", WS_OVERLAPPEDWINDOW), nullptr);
    EXPECT_EQ(CWindowBase::FromHandle(window), &window);
}

TEST(Dialog, ModelessSeesItsLoopsMessagesWhileOpen)
{
    CMessageLoop loop;
    ASSERT_TRUE(AppModule().AddMessageLoop(&loop));
    uitest::CRecordingParent parent;
    ASSERT_NE(parent.Create(), nullptr);
    {
        CTestDialog dialog(IDD_TEST_CHILD);
        HWND window = dialog.Create(parent, 99);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(dialog.IsModal());
        EXPECT_EQ(dialog.initParam, 99);
        EXPECT_EQ(::GetParent(window), parent.Hwnd());
        HWND edit = dialog.GetDlgItem(IDC_TEST_EDIT);
        ASSERT_NE(edit, nullptr);

        // Tab in one of its controls is the dialog's: the loop does not dispatch it.
        MSG tab{edit, WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_TRUE(loop.PreTranslateMessage(tab));
        // Messages of other windows are not.
        MSG other{parent, WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_FALSE(loop.PreTranslateMessage(other));

        EXPECT_TRUE(dialog.EndDialog(0));
        EXPECT_FALSE(::IsWindow(window));
        EXPECT_TRUE(dialog.destroyed);
        // Once closed, it no longer filters (and is not called).
        EXPECT_FALSE(loop.PreTranslateMessage(tab));

        // A modeless dialog left open is destroyed with its object.
        ASSERT_NE(dialog.Create(parent), nullptr);
    }
    EXPECT_EQ(::GetWindow(parent, GW_CHILD), nullptr);
    AppModule().RemoveMessageLoop();
}

// Asks for `rounds` idle calls, then runs `atLast`.
class CountingIdle : public IIdleHandler {
public:
    CountingIdle(int rounds, std::function<void()> atLast) : rounds_(rounds), atLast_(std::move(atLast)) { }
    std::vector<int> counts;
    bool OnIdle(int idleCount) override
    {
        counts.push_back(idleCount);
        if (static_cast<int>(counts.size()) < rounds_) {
            return true;
        }
        if (atLast_) {
            std::exchange(atLast_, nullptr)();
        }
        return false;
    }

private:
    int rounds_;
    std::function<void()> atLast_;
};

class SwallowingFilter : public IPreTranslateFilter {
public:
    explicit SwallowingFilter(UINT message) : message_(message) { }
    int seen = 0;
    bool PreTranslateMessage(MSG& msg) override
    {
        if (msg.message != message_) {
            return false;
        }
        ++seen;
        return true;
    }

private:
    UINT message_;
};

TEST(MessageLoop, RunsIdleHandlersAndFiltersAndEndsWithTheQuitCode)
{
    CMessageLoop loop;
    CBaseWindow window;
    ASSERT_NE(window.Create(nullptr, RECT{0, 0, 50, 50}, L"loop", WS_OVERLAPPEDWINDOW), nullptr);
    uitest::PumpMessages(0);
    // With the queue empty, idle rounds count 0, 1, 2 and stop at the false
    // answer; the messages posted then end the loop.
    CountingIdle idle(3, [&] {
        ::PostMessageW(window, kAppBase, 1, 0);
        ::PostMessageW(window, kAppPassOn, 1, 0);
        ::PostQuitMessage(17);
    });
    SwallowingFilter filter(kAppBase);
    loop.AddIdleHandler(&idle);
    loop.AddMessageFilter(&filter);
    EXPECT_EQ(loop.Run(), 17);
    EXPECT_EQ(idle.counts, (std::vector<int>{0, 1, 2}));
    // The filtered message never reached the window; the other one did.
    EXPECT_EQ(filter.seen, 1);
    EXPECT_EQ(window.calls, std::vector<std::wstring>{L"base app"});
}

TEST(MessageLoop, LaterFiltersComeFirstAndRemovedOnesAreNotAsked)
{
    CMessageLoop loop;
    SwallowingFilter first(WM_APP);
    SwallowingFilter second(WM_APP);
    loop.AddMessageFilter(&first);
    loop.AddMessageFilter(&second);
    MSG msg{nullptr, WM_APP, 0, 0, 0, {}};
    EXPECT_TRUE(loop.PreTranslateMessage(msg));
    EXPECT_EQ(second.seen, 1);
    EXPECT_EQ(first.seen, 0);

    // A filter that takes another one away during the round.
    class Remover : public IPreTranslateFilter {
    public:
        Remover(CMessageLoop& loop, IPreTranslateFilter& victim) : loop_(loop), victim_(victim) { }
        bool PreTranslateMessage(MSG&) override
        {
            loop_.RemoveMessageFilter(&victim_);
            return false;
        }

    private:
        CMessageLoop& loop_;
        IPreTranslateFilter& victim_;
    } remover(loop, first);
    loop.RemoveMessageFilter(&second);
    loop.AddMessageFilter(&remover);
    EXPECT_FALSE(loop.PreTranslateMessage(msg));
    EXPECT_EQ(first.seen, 0);

    // Idle rounds without handlers ask for nothing more.
    EXPECT_FALSE(loop.OnIdle(0));
}

TEST(Module, KeepsOneLoopPerThread)
{
    CMessageLoop loop;
    CMessageLoop another;
    ASSERT_TRUE(AppModule().AddMessageLoop(&loop));
    EXPECT_FALSE(AppModule().AddMessageLoop(&another));
    EXPECT_EQ(AppModule().GetMessageLoop(), &loop);
    CMessageLoop* seenElsewhere = &loop;
    std::thread([&] { seenElsewhere = AppModule().GetMessageLoop(); }).join();
    EXPECT_EQ(seenElsewhere, nullptr);
    EXPECT_TRUE(AppModule().RemoveMessageLoop());
    EXPECT_FALSE(AppModule().RemoveMessageLoop());
    EXPECT_EQ(AppModule().GetMessageLoop(), nullptr);
    EXPECT_EQ(AppModule().ResourceInstance(), ::GetModuleHandleW(nullptr));
}

} // namespace
