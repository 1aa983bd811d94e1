// Reads the RTF that rich-edit controls write into a rich document.
#pragma once

#include <string_view>

#include "richtext/rich_document.h"

namespace richtext {

// Any bytes are accepted: what cannot be read is skipped, and the text before a fault is kept.
// Time and memory grow linearly with the input; groups nest in an explicit stack whose depth is
// capped, and the content of groups deeper than that is skipped.
Document ReadRtf(std::string_view rtf);

inline constexpr size_t kRtfMaxGroupDepth = 1000;

}  // namespace richtext
