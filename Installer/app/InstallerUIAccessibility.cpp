// What the wizard tells screen readers beyond its controls: the text each page paints, and the
// installation's progress.
#include <atomic>

#include "app/InstallerUI.h"
#include "app/WizardTexts.h"

namespace {

platform::AccessibleInfo StaticText(std::string text) {
    platform::AccessibleInfo part;
    part.role = platform::AccessibleRole::kStaticText;
    part.states = platform::kAccessibleEnabled | platform::kAccessibleVisible;
    part.name = text;
    part.hasText = true;
    part.text = std::move(text);
    return part;
}

}  // namespace

void InstallerUI::DescribeAccessible(platform::AccessibleInfo& info) {
    LwWindow::DescribeAccessible(info);
    switch (currentPage) {
        case WizardPage::Welcome:
            info.parts.push_back(StaticText(WelcomeText()));
            break;
        case WizardPage::Licence:
            break;  // the licence itself is the page
        case WizardPage::HostSelection:
            info.parts.push_back(StaticText(kHostPageText));
            break;
        case WizardPage::Summary:
            info.parts.push_back(StaticText(kSummaryPageText));
            break;
        case WizardPage::Installing: {
            info.parts.push_back(StaticText(kInstallingHeading));
            const int32_t step = status_->progressStep.load(std::memory_order_acquire);
            platform::AccessibleInfo progress = StaticText(ProgressLine(step));
            progress.role = platform::AccessibleRole::kProgressBar;
            progress.hasValue = true;
            progress.maximum = kProgressFinished;
            progress.value = step < 0 ? 0 : step;
            progress.valueText = progress.text;
            info.parts.push_back(std::move(progress));
            break;
        }
        case WizardPage::Finished:
            info.parts.push_back(StaticText(kFinishedText));
            break;
    }
}

void InstallerUI::AnnounceProgress() {
    const int32_t step = status_->progressStep.load(std::memory_order_acquire);
    if (step != announcedStep_) {
        announcedStep_ = step;
        NotifyAccessible(platform::AccessibleEvent::kValue);
    }
}
