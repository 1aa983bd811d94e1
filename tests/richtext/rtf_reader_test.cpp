// Reading rich text: RTF as rich-edit controls write it, plain UTF-8, and input that breaks
// the format.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>

#include "app/LicenceDocument.h"
#include "richtext/rich_document.h"
#include "richtext/rtf_reader.h"

namespace {

using richtext::Alignment;
using richtext::CharFormat;
using richtext::Document;
using richtext::PlainText;
using richtext::ReadRichText;
using richtext::Rgba;

const char* const kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fnil\\fcharset0 Calibri;}"
    "{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
    "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n";

std::string Text(const std::string& rtf) {
    return PlainText(ReadRichText(rtf));
}

std::string Rtf(const std::string& body) {
    return kHeader + body + "}";
}

// The document's characters and the number of bytes its model holds, for the bound on memory.
size_t ModelBytes(const Document& document) {
    size_t bytes = 0;
    for (const auto& paragraph : document.paragraphs) {
        bytes += sizeof paragraph;
        for (const auto& run : paragraph.runs) {
            bytes += sizeof run + run.text.size() + run.format.family.size();
        }
    }
    return bytes;
}

std::string ReadSourceFile(const std::string& path) {
    std::ifstream file(std::string(KESTREL_SOURCE_DIR) + "/" + path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The licence as embedded: the source file's bytes, read to the text it was written from.
TEST(Licence, EmbeddedDocumentReadsToTheExpectedText) {
    const std::string_view licence = LicenceDocumentText();
    ASSERT_FALSE(licence.empty());
    EXPECT_EQ(licence, ReadSourceFile("Installer/resources/licence.rtf"));
    EXPECT_GT(licence.size(), 18000u);
    EXPECT_LT(licence.size(), 22000u);
    const std::string expected = ReadSourceFile("tests/richtext/licence_expected.txt");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(PlainText(ReadRichText(licence)) + "\n", expected);
}

TEST(Licence, HeadingsBodyAndBulletsHaveTheirFormats) {
    const Document document = ReadRichText(LicenceDocumentText());
    ASSERT_GT(document.paragraphs.size(), 20u);
    const auto& title = document.paragraphs[0];
    EXPECT_EQ(title.format.alignment, Alignment::Center);
    EXPECT_TRUE(title.runs[0].format.bold);
    EXPECT_EQ(title.runs[0].format.color, (Rgba{0, 0, 255, 255}));

    const std::vector<std::string> sections = {"DEFINITIONS",
                                               "LICENCE",
                                               "ADDITIONAL LICENCE RESTRICTIONS",
                                               "SUPPORT",
                                               "CONFIDENTIAL INFORMATION",
                                               "PROPRIETARY RIGHTS",
                                               "TERM",
                                               "WARRANTY",
                                               "LIMITATION OF LIABILITY",
                                               "INDEMNIFICATION",
                                               "EXPORT REGULATIONS",
                                               "GOVERNING LAW AND ARBITRATION",
                                               "GENERAL PROVISIONS"};
    const std::regex headingPattern("([0-9]+)\\. ([A-Z ]+)");
    size_t headings = 0, bullets = 0;
    for (size_t i = 2; i < document.paragraphs.size(); ++i) {
        const auto& paragraph = document.paragraphs[i];
        ASSERT_FALSE(paragraph.runs.empty()) << i;
        const std::string text = PlainText(Document{{paragraph}});
        std::smatch match;
        if (std::regex_match(text, match, headingPattern)) {
            ASSERT_LT(headings, sections.size());
            EXPECT_EQ(match[1], std::to_string(headings + 1));
            EXPECT_EQ(match[2], sections[headings]);
            ASSERT_EQ(paragraph.runs.size(), 1u);
            EXPECT_EQ(paragraph.runs[0].format,
                      (CharFormat{"Arial", 11.0f, true, false, true, Rgba{0, 0, 0, 255}}));
            EXPECT_EQ(paragraph.format.alignment, Alignment::Justify);
            ++headings;
            continue;
        }
        if (text.starts_with("•\t")) {
            // The bullet in the view's font, the item hanging from the left indent.
            EXPECT_EQ(paragraph.runs[0].text, "•\t");
            EXPECT_EQ(paragraph.runs[0].format.family, "");
            EXPECT_EQ(paragraph.format.leftIndent, 720);
            EXPECT_EQ(paragraph.format.firstLineIndent, -360);
            ++bullets;
        } else {
            EXPECT_EQ(paragraph.format.alignment, Alignment::Justify) << text;
            EXPECT_EQ(paragraph.format.leftIndent, 0) << text;
        }
        for (size_t r = text.starts_with("•") ? 1 : 0; r < paragraph.runs.size(); ++r) {
            const CharFormat& format = paragraph.runs[r].format;
            EXPECT_EQ(format.sizePoints, 10.0f) << text;
            EXPECT_FALSE(format.bold) << text;
            EXPECT_TRUE(format.family == "Arial" || format.family == "Calibri") << text;
        }
    }
    EXPECT_EQ(headings, sections.size());
    EXPECT_GT(bullets, 10u);

    ASSERT_GE(document.paragraphs.size(), 2u);
    const auto last = document.paragraphs.end();
    EXPECT_EQ(PlainText(Document{{last[-2], last[-1]}}),
              "•\tI DO NOT ACCEPT the terms of this Agreement.\n"
              "•\tI ACCEPT the terms of this Agreement.");
    EXPECT_EQ(last[-1].runs[1].format.family, "Calibri");
}

TEST(RtfText, EscapesAndSpecialCharacters) {
    EXPECT_EQ(Text(Rtf("\\f0 a\\\\b\\{c\\}d\\~e\\-f\\_g\\par}")), "a\\b{c}d\u00A0e\u00ADf\u2011g");
    // Code page 1252, with its own characters in 0x80-0x9F; hex digits in either case.
    EXPECT_EQ(Text(Rtf("caf\\'e9 \\'80\\'93x\\'94 \\'8a\\'9F \\'81|\\'ff")),
              "café €“x” ŠŸ \uFFFD|ÿ");
    EXPECT_EQ(Text(Rtf("a\\tab b\\line c\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote"
                       "\\bullet")),
              "a\tb\nc—–‘’“”•");
    // A raw byte above 0x7F is a code page 1252 character too; line ends in the file are not
    // text, but a backslash before one is a paragraph mark.
    EXPECT_EQ(Text(Rtf("na\xefve\r\nX\\\r\nY\\\nZ")), "naïveX\nY\nZ");
}

TEST(RtfText, UnicodeEscapesSkipTheirFallback) {
    EXPECT_EQ(Text(Rtf("\\u8364?x")), "€x");
    // The fallback may be a hex escape; \uc is kept per group.
    EXPECT_EQ(Text(Rtf("\\u8364\\'80x{\\uc3\\u20320abcd}\\u22909ef")), "€x你d好f");
    EXPECT_EQ(Text(Rtf("\\uc0\\u65\\u66 C")), "ABC");
    // Negative values are UTF-16 units above 0x7FFF; a surrogate pair makes one character.
    EXPECT_EQ(Text(Rtf("\\u-1280?\\u-10179?\\u-8694?!")), "\uFB00😊!");
    // Unpaired halves become U+FFFD, whatever comes next.
    EXPECT_EQ(Text(Rtf("\\u-10179?x\\u-8694?y{\\u-10179?}z")), "\uFFFDx\uFFFDy\uFFFDz");
    // A group end stops the skipping.
    EXPECT_EQ(Text(Rtf("{\\uc5\\u937 ab}cd")), "Ωcd");
}

TEST(RtfFormat, CharacterFormatsFollowGroupsAndPlain) {
    const Document document = ReadRichText(
        Rtf("\\pard\\f1\\fs20 body {\\b\\ul\\cf2\\fs22 Head}\\i it\\i0\\b1 b\\b0\\ul u\\ulnone "
            "n\\ul\\ul0 x\\plain\\f7 p\\par}"));
    ASSERT_EQ(document.paragraphs.size(), 1u);
    const auto& runs = document.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 7u);
    EXPECT_EQ(runs[0].text, "body ");
    EXPECT_EQ(runs[0].format, (CharFormat{"Calibri", 10.0f}));
    EXPECT_EQ(runs[1].text, "Head");
    EXPECT_EQ(runs[1].format,
              (CharFormat{"Calibri", 11.0f, true, false, true, Rgba{0, 0, 255, 255}}));
    EXPECT_EQ(runs[2].text, "it");
    EXPECT_TRUE(runs[2].format.italic);
    EXPECT_FALSE(runs[2].format.bold);
    EXPECT_EQ(runs[3].text, "b");
    EXPECT_TRUE(runs[3].format.bold);
    EXPECT_EQ(runs[4].text, "u");
    EXPECT_TRUE(runs[4].format.underline);
    EXPECT_EQ(runs[5].text, "nx");  // \ulnone and \ul0 both end the underline
    EXPECT_EQ(runs[5].format, (CharFormat{"Calibri", 10.0f}));
    // \plain returns to the default font at 12 points; an unknown font is the view's own.
    EXPECT_EQ(runs[6].format, (CharFormat{"", 12.0f}));
}

TEST(RtfFormat, ParagraphFormatsAndTheirReset) {
    const Document document =
        ReadRichText(Rtf("\\pard\\qj\\li720\\ri360\\fi-360\\sb120\\sa200\\sl276\\slmult1 one\\par "
                         "\\qc two\\par\\pard\\qr three\\par\\pard four\\line more\\par last"));
    ASSERT_EQ(document.paragraphs.size(), 5u);
    const auto& first = document.paragraphs[0].format;
    EXPECT_EQ(first.alignment, Alignment::Justify);
    EXPECT_EQ(first.leftIndent, 720);
    EXPECT_EQ(first.rightIndent, 360);
    EXPECT_EQ(first.firstLineIndent, -360);
    EXPECT_EQ(first.spaceBefore, 120);
    EXPECT_EQ(first.spaceAfter, 200);
    EXPECT_EQ(first.lineSpacing, 276);
    EXPECT_TRUE(first.lineSpacingMultiple);
    EXPECT_EQ(document.paragraphs[1].format.alignment, Alignment::Center);
    EXPECT_EQ(document.paragraphs[1].format.leftIndent, 720);  // kept until \pard
    EXPECT_EQ(document.paragraphs[2].format.alignment, Alignment::Right);
    EXPECT_EQ(document.paragraphs[2].format.leftIndent, 0);
    EXPECT_EQ(document.paragraphs[3].format, richtext::ParagraphFormat{});
    EXPECT_EQ(PlainText(document), "one\ntwo\nthree\nfour\nmore\nlast");
}

// Bullets as rich-edit controls write them: the shown text in \pntext, in the Symbol font, and
// the definition in {\*\pn...}, which is not text.
TEST(RtfBullets, SymbolBulletsBecomeUnicodeInTheViewsFont) {
    const Document document = ReadRichText(
        Rtf("\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}"
            "\\fi-360\\li720\\f0\\fs20 Item one\\par"
            "{\\listtext\\pard\\plain\\f2\\fs20 \\u-3913?\\tab}Item two\\par"
            "\\pard{\\pntext\\f2 a\\'b3\\'ae\\'a5\\tab}Greek\\par"));
    ASSERT_EQ(document.paragraphs.size(), 3u);
    const auto& item = document.paragraphs[0];
    ASSERT_EQ(item.runs.size(), 2u);
    EXPECT_EQ(item.runs[0].text, "•\t");
    EXPECT_EQ(item.runs[0].format.family, "");
    EXPECT_EQ(item.runs[1].text, "Item one");
    EXPECT_EQ(item.runs[1].format.family, "Arial");
    EXPECT_EQ(item.format.firstLineIndent, -360);
    EXPECT_EQ(item.format.leftIndent, 720);
    EXPECT_EQ(PlainText(document), "•\tItem one\n•\tItem two\nα≥→∞\tGreek");
}

TEST(RtfTables, CellsAreTabSeparatedAndRowsAreParagraphs) {
    EXPECT_EQ(Text(Rtf("\\trowd\\cellx1000\\cellx2000\\cellx3000\\intbl a\\cell b\\cell\\cell\\row"
                       "\\trowd\\intbl c\\cell d\\cell e\\cell\\row\\pard after\\par")),
              "a\tb\nc\td\te\nafter");
}

TEST(RtfDestinations, OnlyDocumentTextIsRead) {
    EXPECT_EQ(Text(Rtf("{\\*\\unknown hidden {nested}}{\\stylesheet{\\s0 Normal;}}"
                       "{\\info{\\title T}}{\\pict\\pngblip 89504e47}{\\*\\pn{\\pntxta .}}"
                       "{\\header head}{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt shown}}"
                       "{\\*\\listtext kept}{\\v hidden}\\unknownword visible")),
              "shownkeptvisible");
    // \bin data may hold braces and backslashes; it is stepped over whole.
    EXPECT_EQ(Text(Rtf("a{\\pict\\bin6 }}{\\x{}b")), "ab");
    EXPECT_EQ(Text(Rtf("a\\bin3 {}\\b")), "ab");
    // The document ends with its outermost group.
    EXPECT_EQ(Text("{\\rtf1 a\\par}trailing {\\rtf1 b}"), "a");
}

TEST(RtfTables, FontAndColourTablesAsWritten) {
    // Names may be padded, and fonts defined without groups; \cf past the table is automatic.
    const Document document = ReadRichText(
        "{\\rtf1\\deff3{\\fonttbl\\f3\\froman Times New Roman ;\\f4 Verdana;"
        "{\\f5\\fnil\\fcharset2{\\*\\panose 05000000000000000000}Wingdings;}}"
        "{\\colortbl\\red300\\green-5\\blue128;;}\\cf0 a\\cf1 b\\cf9 c\\f4 d\\f5\\'a7}");
    ASSERT_EQ(document.paragraphs.size(), 1u);
    const auto& runs = document.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].format.family, "Times New Roman");
    EXPECT_EQ(runs[0].format.color, (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(runs[1].text, "bc");
    EXPECT_EQ(runs[1].format.color, (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(runs[2].format.family, "Verdana");
    // Symbol fonts other than Symbol keep their family; their characters sit in the private use
    // area, where such fonts map them.
    EXPECT_EQ(runs[3].text, "\uF0A7");
    EXPECT_EQ(runs[3].format.family, "Wingdings");
}

TEST(PlainTextInput, LinesAreParagraphsInTheViewsFont) {
    const Document document = ReadRichText("first\r\nsecond\n\nfourth\rfifth \xff\n");
    EXPECT_EQ(PlainText(document), "first\nsecond\n\nfourth\nfifth \uFFFD");
    ASSERT_EQ(document.paragraphs.size(), 5u);
    EXPECT_EQ(document.paragraphs[0].runs[0].format, CharFormat{});
    // Only text starting exactly with "{\rtf" is RTF.
    EXPECT_EQ(Text(" {\\rtf1 x}"), " {\\rtf1 x}");
    EXPECT_TRUE(ReadRichText("").paragraphs.empty());
}

TEST(RtfBadInput, HugeNumbersSaturate) {
    const Document document = ReadRichText(
        Rtf("\\pard\\li99999999999999999999\\ri-99999999999999999999\\fi-2147483648"
            "\\sa-5\\fs99999999999999999999 a\\fs-4 b\\u99999999999?\\u-99999999999?\\uc-3 c"
            "\\f99999999999999 d\\cf-1 e"));
    ASSERT_EQ(document.paragraphs.size(), 1u);
    const auto& format = document.paragraphs[0].format;
    EXPECT_EQ(format.leftIndent, 31680);
    EXPECT_EQ(format.rightIndent, -31680);
    EXPECT_EQ(format.firstLineIndent, -31680);
    EXPECT_EQ(format.spaceAfter, 0);
    const auto& runs = document.paragraphs[0].runs;
    EXPECT_EQ(runs[0].format.sizePoints, 1638.0f);
    EXPECT_EQ(runs[1].format.sizePoints, 12.0f);
    EXPECT_EQ(PlainText(document), "ab\uFFFD\uFFFDcde");
}

TEST(RtfBadInput, DeepNestingIsCappedAndTheRestIsRead) {
    const size_t depth = 100000;
    const std::string deep =
        "{\\rtf1 a" + std::string(depth, '{') + "\\b deep" + std::string(depth, '}') + " b{\\b c}}";
    EXPECT_EQ(Text(deep), "a bc");
    // Within the cap, text at every level is read.
    const size_t allowed = richtext::kRtfMaxGroupDepth - 1;
    EXPECT_EQ(
        Text("{\\rtf1 a" + std::string(allowed, '{') + "x" + std::string(allowed, '}') + "b}"),
        "axb");
    // Never closed: everything read so far is kept.
    EXPECT_EQ(Text("{\\rtf1 a" + std::string(depth, '{') + "b"), "a");
}

TEST(RtfBadInput, TruncationAndUnbalancedBraces) {
    EXPECT_EQ(Text("{\\rtf1 abc\\par def"), "abc\ndef");
    EXPECT_EQ(Text("{\\rtf1 a\\'4"), "a4");
    EXPECT_EQ(Text("{\\rtf1 a\\'"), "a");
    EXPECT_EQ(Text("{\\rtf1 a\\'zz"), "azz");
    EXPECT_EQ(Text("{\\rtf1 a\\u"), "a");
    EXPECT_EQ(Text("{\\rtf1 a\\u-"), "a-");
    EXPECT_EQ(Text("{\\rtf1 a\\"), "a");
    EXPECT_EQ(Text("{\\rtf1 a\\bin999999 bc"), "a");
    EXPECT_EQ(Text("{\\rtf1 a{\\*\\x"), "a");
    EXPECT_EQ(Text("{\\rtf1 a}}}}b"), "a");
    EXPECT_EQ(Text("{\\rtf1 {{{a}"), "a");
}

// Random bytes, and random cuts and splices of a real document: read without fault, with a
// model whose size stays within a small multiple of the input.
TEST(RtfBadInput, JunkIsReadWithinBoundedMemory) {
    std::mt19937 random(20261209);
    const std::string sample =
        Rtf("\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'B7}}\\qj\\li720 "
            "{\\b\\ul Head}\\u8364?\\'e9\\par\\trowd\\intbl a\\cell\\row{\\pict\\bin4 {}}x}");
    for (int round = 0; round < 2000; ++round) {
        std::string input;
        if (round % 2 == 0) {
            input = "{\\rtf1 ";
            const size_t length = random() % 4096;
            for (size_t i = 0; i < length; ++i) {
                input += static_cast<char>(random() % 256);
            }
        } else {
            input = sample;
            for (int cut = 0; cut < 4; ++cut) {
                const size_t at = random() % input.size();
                input.insert(at, sample.substr(random() % sample.size(), random() % 40));
                input.erase(random() % input.size(), random() % 8);
            }
        }
        const Document document = ReadRichText(input);
        ASSERT_LE(ModelBytes(document), 64 * input.size() + 1024) << "round " << round;
    }
}

}  // namespace
