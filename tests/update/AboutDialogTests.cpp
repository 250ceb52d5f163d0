// The about box driven as a user would: clicks on its buttons and links, keys
// through the dialog manager, a check against a server on 127.0.0.1.
#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "tests/update/AboutBox.h"
#include "tests/update/LoopbackServer.h"
#include "ui/framework/Controls.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using clonarium::ApplicationSettings;
using clonarium::CAboutDlg;
using updatetest::HttpReply;
using updatetest::LoopbackServer;
using updatetest::PumpDialog;

namespace {

std::vector<std::wstring>& OpenedAddresses()
{
    static std::vector<std::wstring> opened;
    return opened;
}

void RecordOpening(const std::wstring& address)
{
    OpenedAddresses().push_back(address);
}

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

// An about box open (modeless) over `site`, with links that record what they
// would open instead of starting a browser.
class AboutBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        vandrelcommon::system::LoadLanguage("en");
        OpenedAddresses().clear();
        previousOpener_ = vandrelcommon::ui::CHyperLink::SetOpener(RecordOpening);
    }
    void TearDown() override
    {
        if (box_ != nullptr && box_->IsWindow()) {
            box_->DestroyWindow();
        }
        box_.reset();
        vandrelcommon::ui::CHyperLink::SetOpener(previousOpener_);
    }

    void Open(const std::wstring& site)
    {
        box_ = std::make_unique<CAboutDlg>(settings_, site);
        dialog_ = box_->Create(nullptr);
        ASSERT_NE(dialog_, nullptr);
        box_->ShowWindow(SW_SHOW);
        PumpDialog(dialog_, 100);
    }
    HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
    void Click(int id) const { vandrelcommon::ui::CButton(Item(id)).Click(); }
    std::wstring ResultText() const { return TextOf(Item(IDC_ABOUT_RESULT_LINK)); }
    bool ResultEnabled() const { return ::IsWindowEnabled(Item(IDC_ABOUT_RESULT_LINK)) != FALSE; }
    // Presses the check button and waits until the result line shows more
    // than "Checking...".
    void CheckAndWait()
    {
        Click(IDC_ABOUT_CHECK_NOW);
        EXPECT_EQ(ResultText(), L"Checking for updates...");
        EXPECT_FALSE(ResultEnabled());
        PumpDialog(dialog_, 15000, [&] { return ResultText() != L"Checking for updates..."; });
    }
    // A key pressed on the focused control, through the dialog manager;
    // waits until the box is gone or `wait` milliseconds have passed.
    void PressKey(WORD key, DWORD wait = 3000) const
    {
        const HWND focus = ::GetFocus() != nullptr ? ::GetFocus() : dialog_;
        ::PostMessageW(focus, WM_KEYDOWN, key, 1);
        ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        PumpDialog(dialog_, wait, [&] { return !::IsWindow(dialog_); });
    }

    ApplicationSettings settings_;
    std::unique_ptr<CAboutDlg> box_;
    HWND dialog_ = nullptr;
    vandrelcommon::ui::CHyperLink::Opener previousOpener_ = nullptr;
};

} // namespace

