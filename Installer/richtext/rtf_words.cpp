// The table of known control words, sorted by name for a binary search.
#include "richtext/rtf_words.h"

#include <algorithm>
#include <iterator>

namespace richtext {
namespace {

struct WordEntry {
    std::string_view name;
    RtfWord word;
    char32_t character = 0;
};

// Every underline style reads as underline; the destinations listed as skipped hold no text of
// the document.
constexpr WordEntry kWords[] = {
    {"annotation", RtfWord::SkipDestination},
    {"author", RtfWord::SkipDestination},
    {"b", RtfWord::Bold},
    {"bkmkend", RtfWord::SkipDestination},
    {"bkmkstart", RtfWord::SkipDestination},
    {"blue", RtfWord::Blue},
    {"bullet", RtfWord::Character, 0x2022},
    {"cell", RtfWord::Cell},
    {"cf", RtfWord::ColourIndex},
    {"colorschememapping", RtfWord::SkipDestination},
    {"colortbl", RtfWord::ColourTable},
    {"comment", RtfWord::SkipDestination},
    {"datastore", RtfWord::SkipDestination},
    {"deff", RtfWord::DefaultFont},
    {"emdash", RtfWord::Character, 0x2014},
    {"emspace", RtfWord::Character, 0x2003},
    {"endash", RtfWord::Character, 0x2013},
    {"enspace", RtfWord::Character, 0x2002},
    {"f", RtfWord::Font},
    {"fcharset", RtfWord::FontCharset},
    {"fi", RtfWord::FirstIndent},
    {"filetbl", RtfWord::SkipDestination},
    {"fldinst", RtfWord::SkipDestination},
    {"fldrslt", RtfWord::KeepDestination},
    {"fonttbl", RtfWord::FontTable},
    {"footer", RtfWord::SkipDestination},
    {"footerf", RtfWord::SkipDestination},
    {"footerl", RtfWord::SkipDestination},
    {"footerr", RtfWord::SkipDestination},
    {"footnote", RtfWord::SkipDestination},
    {"fs", RtfWord::FontSize},
    {"generator", RtfWord::SkipDestination},
    {"green", RtfWord::Green},
    {"header", RtfWord::SkipDestination},
    {"headerf", RtfWord::SkipDestination},
    {"headerl", RtfWord::SkipDestination},
    {"headerr", RtfWord::SkipDestination},
    {"i", RtfWord::Italic},
    {"info", RtfWord::SkipDestination},
    {"latentstyles", RtfWord::SkipDestination},
    {"ldblquote", RtfWord::Character, 0x201C},
    {"li", RtfWord::LeftIndent},
    {"lin", RtfWord::LeftIndent},
    {"line", RtfWord::Character, 0x000A},
    {"listoverridetable", RtfWord::SkipDestination},
    {"listtable", RtfWord::SkipDestination},
    {"listtext", RtfWord::KeepDestination},
    {"lquote", RtfWord::Character, 0x2018},
    {"ltrmark", RtfWord::Character, 0x200E},
    {"nestcell", RtfWord::Cell},
    {"nestrow", RtfWord::Row},
    {"nesttableprops", RtfWord::SkipDestination},
    {"nonesttables", RtfWord::SkipDestination},
    {"nonshppict", RtfWord::SkipDestination},
    {"object", RtfWord::SkipDestination},
    {"page", RtfWord::Paragraph},
    {"par", RtfWord::Paragraph},
    {"pard", RtfWord::ParagraphDefaults},
    {"pgdsctbl", RtfWord::SkipDestination},
    {"pict", RtfWord::SkipDestination},
    {"plain", RtfWord::Plain},
    {"pn", RtfWord::SkipDestination},
    {"pntext", RtfWord::KeepDestination},
    {"qc", RtfWord::AlignCenter},
    {"qd", RtfWord::AlignJustify},
    {"qj", RtfWord::AlignJustify},
    {"ql", RtfWord::AlignLeft},
    {"qmspace", RtfWord::Character, 0x2005},
    {"qr", RtfWord::AlignRight},
    {"rdblquote", RtfWord::Character, 0x201D},
    {"red", RtfWord::Red},
    {"revtbl", RtfWord::SkipDestination},
    {"ri", RtfWord::RightIndent},
    {"rin", RtfWord::RightIndent},
    {"row", RtfWord::Row},
    {"rquote", RtfWord::Character, 0x2019},
    {"rsidtbl", RtfWord::SkipDestination},
    {"rtlmark", RtfWord::Character, 0x200F},
    {"sa", RtfWord::SpaceAfter},
    {"sb", RtfWord::SpaceBefore},
    {"sect", RtfWord::Paragraph},
    {"shp", RtfWord::SkipDestination},
    {"sl", RtfWord::LineSpacing},
    {"slmult", RtfWord::LineMultiple},
    {"stylesheet", RtfWord::SkipDestination},
    {"tab", RtfWord::Character, 0x0009},
    {"tc", RtfWord::SkipDestination},
    {"themedata", RtfWord::SkipDestination},
    {"title", RtfWord::SkipDestination},
    {"txe", RtfWord::SkipDestination},
    {"u", RtfWord::Unicode},
    {"uc", RtfWord::UnicodeSkip},
    {"ul", RtfWord::Underline},
    {"uld", RtfWord::Underline},
    {"uldash", RtfWord::Underline},
    {"uldashd", RtfWord::Underline},
    {"uldashdd", RtfWord::Underline},
    {"uldb", RtfWord::Underline},
    {"ulhwave", RtfWord::Underline},
    {"ulldash", RtfWord::Underline},
    {"ulnone", RtfWord::UnderlineNone},
    {"ulth", RtfWord::Underline},
    {"ulthd", RtfWord::Underline},
    {"ulthdash", RtfWord::Underline},
    {"ulthdashd", RtfWord::Underline},
    {"ulthdashdd", RtfWord::Underline},
    {"ulthldash", RtfWord::Underline},
    {"ululdbwave", RtfWord::Underline},
    {"ulw", RtfWord::Underline},
    {"ulwave", RtfWord::Underline},
    {"v", RtfWord::Hidden},
    {"xe", RtfWord::SkipDestination},
    {"xmlnstbl", RtfWord::SkipDestination},
    {"zwj", RtfWord::Character, 0x200D},
    {"zwnj", RtfWord::Character, 0x200C},
};

constexpr bool WordsSorted() {
    for (size_t i = 1; i < std::size(kWords); ++i) {
        if (!(kWords[i - 1].name < kWords[i].name)) {
            return false;
        }
    }
    return true;
}
static_assert(WordsSorted());

}  // namespace

std::optional<RtfWordInfo> FindRtfWord(std::string_view name) {
    const auto* it = std::lower_bound(
        std::begin(kWords), std::end(kWords), name,
        [](const WordEntry& entry, std::string_view key) { return entry.name < key; });
    if (it == std::end(kWords) || it->name != name) {
        return std::nullopt;
    }
    return RtfWordInfo{it->word, it->character};
}

}  // namespace richtext
