// Registers and stacks of the threads of a process being dumped, read from outside it.
#include "thread_state.h"

#include <dirent.h>
#include <sys/ptrace.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/posix/posix_util.h"

namespace platform {
namespace {

constexpr uintptr_t kRedZone = 128;

// The end of the mapping of `pid` that holds `address`; 0 when none does.
uintptr_t MappingEnd(pid_t pid, uintptr_t address) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    posix::MapsEntry entry;
    while (std::getline(maps, line)) {
        if (posix::ParseMapsLine(line, &entry) && entry.start <= address && address < entry.end) {
            return entry.end;
        }
    }
    return 0;
}

std::vector<long> ThreadIds(pid_t pid) {
    std::vector<long> ids;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') {
                ids.push_back(std::strtol(entry->d_name, nullptr, 10));
            }
        }
        closedir(dir);
    }
    return ids;
}

// The kernel's register layout, in the order the signal context uses.
void CopyRegisters(const user_regs_struct& regs, gregset_t out) {
    out[REG_R8] = static_cast<greg_t>(regs.r8);
    out[REG_R9] = static_cast<greg_t>(regs.r9);
    out[REG_R10] = static_cast<greg_t>(regs.r10);
    out[REG_R11] = static_cast<greg_t>(regs.r11);
    out[REG_R12] = static_cast<greg_t>(regs.r12);
    out[REG_R13] = static_cast<greg_t>(regs.r13);
    out[REG_R14] = static_cast<greg_t>(regs.r14);
    out[REG_R15] = static_cast<greg_t>(regs.r15);
    out[REG_RDI] = static_cast<greg_t>(regs.rdi);
    out[REG_RSI] = static_cast<greg_t>(regs.rsi);
    out[REG_RBP] = static_cast<greg_t>(regs.rbp);
    out[REG_RBX] = static_cast<greg_t>(regs.rbx);
    out[REG_RDX] = static_cast<greg_t>(regs.rdx);
    out[REG_RAX] = static_cast<greg_t>(regs.rax);
    out[REG_RCX] = static_cast<greg_t>(regs.rcx);
    out[REG_RSP] = static_cast<greg_t>(regs.rsp);
    out[REG_RIP] = static_cast<greg_t>(regs.rip);
    out[REG_EFL] = static_cast<greg_t>(regs.eflags);
    out[REG_CSGSFS] = static_cast<greg_t>((regs.cs & 0xffff) | (regs.gs & 0xffff) << 16 |
                                          (regs.fs & 0xffff) << 32 | (regs.ss & 0xffff) << 48);
}

}  // namespace

size_t ReadProcessMemory(pid_t pid, uintptr_t address, void* buffer, size_t size) {
    iovec local{buffer, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    const ssize_t count = process_vm_readv(pid, &local, 1, &remote, 1, 0);
    return count > 0 ? static_cast<size_t>(count) : 0;
}

void CopyThreadStack(pid_t pid, ThreadState* state) {
    const auto sp = static_cast<uintptr_t>(state->registers[REG_RSP]);
    const uintptr_t start = sp > kRedZone ? sp - kRedZone : 0;
    uintptr_t end = MappingEnd(pid, sp);
    end = end > start ? std::min(end, start + kStackCopyCapacity) : start;
    state->stackStart = start;
    state->stack.resize(end - start);
    state->stack.resize(ReadProcessMemory(pid, start, state->stack.data(), state->stack.size()));
}

StoppedThreads::StoppedThreads(pid_t pid, long except) {
    for (const long id : ThreadIds(pid)) {
        if (id == except || ptrace(PTRACE_SEIZE, id, nullptr, nullptr) != 0) {
            continue;
        }
        m_attached.push_back(id);
        int status = 0;
        if (ptrace(PTRACE_INTERRUPT, id, nullptr, nullptr) != 0 ||
            waitpid(static_cast<pid_t>(id), &status, __WALL) != id || !WIFSTOPPED(status)) {
            continue;
        }
        user_regs_struct regs{};
        if (ptrace(PTRACE_GETREGS, id, nullptr, &regs) != 0) {
            continue;
        }
        ThreadState state;
        state.threadId = id;
        CopyRegisters(regs, state.registers);
        static_assert(sizeof(user_fpregs_struct) == sizeof state.floatingPoint);
        state.hasFloatingPoint = ptrace(PTRACE_GETFPREGS, id, nullptr, &state.floatingPoint) == 0;
        m_states.push_back(std::move(state));
    }
    for (ThreadState& state : m_states) {
        CopyThreadStack(pid, &state);
    }
}

StoppedThreads::~StoppedThreads() {
    for (const long id : m_attached) {
        ptrace(PTRACE_DETACH, id, nullptr, nullptr);
    }
}

}  // namespace platform
