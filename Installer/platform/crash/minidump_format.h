// The minidump file format as crash tools read it on Linux (little-endian, packed records).
#pragma once

#include <cstdint>

namespace platform::minidump {

constexpr uint32_t kSignature = 0x504d444d;  // "MDMP"
constexpr uint32_t kVersion = 0xa793;
constexpr uint64_t kWithDataSegments = 1;

enum StreamType : uint32_t {
    kThreadListStream = 3,
    kModuleListStream = 4,
    kMemoryListStream = 5,
    kExceptionStream = 6,
    kSystemInfoStream = 7,
    kMemoryInfoListStream = 16,
    kAssertionInfoStream = 0x47670002,
    kLinuxProcStatusStream = 0x47670004,
    kLinuxCommandLineStream = 0x47670006,
    kLinuxAuxvStream = 0x47670008,
    kLinuxMapsStream = 0x47670009,
};

constexpr uint16_t kArchitectureAmd64 = 9;
constexpr uint32_t kPlatformLinux = 0x8201;
constexpr uint32_t kCodeViewElfSignature = 0x4270454c;  // "BpEL", followed by the build id

constexpr uint32_t kContextAmd64 = 0x00100000;
constexpr uint32_t kContextControl = kContextAmd64 | 0x1;
constexpr uint32_t kContextInteger = kContextAmd64 | 0x2;
constexpr uint32_t kContextSegments = kContextAmd64 | 0x4;
constexpr uint32_t kContextFloatingPoint = kContextAmd64 | 0x8;

// Memory information values, as Windows names them.
constexpr uint32_t kPageNoAccess = 0x01;
constexpr uint32_t kPageReadOnly = 0x02;
constexpr uint32_t kPageReadWrite = 0x04;
constexpr uint32_t kPageWriteCopy = 0x08;
constexpr uint32_t kPageExecute = 0x10;
constexpr uint32_t kPageExecuteRead = 0x20;
constexpr uint32_t kPageExecuteReadWrite = 0x40;
constexpr uint32_t kPageExecuteWriteCopy = 0x80;
constexpr uint32_t kMemoryCommitted = 0x1000;
constexpr uint32_t kMemoryPrivate = 0x20000;
constexpr uint32_t kMemoryMapped = 0x40000;
constexpr uint32_t kMemoryImage = 0x1000000;

#pragma pack(push, 1)

struct Location {
    uint32_t dataSize = 0;
    uint32_t rva = 0;
};

struct MemoryDescriptor {
    uint64_t startOfMemoryRange = 0;
    Location memory;
};

struct Header {
    uint32_t signature = kSignature;
    uint32_t version = kVersion;
    uint32_t numberOfStreams = 0;
    uint32_t streamDirectoryRva = 0;
    uint32_t checkSum = 0;
    uint32_t timeDateStamp = 0;
    uint64_t flags = 0;
};

struct Directory {
    uint32_t streamType = 0;
    Location location;
};

struct Thread {
    uint32_t threadId = 0;
    uint32_t suspendCount = 0;
    uint32_t priorityClass = 0;
    uint32_t priority = 0;
    uint64_t teb = 0;
    MemoryDescriptor stack;
    Location threadContext;
};

struct Exception {
    uint32_t exceptionCode = 0;
    uint32_t exceptionFlags = 0;
    uint64_t exceptionRecord = 0;
    uint64_t exceptionAddress = 0;
    uint32_t numberParameters = 0;
    uint32_t unusedAlignment = 0;
    uint64_t exceptionInformation[15] = {};
};

struct ExceptionStream {
    uint32_t threadId = 0;
    uint32_t alignment = 0;
    Exception exceptionRecord;
    Location threadContext;
};

struct Module {
    uint64_t baseOfImage = 0;
    uint32_t sizeOfImage = 0;
    uint32_t checkSum = 0;
    uint32_t timeDateStamp = 0;
    uint32_t moduleNameRva = 0;
    uint32_t versionInfo[13] = {};  // VS_FIXEDFILEINFO, unused on Linux
    Location cvRecord;
    Location miscRecord;
    uint64_t reserved0 = 0;
    uint64_t reserved1 = 0;
};

struct SystemInfo {
    uint16_t processorArchitecture = 0;
    uint16_t processorLevel = 0;
    uint16_t processorRevision = 0;
    uint8_t numberOfProcessors = 0;
    uint8_t productType = 0;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    uint32_t csdVersionRva = 0;
    uint16_t suiteMask = 0;
    uint16_t reserved2 = 0;
    uint32_t vendorId[3] = {};
    uint32_t versionInformation = 0;
    uint32_t featureInformation = 0;
    uint32_t amdExtendedCpuFeatures = 0;
};

struct MemoryInfoListHeader {
    uint32_t sizeOfHeader = 16;
    uint32_t sizeOfEntry = 48;
    uint64_t numberOfEntries = 0;
};

struct MemoryInfo {
    uint64_t baseAddress = 0;
    uint64_t allocationBase = 0;
    uint32_t allocationProtect = 0;
    uint32_t alignment1 = 0;
    uint64_t regionSize = 0;
    uint32_t state = 0;
    uint32_t protect = 0;
    uint32_t type = 0;
    uint32_t alignment2 = 0;
};

struct AssertionInfo {
    char16_t expression[128] = {};
    char16_t function[128] = {};
    char16_t file[128] = {};
    uint32_t line = 0;
    uint32_t type = 0;
};

struct Uint128 {
    uint64_t low = 0;
    uint64_t high = 0;
};

struct ContextAmd64 {
    uint64_t parameterHome[6] = {};
    uint32_t contextFlags = 0;
    uint32_t mxCsr = 0;
    uint16_t cs = 0, ds = 0, es = 0, fs = 0, gs = 0, ss = 0;
    uint32_t eflags = 0;
    uint64_t dr0 = 0, dr1 = 0, dr2 = 0, dr3 = 0, dr6 = 0, dr7 = 0;
    uint64_t rax = 0, rcx = 0, rdx = 0, rbx = 0, rsp = 0, rbp = 0, rsi = 0, rdi = 0;
    uint64_t r8 = 0, r9 = 0, r10 = 0, r11 = 0, r12 = 0, r13 = 0, r14 = 0, r15 = 0;
    uint64_t rip = 0;
    uint8_t floatingSave[512] = {};  // the FXSAVE area
    Uint128 vectorRegister[26];
    uint64_t vectorControl = 0;
    uint64_t debugControl = 0;
    uint64_t lastBranchToRip = 0;
    uint64_t lastBranchFromRip = 0;
    uint64_t lastExceptionToRip = 0;
    uint64_t lastExceptionFromRip = 0;
};

#pragma pack(pop)

static_assert(sizeof(Header) == 32);
static_assert(sizeof(Directory) == 12);
static_assert(sizeof(Thread) == 48);
static_assert(sizeof(ExceptionStream) == 168);
static_assert(sizeof(Module) == 108);
static_assert(sizeof(SystemInfo) == 56);
static_assert(sizeof(MemoryInfo) == 48);
static_assert(sizeof(AssertionInfo) == 776);
static_assert(sizeof(ContextAmd64) == 1232);

}  // namespace platform::minidump
