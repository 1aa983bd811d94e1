// LwThread: self-deletion after run(), the handle stored before run() can end, many threads.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/Process.h"
#include "support/worker_test_support.h"
#include "toolkit/LwThread.h"

namespace {

struct Counters {
    std::atomic<int> ran{0};
    std::atomic<int> deleted{0};
    std::atomic<long> threadId{0};
};

class CountingThread : public LwThread {
  public:
    explicit CountingThread(Counters* counters) : m_counters(counters) {}
    ~CountingThread() override { m_counters->deleted.fetch_add(1, std::memory_order_release); }
    void run() override {
        m_counters->threadId.store(platform::CurrentThreadId());
        m_counters->ran.fetch_add(1, std::memory_order_release);
    }

  private:
    Counters* m_counters;
};

TEST(LwThread, RunsOnItsOwnThreadAndDeletesItself) {
    Counters counters;
    ASSERT_TRUE(LwThread::Start(new CountingThread(&counters)));
    ASSERT_TRUE(workertest::WaitUntil([&] { return counters.deleted.load() == 1; }));
    EXPECT_EQ(counters.ran.load(), 1);
    EXPECT_NE(counters.threadId.load(), platform::CurrentThreadId());
}

// run() returns at once: the starter's store of the handle must land before the deletion
// (AddressSanitizer and ThreadSanitizer check this one).
TEST(LwThread, ManyShortThreadsEachDeletedOnce) {
    Counters counters;
    constexpr int kThreads = 200;
    for (int i = 0; i < kThreads; ++i) {
        ASSERT_TRUE(LwThread::Start(new CountingThread(&counters)));
    }
    ASSERT_TRUE(workertest::WaitUntil([&] { return counters.deleted.load() == kThreads; }));
    EXPECT_EQ(counters.ran.load(), kThreads);
}

class HandleCheckingThread : public LwThread {
  public:
    explicit HandleCheckingThread(std::atomic<int>* result) : m_result(result) {}
    void run() override { m_result->store(handle != 0 ? 1 : 2); }

  private:
    std::atomic<int>* m_result;
};

TEST(LwThread, HandleIsStoredBeforeRun) {
    std::atomic<int> result{0};
    ASSERT_TRUE(LwThread::Start(new HandleCheckingThread(&result)));
    ASSERT_TRUE(workertest::WaitUntil([&] { return result.load() != 0; }));
    EXPECT_EQ(result.load(), 1);
}

}  // namespace
