// The popup menu builder over the platform's menu.
#include "controls/LwPopupMenu.h"

#include "controls/LwComboBox.h"

LwPopupMenu::LwPopupMenu(LwComboBox* owner) : owner_(owner) {}

LwPopupMenu::~LwPopupMenu() = default;

void LwPopupMenu::AddItem(unsigned id, const std::string& labelUtf8, bool checked) {
    items_.push_back(platform::MenuItem{id, labelUtf8, checked});
}

unsigned LwPopupMenu::Track(const LwPoint& screen) {
    return platform::RunPopupMenu(items_, screen, owner_ ? owner_->GetNativeWindow() : nullptr);
}
