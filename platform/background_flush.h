// Flushes a file being written to the disk on a second thread while the
// writing goes on, so that the last flush, before the file replaces another,
// finds little left to wait for. One flush at a time; a flush is started
// only when the one before has finished.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

namespace platform {

class BackgroundFlush {
 public:
  // `flush` flushes the file and returns 0, or the system's error code.
  explicit BackgroundFlush(std::function<int()> flush) : flush_(std::move(flush)) {}
  ~BackgroundFlush() { Wait(); }
  BackgroundFlush(const BackgroundFlush&) = delete;
  BackgroundFlush& operator=(const BackgroundFlush&) = delete;

  // Called after each write with the bytes written in all; starts a flush
  // every 8 MiB. Without a thread to be had none is started: the last flush
  // then does all the work.
  void Written(std::size_t total) {
    constexpr std::size_t kEvery = 8 << 20;
    if (total - started_at_ < kEvery || flushing_) return;
    Wait();
    started_at_ = total;
    flushing_ = true;
    try {
      thread_ = std::thread([this] {
        const int error = flush_();
        if (error != 0 && error_ == 0) error_ = error;
        flushing_ = false;
      });
    } catch (const std::system_error&) {
      flushing_ = false;
    }
  }

  // Waits for the flush in progress; returns the first error any flush met
  // (a failure seen by one flush is not reported to the next).
  int Wait() {
    if (thread_.joinable()) thread_.join();
    return error_;
  }

 private:
  std::function<int()> flush_;
  std::thread thread_;
  std::size_t started_at_ = 0;
  std::atomic<bool> flushing_ = false;
  std::atomic<int> error_ = 0;
};

}  // namespace platform
