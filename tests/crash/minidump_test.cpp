// The minidump file read back stream by stream: directory, threads, exception, modules, memory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Minidump.h"
#include "platform/Process.h"
#include "support/worker_test_support.h"

namespace {

// Little-endian fields of the file, read at byte offsets.
class DumpReader {
  public:
    explicit DumpReader(std::string bytes) : m_bytes(std::move(bytes)) {}
    template <typename T>
    T At(size_t offset) const {
        T value{};
        if (offset + sizeof value <= m_bytes.size()) {
            std::memcpy(&value, m_bytes.data() + offset, sizeof value);
        }
        return value;
    }
    size_t size() const { return m_bytes.size(); }
    // Stream type -> (size, offset).
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> Streams() const {
        std::map<uint32_t, std::pair<uint32_t, uint32_t>> streams;
        const uint32_t count = At<uint32_t>(8), directory = At<uint32_t>(12);
        for (uint32_t i = 0; i < count; ++i) {
            const size_t entry = directory + 12 * i;
            streams[At<uint32_t>(entry)] = {At<uint32_t>(entry + 4), At<uint32_t>(entry + 8)};
        }
        return streams;
    }

  private:
    std::string m_bytes;
};

constexpr uint32_t kThreadList = 3, kModuleList = 4, kMemoryList = 5, kException = 6,
                   kSystemInfo = 7, kMemoryInfoList = 16, kLinuxMaps = 0x47670009;

// A thread that waits, with a marker on its stack, until it is told to end.
class ParkedThread {
  public:
    ParkedThread() : m_thread([this] { Park(); }) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_marker != nullptr; });
    }
    ~ParkedThread() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_release = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    long id() const { return m_id; }
    uintptr_t marker() const { return reinterpret_cast<uintptr_t>(m_marker); }

  private:
    void Park() {
        volatile uint64_t marker = 0x7061726b65642121;  // lies on this thread's stack
        std::unique_lock<std::mutex> lock(m_mutex);
        m_id = platform::CurrentThreadId();
        m_marker = &marker;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_release; });
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    long m_id = 0;
    volatile uint64_t* m_marker = nullptr;
    bool m_release = false;
    std::thread m_thread;
};

TEST(Minidump, WithoutFaultRecordsEveryThreadAndNoException) {
    workertest::ScratchFolder scratch;
    const std::string path = scratch / "plain.dmp";
    ParkedThread parked;
    ASSERT_TRUE(platform::WriteMinidump(path, nullptr));
    const DumpReader dump(workertest::ReadFile(path).value());

    EXPECT_EQ(dump.At<uint32_t>(0), 0x504d444du);  // "MDMP"
    EXPECT_EQ(dump.At<uint32_t>(4) & 0xffff, 0xa793u);
    EXPECT_EQ(dump.At<uint64_t>(24), 1u);  // with data segments
    const auto streams = dump.Streams();
    for (uint32_t type :
         {kThreadList, kModuleList, kMemoryList, kSystemInfo, kMemoryInfoList, kLinuxMaps}) {
        EXPECT_EQ(streams.count(type), 1u) << type;
    }
    EXPECT_EQ(streams.count(kException), 0u);

    // Every thread, each with a context whose stack pointer lies in its saved stack: this one
    // with a local of this frame, the parked one with its marker.
    const uint32_t threads = streams.at(kThreadList).second;
    const int local = 0;
    std::map<long, uintptr_t> expected = {
        {platform::CurrentThreadId(), reinterpret_cast<uintptr_t>(&local)},
        {parked.id(), parked.marker()}};
    ASSERT_GE(dump.At<uint32_t>(threads), 2u);
    for (uint32_t i = 0; i < dump.At<uint32_t>(threads); ++i) {
        const size_t record = threads + 4 + 48 * i;
        const auto found = expected.find(dump.At<uint32_t>(record));
        if (found == expected.end()) {
            continue;
        }
        const uint64_t stackStart = dump.At<uint64_t>(record + 24);
        const uint32_t stackSize = dump.At<uint32_t>(record + 32);
        const uint32_t stackData = dump.At<uint32_t>(record + 36);
        EXPECT_EQ(dump.At<uint32_t>(record + 40), 1232u);
        const uint64_t rsp = dump.At<uint64_t>(dump.At<uint32_t>(record + 44) + 152);
        EXPECT_GE(rsp, stackStart);
        EXPECT_LT(rsp, stackStart + stackSize);
        const uintptr_t address = found->second;
        ASSERT_GE(address, stackStart);
        ASSERT_LT(address + 8, stackStart + stackSize);
        if (found->first == parked.id()) {
            EXPECT_EQ(dump.At<uint64_t>(stackData + (address - stackStart)), 0x7061726b65642121u);
        }
        expected.erase(found);
    }
    EXPECT_TRUE(expected.empty()) << "threads missing from the dump";

    // The system: x86-64 Linux.
    const uint32_t system = streams.at(kSystemInfo).second;
    EXPECT_EQ(dump.At<uint16_t>(system), 9u);
    EXPECT_EQ(dump.At<uint32_t>(system + 20), 0x8201u);
}

