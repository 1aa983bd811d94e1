// The value-control mix-in: how a control that edits somebody else's value reports its changes.
#pragma once

#include <type_traits>

#include "toolkit/LwObject.h"

class LwControl;

enum LwChangePhase : int { kLwChangeBefore = 0, kLwChangeAfter = 2 };

// Called on `changeTarget` with (changeTag, the control, phase). Handlers of derived classes are
// stored through AsChangeHandler; the target must then be an object of that class.
using LwChangeHandler = void (LwObject::*)(int tag, LwControl* control, int phase);

template <class T>
LwChangeHandler AsChangeHandler(void (T::*handler)(int, LwControl*, int)) {
    static_assert(std::is_base_of_v<LwObject, T>,
                  "change handlers are members of LwObject classes");
    return static_cast<LwChangeHandler>(handler);
}

class LwControl {
  public:
    LwChangeHandler changeHandler = nullptr;
    LwObject* changeTarget = nullptr;  // not owned
    int changeTag = 0;

  protected:
    LwControl() = default;
    ~LwControl() = default;

    // Controls call this just before (phase 0) and just after (phase 2) changing the value.
    void NotifyChange(LwChangePhase phase) {
        if (changeHandler && changeTarget) {
            (changeTarget->*changeHandler)(changeTag, this, phase);
        }
    }
};
