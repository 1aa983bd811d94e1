// The process's one X connection, its atoms, and the wake-up descriptor other threads write to.
#pragma once

#include <X11/Xlib.h>

namespace platform::x11 {

struct Atoms {
    Atom wmProtocols;
    Atom wmDeleteWindow;
    Atom utf8String;
    Atom netWmName;
    Atom netWmIcon;
    Atom netWmPid;
    Atom netWmState;
    Atom netWmStateAbove;
    Atom netWmWindowType;
    Atom netWmWindowTypeNormal;
    Atom netWmWindowTypeDialog;
    Atom netFrameExtents;
    Atom netRequestFrameExtents;
    Atom netWorkarea;
    Atom netCurrentDesktop;
    Atom netSupportingWmCheck;
    Atom motifWmHints;
};

// Opened on first use from $DISPLAY; null when no server can be reached. Loop thread only.
Display* Connection();
const Atoms& GetAtoms();
// A copy GC for the root's depth, shared by every paint.
GC CopyGc();
// Readable when another thread has queued a request for the loop; never touched by Xlib.
int WakeFd();
void SignalWake();
void ClearWake();
// An EWMH window manager is managing the screen (checked once per call; a cheap round trip).
bool WindowManagerRunning();
// Reads up to maxCount values of a format-32 property; returns how many were read.
unsigned long ReadCardinals(Window window, Atom property, unsigned long* values,
                            unsigned long maxCount);

}  // namespace platform::x11
