// The clipboard is the CLIPBOARD selection; the backend's selection owner answers for it.
#include "platform/Clipboard.h"

#include "platform/x11/selection.h"

namespace platform {

void CopyToClipboard(NativeWindow /*owner*/, const std::string& textUtf8) {
    backend::OfferSelection(backend::SelectionKind::Clipboard, textUtf8);
}

}  // namespace platform
