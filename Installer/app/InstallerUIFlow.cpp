// The wizard's page flow: what Next, Back, Cancel and Browse do on each page, the Custom entry,
// the poll of the install worker, the close question and the wheel.
#include <atomic>

#include "app/FolderChooser.h"
#include "app/InstallReport.h"
#include "app/InstallerThread.h"
#include "app/InstallerUI.h"
#include "app/PathHelpers.h"
#include "app/WizardTexts.h"
#include "controls/LwComboBox.h"
#include "controls/LwPopupDialog.h"
#include "controls/LwScrollBar.h"
#include "controls/LwSystemButton.h"
#include "controls/LwTextPanel.h"

namespace {

constexpr unsigned kPollIntervalMs = 50;
constexpr LwSize kNarrowButton{85, 30};
constexpr LwSize kWideButton{100, 30};

}  // namespace

void InstallerUI::OnButton(int code) {
    if (code != kLwEventLeftUp) {
        return;
    }
    switch (eventSenderTag) {
        case kCancelButtonTag:
            if (CanClose()) {
                SetModalResult(1);
                Close();
            }
            return;
        case kNextButtonTag:
            if (!Next()) {
                return;  // the validation dialog answered; the page stays as it was
            }
            FocusDefaultButton();
            break;
        case kBackButtonTag:
            Back();
            FocusDefaultButton();
            break;
        case kBrowseButtonTag:
            Browse();
            break;
        default:
            return;
    }
    NotifyAccessible(platform::AccessibleEvent::kPartsChanged);
    Invalidate();
}

bool InstallerUI::Next() {
    switch (currentPage) {
        case WizardPage::Welcome:
            FillLicencePanel();
            currentPage = WizardPage::Licence;
            licencePanel->Show(true);
            EnableButton(backButton, true);
            SetNavigationLabels(true);
            break;
        case WizardPage::Licence:
            currentPage = WizardPage::HostSelection;
            hostPanel->Show(true);
            licencePanel->Show(false);
            SetNavigationLabels(false);
            break;
        case WizardPage::HostSelection:
            if (!IsValidHostChoice(*this)) {
                LwPopupDialog(this, kValidationTitle, kValidationMessage, false, false).RunModal();
                return false;
            }
            currentPage = WizardPage::Summary;
            hostPanel->Show(false);
            summaryText->SetText(ComposeSummary(*this));
            summaryPanel->Show(true);
            break;
        case WizardPage::Summary:
            StartInstallation();
            break;
        case WizardPage::Installing:
        case WizardPage::Finished:
            break;
    }
    return true;
}

void InstallerUI::Back() {
    switch (currentPage) {
        case WizardPage::Licence:
            licencePanel->Show(false);
            SetNavigationLabels(false);
            ShowWelcome();
            break;
        case WizardPage::HostSelection:
            hostPanel->Show(false);
            ShowWelcome();
            break;
        case WizardPage::Summary:
            currentPage = WizardPage::HostSelection;
            hostPanel->Show(true);
            summaryPanel->Show(false);
            break;
        case WizardPage::Welcome:
        case WizardPage::Installing:
        case WizardPage::Finished:
            break;
    }
}

void InstallerUI::Browse() {
    bool noChooser = false;
    const std::string folder = BrowseForFolder(this, std::string(), &noChooser);
    if (noChooser) {
        LwPopupDialog(this, kNoChooserTitle, kNoChooserMessage, false, false).RunModal();
    }
    if (folder.empty()) {
        return;  // cancelled: the earlier choice stays
    }
    hostFolder[kCustomSlot] = folder;
    // One line that stays inside the page; the summary shows the whole path.
    customFolderText->SetText(ElidePathMiddle(
        folder, customFolderText->WrapWidth(),
        [this](const std::string& text) { return customFolderText->LineWidth(text); }));
}

void InstallerUI::ShowWelcome() {
    currentPage = WizardPage::Welcome;
    EnableButton(backButton, false);
}

void InstallerUI::SetNavigationLabels(bool licencePage) {
    const LwSize client = kWizardClientSize;
    const int y = client.height - 40;
    const LwSize size = licencePage ? kWideButton : kNarrowButton;
    backButton->SetText(licencePage ? "I DO NOT ACCEPT" : "< Back");
    nextButton->SetText(licencePage ? "I ACCEPT" : "Next >");
    nextButton->SetPosition(LwPoint{client.width - (licencePage ? 225 : 210), y});
    nextButton->SetSize(size);
    backButton->SetPosition(LwPoint{client.width - (licencePage ? 330 : 300), y});
    backButton->SetSize(size);
}

void InstallerUI::EnableButton(LwSystemButton* button, bool enable) {
    platform::EnableWindow(button->GetNativeWindow(), enable);
    button->NotifyAccessible(platform::AccessibleEvent::kState);
    button->Invalidate();
}

void InstallerUI::StartInstallation() {
    currentPage = WizardPage::Installing;
    summaryPanel->Show(false);
    EnableButton(backButton, false);
    EnableButton(nextButton, false);
    log_.emplace("");
    LogInstallStart(*log_, *this);
    pollTimer.Start(kPollIntervalMs);
    if (!InstallerThread::Start(InstallWorker(*this, status_))) {
        status_->errorCode.store(kNoWorkerThreadError, std::memory_order_relaxed);
        status_->installFailed.store(true, std::memory_order_relaxed);
        status_->installDone.store(true, std::memory_order_release);
    }
}

void InstallerUI::OnCustomToggled(int /*tag*/, LwControl* /*sender*/, int phase) {
    if (phase != kLwChangeAfter) {
        return;
    }
    const bool show = hostSelected[kCustomSlot];
    customBitnessCombo->Show(show);
    browseButton->Show(show);
    customFolderText->Show(show);
}

void InstallerUI::OnTimer(int /*tag*/) {
    AnnounceProgress();
    // One question at a time: the poll goes on, and the outcome is shown after the answer
    // unless the answer closed the wizard.
    if (cancelQuestionOpen_ || !status_->installDone.load(std::memory_order_acquire)) {
        return;
    }
    pollTimer.Stop();
    LogInstallFiles(*log_, *status_);
    if (!status_->installFailed.load(std::memory_order_relaxed)) {
        LogResult(*log_, "installed", 0);
        cancelButton->SetText("Finish");
        currentPage = WizardPage::Finished;
        NotifyAccessible(platform::AccessibleEvent::kPartsChanged);
        FocusDefaultButton();
        Invalidate();
        return;
    }
    const int32_t code = status_->errorCode.load(std::memory_order_relaxed);
    LogResult(*log_, "failed with error code " + std::to_string(code), 0);
    LwPopupDialog(
        this, kInstallErrorTitle,
        ComposeInstallError(code, status_->errorDetail) + "\n" + LogPathLine(log_->Path()), false,
        false)
        .RunModal();
    Close();
}

bool InstallerUI::CanClose() {
    if (status_->installDone.load(std::memory_order_acquire)) {
        return true;
    }
    cancelQuestionOpen_ = true;
    const bool leave =
        LwPopupDialog(this, kCancelTitle, kCancelMessage, true, true).RunModal() == 0;
    cancelQuestionOpen_ = false;
    return leave;
}

void InstallerUI::PreviewInput(LwInputEvent& event) {
    if (event.code != kLwEventWheel || !platform::IsWindowEnabled(GetNativeWindow())) {
        return;
    }
    if (currentPage == WizardPage::Licence) {
        licenceScrollBar->ScrollBy(event.value);
    } else if (currentPage == WizardPage::Summary) {
        summaryScrollBar->ScrollBy(event.value);
    }
}
