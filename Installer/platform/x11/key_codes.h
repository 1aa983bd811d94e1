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

// The modifiers of an X key event's state, kept in its key messages' lParam: Alt in the bit
// Windows gives it (the context code), Shift and Control in bits Windows leaves unused.
LParam ModifierBits(unsigned state);
// HeldKeyModifiers' answer for a key message with this lParam.
unsigned ModifiersOf(LParam keyData);

}  // namespace platform::backend
