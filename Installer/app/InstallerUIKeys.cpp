// The wizard's keyboard: the default button of each page, Enter, Escape, the scrolling keys
// that no control took, and copying the summary.
#include "app/InstallerUI.h"
#include "controls/LwScrollBar.h"
#include "controls/LwSystemButton.h"
#include "controls/LwTextPanel.h"
#include "platform/Clipboard.h"

LwSystemButton* InstallerUI::DefaultButton() const {
    return platform::IsWindowEnabled(nextButton->GetNativeWindow()) ? nextButton : cancelButton;
}

void InstallerUI::FocusDefaultButton() {
    DefaultButton()->Focus();
}

void InstallerUI::OnFirstActivate() {
    FocusDefaultButton();
}

void InstallerUI::OnViewFocus(int code) {
    if (code == kLwEventFocusIn || code == kLwEventFocusOut) {
        Invalidate();
    }
}

bool InstallerUI::OnKeyDown(unsigned key) {
    switch (key) {
        case platform::kVkReturn:
            DefaultButton()->FireEvent(kLwEventLeftUp);
            return true;
        case platform::kVkEscape:
            cancelButton->FireEvent(kLwEventLeftUp);
            return true;
        default:
            break;
    }
    if (currentPage == WizardPage::Summary && SummaryClipboardKey(key)) {
        return true;
    }
    LwScrollBar* bar = currentPage == WizardPage::Licence   ? licenceScrollBar
                       : currentPage == WizardPage::Summary ? summaryScrollBar
                                                            : nullptr;
    if (bar && bar->ScrollKey(key)) {
        return true;
    }
    return LwWindow::OnKeyDown(key);
}

bool InstallerUI::SummaryClipboardKey(unsigned key) {
    const unsigned held = platform::HeldKeyModifiers();
    if (held != platform::kControlHeld) {
        return false;
    }
    if (key == 'A') {
        summaryText->SelectAll(true);
        return true;
    }
    if (key == 'C' && summaryText->AllSelected()) {
        platform::CopyToClipboard(GetNativeWindow(), summaryText->GetText());
        return true;
    }
    return false;
}
