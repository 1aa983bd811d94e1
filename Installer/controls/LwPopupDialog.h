// The toolkit's message box: a captioned window sized to its message, with "OK" or a yes/no pair
// of buttons, centred on its owner and run with RunModal. Result 0 answers with the first button
// or Return, 1 with the second button, Escape or the close box.
#pragma once

#include <string>

#include "toolkit/LwWindow.h"

class LwPopupDialog : public LwWindow {
  public:
    // Built hidden, laid out and centred. `yesMeansCancel` labels the first of two buttons
    // "YES (CANCEL)" and widens every button from 80 to 120 pixels.
    LwPopupDialog(LwObject* owner, const std::string& titleUtf8, const std::string& messageUtf8,
                  bool yesNo, bool yesMeansCancel);
    ~LwPopupDialog() override;

    // Bound to the buttons: a click answers with the clicked button's tag.
    void OnButton(int code);

    const std::string& GetMessage() const { return message_; }
    // A dialog, its message the description.
    void DescribeAccessible(platform::AccessibleInfo& info) override;

  protected:
    void OnPaint() override;
    bool OnChar(unsigned character) override;

  private:
    std::string message_;
};
