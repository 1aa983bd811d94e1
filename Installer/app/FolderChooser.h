// The folder chooser behind the Custom entry's Browse button.
#pragma once

#include <string>

class LwObject;

// The title of the chooser's window.
inline constexpr char kFolderChooserTitle[] = "Custom Folder";

// Opens the desktop's folder chooser over `owner`'s window (may be null), on `initialFolder`
// (an internal path; empty: no preselection), and blocks until it closes while the owner stays
// disabled and keeps painting. Returns the chosen folder as an internal path, or the empty
// string when the user cancelled or the choice is no existing folder; `noChooser` (when given)
// is set when no chooser could be started at all.
std::string BrowseForFolder(LwObject* owner, const std::string& initialFolder,
                            bool* noChooser = nullptr);
