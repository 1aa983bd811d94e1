// Times what start-up spends on the licence: reading the RTF document and laying it out in the
// licence view (the text control as the wizard creates it, at the wizard's width, taking its
// content height). Compared, in this run, with pango laying out the document's plain text once
// as a single layout in the body font: the floor. Needs an X display ($DISPLAY).
// Usage: bench_licence_layout [document.rtf]   (default: the embedded licence)
#include <pango/pangocairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/LicenceDocument.h"
#include "controls/LwTextControl.h"
#include "platform/Events.h"
#include "richtext/rich_document.h"
#include "toolkit/LwWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

// The wizard's client width is 500; the view is 217 narrower and keeps 10 + 5 pixels of margin.
constexpr int kViewWidth = 500 - 217;
constexpr int kWrapWidth = kViewWidth - 10 - 5;
// The body text: Arial 10 points, which Debian has as Liberation Sans, at 96 dpi.
constexpr const char* kBodyFamily = "Liberation Sans";
constexpr double kBodyPixels = 10.0 * 96.0 / 72.0;

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Document(int argc, char** argv) {
    if (argc > 1) {
        std::ifstream file(argv[1], std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    return std::string(LicenceDocumentText());
}

// The floor: one pango layout of the whole plain text, wrapped at the same width.
double PangoAlone(const std::string& text, int* height) {
    const Clock::time_point start = Clock::now();
    PangoLayout* layout =
        pango_layout_new(pango_font_map_create_context(pango_cairo_font_map_get_default()));
    g_object_unref(pango_layout_get_context(layout));  // the layout keeps its own reference
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, kBodyFamily);
    pango_font_description_set_absolute_size(description, kBodyPixels * PANGO_SCALE);
    pango_layout_set_font_description(layout, description);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout, kWrapWidth * PANGO_SCALE);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double millis = Millis(Clock::now() - start);
    *height = PANGO_PIXELS_CEIL(logical.height);
    pango_font_description_free(description);
    g_object_unref(layout);
    return millis;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr int kRuns = 51;
    const std::string rtf = Document(argc, argv);
    if (rtf.empty()) {
        std::fprintf(stderr, "no licence document\n");
        return 2;
    }
    const std::string plain = richtext::PlainText(richtext::ReadRichText(rtf));

    // A hidden window holds the view, as the wizard's does while it builds its pages.
    LwWindow window(nullptr, LwPoint{0, 0}, LwSize{500, 360}, "bench", 0);
    LwPanel page(&window, LwPoint{0, 0}, LwSize{kViewWidth + 17, 240});
    std::vector<double> ours;
    std::vector<double> floor;
    std::vector<double> ratios;
    int oursHeight = 0;
    int floorHeight = 0;
    for (int i = 0; i < kRuns; ++i) {
        const Clock::time_point start = Clock::now();
        auto* view = new LwTextControl(&page, LwPoint{0, 0}, LwSize{kViewWidth, 50}, rtf,
                                       kLwTextRich | kLwTextMultiLine | kLwTextReadOnly);
        // The view learns its height from the loop, which the hidden window leaves free at once.
        platform::Message message;
        while (view->GetSize().height == 50 && platform::PeekMessage(message)) {
            platform::DispatchMessage(message);
        }
        ours.push_back(Millis(Clock::now() - start));
        oursHeight = view->GetSize().height;
        delete view;
        floor.push_back(PangoAlone(plain, &floorHeight));
        ratios.push_back(ours.back() / floor.back());
    }
    const double ratio = Median(ratios);
    std::printf(
        "licence (%zu bytes RTF, %zu bytes text) read and laid out at %d px: ours %.2f ms, "
        "pango alone %.2f ms, median ratio %.2f (goal <= 1.5); heights %d / %d px\n",
        rtf.size(), plain.size(), kWrapWidth, Median(ours), Median(floor), ratio, oursHeight,
        floorHeight);
    return ratio <= 1.5 ? 0 : 1;
}
