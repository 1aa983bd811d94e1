// The installer's internal path form (UTF-8, `/` separators) and the platform's (`\`).
#pragma once

#include <string>

// Turns `\` into `/` and collapses runs of separators; a network path (at least four bytes,
// starting with two separators) keeps exactly two at its start.
void NormalizeSlashes(std::string& path);
// The same for a path whose `\` are parts of names: only runs of `/` collapse.
void CollapseSlashes(std::string& path);

// The normalised path with `\` separators; null gives the empty string.
std::string ToNativePath(const char* path);

// The folder that holds the file-system path `path`; empty when it names none.
std::string FolderOf(const std::string& path);
