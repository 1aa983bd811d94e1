// The desktop's scale factor: Xft.dpi from the root window's resources, GDK_SCALE, KESTREL_SCALE.
#include "platform/x11/desktop_scale.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/x11/x11_display.h"

namespace platform::x11 {
namespace {

constexpr double kMinimumScale = 1.0;
constexpr double kMaximumScale = 4.0;
constexpr double kBaseDpi = 96.0;

std::optional<double> Number(std::string_view text) {
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) {
        ++end;
    }
    if (end == copy.c_str() || !end || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The value of the last "Xft.dpi:" line, as the resource database keeps the last one.
std::optional<double> XftDpi(std::string_view resources) {
    std::optional<double> dpi;
    while (!resources.empty()) {
        const size_t end = resources.find('\n');
        std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? "" : resources.substr(end + 1);
        constexpr std::string_view kName = "Xft.dpi:";
        if (line.substr(0, kName.size()) == kName) {
            line.remove_prefix(kName.size());
            line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
            if (auto value = Number(line); value && *value > 0) {
                dpi = value;
            }
        }
    }
    return dpi;
}

double Clamped(double scale) {
    return std::clamp(scale, kMinimumScale, kMaximumScale);
}

}  // namespace

double ScaleFromDesktop(const char* resources, const char* gdkScale, const char* kestrelScale) {
    if (kestrelScale) {
        if (auto value = Number(kestrelScale);
            value && *value >= kMinimumScale && *value <= kMaximumScale) {
            return *value;
        }
    }
    if (gdkScale) {
        if (auto value = Number(gdkScale); value && *value >= 1 && *value == std::floor(*value)) {
            return Clamped(*value);
        }
    }
    if (resources) {
        if (auto dpi = XftDpi(resources)) {
            return Clamped(*dpi / kBaseDpi);
        }
    }
    return kMinimumScale;
}

double DesktopScale() {
    Display* display = Connection();
    char* resources = nullptr;
    if (display) {
        // Read from the server each time, not the copy Xlib took when it connected: a desktop
        // changes it while programs run.
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, 0, 1 << 20,
                               False, XA_STRING, &type, &format, &count, &after,
                               &data) == Success &&
            data && format == 8) {
            resources = reinterpret_cast<char*>(data);
        } else if (data) {
            XFree(data);
        }
    }
    const double scale =
        ScaleFromDesktop(resources, std::getenv("GDK_SCALE"), std::getenv("KESTREL_SCALE"));
    if (resources) {
        XFree(resources);
    }
    return scale;
}

}  // namespace platform::x11