TEST(Minidump, ModulesCarryBuildIdsAndTheirDataIsSaved) {
    workertest::ScratchFolder scratch;
    const std::string path = scratch / "modules.dmp";
    ASSERT_TRUE(platform::WriteMinidump(path, nullptr));
    const DumpReader dump(workertest::ReadFile(path).value());
    const auto streams = dump.Streams();

    const uint32_t modules = streams.at(kModuleList).second;
    const uint32_t count = dump.At<uint32_t>(modules);
    ASSERT_GE(count, 2u);  // the program and at least the C library
    const uint64_t programBase = dump.At<uint64_t>(modules + 4);
    const uint32_t programSize = dump.At<uint32_t>(modules + 4 + 8);
    const auto code = reinterpret_cast<uintptr_t>(&platform::WriteMinidump);
    EXPECT_LE(programBase, code);
    EXPECT_GT(programBase + programSize, code);
    const uint32_t cvSize = dump.At<uint32_t>(modules + 4 + 76);
    const uint32_t cv = dump.At<uint32_t>(modules + 4 + 80);
    EXPECT_EQ(dump.At<uint32_t>(cv), 0x4270454cu);  // "BpEL" and the build id
    EXPECT_GT(cvSize, 4u);

    // A global of this program lies in a saved range, with its value.
    static int marker = 0x5eed1234;
    const auto address = reinterpret_cast<uintptr_t>(&marker);
    const uint32_t memory = streams.at(kMemoryList).second;
    bool found = false;
    for (uint32_t i = 0; i < dump.At<uint32_t>(memory); ++i) {
        const size_t descriptor = memory + 4 + 16 * i;
        const uint64_t start = dump.At<uint64_t>(descriptor);
        const uint32_t size = dump.At<uint32_t>(descriptor + 8);
        if (address >= start && address + sizeof marker <= start + size) {
            EXPECT_EQ(dump.At<int>(dump.At<uint32_t>(descriptor + 12) + (address - start)), marker);
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST(Minidump, FaultRecordBecomesTheExceptionStream) {
    workertest::ScratchFolder scratch;
    const std::string path = scratch / "fault.dmp";
    platform::FaultRecord fault;
    fault.signal = 11;
    fault.signalCode = 1;
    fault.address = 0x10;
    fault.threadId = platform::CurrentThreadId();
    ASSERT_TRUE(platform::WriteMinidump(path, &fault));
    const DumpReader dump(workertest::ReadFile(path).value());
    const auto streams = dump.Streams();
    ASSERT_EQ(streams.count(kException), 1u);
    const uint32_t exception = streams.at(kException).second;
    EXPECT_EQ(dump.At<uint32_t>(exception), static_cast<uint32_t>(fault.threadId));
    EXPECT_EQ(dump.At<uint32_t>(exception + 8), 11u);
    EXPECT_EQ(dump.At<uint32_t>(exception + 12), 1u);
    EXPECT_EQ(dump.At<uint64_t>(exception + 24), 0x10u);
}

TEST(Minidump, UnwritablePathFails) {
    EXPECT_FALSE(platform::WriteMinidump("/nonexistent-folder/x.dmp", nullptr));
}

TEST(Minidump, PlantedLinkIsNotFollowed) {
    workertest::ScratchFolder scratch;
    const std::string target = scratch / "target";
    const std::string path = scratch / "linked.dmp";
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    EXPECT_FALSE(platform::WriteMinidump(path, nullptr));
    EXPECT_NE(access(target.c_str(), F_OK), 0);
}

}  // namespace
