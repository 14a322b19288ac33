// Flushing on a second thread: when flushes start, one at a time, and that
// the first failure is what the last wait reports.
#include "platform/background_flush.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

constexpr std::size_t kMiB = 1 << 20;

TEST(BackgroundFlush, StartsEveryEightMiBAndReportsTheFirstFailure) {
  struct Case {
    std::vector<std::size_t> totals;  // MiB written in all, after each write
    std::vector<int> results;         // what the flushes return, in turn
    int flushes;
    int reported;
  };
  const Case cases[] = {
      {{1, 2, 7}, {}, 0, 0},
      {{8}, {0}, 1, 0},
      {{4, 9, 12, 17, 30}, {0, 0, 0}, 3, 0},
      {{8, 16, 24}, {0, 5, 7}, 3, 5},
      {{8, 16, 24}, {6, 0, 0}, 3, 6},
  };
  for (const Case& c : cases) {
    std::atomic<int> flushes = 0;
    platform::BackgroundFlush flush([&] { return c.results[static_cast<std::size_t>(flushes++)]; });
    for (std::size_t total : c.totals) {
      flush.Written(total * kMiB);
      flush.Wait();  // each flush done before the next write
    }
    EXPECT_EQ(flush.Wait(), c.reported);
    EXPECT_EQ(flushes, c.flushes);
  }
}

// While a flush is in progress none is started, however much is written;
// the next write after it ends starts one.
TEST(BackgroundFlush, NeverRunsTwoAtOnce) {
  std::mutex mutex;
  std::condition_variable changed;
  bool release = false;
  int started = 0;
  platform::BackgroundFlush flush([&] {
    std::unique_lock lock(mutex);
    ++started;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
    return 0;
  });
  flush.Written(8 * kMiB);
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return started == 1; });
  }
  for (std::size_t mib = 16; mib <= 64; mib += 8) flush.Written(mib * kMiB);
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(started, 1);
    release = true;
    changed.notify_all();
  }
  EXPECT_EQ(flush.Wait(), 0);
  flush.Written(72 * kMiB);
  EXPECT_EQ(flush.Wait(), 0);
  EXPECT_EQ(started, 2);
}

}  // namespace
