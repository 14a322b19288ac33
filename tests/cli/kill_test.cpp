// The batch converter killed at random moments of a 100 MB conversion (as
// kill -9 or Task Manager would end it): the old output stays as it was, and
// nothing else is left in its folder.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

// The batch converter on `input` into `output`, ended after `after` unless
// it has finished by then: whether it was ended.
class Conversion {
 public:
  Conversion(const std::u16string& input, const std::u16string& output) {
#ifdef _WIN32
    std::wstring command = L"\"" + std::wstring(QUILLMERE_BATCH_EXE) + L"\" --defaults \"" +
                           Wide(input) + L"\" \"" + Wide(output) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process_);
#else
    const std::string in = Utf8(input), out = Utf8(output);
    pid_ = fork();
    if (pid_ == 0) {
      execl(QUILLMERE_BATCH_EXE, QUILLMERE_BATCH_EXE, "--defaults", in.c_str(), out.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    started_ = pid_ > 0;
#endif
  }
  bool started() const {
    return started_;
  }

  // Ends it after `after`, if it still runs: whether it was ended so.
  bool KillAfter(std::chrono::microseconds after) {
#ifdef _WIN32
    const bool running =
        WaitForSingleObject(process_.hProcess, static_cast<DWORD>(after.count() / 1000)) ==
        WAIT_TIMEOUT;
    if (running) TerminateProcess(process_.hProcess, 137);
    WaitForSingleObject(process_.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    return running && code == 137;
#else
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + after;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= until) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
#endif
  }

 private:
#ifdef _WIN32
  static std::wstring Wide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
  }
  PROCESS_INFORMATION process_{};
#else
  static std::string Utf8(const std::u16string& s) {
    return platform::EncodeUtf8(s);
  }
  pid_t pid_ = -1;
#endif
  bool started_ = false;
};

// About 100 MB of Japanese mark-up in code page 932.
void WriteDocument(const std::filesystem::path& path) {
  std::string block;
  for (int i = 0; i < 200; ++i) {
    block += "<p>\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd &amp; text <br>\r\n";
    if (i % 7 == 0) block += "<a href='page.html'>\x83\x8a\x83\x93\x83\x4e</a>\r\n";
    if (i % 11 == 0) block += "<img src='i.gif' alt='pic'><hr>\r\n\r\n\r\n";
  }
  std::ofstream out(path, std::ios::binary);
  for (std::size_t size = 0; size < (100u << 20); size += block.size()) out << block;
}

TEST(KilledConversion, LeavesTheOldOutputAndNothingElse) {
  TempDir dir;
  dir.MakeFolder(u"work");
  WriteDocument(dir.Native(u"in.htm"));
  // One whole conversion, elsewhere: how long it takes, and what it writes.
  const auto start = std::chrono::steady_clock::now();
  Conversion whole(dir / u"in.htm", dir / u"new.txt");
  ASSERT_TRUE(whole.started());
  ASSERT_FALSE(whole.KillAfter(std::chrono::seconds(60)));  // it ends on its own
  const auto full = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  const std::optional<std::string> complete = dir.Read(u"new.txt");
  ASSERT_TRUE(complete && complete->size() > (50u << 20));

  const std::string old = "the old output";
  std::mt19937 random(20261207);
  int killed = 0, old_kept = 0;
  for (int attempt = 0; killed < 20 && attempt < 60; ++attempt) {
    dir.Write(u"work\\out.txt", old);
    Conversion run(dir / u"in.htm", dir / u"work\\out.txt");
    ASSERT_TRUE(run.started());
    const std::chrono::microseconds at(random() % static_cast<unsigned>(full.count()));
    if (!run.KillAfter(at)) continue;  // it had finished: no moment of the conversion
    ++killed;
    // Nothing half-written, nothing left over: the old output, or (killed
    // just after it replaced the old) the whole new one.
    const std::optional<std::string> now = dir.Read(u"work\\out.txt");
    ASSERT_TRUE(now.has_value());
    EXPECT_TRUE(*now == old || *now == *complete) << "killed after " << at.count() << " us";
    old_kept += *now == old;
    int entries = 0;
    std::string names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Native(u"work"))) {
      ++entries;
      names += " " + e.path().filename().string();
    }
    EXPECT_EQ(entries, 1) << "killed after " << at.count() << " us:" << names;
  }
  std::printf("killed %d times, the old output kept %d times\n", killed, old_kept);
  EXPECT_EQ(killed, 20);
  // The moments fall inside the conversion: nearly always before it is done.
  EXPECT_GE(old_kept, 15);
}

#ifndef _WIN32
// The batch converter over many files, given the request to stop (Ctrl+C)
// part-way: exit 130, a summary, every output either its old content or the
// whole new one, and no scratch file left.
TEST(InterruptedConversion, StopsWithOldOrWholeOutputsAndNothingElse) {
  TempDir dir;
  dir.MakeFolder(u"in");
  dir.MakeFolder(u"out");
  dir.MakeFolder(u"whole");
  std::string page;
  while (page.size() < (300u << 10))
    page += "<p>\x93\xfa\x96\x7b\x8c\xea &amp; text <a href='x'>link</a><br>\r\n";
  constexpr int kFiles = 120;
  for (int i = 0; i < kFiles; ++i) {
    const std::u16string name = u"p" + platform::DecodeUtf8(std::to_string(i));
    dir.Write(u"in\\" + name + u".htm", page + std::to_string(i));
    dir.Write(u"out\\" + name + u".txt", "old");
  }
  auto run = [&](const std::u16string& output,
                 std::optional<std::chrono::milliseconds> stop_after) {
    const std::string in = platform::EncodeUtf8(dir / u"in"), out = platform::EncodeUtf8(output),
                      log = dir.Native(u"log.txt").string();
    const pid_t pid = fork();
    if (pid == 0) {
      const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      dup2(fd, 2);
      execl(QUILLMERE_BATCH_EXE, QUILLMERE_BATCH_EXE, "--defaults", "-j", "2", "-o", out.c_str(),
            in.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (stop_after) {
      std::this_thread::sleep_for(*stop_after);
      kill(pid, SIGINT);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  // A whole run, the second of two (the first reads the inputs from the
  // disk): how long it takes, and what it writes.
  std::chrono::milliseconds full{};
  for (int i = 0; i < 2; ++i) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run(dir / u"whole", std::nullopt), 0);
    full = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }
  ASSERT_EQ(run(dir / u"out", full / 3), 130);
  const std::optional<std::string> log = dir.Read(u"log.txt");
  ASSERT_TRUE(log.has_value());
  EXPECT_NE(log->find("中断しました"), std::string::npos) << *log;
  int old = 0, entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Native(u"out"))) {
    ++entries;
    const std::u16string name = platform::DecodeUtf8(e.path().filename().string());
    const std::optional<std::string> now = dir.Read(u"out\\" + name);
    ASSERT_TRUE(now.has_value()) << e.path();
    EXPECT_TRUE(*now == "old" || *now == dir.Read(u"whole\\" + name)) << e.path();
    old += *now == "old";
  }
  EXPECT_EQ(entries, kFiles);
  std::printf("stopped after %d ms of %d: %d outputs old, %d new\n",
              static_cast<int>(full.count() / 3), static_cast<int>(full.count()), old,
              kFiles - old);
}
#endif

}  // namespace
