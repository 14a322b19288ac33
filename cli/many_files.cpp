#include "cli/many_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/file_messages.h"
#include "cli/status_line.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/interrupt.h"
#include "platform/memory.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

// Converted files wait for their commit with their scratch files open: this
// many at most. They are committed in groups: of kGroup files, or of those
// there are once the first has waited kTick (one flush of the file system
// for each file would hold up the making of the others' files). kTick is
// also how often the status line is redrawn, at most.
constexpr std::size_t kWaitingMost = 256;
constexpr std::size_t kGroup = 64;
constexpr auto kTick = std::chrono::milliseconds(100);

std::string U8(std::u16string_view s) {
  return platform::EncodeUtf8(s);
}

class ManyRun {
 public:
  ManyRun(const clsQuillmere& converter, const FileList& list, const ManyOptions& options,
          std::ostream& err)
      : converter_(converter), list_(list), options_(options), err_(err) {
    for (const FileJob& job : list_.jobs) bytes_total_ += job.size;
  }

  int Run() {
    {
      std::lock_guard lock(mutex_);
      for (const std::u16string& input : list_.not_found) {
        ++failed_;
        Say("quillmere: 入力ファイルが見つかりません: " + U8(input));
      }
    }
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t wanted =
        std::min<std::size_t>(options_.jobs ? options_.jobs : processors, list_.jobs.size());
    std::thread committer;
    std::vector<std::thread> workers;
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
      Clock::time_point drawn;
      while (converting_ > 0 || committing_) {
        changed_.wait_for(lock, kTick);
        if (options_.status_line && !options_.quiet && Clock::now() - drawn >= kTick) {
          DrawStatus();
          drawn = Clock::now();
        }
      }
      if (!waiting_.empty()) CommitGroup(lock);  // what the workers left, without a committer
    }
    for (std::thread& worker : workers) worker.join();
    if (committer.joinable()) committer.join();

    std::lock_guard lock(mutex_);
    ClearStatus();
    const bool stopped = platform::Interrupted();
    if (!options_.quiet || stopped) {
      std::string summary = "quillmere: ";
      if (stopped) summary += "中断しました。";
      summary += "変換 " + std::to_string(converted_) + " 件、スキップ " +
                 std::to_string(skipped_) + " 件、失敗 " + std::to_string(failed_) + " 件";
      if (stopped)
        summary += "、中断 " + std::to_string(Total() - converted_ - skipped_ - failed_) + " 件";
      Say(summary);
    }
    return stopped ? kStopped : failed_ > 0 ? kFiles : kSuccess;
  }

 private:
  struct Waiting {
    std::unique_ptr<platform::ReplacementFile> file;
    std::size_t job;
    Clock::time_point since;
  };

  void Work() {
    while (!platform::Interrupted()) {
      const std::size_t job = next_++;
      if (job >= list_.jobs.size()) break;
      Convert(list_.jobs[job], job);
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
    std::string failure;
    if (const std::u16string folder = FolderOf(job.output);
        !folder.empty() && !platform::CreateFolders(folder))
      failure = FolderUnmade(folder.substr(0, folder.size() - 1));
    else
      failure = OpenInput(job.input, job.output, file);
    if (!failure.empty()) {
      done_with_input();
      return Fail(failure);
    }
    const conversion::Reader reader = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
      if (platform::Interrupted()) return -1;  // abandoned
      const std::ptrdiff_t n = file->Read(buffer, size);
      if (n > 0) {
        read += static_cast<std::uint64_t>(n);
        bytes_done_ += static_cast<std::uint64_t>(n);
      }
      return n;
    };
    std::unique_ptr<platform::ReplacementFile> replacement;
    const conversion::RunResult result =
        conversion::ConvertToReplacement(converter_, reader, job.output, options_.run, replacement);
    done_with_input();
    if (platform::Interrupted()) return;  // dropped: the old output stays
    switch (result.status) {
      case conversion::RunResult::Status::kUnreadable:
        return Fail(InputUnreadable(job.input));
      case conversion::RunResult::Status::kUnwritable:
        return Fail(OutputUnwritable(result.write_error, job.output));
      case conversion::RunResult::Status::kConverted:
        break;
    }
    std::unique_lock lock(mutex_);
    if (result.lost > 0 && !options_.quiet)
      Say("quillmere: " + U8(job.input) + ": " + CharactersLost(result.lost));
    while (committing_ && waiting_.size() >= kWaitingMost && !platform::Interrupted())
      changed_.wait_for(lock, kTick);
    waiting_.push_back({std::move(replacement), index, Clock::now()});
    if (!committing_ && waiting_.size() >= kGroup) CommitGroup(lock);
    changed_.notify_all();
  }

  void Fail(const std::string& message) {
    std::lock_guard lock(mutex_);
    ++failed_;
    Say("quillmere: " + message);
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
      if (!due() && !platform::Interrupted()) continue;
      if (platform::Interrupted()) {
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
      Say("quillmere: " + OutputUnwritable(errors[i], list_.jobs[group[i].job].output));
    }
  }

  // A line of its own, the status line out of its way (redrawn at the next
  // tick). Under the lock.
  void Say(const std::string& line) {
    ClearStatus();
    err_ << line << '\n' << std::flush;
  }

  void DrawStatus() {
    Progress p;
    p.files_done = converted_ + skipped_ + failed_;
    p.files_total = Total();
    p.bytes_done = bytes_done_;
    p.bytes_total = bytes_total_;
    p.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    p.failed = failed_;
    const std::string text = StatusText(p);
    const std::size_t columns = Columns(text);
    err_ << '\r' << text
         << std::string(status_columns_ > columns ? status_columns_ - columns : 0, ' ')
         << std::flush;
    status_columns_ = columns;
  }

  std::size_t Total() const { return list_.jobs.size() + list_.not_found.size(); }

  void ClearStatus() {
    if (status_columns_ == 0) return;
    err_ << '\r' << std::string(status_columns_, ' ') << '\r';
    status_columns_ = 0;
  }

  const clsQuillmere& converter_;
  const FileList& list_;
  const ManyOptions& options_;
  std::ostream& err_;
  const Clock::time_point start_ = Clock::now();
  std::uint64_t bytes_total_ = 0;

  std::atomic<std::size_t> next_{0};
  std::atomic<std::uint64_t> bytes_done_{0};
  std::mutex mutex_;  // guards what follows, and err_
  std::condition_variable changed_;
  std::deque<Waiting> waiting_;
  std::size_t converting_ = 0;  // workers still at work
  bool committing_ = false;     // the committer's thread runs
  std::size_t converted_ = 0, skipped_ = 0, failed_ = 0;
  std::size_t status_columns_ = 0;  // of the status line shown, 0 for none
};

}  // namespace

int ConvertMany(const clsQuillmere& converter, const FileList& list, const ManyOptions& options,
                std::ostream& err) {
  platform::KeepFreedMemory();
  return ManyRun(converter, list, options, err).Run();
}

}  // namespace cli
