// Times a program's drawing as the X server sees it: DAMAGE on the root window of a bare server
// reports every change on the screen, whichever process or toolkit makes it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace benchsupport {

struct DrawingTimes {
    double firstSeconds = 0;  // from just before exec to the first change seen
    double lastSeconds = 0;   // to the last change before the screen fell quiet
    long peakKilobytes = 0;   // the ended child's peak resident memory
};

class ScreenTiming {
  public:
    // A screen that has not changed for `quiet` after a first change is taken as finished.
    explicit ScreenTiming(std::chrono::milliseconds quiet);
    ~ScreenTiming();
    ScreenTiming(const ScreenTiming&) = delete;
    ScreenTiming& operator=(const ScreenTiming&) = delete;

    // False, with a line on the error stream, without $DISPLAY or its DAMAGE extension.
    bool Open();

    // Waits for the screen to be still, starts `argv` (looked up on PATH) with its output
    // discarded, waits until it has drawn and the screen has been still for the quiet time,
    // then ends it with SIGTERM. False, with a line on the error stream, when nothing was drawn.
    bool Time(const std::vector<std::string>& argv, DrawingTimes* times);

  private:
    void WaitForStillScreen();

    std::chrono::milliseconds m_quiet;
    Display* m_display = nullptr;
    int m_damageEvents = 0;
};

double Median(std::vector<double> values);

}  // namespace benchsupport
