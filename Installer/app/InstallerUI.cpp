// The wizard window's construction, icon, painting and teardown.
#include "app/InstallerUI.h"

#include <cstdio>

#include <algorithm>
#include <string>

#include "app/InstallReport.h"
#include "app/LicenceDocument.h"
#include "app/Startup.h"
#include "app/WizardTexts.h"
#include "controls/LwCheckBox.h"
#include "controls/LwComboBox.h"
#include "controls/LwScrollBar.h"
#include "controls/LwSystemButton.h"
#include "controls/LwTextControl.h"
#include "controls/LwTextPanel.h"
#include "draw/LwArtwork.h"
#include "draw/LwPaintContext.h"
#include "platform/Bitmap.h"
#include "platform/Events.h"

namespace {

constexpr LwColor kWindowGrey = LwGrey(45);
constexpr LwColor kSummaryGrey = LwGrey(30);
constexpr LwColor kLicenceWhite{255, 255, 255, 255};
constexpr LwColor kTextGrey = LwGrey(200);
constexpr LwColor kFooterGrey = LwGrey(70);
constexpr LwColor kLineGrey = LwGrey(100);
constexpr const char* kFont = "Verdana";
constexpr int kBannerWidth = 160;
constexpr int kFooterHeight = 50;
constexpr int kTextLeft = 170;
constexpr int kTextTop = 70;
constexpr int kProgressTop = 120;

// Rows of the host page: a check box per detected version, then Custom and its entry.
constexpr int kFirstRowY = 15;
constexpr int kRowPitch = 25;
// Below the Custom box: the combo box and folder text, then Browse, 20 high.
constexpr int kBrowseBottomBelowCustom = 65;

constexpr int kRichReadOnlyMultiLine = 0x31;

}  // namespace

InstallerUI::InstallerUI()
    : LwWindow(nullptr, LwPoint{0, 0}, kWizardClientSize, kWizardTitle, kLwWindowMinimizeBox) {
    // Decoding the icon's seven sizes and laying out the licence need not delay the first
    // picture of the window: the welcome page shows neither.
    platform::RunWhenSettled(GetNativeWindow(), [this] { LoadIcon(); });
    platform::RunWhenSettled(GetNativeWindow(), [this] { FillLicencePanel(); });
    CenterOnOwner();
    const LwSize client = kWizardClientSize;

    const LwSize narrow{85, 30};
    const int buttonY = client.height - 40;
    cancelButton =
        MakeButton(this, {client.width - 95, buttonY}, narrow, "Cancel", kCancelButtonTag);
    nextButton = MakeButton(this, {client.width - 210, buttonY}, narrow, "Next >", kNextButtonTag);
    backButton = MakeButton(this, {client.width - 300, buttonY}, narrow, "< Back", kBackButtonTag);
    EnableButton(backButton, false);

    bannerImage.LoadFromResource(kLwBannerImageId);
    DetectAllHosts();
    // The wizard still offers Custom; the reason a refused registry gave goes where the
    // command line's does, without a question in the way.
    if (!registryProblem.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, registryProblem.c_str());
    }

    BuildHostPanel(client);
    BuildLicencePanel(client);
    BuildSummaryPanel(client);
    RegisterInputPreview(this);

    // The worker only posts a repaint; the window detaches the hook before it goes.
    platform::NativeWindow window = GetNativeWindow();
    status_->SetRepaintHook([window] { platform::PostRepaintFromAnyThread(window); });
}

InstallerUI::~InstallerUI() {
    pollTimer.Stop();
    status_->DetachRepaintHook();
    if (log_ && !status_->installDone.load(std::memory_order_acquire)) {
        LogResult(*log_, "cancelled", 0);
    }
}

LwSystemButton* InstallerUI::MakeButton(LwObject* parent, const LwPoint& at, const LwSize& size,
                                        const char* label, int tag) {
    auto* button = new LwSystemButton(parent, at, size, label);
    button->eventHandler = AsEventHandler(&InstallerUI::OnButton);
    button->eventTarget = this;
    button->eventTag = tag;
    return button;
}

