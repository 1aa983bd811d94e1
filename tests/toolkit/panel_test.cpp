// Panels on the server: painted at construction, geometry in the parent's client area, setters
// that repaint only on change, the no-background colour; native windows and the object tree.
#include <gtest/gtest.h>

#include "draw/LwPaintContext.h"
#include "gui_fixture.h"
#include "platform/x11/x11_access.h"

// After gtest: Xlib's macros would clash with its names.
#include <X11/Xlib.h>

namespace {

using namespace std::chrono_literals;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::ReadPixel;

bool Same(LwColor a, LwColor b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

class Panels : public ShownWindowTest {};

TEST_F(Panels, NewPanelIsVisibleAndPaintedWhenTheConstructorReturns) {
    ShowWindow();
    class Painted : public LwPanel {
      public:
        Painted(LwObject* parent) : LwPanel(parent, {10, 10}, {30, 20}) {}
        int paints = 0;

      protected:
        void OnPaint() override {
            ++paints;
            LwPaintContext context(this);
            context.SetFillColor(LwColor{200, 10, 10, 255});
            context.DrawRect(LwRect{0, 0, 30, 20});
        }
    };
    auto* panel = new Painted(window.get());
    EXPECT_TRUE(panel->IsVisible());
    EXPECT_TRUE(platform::IsWindowVisible(panel->GetNativeWindow()));
    // The constructor's paint could only reach the LwPanel part; the derived picture follows
    // without anyone invalidating the panel.
    ASSERT_TRUE(PumpUntil([&] { return panel->paints == 1; }));
    EXPECT_TRUE(Same(ReadPixel(panel->GetNativeWindow(), 29, 19), LwColor{200, 10, 10, 255}));

    panel->Show(false);
    EXPECT_FALSE(panel->IsVisible());
    EXPECT_FALSE(platform::IsWindowVisible(panel->GetNativeWindow()));
    ASSERT_TRUE(
        PumpUntil([&] { return Same(ReadPixel(window->GetNativeWindow(), 15, 15), LwGrey(30)); }));
}

TEST_F(Panels, PositionIsRelativeToTheParentsClientArea) {
    ShowWindow();
    RecordingPanel* outer = AddPanel({50, 40}, {150, 100});
    RecordingPanel* inner = AddPanel({7, 9}, {20, 20}, outer);
    EXPECT_EQ(outer->GetPosition(), (LwPoint{50, 40}));
    EXPECT_EQ(inner->GetPosition(), (LwPoint{7, 9}));
    EXPECT_EQ(inner->GetSize(), (LwSize{20, 20}));
    inner->SetPosition({30, 31});
    EXPECT_EQ(inner->GetPosition(), (LwPoint{30, 31}));
    window->SetPosition({90, 80});
    ASSERT_TRUE(PumpUntil([&] { return window->GetPosition() == LwPoint{90, 80}; }));
    EXPECT_EQ(inner->GetPosition(), (LwPoint{30, 31}));

    // Layouts ask every item for its place: that must not cost a trip to the server.
    Display* display = platform::x11::TestDisplay();
    const unsigned long before = NextRequest(display);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(inner->GetPosition(), (LwPoint{30, 31}));
        EXPECT_EQ(outer->GetPosition(), (LwPoint{50, 40}));
    }
    EXPECT_EQ(NextRequest(display), before);
}

TEST_F(Panels, SettersDoNothingWhenUnchangedAndRepaintAtOnceOtherwise) {
    ShowWindow();
    RecordingPanel* panel = AddPanel({10, 10}, {40, 30});
    PumpFor(30ms);
    const int paints = panel->log.paints;
    panel->SetSize({40, 30});
    panel->SetPosition({10, 10});
    EXPECT_EQ(panel->log.paints, paints);
    PumpFor(50ms);
    EXPECT_EQ(panel->log.paints, paints);

    panel->SetSize({60, 30});
    EXPECT_EQ(panel->log.paints, paints + 1);  // painted before SetSize returned
    EXPECT_EQ(panel->GetSize(), (LwSize{60, 30}));
    panel->SetPosition({100, 20});
    EXPECT_EQ(panel->log.paints, paints + 2);
    EXPECT_EQ(panel->GetPosition(), (LwPoint{100, 20}));
    EXPECT_TRUE(Same(ReadPixel(panel->GetNativeWindow(), 59, 29), LwGrey(90)));
}

TEST_F(Panels, MagentaBackgroundPaintsNothingWhateverItsAlpha) {
    ShowWindow();
    RecordingPanel* panel = AddPanel({10, 10}, {40, 30});
    panel->SetBackgroundColor(LwColor{0, 0, 200, 255});
    panel->Invalidate();
    ASSERT_TRUE(PumpUntil([&] {
        return Same(ReadPixel(panel->GetNativeWindow(), 5, 5), LwColor{0, 0, 200, 255});
    }));

    panel->SetBackgroundColor(LwColor{255, 0, 255, 17});
    const int paints = panel->log.paints;
    panel->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return panel->log.paints > paints; }));
    PumpFor(30ms);
    EXPECT_TRUE(Same(ReadPixel(panel->GetNativeWindow(), 5, 5), LwColor{0, 0, 200, 255}));

    panel->SetBackgroundColor(LwColor{255, 0, 254, 255});
    panel->Invalidate();
    ASSERT_TRUE(PumpUntil([&] {
        return Same(ReadPixel(panel->GetNativeWindow(), 5, 5), LwColor{255, 0, 254, 255});
    }));
}

