#pragma once
// The about box: name and version, links to the maker's site, the start-up
// update check option, and a check for a newer version on demand.
#include "resources/resource.h"
#include "storage/ApplicationSettings.h"
#include "ui/common/HyperLink.h"
#include "ui/common/ImageEx.h"
#include "ui/framework/ComPtr.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/GdiHandles.h"
#include "update/UpdateChecker.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <mutex>
#include <string>

namespace clonarium {

class CAboutDlg : public vandrelcommon::ui::CDialogImpl, public vandrelcommon::system::IUpdateCheckResult {
public:
    // `settings` is read and written (the start-up check option); `siteAddress`
    // is the maker's site, asked for updates and linked to.
    CAboutDlg(ApplicationSettings& settings, std::wstring siteAddress);

    // Called on the checker's thread: hands the result to the dialog's thread.
    void OnUpdateCheckResult(vandrelcommon::system::UpdateResult result, const std::wstring& fileName) override;

    const vandrelcommon::ui::CHyperLink& ResultLink() const { return resultLink_; }
    const vandrelcommon::ui::CHyperLink& SiteLink() const { return siteLink_; }
    // True while a check's thread runs.
    bool IsChecking() const { return checker_.IsRunning(); }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_CTLCOLORDLG, OnColor)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnColor)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(kResultMessage, OnResult)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_COMMAND(IDC_ABOUT_CHECK_NOW, OnCheckNow)
    ON_COMMAND(IDOK, OnClose)
    ON_COMMAND(IDCANCEL, OnClose)
    END_MESSAGE_MAP()

private:
    static constexpr UINT kResultMessage = WM_APP + 1;

    struct PendingResult {
        vandrelcommon::system::UpdateResult result;
        std::wstring fileName;
    };

    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnColor(vandrelcommon::ui::Message& msg);
    LRESULT OnPaint(vandrelcommon::ui::Message& msg);
    LRESULT OnCheckNow(vandrelcommon::ui::Message& msg);
    LRESULT OnResult(vandrelcommon::ui::Message& msg);
    LRESULT OnClose(vandrelcommon::ui::Message& msg);
    LRESULT OnDestroy(vandrelcommon::ui::Message& msg);

    void ShowTitleAndVersion();
    void LoadProductPicture();
    void StartLoader();
    void SetTexts();
    void ArrangeBottomRow();
    void ShowResult(vandrelcommon::system::UpdateResult result, const std::wstring& fileName);

    ApplicationSettings& settings_;
    std::wstring siteAddress_;
    vandrelcommon::ui::CHyperLink resultLink_;
    vandrelcommon::ui::CHyperLink iconCreditLink_;
    vandrelcommon::ui::CHyperLink siteLink_;
    std::unique_ptr<vandrelcommon::ui::ImageEx> loader_;
    vandrelcommon::ui::GdiFont titleFont_;
    vandrelcommon::ui::GdiFont boldFont_;
    // The picture reads from its stream as long as it lives.
    vandrelcommon::ui::ComPtr<IStream> productStream_;
    std::unique_ptr<Gdiplus::Image> productPicture_;
    // From the press of the check button until its result has been shown;
    // another press meanwhile does nothing.
    bool checking_ = false;
    std::mutex pendingLock_;
    std::unique_ptr<PendingResult> pending_;
    // Last, so that it goes first: its destructor ends a check that is still
    // running while everything the result touches is there.
    vandrelcommon::system::UpdateChecker checker_;
};

} // namespace clonarium
