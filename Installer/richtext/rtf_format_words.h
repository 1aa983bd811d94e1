// The control words of paragraph and character formatting, applied to a group's state.
#pragma once

#include <cstdint>

#include "richtext/rich_document.h"
#include "richtext/rtf_group_state.h"
#include "richtext/rtf_words.h"

namespace richtext {

// `on` is false for a word written with a zero parameter ("\b0"). Each returns false, and
// changes nothing, for a word of the other kind or of neither.
bool ApplyParagraphWord(RtfWord word, int32_t value, bool on, ParagraphFormat& paragraph);
// "\plain" returns to the defaults, in `defaultFont`.
bool ApplyCharacterWord(RtfWord word, int32_t value, bool on, int32_t defaultFont,
                        RtfCharState& chars);

}  // namespace richtext
