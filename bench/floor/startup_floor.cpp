// The floor of the installer's start-up on this stack: a bare Xlib + cairo + pango program that
// maps a 500 x 360 window with 15 child windows, each painted through its own off-screen pixmap,
// and a label. It runs until it is killed.
#include <cairo-xlib.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <X11/Xlib.h>

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 360;
constexpr int kChildren = 15;

struct Child {
    Window window;
    int width, height;
    double shade;
};

// Paints into a pixmap first, then shows it with one copy, as each of the installer's windows does.
void PaintBuffered(Display* display, Window window, int width, int height, double shade,
                   const char* label) {
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    const Pixmap buffer =
        XCreatePixmap(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height),
                      static_cast<unsigned>(DefaultDepth(display, 0)));
    cairo_surface_t* surface = cairo_xlib_surface_create(display, buffer, visual, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, shade, shade, shade);
    cairo_paint(cr);
    if (label) {
        PangoLayout* layout = pango_cairo_create_layout(cr);
        PangoFontDescription* font = pango_font_description_from_string("Liberation Sans 16");
        pango_layout_set_font_description(layout, font);
        pango_layout_set_text(layout, label, -1);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_move_to(cr, 20, 20);
        pango_cairo_show_layout(cr, layout);
        pango_font_description_free(font);
        g_object_unref(layout);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    GC gc = XCreateGC(display, window, 0, nullptr);
    XCopyArea(display, buffer, window, gc, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height), 0, 0);
    XFreeGC(display, gc);
    XFreePixmap(display, buffer);
}

}  // namespace

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return 1;
    }
    const Window top =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
    XSelectInput(display, top, ExposureMask);
    Child children[kChildren];
    for (int i = 0; i < kChildren; ++i) {
        Child& child = children[i];
        child.width = 90;
        child.height = 40;
        child.shade = 0.2 + 0.04 * i;
        child.window = XCreateSimpleWindow(display, top, 10 + (i % 5) * 97, 80 + (i / 5) * 90,
                                           static_cast<unsigned>(child.width),
                                           static_cast<unsigned>(child.height), 0, 0, 0);
        XSelectInput(display, child.window, ExposureMask);
    }
    XMapSubwindows(display, top);
    XMapWindow(display, top);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != Expose || event.xexpose.count != 0) {
            continue;
        }
        if (event.xexpose.window == top) {
            PaintBuffered(display, top, kWidth, kHeight, 0.18, "Kestrel 3D");
        }
        for (const Child& child : children) {
            if (event.xexpose.window == child.window) {
                PaintBuffered(display, child.window, child.width, child.height, child.shade,
                              nullptr);
            }
        }
    }
}
