// The file-system services, on real files in a scratch folder.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/wildcard.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::SearchFor;
using platform::WriteError;
using testing_support::Show;
using testing_support::TempDir;

// A whole new content through a replacement file.
WriteError Replace(const std::u16string& path, std::string_view bytes) {
  WriteError error;
  std::unique_ptr<platform::ReplacementFile> file = platform::ReplacementFile::Create(path, error);
  if (!file) return error;
  file->Write(bytes);
  return file->Commit();
}

class FileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_.Write(u"Page.htm", "x");
    dir_.Write(u"notes.TXT", "y");
    dir_.MakeFolder(u"Sub Folder");
    dir_.Write(u"Sub Folder\\Inner.html", "z");
  }
  TempDir dir_;
};

TEST_F(FileSystemTest, SearchReportsFilesAndOptionallyFolders) {
  struct Case {
    std::u16string path;
    bool files, files_and_folders;
  };
  const Case cases[] = {
      {dir_ / u"Page.htm", true, true},
      {dir_ / u"Sub Folder", false, true},
      {dir_ / u"Sub Folder\\", false, true},
      {dir_.path(), false, true},
      {dir_ / u"missing.htm", false, false},
      {dir_ / u"missing\\Page.htm", false, false},
      {dir_ / u"*.htm", true, true},
      {dir_ / u"Sub*", false, true},
      {dir_ / u"P?ge.htm", true, true},
      {dir_ / u"*.zip", false, false},
      {u"", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::SearchFinds(c.path, SearchFor::kFiles), c.files) << Show(c.path);
    EXPECT_EQ(platform::SearchFinds(c.path, SearchFor::kFilesAndDirectories), c.files_and_folders)
        << Show(c.path);
  }
}

TEST_F(FileSystemTest, StoredNameRestoresCase) {
  EXPECT_EQ(platform::StoredName(dir_ / u"SUB FOLDER"), u"Sub Folder");
  EXPECT_EQ(platform::StoredName(dir_ / u"sub folder\\INNER.HTML"), u"Inner.html");
  EXPECT_EQ(platform::StoredName(dir_ / u"Notes.txt"), u"notes.TXT");
  EXPECT_EQ(platform::StoredName(dir_ / u"*.htm"), u"Page.htm");
  EXPECT_EQ(platform::StoredName(dir_ / u"missing"), std::nullopt);
  EXPECT_EQ(platform::StoredName(dir_ / u"missing\\Page.htm"), std::nullopt);
}

TEST_F(FileSystemTest, ReplaceWritesWholeNewContent) {
  EXPECT_EQ(Replace(dir_ / u"new.txt", "fresh"), WriteError::kNone);
  EXPECT_EQ(dir_.Read(u"new.txt"), "fresh");
  // "/" separates as "\\" does, also for a file not there yet.
  std::u16string slashed = dir_ / u"slashed.txt";
  std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
  EXPECT_EQ(Replace(slashed, "slashed"), WriteError::kNone);
  EXPECT_EQ(dir_.Read(u"slashed.txt"), "slashed");
  platform::RemoveFile(dir_ / u"slashed.txt");
  EXPECT_EQ(Replace(dir_ / u"Page.htm", "replaced"), WriteError::kNone);
  EXPECT_EQ(dir_.Read(u"Page.htm"), "replaced");
  EXPECT_EQ(dir_.CountEntries(), 4);  // no scratch file left
}

// Large enough for flushes on the way, begun while writing goes on; the
// old file stays as it was until the new one is complete, and dropping the
// replacement unfinished leaves it so.
TEST_F(FileSystemTest, LargeReplacementIsExactAndOnlyOnCommit) {
  std::string piece(1 << 20, '\0');
  for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>('a' + i % 26);
  for (const bool commit : {false, true}) {
    WriteError error = WriteError::kNone;
    auto file = platform::ReplacementFile::Create(dir_ / u"Page.htm", error);
    ASSERT_TRUE(file);
    for (int i = 0; i < 20; ++i) {
      piece[0] = static_cast<char>('0' + i % 10);
      ASSERT_TRUE(file->Write(piece));
    }
    EXPECT_EQ(dir_.Read(u"Page.htm"), "x");
    if (commit) {
      EXPECT_EQ(file->Commit(), WriteError::kNone);
    }
    file.reset();
    EXPECT_EQ(dir_.CountEntries(), 3);  // no scratch file left
  }
  const std::string replaced = dir_.Read(u"Page.htm").value_or("");
  ASSERT_EQ(replaced.size(), 20u << 20);
  for (int i = 0; i < 20; ++i) {
    piece[0] = static_cast<char>('0' + i % 10);
    ASSERT_EQ(replaced.compare(static_cast<std::size_t>(i) << 20, piece.size(), piece), 0) << i;
  }
}

