// Times two things a user waits for: a two-button message dialog from construction through its
// first complete paint, and measuring plus drawing a 20 KB paragraph wrapped at 280 pixels. The
// text work is compared with pango laying out and drawing the same string itself, in this run.
// Needs an X display ($DISPLAY).
#include <pango/pangocairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/LwPopupDialog.h"
#include "draw/LwPaintContext.h"
#include "platform/Events.h"
#include "toolkit/LwWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWrapWidth = 280;
constexpr int kSurfaceWidth = 300;
constexpr int kSurfaceHeight = 600;
constexpr float kFontSize = 11.0f;
constexpr const char* kFamily = "DejaVu Sans";

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Prose-like words, about 20 KB; `variant` changes one word so that no run can reuse the
// layout of the previous one.
std::string Paragraph(int variant) {
    static const char* words[] = {"installer", "plug-in", "folder",  "the",     "After",
                                  "Effects",   "licence", "version", "of",      "a",
                                  "Kestrel",   "choose",  "writes",  "host",    "and",
                                  "progress",  "summary", "custom",  "through", "into"};
    std::string text = "Run" + std::to_string(variant);
    for (size_t i = 0; text.size() < 20 * 1024; ++i) {
        text += ' ';
        text += words[(i * 7 + i / 3) % std::size(words)];
    }
    return text;
}

void PumpPending() {
    platform::Message message;
    while (platform::PeekMessage(message)) {
        platform::DispatchMessage(message);
    }
}

// Paints the paragraph through the toolkit's paint context, timing only the text calls.
class TextWindow : public LwWindow {
  public:
    TextWindow()
        : LwWindow(nullptr, LwPoint{0, 0}, LwSize{kSurfaceWidth, kSurfaceHeight}, "bench", 0) {}
    std::string text;
    double lastMillis = 0;
    int lastHeight = 0;

  protected:
    void OnPaint() override {
        LwPaintContext paint(this);
        paint.SetFillColor(LwGrey(30));
        paint.DrawRect(LwRect{0, 0, kSurfaceWidth, kSurfaceHeight});
        const Clock::time_point start = Clock::now();
        paint.SetFont(kFontSize, kFamily, 0);
        paint.SetTextColor(LwGrey(200));
        const LwSize size = paint.MeasureText(text.c_str(), LwSize{kWrapWidth, 0});
        paint.DrawText(text.c_str(), LwRect{0, 0, kWrapWidth, size.height}, 0);
        lastMillis = Millis(Clock::now() - start);
        lastHeight = size.height;
    }
};

// The floor: pango's own layout of the same string on a surface of the same size.
double PangoDirect(const std::string& text, int* height) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSurfaceWidth, kSurfaceHeight);
    cairo_t* cr = cairo_create(surface);
    const Clock::time_point start = Clock::now();
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, kFamily);
    pango_font_description_set_absolute_size(description, kFontSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, description);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout, kWrapWidth * PANGO_SCALE);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    cairo_set_source_rgb(cr, 200 / 255.0, 200 / 255.0, 200 / 255.0);
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout(cr, layout);
    const double millis = Millis(Clock::now() - start);
    *height = PANGO_PIXELS_CEIL(logical.height);
    pango_font_description_free(description);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return millis;
}

}  // namespace

int main() {
    constexpr int kRuns = 30;

    std::vector<double> dialogMillis;
    for (int i = 0; i < kRuns; ++i) {
        const Clock::time_point start = Clock::now();
        {
            LwPopupDialog dialog(nullptr, "Kestrel 3D",
                                 "Do you really want to cancel the installation?\n"
                                 "The plug-in has not been installed yet.",
                                 true, true);
            dialog.Show(true);
            PumpPending();  // the buttons' paints
            dialogMillis.push_back(Millis(Clock::now() - start));
            dialog.Close();
        }
        PumpPending();
    }

    TextWindow window;
    window.Show(true);
    PumpPending();
    std::vector<double> ours;
    std::vector<double> floor;
    int oursHeight = 0;
    int floorHeight = 0;
    for (int i = 0; i < kRuns; ++i) {
        const std::string text = Paragraph(i);
        window.text = text;
        window.Invalidate();
        platform::UpdateWindow(window.GetNativeWindow());
        ours.push_back(window.lastMillis);
        oursHeight = window.lastHeight;
        floor.push_back(PangoDirect(text, &floorHeight));
    }
    window.Close();

    const double ratio = Median(ours) / Median(floor);
    std::printf("two-button dialog, construction through first paint: median %.2f ms (%d runs)\n",
                Median(dialogMillis), kRuns);
    std::printf(
        "20 KB paragraph at %d px, measure + draw: ours %.2f ms, pango alone %.2f ms, "
        "ratio %.2f (goal <= 1.5); heights %d / %d px\n",
        kWrapWidth, Median(ours), Median(floor), ratio, oursHeight, floorHeight);
    return ratio <= 1.5 ? 0 : 1;
}
