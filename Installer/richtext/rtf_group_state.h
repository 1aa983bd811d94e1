// What an RTF group sets and its nested groups inherit: where its text goes, the state of its
// characters and its paragraph format.
#pragma once

#include <cstdint>

#include "richtext/rich_document.h"

namespace richtext {

inline constexpr int32_t kRtfDefaultHalfPoints = 24;

enum class RtfDestination { Text, FontTable, ColourTable };

struct RtfCharState {
    int32_t font = -1;
    int32_t halfPoints = kRtfDefaultHalfPoints;
    int32_t colour = -1;  // index into the colour table; -1: automatic
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;
};

struct RtfGroupState {
    RtfDestination destination = RtfDestination::Text;
    RtfCharState chars;
    ParagraphFormat paragraph;
    int32_t unicodeSkip = 1;  // bytes of fallback that follow each \uN
};

}  // namespace richtext
