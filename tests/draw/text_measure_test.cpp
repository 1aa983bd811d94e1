// Measuring text with a context that has no window: fallback fonts, rounding, wrapping, line
// feeds, the height limit and bad input.
#include <gtest/gtest.h>

#include <string>

#include "draw/LwPaintContext.h"
#include "platform/Font.h"

namespace {

class TextMeasure : public ::testing::Test {
  protected:
    LwSize Measure(const std::string& text, LwSize layout = {}, float size = 11.0f,
                   const char* family = "Verdana", int style = 0) {
        LwPaintContext context(nullptr);
        context.SetFont(size, family, style);
        return context.MeasureText(text.c_str(), layout);
    }
    int LineHeight() { return Measure("Ag").height; }
};

constexpr const char* kSentence = "The quick brown fox jumps over the lazy dog";

TEST(FontLookup, UnknownFamilyFallsBackToPinnedSansSerif) {
    platform::Font font("No Such Family 4711", 11.0f, 0);
    ASSERT_TRUE(font.IsValid());
    EXPECT_EQ(font.ResolvedFamily(), "DejaVu Sans");
}

TEST(FontLookup, InstalledFamilyIsUsedAsIs) {
    platform::Font font("DejaVu Serif", 11.0f, 0);
    EXPECT_EQ(font.ResolvedFamily(), "DejaVu Serif");
}

TEST(FontLookup, SizeThatIsNotPositiveMakesNoFont) {
    EXPECT_FALSE(platform::Font("DejaVu Sans", 0.0f, 0).IsValid());
    EXPECT_FALSE(platform::Font("DejaVu Sans", -3.0f, 0).IsValid());
}

TEST_F(TextMeasure, SizesAreInPixels) {
    // DejaVu Sans lines are about 1.16 em high.
    EXPECT_NEAR(Measure("Ag", {}, 20.0f).height, 23, 2);
    EXPECT_NEAR(Measure("Ag", {}, 40.0f).height, 47, 2);
}

TEST_F(TextMeasure, FallbackFontMeasuresLikeThePinnedFamily) {
    EXPECT_EQ(Measure(kSentence, {}, 11.0f, "No Such Family 4711"),
              Measure(kSentence, {}, 11.0f, "DejaVu Sans"));
}

TEST_F(TextMeasure, StyleBitsAboveUnderlineAreIgnored) {
    const LwSize regular = Measure(kSentence, {}, 11.0f, "Verdana", 0);
    const LwSize bold = Measure(kSentence, {}, 11.0f, "Verdana", 1);
    EXPECT_GT(bold.width, regular.width);
    EXPECT_EQ(Measure(kSentence, {}, 11.0f, "Verdana", 9), bold);
    EXPECT_EQ(Measure(kSentence, {}, 11.0f, "Verdana", 0x100), regular);
}

TEST_F(TextMeasure, EmptyTextAndMissingFontMeasureZero) {
    EXPECT_EQ(Measure(""), (LwSize{0, 0}));
    LwPaintContext noFont(nullptr);
    EXPECT_EQ(noFont.MeasureText(kSentence, LwSize{}), (LwSize{0, 0}));
    EXPECT_EQ(Measure(kSentence, {}, 0.0f), (LwSize{0, 0}));
}

TEST_F(TextMeasure, UnboundedWidthIsTightAndRoundedUp) {
    const LwSize line = Measure(kSentence);
    EXPECT_EQ(line.height, LineHeight());
    // The measured width is just enough for one line: a pixel less wraps it.
    EXPECT_EQ(Measure(kSentence, {line.width, 1000}).height, line.height);
    EXPECT_GT(Measure(kSentence, {line.width - 1, 1000}).height, line.height);
}

TEST_F(TextMeasure, FractionalSizesRoundUp) {
    // At 10.5 px advances and line heights are not whole pixels in general; whatever they are,
    // the rounded width must still hold the line.
    const LwSize line = Measure(kSentence, {}, 10.5f);
    EXPECT_EQ(Measure(kSentence, {line.width, 0}, 10.5f).height, line.height);
}

TEST_F(TextMeasure, WrapsAtWordBoundariesInsideTheWidth) {
    const LwSize wrapped = Measure(kSentence, {50, 1000});
    EXPECT_LE(wrapped.width, 50);
    EXPECT_EQ(wrapped.height % LineHeight(), 0);
    EXPECT_GE(wrapped.height / LineHeight(), 5);
    // Words stay whole: "quick" alone is wider than "The" and sets the width's lower bound.
    EXPECT_GE(wrapped.width, Measure("quick").width);
}

TEST_F(TextMeasure, LongWordBreaksInsideWhenNothingElseFits) {
    const LwSize wrapped = Measure("Supercalifragilistic", {30, 1000});
    EXPECT_LE(wrapped.width, 30);
    EXPECT_GT(wrapped.height, LineHeight());
}

TEST_F(TextMeasure, LineFeedsStartNewLinesAndEmptyLinesCount) {
    const int line = LineHeight();
    EXPECT_EQ(Measure("one\ntwo").height, 2 * line);
    EXPECT_EQ(Measure("one\n\ntwo").height, 3 * line);
    EXPECT_EQ(Measure("one\ntwo").width, Measure("one").width);
}

TEST_F(TextMeasure, BoundedHeightCountsWholeLinesOnly) {
    const int line = LineHeight();
    const std::string five = "1\n2\n3\n4\n5";
    EXPECT_EQ(Measure(five, {0, line * 5}).height, 5 * line);
    EXPECT_EQ(Measure(five, {0, line * 5 / 2}).height, 2 * line);
    EXPECT_EQ(Measure(five, {0, line - 1}).height, 0);
}

TEST_F(TextMeasure, InvalidUtf8NeverCrashesAndStillMeasures) {
    const LwSize bad = Measure("ab\xff\xfe\xc3");
    EXPECT_GT(bad.width, Measure("ab").width);  // replacement characters take room
    EXPECT_EQ(bad.height, LineHeight());
    EXPECT_GT(Measure("\xed\xa0\x80 \xf4\x90\x80\x80", {20, 100}).height, 0);
}

TEST_F(TextMeasure, RepeatedMeasureOfChangingTextStaysConsistent) {
    // The last layout is reused: alternating texts and widths must not leak into each other.
    const LwSize a = Measure(kSentence, {80, 1000});
    const LwSize b = Measure("short");
    const LwSize boldA = Measure(kSentence, {80, 1000}, 11.0f, "Verdana", 1);
    EXPECT_EQ(Measure(kSentence, {80, 1000}), a);
    EXPECT_EQ(Measure("short"), b);
    EXPECT_EQ(Measure(kSentence, {80, 1000}, 11.0f, "Verdana", 1), boldA);
    EXPECT_NE(boldA, a);
}

}  // namespace
