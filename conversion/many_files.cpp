#include "conversion/many_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "conversion/file_messages.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/interrupt.h"
#include "platform/memory.h"

namespace conversion {
namespace {

using Clock = std::chrono::steady_clock;

// Converted files wait for their commit with their scratch files open: this
// many at most. They are committed in groups: of kGroup files, or of those
// there are once the first has waited kTick (one flush of the file system
// for each file would hold up the making of the others' files). kTick is
// also how often progress is told, at most.
constexpr std::size_t kWaitingMost = 256;
constexpr std::size_t kGroup = 64;
constexpr auto kTick = std::chrono::milliseconds(100);

class ManyRun {
 public:
  ManyRun(const clsQuillmere& converter, const FileList& list, const ManyOptions& options,
          ManyReport& report)
      : converter_(converter),
        list_(list),
        options_(options),
        report_(report),
        stop_(options.stop ? options.stop : std::function<bool()>(&platform::Interrupted)) {
    for (const FileJob& job : list_.jobs) bytes_total_ += job.size;
  }

  ManyOutcome Run() {
    {
      std::lock_guard lock(mutex_);
      for (const std::u16string& input : list_.not_found) {
        ++failed_;
        report_.Failed(u"入力ファイルが見つかりません: " + input);
      }
    }
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t wanted =
        std::min<std::size_t>(options_.jobs ? options_.jobs : processors, list_.jobs.size());
    std::thread committer;
    std::vector<std::thread> workers;
    workers.reserve(wanted);  // no allocation once threads run
    {
      std::lock_guard lock(mutex_);
      try {
        committer = std::thread(&ManyRun::CommitAll, this);
        committing_ = true;
      } catch (const std::system_error&) {  // the workers commit then
      }
      for (std::size_t i = 0; i < wanted; ++i) {
        try {
          workers.emplace_back(&ManyRun::Work, this);
          ++converting_;
        } catch (const std::system_error&) {
          break;
        }
      }
    }
    if (workers.empty() && wanted > 0) {  // no thread to be had: on this one
      {
        std::lock_guard lock(mutex_);
        ++converting_;
      }
      Work();
    }
    {
      std::unique_lock lock(mutex_);
      Clock::time_point told;
      while (converting_ > 0 || committing_) {
        changed_.wait_for(lock, kTick);
        if (Clock::now() - told >= kTick) {
          try {
            report_.Progress(Progress());
          } catch (const std::bad_alloc&) {  // told next time
          }
          told = Clock::now();
        }
      }
      if (!waiting_.empty()) CommitGroup(lock);  // what the workers left, without a committer
    }
    for (std::thread& worker : workers) worker.join();
    if (committer.joinable()) committer.join();

    const bool stopped = Stopped();  // asked for once all was done, it still counts
    std::lock_guard lock(mutex_);
    report_.Progress(Progress());
    return {converted_, skipped_, failed_, Total(), stopped};
  }

 private:
  struct Waiting {
    std::unique_ptr<platform::ReplacementFile> file;
    std::size_t job;
    Clock::time_point since;
  };

  // Asked by every thread; once true it stays so.
  bool Stopped() {
    if (!stopped_ && stop_()) stopped_ = true;
    return stopped_;
  }

  void Work() {
    while (!Stopped()) {
      const std::size_t job = next_++;
      if (job >= list_.jobs.size()) break;
      {
        std::lock_guard lock(mutex_);
        current_ = job;
      }
      try {
        Convert(list_.jobs[job], job);
      } catch (const std::bad_alloc&) {  // this file; the others may fit
        FailShortOfMemory(list_.jobs[job].input);
      }
    }
    std::lock_guard lock(mutex_);
    --converting_;
    changed_.notify_all();
  }

  void Convert(const FileJob& job, std::size_t index) {
    std::uint64_t read = 0;
    // The bytes of the input that were not read count as done with it.
    auto done_with_input = [&] {
      if (job.size > read) bytes_done_ += job.size - read;
    };
    if (options_.no_clobber && !platform::FindEntries(job.output).empty()) {
      done_with_input();
      std::lock_guard lock(mutex_);
      ++skipped_;
      return;
    }
    std::unique_ptr<platform::FileReader> file;
    std::u16string failure;
    if (const std::u16string folder = FolderOf(job.output);
        !folder.empty() && !platform::CreateFolders(folder))
      failure = FolderUnmade(folder.substr(0, folder.size() - 1));
    else
      failure = OpenInput(job.input, job.output, file);
    if (!failure.empty()) {
      done_with_input();
      return Fail(failure);
    }
    // Each byte counts once towards the progress, however often it is read
    // (a page read twice for its main content).
    class Counted final : public platform::FileReader {
     public:
      Counted(ManyRun& run, platform::FileReader& file, std::uint64_t& read)
          : run_(run), file_(file), read_(read) {}
      std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        if (run_.Stopped()) return -1;  // abandoned
        const std::ptrdiff_t n = file_.Read(buffer, size);
        if (n > 0) at_ += static_cast<std::uint64_t>(n);
        if (at_ > read_) {
          run_.bytes_done_ += at_ - read_;
          read_ = at_;
        }
        return n;
      }
      bool Seek(std::uint64_t offset) override {
        if (!file_.Seek(offset)) return false;
        at_ = offset;
        return true;
      }

     private:
      ManyRun& run_;
      platform::FileReader& file_;
      std::uint64_t& read_;   // the furthest byte read
      std::uint64_t at_ = 0;  // where the next read begins
    } counted(*this, *file, read);
    const Reader reader = [&](char* buffer, std::size_t size) {
      return counted.Read(buffer, size);
    };
    RunOptions run = RunOptionsFor(job.input);
    run.file = &counted;
    std::unique_ptr<platform::ReplacementFile> replacement;
    const RunResult result = ConvertToReplacement(converter_, reader, job.output, run, replacement);
    done_with_input();
    if (Stopped()) return;  // dropped: the old output stays
    switch (result.status) {
      case RunResult::Status::kUnreadable:
        return Fail(InputUnreadable(job.input));
      case RunResult::Status::kNotSavedPage:
        return Fail(NotSavedPage(job.input));
      case RunResult::Status::kNoPage:
        return Fail(NoPageInSavedPage(job.input));
      case RunResult::Status::kUnwritable:
        return Fail(OutputUnwritable(result.write_error, job.output));
      case RunResult::Status::kConverted:
        break;
    }
    std::unique_lock lock(mutex_);
    if (result.lost > 0) report_.CharactersLost(job.input, result.lost);
    while (committing_ && waiting_.size() >= kWaitingMost && !Stopped())
      changed_.wait_for(lock, kTick);
    waiting_.push_back({std::move(replacement), index, Clock::now()});
    if (!committing_ && waiting_.size() >= kGroup) CommitGroup(lock);
    changed_.notify_all();
  }