void InstallerUI::LoadIcon() {
    int id = kLwIconFirstImageId;
    for (int size : kLwIconSizes) {
        LwImage icon;
        icon.LoadFromResource(id++);
        if (icon.IsEmpty() || icon.GetSize() != LwSize{size, size}) {
            continue;
        }
        const std::vector<uint32_t> pixels = icon.GetBitmap()->ArgbPixels();
        platform::AddWindowIcon(GetNativeWindow(), pixels.data(), size, size);
    }
}

void InstallerUI::BuildHostPanel(const LwSize& client) {
    hostPanel = new LwPanel(this, LwPoint{kBannerWidth, 100},
                            LwSize{client.width - kBannerWidth, client.height - 150});
    hostPanel->SetBackgroundColor(kWindowGrey);
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        hostSelected[slot] = IsDetected(slot);
    }
    int detected = 0;
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        detected += IsDetected(slot);
    }
    // With every version found, the standard pitch would push Browse below the panel's edge:
    // the rows close up just enough to keep the whole Custom entry inside.
    const int panelHeight = hostPanel->GetSize().height;
    const int room = panelHeight - kFirstRowY - kBrowseBottomBelowCustom;
    const int pitch = detected > 0 ? std::clamp(room / detected, 14, kRowPitch) : kRowPitch;

    int row = 0;
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        if (IsDetected(slot)) {
            new LwCheckBox(hostPanel, LwPoint{20, kFirstRowY + pitch * row++}, &hostSelected[slot],
                           kHostSlots[slot].label);
        }
    }
    const int customY = kFirstRowY + pitch * row;
    customBitness = 0;
    customBitnessCombo =
        new LwComboBox(hostPanel, LwPoint{25, customY + 20}, "32-bit|64-bit", &customBitness);
    customBitnessCombo->SetSize(LwSize{60, 17});
    customBitnessCombo->SetAccessibleName(kHostSlots[kCustomSlot].label);
    customBitnessCombo->Show(false);

    auto* custom = new LwCheckBox(hostPanel, LwPoint{20, customY}, &hostSelected[kCustomSlot],
                                  kHostSlots[kCustomSlot].label);
    custom->changeHandler = AsChangeHandler(&InstallerUI::OnCustomToggled);
    custom->changeTarget = this;
    custom->changeTag = 1;

    browseButton = MakeButton(hostPanel, LwPoint{25, customY + 45}, LwSize{60, 20}, "Browse",
                              kBrowseButtonTag);
    browseButton->Show(false);

    customFolderText = new LwTextPanel(hostPanel, LwPoint{90, customY + 20}, LwSize{230, 60});
    customFolderText->SetBackgroundColor(kWindowGrey);
    customFolderText->Show(false);
    hostPanel->Show(false);
}

void InstallerUI::BuildLicencePanel(const LwSize& client) {
    licencePanel =
        new LwPanel(this, LwPoint{180, 60}, LwSize{client.width - 200, client.height - 120});
    licencePanel->Show(false);
}

void InstallerUI::FillLicencePanel() {
    if (licenceText) {
        return;
    }
    const LwSize client = kWizardClientSize;
    auto* page = new LwPanel(licencePanel, LwPoint{0, 0}, LwSize{50, 50});
    page->SetBackgroundColor(kLicenceWhite);
    licenceText = new LwTextControl(page, LwPoint{0, 0}, LwSize{client.width - 217, 50},
                                    std::string(LicenceDocumentText()), kRichReadOnlyMultiLine);
    licenceText->eventHandler = AsEventHandler(&InstallerUI::OnViewFocus);
    licenceText->eventTarget = this;
    licenceScrollBar = new LwScrollBar(licencePanel, licenceText, LwPoint{0, 0});
    auto* layout = new LwBoxLayout(LwBoxLayout::kHorizontal);
    layout->items.push_back(LwLayoutItem::Object(page, true));
    layout->items.push_back(LwLayoutItem::Object(licenceScrollBar, false));
    licencePanel->SetLayout(layout);
}

