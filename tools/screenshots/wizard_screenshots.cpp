// Remakes the README's pictures of the wizard: the built program over a prefix with three hosts,
// its focus marks shown by a key, then clicked through page by page from outside, each page's
// client area saved as PNG into $KESTREL_SCREENSHOT_DIR. The installation is held at its last host
// so that its progress shows.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/wizard_program.h"

namespace {

using namespace wizardtest;

class Screenshots : public WizardProgram {
  protected:
    static constexpr LwRect kClient{0, 0, 500, 360};

    // Waits until two looks a little apart agree, then saves the window.
    void Save(const char* page) {
        std::vector<uint32_t> before = Pixels(kClient);
        for (int tries = 0; tries < 50; ++tries) {
            testsupport::PumpFor(100ms);
            std::vector<uint32_t> after = Pixels(kClient);
            if (after == before) {
                break;
            }
            before = std::move(after);
        }
        const LwRect client = ToPixels(kClient);
        cairo_surface_t* image =
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, client.width, client.height);
        cairo_surface_flush(image);
        unsigned char* rows = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);
        for (int y = 0; y < client.height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(rows + y * stride);
            for (int x = 0; x < client.width; ++x) {
                row[x] = before[static_cast<size_t>(y * client.width + x)];
            }
        }
        cairo_surface_mark_dirty(image);
        const std::string path = (Folder() / (std::string(page) + ".png")).string();
        EXPECT_EQ(cairo_surface_write_to_png(image, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
        cairo_surface_destroy(image);
    }

    static std::filesystem::path Folder() {
        const char* folder = std::getenv("KESTREL_SCREENSHOT_DIR");
        return folder ? folder : ".";
    }
};

TEST_F(Screenshots, SixPages) {
    std::unique_ptr<FileOpenGate> gate;
    Start({{3, false, HostFolder(3)}, {4, true, HostFolder(4)}, {5, true, HostFolder(5)}}, [&] {
        const auto held = prefix_->PluginOf(HostFolder(5)).parent_path();
        std::filesystem::create_directories(held);
        gate = std::make_unique<FileOpenGate>(held);
    });
    ASSERT_TRUE(gate->Works()) << "holding the installation needs fanotify (run as root)";
    // A key shows the focus marks: there and back again, the focus stays on "Next >".
    const LwPoint nextMark{293, 323};
    const LwColor unmarked = Pixel(nextMark);
    Key(XK_Tab);
    Key(XK_Tab, XK_Shift_L);
    ASSERT_TRUE(PumpUntil([&] { return Pixel(nextMark) != unmarked; }));
    ClickThroughToInstallation([&](const char* page) { Save(page); });
    ASSERT_TRUE(PumpUntil([&] { return gate->Holding(); }, 10s));
    Save("5-progress");
    const LwRect cancelLabel{420, 330, 55, 10};  // inside the focus mark
    const std::vector<uint32_t> cancel = Pixels(cancelLabel);
    gate->Release();
    ASSERT_TRUE(PumpUntil([&] { return Pixels(cancelLabel) != cancel; }, 10s));
    Save("6-finished");
    Click({447, 335});
    int code = -1;
    ASSERT_TRUE(PumpUntil([&] { return Exited(&code); }));
    EXPECT_EQ(code, 0);
}

// The welcome page on a desktop of 192 dpi, as the X resources say it: twice the pixels.
TEST_F(Screenshots, WelcomeAtTwiceTheScale) {
    scale_ = 2;
    Start({{5, true, HostFolder(5)}});
    Save("welcome-2x");
    Click({444, 335});  // "Cancel", then "YES" in its question
    testsupport::PumpFor(500ms);
    testsupport::TapKey(XK_Return);
    int code = -1;
    PumpUntil([&] { return Exited(&code); });
}

}  // namespace