TEST_F(FileSystemTest, ReplaceRefusesAndLeavesEverythingAsItWas) {
  dir_.SetReadOnly(u"notes.TXT", true);
  EXPECT_EQ(Replace(dir_ / u"notes.TXT", "new"), WriteError::kReadOnly);
  EXPECT_EQ(Replace(dir_ / u"Sub Folder", "new"), WriteError::kIsDirectory);
  EXPECT_EQ(Replace(dir_ / u"missing\\x.txt", "new"), WriteError::kNoFolder);
  EXPECT_EQ(dir_.Read(u"notes.TXT"), "y");
  EXPECT_EQ(dir_.Read(u"Sub Folder\\Inner.html"), "z");
  EXPECT_EQ(dir_.CountEntries(), 3);
}

// The scratch file is always a new file: a user's file of any name beside
// the output (here the name scratch files once had) stays as it was.
TEST_F(FileSystemTest, ReplacementNeverTakesAUsersFile) {
#ifdef _WIN32
  const std::u16string pid = [] {
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    return std::u16string(id.begin(), id.end());
  }();
#else
  const std::u16string pid = platform::DecodeUtf8(std::to_string(getpid()));
#endif
  const std::u16string users = u"out.txt." + pid + u".tmp";
  dir_.Write(users, "the user's own");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Replace(dir_ / u"out.txt", "new"), WriteError::kNone);
  EXPECT_EQ(dir_.Read(u"out.txt"), "new");
  EXPECT_EQ(dir_.Read(users), "the user's own");
  EXPECT_EQ(dir_.CountEntries(), 5);
  WriteError error;
  for (int i = 0; i < 3; ++i) {
    const std::optional<std::u16string> made =
        platform::CreateNewFileBeside(dir_ / u"Page.htm", "copy", error);
    ASSERT_TRUE(made);
    EXPECT_EQ(dir_.Read(u"Page.htm"), "x");
    platform::RemoveFile(*made);
  }
  EXPECT_EQ(dir_.CountEntries(), 5);
}

// What a user notices of the old output stays: its permissions (its
// attributes on Windows), and a link stays a link, with the file it points to
// holding the new text.
TEST_F(FileSystemTest, ReplacementKeepsWhatTheUserSees) {
  dir_.Write(u"kept.txt", "old");
#ifdef _WIN32
  const std::wstring kept = [&] {
    const std::u16string p = dir_ / u"kept.txt";
    return std::wstring(p.begin(), p.end());
  }();
  ASSERT_TRUE(SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(Replace(dir_ / u"kept.txt", "new"), WriteError::kNone);
  EXPECT_EQ(GetFileAttributesW(kept.c_str()),
            DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
#else
  using std::filesystem::perms;
  std::filesystem::permissions(dir_.Native(u"kept.txt"),
                               perms::owner_read | perms::owner_write | perms::group_read);
  std::filesystem::create_symlink("kept.txt", dir_.Native(u"link.txt"));
  EXPECT_EQ(Replace(dir_ / u"kept.txt", "new"), WriteError::kNone);
  EXPECT_EQ(std::filesystem::status(dir_.Native(u"kept.txt")).permissions(),
            perms::owner_read | perms::owner_write | perms::group_read);
  EXPECT_EQ(Replace(dir_ / u"link.txt", "through the link"), WriteError::kNone);
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.Native(u"link.txt")));
  EXPECT_EQ(dir_.Read(u"kept.txt"), "through the link");
#endif
}

#ifndef _WIN32
// An output we may write in a folder that lets us create no file: the new
// content is made in the temporary folder and copied over the output. In a
// child process that is not root (root creates files anywhere).
TEST_F(FileSystemTest, OutputInAFolderThatTakesNoNewFile) {
  dir_.MakeFolder(u"shut");
  dir_.Write(u"shut\\out.txt", "the old text, longer than the new");
  using std::filesystem::perms;
  std::filesystem::permissions(dir_.Native(u"shut\\out.txt"), perms::all & ~perms::owner_exec &
                                                                  ~perms::group_exec &
                                                                  ~perms::others_exec);
  std::filesystem::permissions(dir_.Native(u"shut"), perms::owner_read | perms::owner_exec |
                                                         perms::group_read | perms::group_exec |
                                                         perms::others_read | perms::others_exec);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(Replace(dir_ / u"shut\\out.txt", "new") == WriteError::kNone ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(dir_.Read(u"shut\\out.txt"), "new");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.Native(u"shut")))
    ++entries;
  EXPECT_EQ(entries, 1);
}
#endif

