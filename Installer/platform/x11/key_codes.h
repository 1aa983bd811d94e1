// Keys as the messages name them: X keysyms to Windows virtual-key codes and characters.
#pragma once

#include <X11/X.h>

#include "platform/Messages.h"

namespace platform::backend {

// The virtual-key code of a key; 0 for keys without one.
WParam VirtualKey(KeySym sym);

// The character a key types, for keysyms that XLookupString leaves without Latin-1 text; 0
// when it types none.
char32_t KeysymCharacter(KeySym sym);

}  // namespace platform::backend
