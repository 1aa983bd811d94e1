// The installer's internal path form (UTF-8, `/` separators) and the platform's (`\`).
#pragma once

#include <functional>
#include <string>

// Turns `\` into `/` and collapses runs of separators; a network path (at least four bytes,
// starting with two separators) keeps exactly two at its start.
void NormalizeSlashes(std::string& path);
// The same for a path whose `\` are parts of names: only runs of `/` collapse.
void CollapseSlashes(std::string& path);

// The normalised path with `\` separators; null gives the empty string.
std::string ToNativePath(const char* path);

// `path` shortened in the middle to fit `width` as `widthOf` measures it: its first folder, "…"
// and as many of its last names as fit ("C:\…\Plug-ins"); failing that, characters are cut
// from the middle instead. A path that fits is returned as it is.
std::string ElidePathMiddle(const std::string& path, int width,
                            const std::function<int(const std::string&)>& widthOf);

// The folder that holds the file-system path `path`; empty when it names none.
std::string FolderOf(const std::string& path);