TEST_F(FileSystemTest, ReadWholeFile) {
  EXPECT_EQ(platform::ReadWholeFile(dir_ / u"Page.htm"), "x");
  EXPECT_EQ(platform::ReadWholeFile(dir_ / u"missing"), std::nullopt);
  EXPECT_EQ(platform::ReadWholeFile(dir_ / u"Sub Folder"), std::nullopt);
}

// A file read to its end is read again from any byte (a page read twice);
// past its end it reads nothing.
TEST_F(FileSystemTest, FileReaderReadsAgainFromWhereItIsSent) {
  std::string bytes;
  for (int k = 0; k < 300000; ++k) bytes += static_cast<char>('a' + k % 26);
  dir_.Write(u"long.htm", bytes);
  const std::unique_ptr<platform::FileReader> file = platform::FileReader::Open(dir_ / u"long.htm");
  ASSERT_TRUE(file);
  auto rest = [&] {
    std::string got(bytes.size() + 10, '\0');
    std::size_t n = 0;
    for (std::ptrdiff_t k; (k = file->Read(got.data() + n, got.size() - n)) > 0;)
      n += static_cast<std::size_t>(k);
    got.resize(n);
    return got;
  };
  EXPECT_TRUE(rest() == bytes);
  for (const std::uint64_t offset :
       {std::uint64_t(0), std::uint64_t(3), std::uint64_t(65537), std::uint64_t(bytes.size()),
        std::uint64_t(bytes.size()) + 9}) {
    ASSERT_TRUE(file->Seek(offset)) << offset;
    EXPECT_TRUE(rest() == bytes.substr(std::min<std::size_t>(offset, bytes.size()))) << offset;
  }
}

TEST_F(FileSystemTest, SameFile) {
  EXPECT_TRUE(platform::SameFile(dir_ / u"Page.htm", dir_ / u"Sub Folder\\..\\Page.htm"));
  EXPECT_FALSE(platform::SameFile(dir_ / u"Page.htm", dir_ / u"notes.TXT"));
  EXPECT_FALSE(platform::SameFile(dir_ / u"missing", dir_ / u"missing"));
#ifdef _WIN32
  EXPECT_TRUE(platform::SameFile(dir_ / u"Page.htm", dir_ / u"PAGE.HTM"));
#endif
}

TEST(ProgramFolder, IsAnExistingFolderWithoutTrailingSeparator) {
  std::u16string folder = platform::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(platform::SearchFinds(folder, SearchFor::kFilesAndDirectories)) << Show(folder);
  if (folder.size() > 3) {
    EXPECT_NE(folder.back(), u'\\');
  }
}

