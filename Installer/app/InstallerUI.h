// The installer's wizard window: every page and control built at the start (the licence's text
// right after the first picture), the page flow driven by the navigation buttons, and the install
// worker followed by a 50 ms poll.
#pragma once

#include <memory>
#include <optional>

#include "app/HostTable.h"
#include "app/InstallLog.h"
#include "app/InstallWorker.h"
#include "draw/LwImage.h"
#include "toolkit/LwTimer.h"
#include "toolkit/LwWindow.h"

class LwCheckBox;
class LwComboBox;
class LwControl;
class LwPanel;
class LwScrollBar;
class LwSystemButton;
class LwTextControl;
class LwTextPanel;

// The wizard's own client size. A window manager may still force another size on the window:
// the layout then stays at this size in the top left corner.
inline constexpr LwSize kWizardClientSize{500, 360};

enum class WizardPage { Welcome, Licence, HostSelection, Summary, Installing, Finished };

// Event tags of the buttons.
inline constexpr int kCancelButtonTag = 1;
inline constexpr int kNextButtonTag = 10;
inline constexpr int kBackButtonTag = 11;
inline constexpr int kBrowseButtonTag = 20;

class InstallerUI : public LwWindow, public HostTable {
  public:
    // Detects the hosts and builds every page, hidden on the welcome page (the licence's text
    // follows the first picture); RunModal shows it.
    InstallerUI();
    ~InstallerUI() override;

    void OnButton(int code);
    void OnCustomToggled(int tag, LwControl* sender, int phase);
    // The licence view took or lost the keyboard: its mark is the window's to draw.
    void OnViewFocus(int code);

    WizardPage GetPage() const { return currentPage; }
    const InstallStatus& GetStatus() const { return *status_; }
    // The window, with the page's text and the progress as painted parts.
    void DescribeAccessible(platform::AccessibleInfo& info) override;

  protected:
    void OnPaint() override;
    void OnTimer(int tag) override;
    void PreviewInput(LwInputEvent& event) override;
    bool CanClose() override;
    void OnFirstActivate() override;
    // What no control took: Enter presses the page's default button, Escape Cancel, and the
    // scrolling keys scroll the licence or the summary.
    bool OnKeyDown(unsigned key) override;

  private:
    // Ctrl+A selects the whole summary and Ctrl+C then copies it to the clipboard.
    bool SummaryClipboardKey(unsigned key);
    void BuildHostPanel(const LwSize& client);
    // The licence's panel, empty and hidden; its rich text comes with FillLicencePanel.
    void BuildLicencePanel(const LwSize& client);
    // The rich-text view of the licence and its scroll bar, once: after the first picture, or
    // when the licence page is asked for before that.
    void FillLicencePanel();
    void BuildSummaryPanel(const LwSize& client);
    LwSystemButton* MakeButton(LwObject* parent, const LwPoint& at, const LwSize& size,
                               const char* label, int tag);
    void LoadIcon();
    void PaintPageText(class LwPaintContext& paint, const LwSize& client);

    // False when the validation dialog kept the page.
    bool Next();
    void Back();
    void Browse();
    // Page changes that several buttons share.
    void ShowWelcome();
    void SetNavigationLabels(bool licencePage);
    void StartInstallation();
    void EnableButton(LwSystemButton* button, bool enable);
    // Next > (I ACCEPT on the licence) while it is enabled, Finish or Cancel after that.
    LwSystemButton* DefaultButton() const;
    void FocusDefaultButton();
    // Tells screen readers of a new progress step.
    void AnnounceProgress();

  public:
    // The members the wizard's parts name; the controls are owned by the object tree.
    WizardPage currentPage = WizardPage::Welcome;
    LwImage bannerImage;
    LwSystemButton* cancelButton = nullptr;
    LwSystemButton* nextButton = nullptr;
    LwSystemButton* backButton = nullptr;
    LwPanel* hostPanel = nullptr;
    LwPanel* summaryPanel = nullptr;
    LwPanel* licencePanel = nullptr;
    LwSystemButton* browseButton = nullptr;
    LwTextPanel* summaryText = nullptr;
    LwTextPanel* customFolderText = nullptr;
    LwScrollBar* summaryScrollBar = nullptr;
    LwScrollBar* licenceScrollBar = nullptr;
    LwComboBox* customBitnessCombo = nullptr;
    LwTextControl* licenceText = nullptr;
    LwTimer pollTimer{this, 0};

  private:
    // Shared with the worker, which may outlive the window when the user cancels.
    std::shared_ptr<InstallStatus> status_ = std::make_shared<InstallStatus>();
    // While the cancel question is open, the worker's outcome waits for its answer.
    bool cancelQuestionOpen_ = false;
    // Opened when the installation starts.
    std::optional<InstallLog> log_;
    int32_t announcedStep_ = kProgressNotStarted;
};
