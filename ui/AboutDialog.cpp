#include "ui/AboutDialog.h"

#include "i18n/Localizer.h"
#include "ui/ProgramVersion.h"
#include "ui/common/ImageBitmap.h"
#include "ui/common/Layout.h"
#include "ui/common/TextFit.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"
#include "update/SiteAddresses.h"

#include <algorithm>
#include <cstdio>

namespace clonarium {

using namespace vandrelcommon::ui;
using vandrelcommon::system::Localize;
using vandrelcommon::system::UpdateResult;

namespace {

// The product picture's place and how far it stands off the top right
// corner, and how high the bottom row is (all at 96 DPI).
constexpr int kPictureSize = 64;
constexpr int kPictureMargin = 10;
constexpr int kBottomRowHeight = 30;

HFONT CreateVerdana(int height)
{
    return ::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Verdana");
}

} // namespace

CAboutDlg::CAboutDlg(ApplicationSettings& settings, std::wstring siteAddress)
    : CDialogImpl(IDD_ABOUTBOX),
      settings_(settings),
      siteAddress_(std::move(siteAddress)),
      checker_(this, 0, siteAddress_, kProductIdentifier)
{ }

void CAboutDlg::OnUpdateCheckResult(UpdateResult result, const std::wstring& fileName)
{
    {
        std::lock_guard lock(pendingLock_);
        pending_ = std::make_unique<PendingResult>(PendingResult{result, fileName});
    }
    PostMessage(kResultMessage);
}

LRESULT CAboutDlg::OnInitDialog(Message&)
{
    CenterWindow(GetParent());
    ModifyStyle(WS_SYSMENU | WS_MINIMIZE | WS_MAXIMIZE | WS_THICKFRAME, 0, SWP_FRAMECHANGED);

    CButton(GetDlgItem(IDC_ABOUT_CHECK_ON_START)).SetCheck(settings_.checkForUpdates ? BST_CHECKED : BST_UNCHECKED);
    ShowTitleAndVersion();

    iconCreditLink_.Attach(GetDlgItem(IDC_ABOUT_ICON_CREDIT_LINK), siteAddress_);
    siteLink_.Attach(GetDlgItem(IDC_ABOUT_SITE_LINK), siteAddress_);
    resultLink_.Attach(GetDlgItem(IDC_ABOUT_RESULT_LINK), siteAddress_);
    resultLink_.EnableWindow(false);

    LoadProductPicture();
    StartLoader();
    SetTexts();
    ArrangeBottomRow();
    CWindow(GetDlgItem(IDOK)).SetFocus();
    return FALSE;
}

void CAboutDlg::ShowTitleAndVersion()
{
    titleFont_.Reset(CreateVerdana(ScaleY(24)));
    // As high as the dialog's own text.
    LOGFONTW dialogFont{};
    ::GetObjectW(GetFont(), sizeof(dialogFont), &dialogFont);
    boldFont_.Reset(CreateVerdana(dialogFont.lfHeight));
    CWindow title(GetDlgItem(IDC_ABOUT_TITLE));
    title.SetFont(titleFont_.Get());
    title.SetText(L"Clonarium");
    CWindow version(GetDlgItem(IDC_ABOUT_VERSION));
    version.SetFont(boldFont_.Get());
    ProgramVersion own;
    if (ReadProgramVersion(nullptr, own)) {
        version.SetText(L"v" + FormatProgramVersion(own));
    }
}

void CAboutDlg::LoadProductPicture()
{
    if (!GdiplusSession::IsAvailable()) {
        return;
    }
    productStream_ = CreateResourceStream(AppModule().ResourceInstance(), MAKEINTRESOURCEW(IDB_ABOUT_PRODUCT), L"PNG");
    if (productStream_) {
        productPicture_.reset(Gdiplus::Image::FromStream(productStream_.Get()));
        if (productPicture_ != nullptr && productPicture_->GetLastStatus() != Gdiplus::Ok) {
            productPicture_.reset();
        }
    }
}

void CAboutDlg::StartLoader()
{
    loader_ = ImageEx::Create();
    if (loader_ == nullptr || !loader_->IsLoaded()) {
        return;
    }
    // Left of the result line, centred on it.
    const RECT link = CWindow(resultLink_.Hwnd()).GetRectInParent();
    const int x = link.left - 5 - static_cast<int>(loader_->Width());
    const int y = link.top + (link.bottom - link.top - static_cast<int>(loader_->Height())) / 2;
    if (loader_->Start(hwnd_, x, y) && loader_->IsAnimated()) {
        loader_->Pause();
    }
}

void CAboutDlg::SetTexts()
{
    resultLink_.SetText(Localize("about.this-is-a-free-software"));
    CWindow(GetDlgItem(IDC_ABOUT_CHECK_NOW)).SetText(Localize("about.btn-check-for-updates"));
    CWindow(GetDlgItem(IDC_ABOUT_CHECK_ON_START)).SetText(Localize("about.chk-check-for-updates"));
}

void CAboutDlg::ArrangeBottomRow()
{
    CWindow caption(GetDlgItem(IDC_ABOUT_ICON_CREDIT));
    SetTextAndFit(caption, Localize("about.some-icons"));
    SetText(Localize("about.caption"));
    siteLink_.SetText(Localize("about.lnk-visit-site"));

    CWindow ok(GetDlgItem(IDOK));
    CWindow checkNow(GetDlgItem(IDC_ABOUT_CHECK_NOW));
    const RECT okRect = ok.GetRectInParent();
    const int okWidth = okRect.right - okRect.left;
    const int okHeight = okRect.bottom - okRect.top;
    const int checkWidth =
        std::max(static_cast<int>(MeasureText(checkNow, checkNow.GetText()).cx) + ScaleX(10), okWidth);
    checkNow.SetWindowPos(nullptr, 0, 0, checkWidth, okHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    const RECT client = GetClientRect();
    CHorizontalLayout row(
        hwnd_, RECT{client.left, client.bottom - ScaleY(kBottomRowHeight), client.right, client.bottom});
    row.AddWindow(caption, Placement::Start, ScaleX(10), Placement::Center, 0, 0);
    row.AddWindow(iconCreditLink_.Hwnd(), Placement::Stretch, ScaleX(4), Placement::Center, 0, 0).rightMargin =
        ScaleX(6);
    row.AddWindow(checkNow, Placement::End, 0, Placement::Center, 0, 0).rightMargin = ScaleX(6);
    row.AddWindow(ok, Placement::End, 0, Placement::Center, 0, 0).rightMargin = ScaleX(10);
    row.Arrange(false);
}

LRESULT CAboutDlg::OnColor(Message& msg)
{
    // A white box: the dialog and its static texts and check box.
    auto dc = reinterpret_cast<HDC>(msg.wParam);
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

LRESULT CAboutDlg::OnPaint(Message&)
{
    PaintDC dc(hwnd_);
    if (productPicture_ == nullptr) {
        return 0;
    }
    const int width = ScaleX(kPictureSize);
    const RECT client = GetClientRect();
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    graphics.DrawImage(productPicture_.get(), client.right - ScaleX(kPictureMargin) - width, ScaleY(kPictureMargin),
        width, ScaleY(kPictureSize));
    return 0;
}

LRESULT CAboutDlg::OnCheckNow(Message&)
{
    if (checking_) {
        return 0; // the running check will answer
    }
    if (loader_ != nullptr && loader_->IsAnimated()) {
        loader_->Resume();
    }
    resultLink_.EnableWindow(false);
    resultLink_.SetPermanentUnderline(false);
    resultLink_.SetText(Localize("about.checking-for-updates"));
    checking_ = checker_.StartCheck();
    if (!checking_) {
        ShowResult(UpdateResult::Unreachable, L"");
    }
    return 0;
}

LRESULT CAboutDlg::OnResult(Message&)
{
    std::unique_ptr<PendingResult> result;
    {
        std::lock_guard lock(pendingLock_);
        result = std::move(pending_);
    }
    if (result != nullptr) {
        ShowResult(result->result, result->fileName);
    }
    return 0;
}

void CAboutDlg::ShowResult(UpdateResult result, const std::wstring& fileName)
{
    checking_ = false;
    if (loader_ != nullptr && loader_->IsAnimated()) {
        loader_->Pause();
    }
    if (fileName.empty()) {
        // Without a file there is nothing to download.
        resultLink_.SetAddress(ProductPageAddress(siteAddress_));
        result = UpdateResult::Unreachable;
    } else {
        resultLink_.SetAddress(DownloadAddress(siteAddress_, fileName));
    }
    resultLink_.EnableWindow(result == UpdateResult::NewVersion);
    resultLink_.SetPermanentUnderline(result == UpdateResult::NewVersion);
    switch (result) {
    case UpdateResult::Latest:
        resultLink_.SetText(Localize("about.you-have-latest"));
        break;
    case UpdateResult::NewVersion:
        resultLink_.SetText(Localize("about.click-to-download"));
        break;
    case UpdateResult::Unreachable:
        resultLink_.SetText(Localize("about.cannot-check"));
        break;
    }
    Invalidate();
}

LRESULT CAboutDlg::OnClose(Message& msg)
{
    settings_.checkForUpdates = CButton(GetDlgItem(IDC_ABOUT_CHECK_ON_START)).GetCheck() == BST_CHECKED;
    checker_.Stop();
    EndDialog(msg.CommandId() == IDOK ? IDOK : IDCANCEL);
    return 0;
}

LRESULT CAboutDlg::OnDestroy(Message& msg)
{
    checker_.Stop();
    if (loader_ != nullptr) {
        loader_->Destroy();
    }
    msg.handled = false;
    return 0;
}

} // namespace clonarium
