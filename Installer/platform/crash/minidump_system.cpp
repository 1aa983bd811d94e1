// Minidump system information: processor and kernel.
#include <cpuid.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>

#include "minidump_file.h"

namespace platform::minidump {

void WriteSystemInfo(DumpFile& file) {
    SystemInfo info;
    info.processorArchitecture = kArchitectureAmd64;
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    info.numberOfProcessors = static_cast<uint8_t>(processors > 255 ? 255 : processors);
    info.platformId = kPlatformLinux;

    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
        info.vendorId[0] = ebx;
        info.vendorId[1] = edx;
        info.vendorId[2] = ecx;
    }
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        info.versionInformation = eax;
        info.featureInformation = edx;
        const unsigned family = (eax >> 8) & 0xF;
        const unsigned model = (eax >> 4) & 0xF;
        info.processorLevel =
            static_cast<uint16_t>(family == 0xF ? family + ((eax >> 20) & 0xFF) : family);
        info.processorRevision = static_cast<uint16_t>(
            ((family == 0x6 || family == 0xF ? model | ((eax >> 12) & 0xF0) : model) << 8) |
            (eax & 0xF));
    }

    utsname names{};
    std::string version;
    if (uname(&names) == 0) {
        std::sscanf(names.release, "%u.%u.%u", &info.majorVersion, &info.minorVersion,
                    &info.buildNumber);
        version = std::string(names.sysname) + " " + names.release + " " + names.version + " " +
                  names.machine;
    }
    info.csdVersionRva = file.AppendString(version);
    file.AddStream(kSystemInfoStream, file.AppendRecord(info));
}

}  // namespace platform::minidump
