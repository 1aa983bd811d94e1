// The scale factor the desktop asks of new windows, read as GTK and Qt read it.
#pragma once

namespace platform::x11 {

// `resources`: the root window's RESOURCE_MANAGER string, whose Xft.dpi / 96 is the factor;
// `gdkScale` (a whole number) overrides it, `kestrelScale` (1 to 4) overrides both. Each may be
// null. Values that make no sense are passed over; the result lies between 1 and 4.
double ScaleFromDesktop(const char* resources, const char* gdkScale, const char* kestrelScale);

// The factor for a window made now: the server's current resources (none without a display)
// and this process's environment.
double DesktopScale();

}  // namespace platform::x11
