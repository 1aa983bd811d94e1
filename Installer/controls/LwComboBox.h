// The drop-down selector: a skinned box showing the label of its owner's current choice, which
// opens a popup menu of every choice when pressed and writes the picked item's id into the
// owner's int.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "draw/LwImage.h"
#include "toolkit/LwPanelControl.h"

struct LwComboItem {
    int id = 0;
    std::string label;  // UTF-8
};

class LwComboBox : public LwPanelControl {
  public:
    // `itemsUtf8` is `|`-separated; see ParseItems. An int at or above the item count is reset
    // to 0 (a negative one is kept). A null `value` makes the box inactive: grey text, no menu,
    // no hover.
    LwComboBox(LwObject* parent, const LwPoint& position, const std::string& itemsUtf8, int* value);
    ~LwComboBox() override;

    // Each `|`-separated piece is an item, the text after the last `|` too (so a trailing `|`
    // adds an empty item). A piece "id/label" takes its id from the number before its first
    // `/`, read as atoi reads it but saturated at the int range; other pieces take their
    // position as id.
    static std::vector<LwComboItem> ParseItems(std::string_view itemsUtf8);

    const std::vector<LwComboItem>& GetItems() const { return items_; }
    bool IsHovered() const { return hover_; }
    bool AcceptsFocus() override { return value_ != nullptr; }
    // What screen readers call the box: the label of the entry it belongs to, as nothing is
    // painted beside it.
    void SetAccessibleName(std::string nameUtf8) { accessibleName_ = std::move(nameUtf8); }
    // The current choice is the value; opening shows the menu, as a click does, and the box is
    // expanded while the menu is open.
    void DescribeAccessible(platform::AccessibleInfo& info) override;
    void DoAccessibleAction(unsigned action) override;

  protected:
    void OnPaint() override;
    void OnMouseEvent(int code) override;
    // Alt+Down, F4 and Space open the menu; Up and Down alone step through the choices.
    bool OnKeyDown(unsigned key) override;

  private:
    void OpenMenu();
    // The choice `steps` items away from the current one, kept within the list.
    void StepChoice(int steps);
    // Writes the owner's int, telling the owner and assistive technology.
    void Choose(int id);
    // The box reads as expanded while its menu is open.
    void SetMenuOpen(bool open);

    bool hover_ = false;
    bool menuOpen_ = false;
    int* value_;  // the owner's; not owned
    std::string accessibleName_;
    LwImage image_;
    std::vector<LwComboItem> items_;
};
