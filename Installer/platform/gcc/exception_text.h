// What the fault guards of both backends (each built with GCC's C++ runtime) say of a C++
// exception that escaped a guarded thread.
#pragma once

#include <cstddef>

namespace platform::backend {

// "C++ exception <type>: <what()>", or without the message for an exception that is not a
// std::exception. Only while an exception is being handled (the terminate handler).
void DescribeCurrentException(char* out, size_t size);

}  // namespace platform::backend
