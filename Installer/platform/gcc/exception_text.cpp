// The type and message of the exception being handled, for crash reports.
#include "platform/gcc/exception_text.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

namespace platform::backend {

void DescribeCurrentException(char* out, size_t size) {
    const std::type_info* type = abi::__cxa_current_exception_type();
    int status = -1;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        type ? abi::__cxa_demangle(type->name(), nullptr, nullptr, &status) : nullptr, &std::free);
    const char* typeName = demangled ? demangled.get() : type ? type->name() : "unknown";
    try {
        throw;
    } catch (const std::exception& error) {
        std::snprintf(out, size, "C++ exception %s: %s", typeName, error.what());
    } catch (...) {
        std::snprintf(out, size, "C++ exception %s", typeName);
    }
}

}  // namespace platform::backend