TEST(Wildcard, MatchesAsTheDirectorySearchDoes) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.htm", "page.htm", true},
      {"*.htm", "page.html", false},
      {"*", "", true},
      {"P?GE.*", "page.htm", true},
      {"?", "", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"*a", "aaaa", true},
      {"abc", "ABC", true},
      {"a?c", "ac", false},
      {"**x", "yx", true},
      {"", "a", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(ScratchFile, GivesBackWhatWasAppendedUntilCleared) {
  auto file = platform::ScratchFile::Create();
  ASSERT_NE(file, nullptr);
  auto contents = [&](std::size_t stop_after = SIZE_MAX) {
    std::string all;
    std::size_t pieces = 0;
    EXPECT_TRUE(file->ReadAll([&](std::string_view bytes) {
      all += bytes;
      return ++pieces < stop_after;
    }));
    return all;
  };
  const std::string big(3 << 20, 'b');  // read back in more than one piece
  ASSERT_TRUE(file->Append("one "));
  ASSERT_TRUE(file->Append(big));
  EXPECT_TRUE(contents() == "one " + big);
  EXPECT_LT(contents(1).size(), big.size());  // the reader may stop early
  ASSERT_TRUE(file->Append("two"));           // appending goes on at the end
  EXPECT_TRUE(contents() == "one " + big + "two");
  file->Clear();
  EXPECT_EQ(contents(), "");
  ASSERT_TRUE(file->Append("three"));
  EXPECT_EQ(contents(), "three");
}

// A directory search: patterns in the last component match as the system
// matches them, without regard to case; hidden entries only when named.
TEST_F(FileSystemTest, FindEntriesListsWhatTheSearchReports) {
  dir_.Write(u"Second.HTML", "12345");
#ifdef _WIN32
  dir_.Write(u"hidden.htm", "h");
  SetFileAttributesW(reinterpret_cast<const wchar_t*>((dir_ / u"hidden.htm").c_str()),
                     FILE_ATTRIBUTE_HIDDEN);
  const std::u16string hidden = u"hidden.htm";
#else
  dir_.Write(u".hidden.htm", "h");
  const std::u16string hidden = u".hidden.htm";
#endif
  struct Case {
    std::u16string path;
    std::vector<std::u16string> names;  // sorted; a folder's with a trailing "\"
  };
  const Case cases[] = {
      {dir_ / u"*", {u"Page.htm", u"Second.HTML", u"Sub Folder\\", u"notes.TXT"}},
      {dir_ / u"*.htm*", {u"Page.htm", u"Second.HTML"}},
      {dir_ / u"p?GE.*", {u"Page.htm"}},
      {dir_ / u"Page.htm", {u"Page.htm"}},
      {dir_ / u"page.HTM", {u"Page.htm"}},
      {dir_ / u"Sub Folder", {u"Sub Folder\\"}},
      {dir_ / u"Sub Folder\\*", {u"Inner.html"}},
      {dir_ / hidden, {hidden}},
      {dir_ / u"*.xyz", {}},
      {dir_ / u"missing\\*", {}},
      {dir_ / u"missing.htm", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::u16string> names;
    for (const platform::FoundEntry& e : platform::FindEntries(c.path)) {
      names.push_back(e.folder ? e.name + u"\\" : e.name);
      if (e.name == u"Second.HTML") {
        EXPECT_EQ(e.size, 5u);
      }
    }
    std::sort(names.begin(), names.end());
#ifndef _WIN32
    // Names are case-sensitive here: "page.HTM" names nothing.
    if (c.path == dir_ / u"page.HTM") continue;
#endif
    EXPECT_EQ(names, c.names) << Show(c.path);
  }
}

TEST_F(FileSystemTest, CreateFoldersMakesTheMissingOnes) {
  EXPECT_TRUE(platform::CreateFolders(dir_ / u"a\\b\\c"));
  EXPECT_TRUE(platform::IsFolder(dir_ / u"a\\b\\c"));
  EXPECT_TRUE(platform::CreateFolders(dir_ / u"a\\b"));  // there already
  EXPECT_TRUE(platform::CreateFolders(dir_ / u"a\\b\\"));
  EXPECT_FALSE(platform::CreateFolders(dir_ / u"Page.htm\\x"));  // a file in the way
  EXPECT_FALSE(platform::CreateFolders(dir_ / u"Page.htm"));
  EXPECT_FALSE(platform::IsFolder(dir_ / u"Page.htm"));
  EXPECT_TRUE(platform::IsFolder(dir_.path()));
}

// Files committed together: each takes its output's place, a refused one
// fails alone and leaves its old file, and no scratch file stays.
TEST_F(FileSystemTest, CommitTogetherPutsEachInPlace) {
  dir_.Write(u"old.txt", "old");
  dir_.Write(u"kept.txt", "kept");
  std::vector<std::unique_ptr<platform::ReplacementFile>> files;
  const std::u16string names[] = {u"new.txt", u"old.txt", u"kept.txt", u"Sub Folder\\n.txt"};
  for (const std::u16string& name : names) {
    WriteError error;
    files.push_back(platform::ReplacementFile::Create(dir_ / name, error));
    ASSERT_NE(files.back(), nullptr) << Show(name);
    files.back()->Write("new " + platform::EncodeUtf8(name));
  }
  dir_.SetReadOnly(u"kept.txt", true);  // refused when its turn comes
  std::vector<platform::ReplacementFile*> pointers;
  for (const auto& file : files) pointers.push_back(file.get());
  const std::vector<WriteError> errors = platform::CommitTogether(pointers);
  files.clear();
  EXPECT_EQ(errors, (std::vector<WriteError>{WriteError::kNone, WriteError::kNone,
                                             WriteError::kReadOnly, WriteError::kNone}));
  EXPECT_EQ(dir_.Read(u"new.txt"), "new new.txt");
  EXPECT_EQ(dir_.Read(u"old.txt"), "new old.txt");
  EXPECT_EQ(dir_.Read(u"kept.txt"), "kept");
  EXPECT_EQ(dir_.Read(u"Sub Folder\\n.txt"), "new Sub Folder\\n.txt");
  dir_.SetReadOnly(u"kept.txt", false);
  EXPECT_EQ(dir_.CountEntries(), 6);  // the three of SetUp and three outputs
}

// Replacing an output never leaves a moment without it: another thread
// looking for it all the while always finds it, old or new.
TEST_F(FileSystemTest, ReplacingNeverLeavesTheOutputMissing) {
  dir_.Write(u"out.txt", "old");
  std::atomic<bool> done{false};
  std::atomic<int> missing{0}, looks{0};
  std::thread watcher([&] {
    while (!done) {
      if (!dir_.Exists(u"out.txt")) ++missing;
      ++looks;
    }
  });
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(Replace(dir_ / u"out.txt", std::to_string(i)), WriteError::kNone);
  done = true;
  watcher.join();
  EXPECT_EQ(missing, 0) << "of " << looks << " looks";
  EXPECT_EQ(dir_.Read(u"out.txt"), "199");
}

}  // namespace
