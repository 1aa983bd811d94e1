// The crash server: forked twice so that no one waits for it, it serves one request at a time
// on a private socket pair that the client passes over the control socket, and ends when the
// process it serves has gone (the control socket's end of file).
#include "crash_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "minidump_file.h"
#include "thread_state.h"

extern char** environ;

namespace platform::crashserver {
namespace {

std::atomic<int> controlSocket{-1};
std::atomic<pid_t> controlOwner{0};  // a forked child starts a server of its own
bool insideServer = false;

// Moves all `size` bytes with `transfer` (read or write), going on after signals.
template <class Bytes, class Transfer>
bool TransferAll(int fd, Bytes* bytes, size_t size, Transfer transfer) {
    while (size > 0) {
        const ssize_t count = transfer(fd, bytes, size);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        bytes += count;
        size -= static_cast<size_t>(count);
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t size) {
    return TransferAll(fd, static_cast<const char*>(data), size, ::write);
}

bool ReadAll(int fd, void* data, size_t size) {
    return TransferAll(fd, static_cast<char*>(data), size, ::read);
}

bool SendDescriptor(int socket, int fd) {
    char byte = 0;
    iovec data{&byte, 1};
    alignas(cmsghdr) char space[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = space;
    message.msg_controllen = sizeof space;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
    ssize_t sent;
    do {
        sent = sendmsg(socket, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == 1;
}

// The next client's socket; -1 when the served process has gone.
int ReceiveDescriptor(int socket) {
    char byte = 0;
    iovec data{&byte, 1};
    alignas(cmsghdr) char space[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = space;
    message.msg_controllen = sizeof space;
    ssize_t received;
    do {
        received = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    } while (received < 0 && errno == EINTR);
    if (received <= 0) {
        return -1;
    }
    const cmsghdr* header = CMSG_FIRSTHDR(&message);
    if (!header || header->cmsg_type != SCM_RIGHTS) {
        return -2;  // a message without a socket: ignored
    }
    int fd = -1;
    std::memcpy(&fd, CMSG_DATA(header), sizeof fd);
    return fd;
}

void ApplyEnvironment(const Request& request) {
    clearenv();
    const size_t size = std::min(request.environmentSize, sizeof request.environment);
    for (size_t at = 0; at < size;) {
        const char* entry = request.environment + at;
        const size_t length = strnlen(entry, size - at);
        const std::string text(entry, length);
        const size_t equals = text.find('=');
        if (equals != std::string::npos && equals > 0) {
            setenv(text.substr(0, equals).c_str(), text.c_str() + equals + 1, 1);
        }
        at += length + 1;
    }
}

int Handle(const Request& request) {
    ApplyEnvironment(request);
    FaultRecord fault = request.fault;
    fault.processId = request.processId;
    fault.thread = nullptr;
    ThreadState faulting;
    if (request.hasContext) {
        faulting.threadId = fault.threadId;
        std::memcpy(faulting.registers, request.registers, sizeof faulting.registers);
        faulting.floatingPoint = request.floatingPoint;
        faulting.hasFloatingPoint = request.hasFloatingPoint;
        CopyThreadStack(static_cast<pid_t>(request.processId), &faulting);
        fault.thread = &faulting;
    }
    if (request.kind == RequestKind::Report) {
        if (request.reporter) {
            request.reporter(&fault);
        }
        return 1;
    }
    return minidump::WriteProcessMinidump(request.path, request.processId,
                                          request.hasFault ? &fault : nullptr)
               ? 1
               : 0;
}

[[noreturn]] void Serve(int control) {
    insideServer = true;
    // A fault here ends only the server; the client sees its socket close.
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGPIPE}) {
        ::signal(signal, SIG_DFL);
    }
    ::signal(SIGINT, SIG_IGN);  // a terminal's interrupt is for the program, which ends us
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Nothing of the client's but the standard streams: a pipe held open here would keep
    // its reader waiting.
    if (control != 3) {
        dup2(control, 3);
        close(control);
        control = 3;
    }
    close_range(4, ~0u, 0);

    const pid_t self = getpid();
    WriteAll(control, &self, sizeof self);
    // Not from the heap: waiting for a request must need nothing that a lock could hold up.
    static Request request;
    for (;;) {
        const int client = ReceiveDescriptor(control);
        if (client == -1) {
            _exit(0);
        }
        if (client < 0) {
            continue;
        }
        int answer = 0;
        if (ReadAll(client, &request, sizeof request)) {
            answer = Handle(request);
        }
        WriteAll(client, &answer, sizeof answer);
        close(client);
    }
}

}  // namespace

bool Start() {
    static std::mutex starting;
    std::lock_guard<std::mutex> lock(starting);
    if (controlSocket.load() >= 0 && controlOwner.load() == getpid()) {
        return true;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        return false;
    }
    const pid_t first = fork();
    if (first == 0) {
        close(ends[0]);
        const pid_t server = fork();
        if (server == 0) {
            Serve(ends[1]);
        }
        _exit(server > 0 ? 0 : 1);
    }
    close(ends[1]);
    int status = 0;
    pid_t server = 0;
    if (first < 0 || waitpid(first, &status, 0) != first || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || !ReadAll(ends[0], &server, sizeof server)) {
        close(ends[0]);
        return false;
    }
    // Where only ancestors may trace, the server is let in by name.
    prctl(PR_SET_PTRACER, static_cast<unsigned long>(server), 0, 0, 0);
    const int previous = controlSocket.exchange(ends[0]);
    if (previous >= 0) {
        close(previous);  // the parent's server, inherited through fork
    }
    controlOwner.store(getpid());
    return true;
}

void CaptureEnvironment(Request* request) {
    size_t size = 0;
    for (char** entry = environ; entry && *entry; ++entry) {
        const size_t length = std::strlen(*entry) + 1;
        if (size + length > sizeof request->environment) {
            break;
        }
        std::memcpy(request->environment + size, *entry, length);
        size += length;
    }
    request->environmentSize = size;
}

int Exchange(const Request& request) {
    const int control = controlSocket.load();
    if (control < 0 || controlOwner.load() != getpid()) {
        return -1;
    }
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return -1;
    }
    const bool sent = SendDescriptor(control, pair[1]);
    close(pair[1]);
    int answer = -1;
    if (!sent || !WriteAll(pair[0], &request, sizeof request) ||
        !ReadAll(pair[0], &answer, sizeof answer)) {
        answer = -1;
    }
    close(pair[0]);
    return answer;
}

bool IsServer() {
    return insideServer;
}

}  // namespace platform::crashserver
