// The wizard's keyboard: the default button of each page, Enter, Escape, and the scrolling keys
// that no control took.
#include "app/InstallerUI.h"
#include "controls/LwScrollBar.h"
#include "controls/LwSystemButton.h"

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
    LwScrollBar* bar = currentPage == WizardPage::Licence   ? licenceScrollBar
                       : currentPage == WizardPage::Summary ? summaryScrollBar
                                                            : nullptr;
    if (bar && bar->ScrollKey(key)) {
        return true;
    }
    return LwWindow::OnKeyDown(key);
}
