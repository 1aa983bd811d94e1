// The folder chooser: the platform's chooser, its answer brought to the internal path form.
#include "app/FolderChooser.h"

#include "app/PathHelpers.h"
#include "platform/Files.h"
#include "platform/FolderDialog.h"
#include "toolkit/LwObject.h"

std::string BrowseForFolder(LwObject* owner, const std::string& initialFolder, bool* noChooser) {
    std::string folder = platform::ChooseFolder(owner ? owner->GetNativeWindow() : nullptr,
                                                kFolderChooserTitle, initialFolder, noChooser);
    // Where `\` is a character of names, turning it into a separator would name another folder.
    if (platform::BackslashSeparatesFolders()) {
        NormalizeSlashes(folder);
    } else {
        CollapseSlashes(folder);
    }
    return folder;
}
