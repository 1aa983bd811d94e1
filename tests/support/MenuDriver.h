// Driving a popup menu from inside its own modal loop, where a test's code cannot otherwise
// run: scripted steps on a timer, and what the server shows of the menu.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Window.h"

namespace testsupport {

// Runs the steps one after another on a 10 ms timer of `timerWindow`; each step is called on
// every tick until it returns true. Only one script runs at a time.
class MenuScript {
  public:
    MenuScript(platform::NativeWindow timerWindow, std::vector<std::function<bool()>> steps);
    ~MenuScript();
    MenuScript(const MenuScript&) = delete;
    MenuScript& operator=(const MenuScript&) = delete;

    bool Finished() const { return next_ >= steps_.size(); }

  private:
    static void Tick(platform::NativeWindow window, uint32_t message, unsigned id, uint32_t ms);

    platform::NativeWindow window_;
    std::vector<std::function<bool()>> steps_;
    size_t next_ = 0;
};

// The screen rectangle of the menu window the program shows, when one is mapped.
std::optional<platform::Rect> OpenMenuRect();
// How many pixels of the screen rectangle are strongly coloured (a highlight), and how many are
// dark (ink: text or check marks on a light menu).
int SaturatedPixels(const platform::Rect& r);
int DarkPixels(const platform::Rect& r);
// Nobody holds the pointer or the keyboard: another client can grab both.
bool InputIsFree();

}  // namespace testsupport