// Notes, from inside its destructor, which native windows are still alive.
class Watcher : public RecordingPanel {
  public:
    Watcher(LwObject* parent, std::vector<std::string>* log, std::string name,
            platform::NativeWindow watched)
        : RecordingPanel(parent, {0, 0}, {10, 10}), log_(log), name_(name), watched_(watched) {}
    ~Watcher() override {
        log_->push_back(name_ + (platform::IsWindow(watched_) ? " parent-alive" : " parent-gone"));
    }

  private:
    std::vector<std::string>* log_;
    std::string name_;
    platform::NativeWindow watched_;
};

TEST_F(Panels, ParentsNativeWindowGoesLastAndChildrenInCreationOrder) {
    std::vector<std::string> log;
    platform::NativeWindow top = window->GetNativeWindow();
    auto* first = new Watcher(window.get(), &log, "first", top);
    new Watcher(first, &log, "first.child", top);
    new Watcher(window.get(), &log, "second", top);
    std::vector<platform::NativeWindow> natives{top, first->GetNativeWindow()};
    window.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"first parent-alive", "first.child parent-alive",
                                             "second parent-alive"}));
    for (platform::NativeWindow w : natives) {
        EXPECT_FALSE(platform::IsWindow(w));
    }
}

TEST_F(Panels, CloseDestroysTheNativeWindowOnceAndCallsOnDestroy) {
    RecordingPanel* panel = AddPanel({10, 10}, {40, 30});
    platform::NativeWindow native = panel->GetNativeWindow();
    panel->Close();
    panel->Close();
    EXPECT_FALSE(platform::IsWindow(native));
    EXPECT_TRUE(panel->IsDestroyed());
    EXPECT_EQ(panel->log.calls, (std::vector<std::string>{"destroy"}));
    EXPECT_EQ(window->GetChildren().size(), 1u);  // the object stays until deleted
}

TEST_F(Panels, DestructorDoesNotRunOnDestroyOverrides) {
    bool destroyCalled = false;
    struct Flagging : LwPanel {
        bool* flag;
        Flagging(LwObject* parent, bool* f) : LwPanel(parent, {0, 0}, {5, 5}), flag(f) {}

      protected:
        void OnDestroy() override { *flag = true; }
    };
    delete new Flagging(window.get(), &destroyCalled);
    EXPECT_FALSE(destroyCalled);
}

TEST_F(Panels, ChildrenOfAClosedParentCanStillBeDeleted) {
    RecordingPanel* outer = AddPanel({10, 10}, {100, 80});
    RecordingPanel* inner = AddPanel({5, 5}, {20, 20}, outer);
    platform::NativeWindow innerNative = inner->GetNativeWindow();
    outer->Close();
    EXPECT_FALSE(platform::IsWindow(innerNative));  // went with its parent on the platform
    EXPECT_FALSE(inner->IsDestroyed());
    delete outer;  // deletes inner too; calls on the gone window are quiet
    EXPECT_TRUE(window->GetChildren().empty());
}

}  // namespace
