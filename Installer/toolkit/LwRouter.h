// How platform messages reach objects: the window procedures of top-level windows, panels and
// subclassed native controls, and the router they share (input preview, click filter, enter and
// leave, hooks, event binding).
#pragma once

#include "platform/Messages.h"
#include "platform/Window.h"

class LwObject;

class LwRouter {
  public:
    // 0 = handled, 1 = not handled; 4 (all keys wanted) is combined with the platform default.
    static int RouteMessage(LwObject* object, platform::NativeWindow window,
                            platform::MessageId message, platform::WParam wParam,
                            platform::LParam lParam);

    static platform::MessageResult TopLevelWindowProc(platform::NativeWindow window,
                                                      platform::MessageId message,
                                                      platform::WParam wParam,
                                                      platform::LParam lParam);
    // A wheel the object handled never goes on to the parent window.
    static platform::MessageResult PanelWindowProc(platform::NativeWindow window,
                                                   platform::MessageId message,
                                                   platform::WParam wParam,
                                                   platform::LParam lParam);

    // The procedure of a native control the toolkit subclasses, whose own procedure is
    // `previous`: a character goes to the object first and never reaches the control when the
    // object refuses it; everything else goes to the control first, then to the object.
    static platform::MessageResult NativeControlProc(
        LwObject* object, platform::WindowProc previous, platform::NativeWindow window,
        platform::MessageId message, platform::WParam wParam, platform::LParam lParam);

  private:
    // False when a preview object consumed the input.
    static bool OfferToPreview(LwObject* object, platform::MessageId message,
                               platform::WParam wParam);
    static bool PassesClickFilter(LwObject* object, int code);
    static int MousePath(LwObject* object, int code);
    static void FocusChanged(LwObject* object, bool gained);
    // Offers the key to the object, then to its parents; true when one of them took it.
    static bool KeyDown(LwObject* object, platform::NativeWindow window, unsigned key);
};