  // A saved web page is told by its name too.
  RunOptions RunOptionsFor(const std::u16string& input) const {
    RunOptions run = options_.run;
    run.saved_page = IsSavedPageName(input);
    return run;
  }

  // Counted once whatever becomes of its message.
  void Fail(const std::u16string& message) {
    std::lock_guard lock(mutex_);
    ++failed_;
    try {
      report_.Failed(message);
    } catch (const std::bad_alloc&) {  // the message is lost, not the count
    }
  }

  void FailShortOfMemory(const std::u16string& input) {
    try {
      return Fail(MemoryShort(input));
    } catch (const std::bad_alloc&) {  // not even the message fits
    }
    std::lock_guard lock(mutex_);
    ++failed_;
  }

  // The committer's thread: groups of waiting files, until the workers are
  // done and none waits. After a request to stop, the waiting ones are
  // dropped, their old outputs untouched.
  void CommitAll() {
    std::unique_lock lock(mutex_);
    for (;;) {
      // A group is due when it is large, when its first file has waited a
      // tick, or when no more will come.
      auto due = [&] {
        return waiting_.size() >= kGroup || converting_ == 0 ||
               (!waiting_.empty() && Clock::now() - waiting_.front().since >= kTick);
      };
      changed_.wait_for(lock, kTick / 4, due);
      if (!due() && !Stopped()) continue;
      if (Stopped()) {
        std::deque<Waiting> dropped;
        dropped.swap(waiting_);
        changed_.notify_all();
        lock.unlock();
        dropped.clear();
        lock.lock();
      } else if (!waiting_.empty()) {
        CommitGroup(lock);
      }
      if (converting_ == 0 && waiting_.empty()) break;
    }
    committing_ = false;
    changed_.notify_all();
  }

  // Commits what waits, with the lock let go meanwhile.
  void CommitGroup(std::unique_lock<std::mutex>& lock) {
    std::vector<Waiting> group;
    while (!waiting_.empty()) {
      group.push_back(std::move(waiting_.front()));
      waiting_.pop_front();
    }
    changed_.notify_all();
    lock.unlock();
    std::vector<platform::ReplacementFile*> files;
    for (const Waiting& w : group) files.push_back(w.file.get());
    const std::vector<platform::WriteError> errors = platform::CommitTogether(files);
    lock.lock();
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (errors[i] == platform::WriteError::kNone) {
        ++converted_;
        continue;
      }
      ++failed_;
      report_.Failed(OutputUnwritable(errors[i], list_.jobs[group[i].job].output));
    }
  }

  // Under the lock.
  ManyProgress Progress() const {
    ManyProgress p;
    p.files_done = converted_ + skipped_ + failed_;
    p.files_total = Total();
    p.bytes_done = bytes_done_;
    p.bytes_total = bytes_total_;
    p.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    p.converted = converted_;
    p.skipped = skipped_;
    p.failed = failed_;
    if (current_ < list_.jobs.size()) p.current = list_.jobs[current_].input;
    return p;
  }

  std::size_t Total() const { return list_.jobs.size() + list_.not_found.size(); }

  const clsQuillmere& converter_;
  const FileList& list_;
  const ManyOptions& options_;
  ManyReport& report_;
  const std::function<bool()> stop_;
  const Clock::time_point start_ = Clock::now();
  std::uint64_t bytes_total_ = 0;

  std::atomic<std::size_t> next_{0};
  std::atomic<std::uint64_t> bytes_done_{0};
  std::atomic<bool> stopped_{false};
  std::mutex mutex_;  // guards what follows, and the report
  std::condition_variable changed_;
  std::deque<Waiting> waiting_;
  std::size_t converting_ = 0;  // workers still at work
  bool committing_ = false;     // the committer's thread runs
  std::size_t converted_ = 0, skipped_ = 0, failed_ = 0;
  std::size_t current_ = static_cast<std::size_t>(-1);  // the job begun last
};

}  // namespace

ManyOutcome ConvertMany(const clsQuillmere& converter, const FileList& list,
                        const ManyOptions& options, ManyReport& report) {
  platform::KeepFreedMemory();
  return ManyRun(converter, list, options, report).Run();
}

}  // namespace conversion