TEST_F(AboutBoxTest, OpensWithNameVersionTheFreeSoftwareLineAndTheBottomRowInPlace)
{
    settings_.checkForUpdates = true;
    Open(L"http://127.0.0.1:9");
    EXPECT_EQ(TextOf(dialog_), L"About Clonarium");
    EXPECT_EQ(TextOf(Item(IDC_ABOUT_TITLE)), L"Clonarium");
    EXPECT_EQ(TextOf(Item(IDC_ABOUT_VERSION)), L"v3.00.000");
    EXPECT_EQ(TextOf(Item(IDC_ABOUT_SITE_LINK)), L"Visit the Vandrelco web site");
    // A link is underlined while the mouse is over it.
    const vandrelcommon::ui::CHyperLink& site = box_->SiteLink();
    EXPECT_FALSE(site.IsUnderlined());
    ::SendMessageW(site.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(site.IsUnderlined());
    ::SendMessageW(site.Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(site.IsUnderlined());
    EXPECT_EQ(ResultText(), L"Clonarium is free software");
    EXPECT_FALSE(ResultEnabled());
    EXPECT_EQ(vandrelcommon::ui::CButton(Item(IDC_ABOUT_CHECK_ON_START)).GetCheck(), BST_CHECKED);
    EXPECT_EQ(TextOf(Item(IDC_ABOUT_CHECK_NOW)), L"Check for updates");
    EXPECT_EQ(box_->GetStyle() & WS_SYSMENU, 0u);

    // Bottom row: caption, credit link, check button, OK from left to right,
    // the buttons as high as each other and the check button at least as wide.
    RECT row[4];
    const int ids[4] = {IDC_ABOUT_ICON_CREDIT, IDC_ABOUT_ICON_CREDIT_LINK, IDC_ABOUT_CHECK_NOW, IDOK};
    for (int i = 0; i < 4; ++i) {
        row[i] = vandrelcommon::ui::CWindow(Item(ids[i])).GetRectInParent();
    }
    for (int i = 1; i < 4; ++i) {
        EXPECT_LE(row[i - 1].right, row[i].left) << i;
    }
    const RECT client = box_->GetClientRect();
    EXPECT_LT(row[3].right, client.right);
    EXPECT_GE(row[0].top, client.bottom - 30 * 2);
    EXPECT_EQ(row[2].bottom - row[2].top, row[3].bottom - row[3].top);
    EXPECT_GE(row[2].right - row[2].left, row[3].right - row[3].left);
}

TEST_F(AboutBoxTest, TheSameVersionSaysSoAndTheLineStaysDisabled)
{
    LoopbackServer server(HttpReply("3.0.0.0|setup.exe"));
    Open(server.Address());
    CheckAndWait();
    EXPECT_EQ(ResultText(), L"You have the latest version");
    EXPECT_FALSE(ResultEnabled());
    EXPECT_FALSE(box_->ResultLink().IsUnderlined());
}

TEST_F(AboutBoxTest, ANewVersionEnablesTheLineWhichOpensTheDownload)
{
    LoopbackServer server(HttpReply("3.0.0.1|Clonarium Setup 3.0.0.1.exe"));
    Open(server.Address());
    CheckAndWait();
    EXPECT_EQ(ResultText(), L"A new version is available. Click here to download it.");
    ASSERT_TRUE(ResultEnabled());
    EXPECT_TRUE(box_->ResultLink().IsUnderlined());
    const HWND link = Item(IDC_ABOUT_RESULT_LINK);
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    // Enter on the focused link opens it too, instead of pressing OK.
    ::SetFocus(link);
    PressKey(VK_RETURN, 200);
    ASSERT_TRUE(::IsWindow(dialog_));
    const std::wstring download = server.Address() + L"/downloads/clonarium/Clonarium Setup 3.0.0.1.exe";
    EXPECT_EQ(OpenedAddresses(), std::vector<std::wstring>(2, download));
}

TEST_F(AboutBoxTest, AResultFromTheCheckersThreadChangesTheBoxOnlyOnTheBoxsThread)
{
    Open(L"http://127.0.0.1:9");
    // Told on another thread, the box only takes note: that thread is not
    // held up, and nothing changes until this thread dispatches its messages.
    struct Call {
        CAboutDlg* box;
        static DWORD WINAPI Run(void* call)
        {
            static_cast<Call*>(call)->box->OnUpdateCheckResult(
                vandrelcommon::system::UpdateResult::Latest, L"setup.exe");
            return 0;
        }
    } call{box_.get()};
    const vandrelcommon::system::KernelHandle checkerThread(::CreateThread(nullptr, 0, &Call::Run, &call, 0, nullptr));
    ASSERT_TRUE(checkerThread);
    const bool returned = ::WaitForSingleObject(checkerThread.Get(), 5000) == WAIT_OBJECT_0;
    EXPECT_TRUE(returned) << "the result handler waited for the box's thread";
    EXPECT_EQ(ResultText(), L"Clonarium is free software");
    PumpDialog(dialog_, 1000, [&] { return ResultText() != L"Clonarium is free software"; });
    if (!returned) {
        ::WaitForSingleObject(checkerThread.Get(), INFINITE);
    }
    EXPECT_EQ(ResultText(), L"You have the latest version");
}

TEST_F(AboutBoxTest, NoSiteOrNoFileNameCannotCheck)
{
    Open(updatetest::UnusedAddress());
    CheckAndWait();
    EXPECT_EQ(ResultText(), L"Cannot check for updates");
    EXPECT_FALSE(ResultEnabled());

    // A reply without a file name offers nothing to download, whatever its version.
    LoopbackServer server(HttpReply("3.0.0.1"));
    box_->DestroyWindow();
    Open(server.Address());
    CheckAndWait();
    EXPECT_EQ(ResultText(), L"Cannot check for updates");
    EXPECT_FALSE(ResultEnabled());
    // A disabled link opens nothing when clicked.
    ::SendMessageW(Item(IDC_ABOUT_RESULT_LINK), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(OpenedAddresses().empty());
    EXPECT_EQ(box_->ResultLink().Address(), server.Address() + L"/products/clonarium/");
}

TEST_F(AboutBoxTest, ASecondPressWhileACheckRunsAsksNothingMore)
{
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LoopbackServer server([&](const updatetest::Connection& connection) {
        ::WaitForSingleObject(release, 10000);
        connection.Send(HttpReply("3.0.0.0|setup.exe"));
    });
    Open(server.Address());
    Click(IDC_ABOUT_CHECK_NOW);
    PumpDialog(dialog_, 5000, [&] { return server.Requests() == 1; });
    Click(IDC_ABOUT_CHECK_NOW);
    Click(IDC_ABOUT_CHECK_NOW);
    ::SetEvent(release);
    PumpDialog(dialog_, 15000, [&] { return ResultText() == L"You have the latest version"; });
    EXPECT_EQ(ResultText(), L"You have the latest version");
    EXPECT_EQ(server.Requests(), 1);

    // Once the answer is shown, the button asks again.
    CheckAndWait();
    EXPECT_EQ(ResultText(), L"You have the latest version");
    EXPECT_EQ(server.Requests(), 2);
    ::CloseHandle(release);
}

// The box of this process titled `title`, once it is shown (its controls
// are made before that).
HWND WaitForBox(const wchar_t* title)
{
    for (int i = 0; i < 500; ++i) {
        HWND box = ::FindWindowW(L"#32770", title);
        DWORD process = 0;
        if (box != nullptr && ::GetWindowThreadProcessId(box, &process) != 0 && process == ::GetCurrentProcessId() &&
            ::IsWindowVisible(box)) {
            return box;
        }
        ::Sleep(10);
    }
    return nullptr;
}

TEST_F(AboutBoxTest, RunsModallyAndStoresTheCheckBoxOnCancelAndOnOk)
{
    // Input for the modal box comes from another thread, as the user's would.
    const auto runModal = [&](UINT closingKeyOrButton) {
        CAboutDlg box(settings_, L"http://127.0.0.1:9");
        std::thread user([&] {
            const HWND dialog = WaitForBox(L"About Clonarium");
            ASSERT_NE(dialog, nullptr);
            ::PostMessageW(::GetDlgItem(dialog, IDC_ABOUT_CHECK_ON_START), BM_CLICK, 0, 0);
            if (closingKeyOrButton == VK_ESCAPE) {
                ::PostMessageW(::GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 1);
            } else {
                ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            }
        });
        const INT_PTR result = box.DoModal();
        user.join();
        return result;
    };
    settings_.checkForUpdates = true;
    EXPECT_EQ(runModal(VK_ESCAPE), IDCANCEL);
    EXPECT_FALSE(settings_.checkForUpdates);
    EXPECT_EQ(runModal(IDOK), IDOK);
    EXPECT_TRUE(settings_.checkForUpdates);
}

TEST_F(AboutBoxTest, ClosingDuringACheckWaitsForItAndNoResultArrivesLater)
{
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LoopbackServer server([&](const updatetest::Connection& connection) {
        ::WaitForSingleObject(release, 10000);
        connection.Send(HttpReply("3.0.0.1|setup.exe"));
    });
    Open(server.Address());
    Click(IDC_ABOUT_CHECK_NOW);
    PumpDialog(dialog_, 5000, [&] { return server.Requests() == 1; });
    std::thread releaser([&] {
        ::Sleep(200);
        ::SetEvent(release);
    });
    ::SetFocus(Item(IDOK));
    PressKey(VK_ESCAPE);
    releaser.join();
    ASSERT_FALSE(::IsWindow(dialog_));
    EXPECT_FALSE(box_->IsChecking());
    box_.reset();
    // Whatever the check would have said has nowhere to go, and no message
    // for the gone box is left to arrive.
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, dialog_, 0, 0, PM_NOREMOVE));
    ::CloseHandle(release);
}