void InstallerUI::BuildSummaryPanel(const LwSize& client) {
    summaryPanel =
        new LwPanel(this, LwPoint{180, 110}, LwSize{client.width - 200, client.height - 170});
    auto* background = new LwPanel(summaryPanel, LwPoint{0, 0}, LwSize{50, 50});
    background->SetBackgroundColor(kSummaryGrey);
    summaryText = new LwTextPanel(summaryPanel, LwPoint{0, 0}, LwSize{client.width - 217, 50});
    summaryText->SetBackgroundColor(kSummaryGrey);
    summaryText->accessibleRole = platform::AccessibleRole::kDocument;
    summaryScrollBar = new LwScrollBar(summaryPanel, summaryText, LwPoint{0, 0});
    auto* layout = new LwBoxLayout(LwBoxLayout::kHorizontal);
    layout->items.push_back(LwLayoutItem::Object(background, true));
    layout->items.push_back(LwLayoutItem::Object(summaryScrollBar, false));
    summaryPanel->SetLayout(layout);
    summaryPanel->Show(false);
}

void InstallerUI::OnPaint() {
    LwPaintContext paint(this);
    const LwSize window = GetSize();
    const LwSize client = kWizardClientSize;
    paint.SetFillColor(kWindowGrey);
    paint.DrawRect(
        LwRect{0, 0, std::max(window.width, client.width), std::max(window.height, client.height)});
    paint.DrawImage(bannerImage, LwPoint{0, 0}, LwSize{0, 0});

    paint.SetTextColor(kTextGrey);
    paint.SetFont(15.0f, kFont, platform::kFontBold);
    paint.DrawText(kWizardTitle, LwRect{kTextLeft, 20, 0, 0}, 0);
    PaintPageText(paint, client);

    paint.SetFillColor(kFooterGrey);
    paint.DrawRect(LwRect{0, client.height - kFooterHeight, client.width, kFooterHeight});
    paint.SetLineColor(kLineGrey, 1.0f);
    paint.DrawLine(0, client.height - kFooterHeight, client.width - 1,
                   client.height - kFooterHeight);
}

void InstallerUI::PaintPageText(LwPaintContext& paint, const LwSize& client) {
    const LwRect body{kTextLeft, kTextTop, client.width - kTextLeft, client.height};
    switch (currentPage) {
        case WizardPage::Welcome:
            paint.SetFont(11.0f, kFont, 0);
            paint.DrawText(WelcomeText().c_str(), body, 0);
            break;
        case WizardPage::Licence:
            if (licenceText && licenceText->ShowsFocusMark()) {
                const LwPoint at = licencePanel->GetPosition();
                const LwSize size = licencePanel->GetSize();
                paint.DrawFocusMark(LwRect{at.x - 2, at.y - 2, size.width + 4, size.height + 4});
            }
            break;
        case WizardPage::HostSelection:
            paint.SetFont(11.0f, kFont, platform::kFontBold);
            paint.DrawText(kHostPageText, body, 0);
            break;
        case WizardPage::Summary: {
            paint.SetFont(11.0f, kFont, 0);
            paint.DrawText(kSummaryPageText,
                           LwRect{kTextLeft, kTextTop, client.width - 180, client.height}, 0);
            const LwPoint at = summaryPanel->GetPosition();
            const LwSize size = summaryPanel->GetSize();
            paint.SetFillColor(LwColor{});
            paint.SetLineColor(kLineGrey, 1.0f);
            paint.DrawRect(LwRect{at.x - 1, at.y - 1, size.width, size.height + 2});
            break;
        }
        case WizardPage::Installing:
            paint.SetFont(11.0f, kFont, platform::kFontBold);
            paint.DrawText(kInstallingHeading, body, 0);
            paint.SetFont(11.0f, kFont, 0);
            paint.DrawText(ProgressLine(status_->progressStep.load(std::memory_order_acquire)),
                           LwRect{kTextLeft, kProgressTop, client.width - kTextLeft, client.height},
                           0);
            break;
        case WizardPage::Finished: {
            const std::string text =
                log_ ? std::string(kFinishedText) + "\n\n" + LogPathLine(log_->Path())
                     : kFinishedText;
            paint.SetFont(11.0f, kFont, 0);
            paint.DrawText(text.c_str(), body, 0);
            break;
        }
    }
}
