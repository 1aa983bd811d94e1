// The system's words for an errno value.
#include "platform/SystemError.h"

#include <cstring>

namespace platform {

std::string SystemErrorText(int systemError) {
    char buffer[256];
    // The GNU strerror_r: safe on the install worker's thread, and it may return its own text.
    return strerror_r(systemError, buffer, sizeof buffer);
}

}  // namespace platform
