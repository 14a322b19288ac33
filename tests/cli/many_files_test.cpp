// The batch converter over many files (-o DIR), run in-process: which files
// a folder or a wildcard gives, where their outputs go, and what a bad file
// among good ones leaves.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/status_line.h"
#include "conversion/file_list.h"
#include "conversion/many_files.h"
#include "platform/codepage.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::Show;
using testing_support::TempDir;

struct Result {
  int code;
  std::string err;
};

// Every file under `root`, by its path below it ("/" between folders), with
// its bytes.
std::map<std::string, std::string> FilesUnder(const std::filesystem::path& root) {
  std::map<std::string, std::string> files;
  if (!std::filesystem::exists(root)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[std::filesystem::relative(entry.path(), root).generic_string()] = bytes.str();
  }
  return files;
}

class ManyFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_.MakeFolder(u"in");
    dir_.MakeFolder(u"in\\sub");
    dir_.MakeFolder(u"in\\Deep");
    dir_.MakeFolder(u"in\\Deep\\er");
    dir_.Write(u"in\\a.htm", "<p>a &amp; b</p>\r\n<a href='x.htm'>\x83\x8A\x83\x93\x83\x4E</a>");
    dir_.Write(u"in\\B.HTML", "<h1>B</h1><script>x</script>");
    dir_.Write(u"in\\c.txt", "not html");
    dir_.Write(u"in\\two.dots.Htm", "<br>two");
    dir_.Write(u"in\\sub\\s.Htm", "<p>sub</p>");
    dir_.Write(u"in\\Deep\\er\\d.html", "<b>deep</b>");
  }

  Result Run(std::vector<std::u16string> args) {
    args.insert(args.begin(), u"--defaults");
    std::istringstream in;
    std::ostringstream out, err;
    const int code = cli::RunBatch(args, dir_ / u"Brackwen.ini", in, out, err);
    EXPECT_EQ(out.str(), "");
    return {code, err.str()};
  }

  // What the one-file form writes for `input`, with the same options.
  std::string AloneOf(const std::u16string& input, std::vector<std::u16string> options = {}) {
    options.push_back(dir_ / input);
    options.push_back(dir_ / u"alone.txt");
    const Result r = Run(options);
    EXPECT_EQ(r.code, cli::kSuccess) << r.err;
    return dir_.Read(u"alone.txt").value_or("(none)");
  }

  std::map<std::string, std::string> Outputs(std::u16string_view folder = u"out") {
    return FilesUnder(dir_.Native(folder));
  }

  TempDir dir_;
};

// A folder gives its HTML files in any case of extension; -r also those of
// its subfolders, into the same subfolders. Each output is what converting
// its input alone writes, whatever the number of jobs.
TEST_F(ManyFilesTest, FoldersGiveTheirHtmlFiles) {
  struct Case {
    std::vector<std::u16string> options;
    std::vector<std::string> outputs;  // below "out"
  };
  const Case cases[] = {
      {{}, {"B.txt", "a.txt", "two.dots.txt"}},
      {{u"-r"}, {"B.txt", "Deep/er/d.txt", "a.txt", "sub/s.txt", "two.dots.txt"}},
      {{u"-r", u"-j", u"1"}, {"B.txt", "Deep/er/d.txt", "a.txt", "sub/s.txt", "two.dots.txt"}},
      {{u"-j3", u"--readable"}, {"B.txt", "a.txt", "two.dots.txt"}},
  };
  const std::map<std::string, std::u16string> inputs = {{"B.txt", u"in\\B.HTML"},
                                                        {"a.txt", u"in\\a.htm"},
                                                        {"two.dots.txt", u"in\\two.dots.Htm"},
                                                        {"sub/s.txt", u"in\\sub\\s.Htm"},
                                                        {"Deep/er/d.txt", u"in\\Deep\\er\\d.html"}};
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir_.Native(u"out"));
    std::vector<std::u16string> args = c.options;
    args.insert(args.end(), {u"-q", u"-o", dir_ / u"out", dir_ / u"in"});
    const Result r = Run(args);
    ASSERT_EQ(r.code, cli::kSuccess) << r.err;
    EXPECT_EQ(r.err, "");  // -q
    const std::map<std::string, std::string> outputs = Outputs();
    std::vector<std::string> names;
    for (const auto& [name, bytes] : outputs) names.push_back(name);
    EXPECT_EQ(names, c.outputs) << Show(args[0]);
    std::vector<std::u16string> same;
    if (std::find(c.options.begin(), c.options.end(), u"--readable") != c.options.end())
      same.push_back(u"--readable");
    for (const auto& [name, bytes] : outputs)
      EXPECT_EQ(bytes, AloneOf(inputs.at(name), same)) << name;
  }
}

// Wildcards in an input are expanded by the program itself, without regard
// to case; files named one by one are converted whatever their extension.
TEST_F(ManyFilesTest, WildcardsAndNamedFiles) {
  struct Case {
    std::vector<std::u16string> inputs;
    std::vector<std::string> outputs;
  };
  const Case cases[] = {
      {{u"in\\*.HTM*"}, {"B.txt", "a.txt", "two.dots.txt"}},
      {{u"in\\?.htm"}, {"a.txt"}},
      {{u"in\\c.txt", u"in\\sub\\s.Htm"}, {"c.txt", "s.txt"}},
      {{u"in\\*.txt", u"in\\a*"}, {"a.txt", "c.txt"}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir_.Native(u"out"));
    std::vector<std::u16string> args = {u"-o", dir_ / u"out"};
    for (const std::u16string& input : c.inputs) args.push_back(dir_ / input);
    const Result r = Run(args);
    EXPECT_EQ(r.code, cli::kSuccess) << r.err;
    std::vector<std::string> names;
    for (const auto& [name, bytes] : Outputs()) names.push_back(name);
    EXPECT_EQ(names, c.outputs) << Show(c.inputs[0]);
    EXPECT_NE(
        r.err.find("変換 " + std::to_string(c.outputs.size()) + " 件、スキップ 0 件、失敗 0 件"),
        std::string::npos)
        << r.err;
  }
}

// Two inputs that would write one output: an error naming both, before
// anything is converted.
TEST_F(ManyFilesTest, TwoInputsForOneOutputConvertNothing) {
  dir_.Write(u"in\\a.html", "<p>other a</p>");
  const std::vector<std::vector<std::u16string>> cases = {
      {dir_ / u"in"},
      {dir_ / u"in\\a.htm", dir_ / u"in\\B.HTML", dir_ / u"in\\a.htm"},
      {dir_ / u"in\\*.htm", dir_ / u"in\\*.html"},
  };
  for (const auto& inputs : cases) {
    std::vector<std::u16string> args = {u"-o", dir_ / u"out"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    const Result r = Run(args);
    EXPECT_EQ(r.code, cli::kFiles);
    EXPECT_NE(r.err.find("同じ出力ファイル"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("a.htm"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("a.txt"), std::string::npos) << r.err;
    EXPECT_FALSE(dir_.Exists(u"out"));
  }
}

TEST_F(ManyFilesTest, NoClobberLeavesExistingOutputs) {
  dir_.MakeFolder(u"out");
  dir_.Write(u"out\\a.txt", "old a");
  const Result r = Run({u"--no-clobber", u"-o", dir_ / u"out", dir_ / u"in"});
  EXPECT_EQ(r.code, cli::kSuccess) << r.err;
  EXPECT_EQ(dir_.Read(u"out\\a.txt"), "old a");
  EXPECT_EQ(dir_.Read(u"out\\B.txt"), AloneOf(u"in\\B.HTML"));
  EXPECT_NE(r.err.find("変換 2 件、スキップ 1 件、失敗 0 件"), std::string::npos) << r.err;
  // Without it the old output is replaced.
  EXPECT_EQ(Run({u"-q", u"-o", dir_ / u"out", dir_ / u"in"}).code, cli::kSuccess);
  EXPECT_EQ(dir_.Read(u"out\\a.txt"), AloneOf(u"in\\a.htm"));
}

// Files that cannot be read among good ones: each gets a line naming it,
// the others are converted, the exit code is 3, and the old output of a
// bad one stays as it was.
TEST_F(ManyFilesTest, BadFilesAmongGoodOnes) {
  dir_.MakeFolder(u"out");
  dir_.Write(u"out\\missing.txt", "old missing");
  dir_.Write(u"out\\bad.txt", "old bad");
#ifdef _WIN32
  // Held open by another with no sharing: it cannot be opened.
  dir_.Write(u"in\\bad.htm", "<p>bad</p>");
  HANDLE held = CreateFileW(reinterpret_cast<const wchar_t*>((dir_ / u"in\\bad.htm").c_str()),
                            GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
#else
  // A file whose reading fails.
  std::filesystem::create_symlink("/proc/self/mem", dir_.Native(u"in\\bad.htm"));
#endif
  const Result r =
      Run({u"-o", dir_ / u"out", dir_ / u"in", dir_ / u"in\\missing.htm", dir_ / u"in\\none*.htm"});
#ifdef _WIN32
  CloseHandle(held);
#endif
  EXPECT_EQ(r.code, cli::kFiles);
  EXPECT_EQ(dir_.Read(u"out\\missing.txt"), "old missing");
  EXPECT_EQ(dir_.Read(u"out\\bad.txt"), "old bad");
  EXPECT_EQ(dir_.Read(u"out\\a.txt"), AloneOf(u"in\\a.htm"));
  EXPECT_EQ(dir_.Read(u"out\\B.txt"), AloneOf(u"in\\B.HTML"));
  for (const char* named : {"bad.htm", "missing.htm", "none*.htm"})
    EXPECT_NE(r.err.find(named), std::string::npos) << named << "\n" << r.err;
  EXPECT_NE(r.err.find("変換 3 件、スキップ 0 件、失敗 3 件"), std::string::npos) << r.err;
  // Nothing but the outputs in the output folder.
  EXPECT_EQ(Outputs().size(), 5u);
}

TEST_F(ManyFilesTest, OutputFolderAndUsage) {
  // The output folder is made, with those above it.
  EXPECT_EQ(Run({u"-q", u"-o", dir_ / u"new\\out", dir_ / u"in\\a.htm"}).code, cli::kSuccess);
  EXPECT_TRUE(dir_.Exists(u"new\\out\\a.txt"));
  // A file in its way.
  Result r = Run({u"-o", dir_ / u"in\\a.htm", dir_ / u"in\\B.HTML"});
  EXPECT_EQ(r.code, cli::kFiles);
  EXPECT_NE(r.err.find("出力先のフォルダーを作れません"), std::string::npos) << r.err;

  const std::vector<std::vector<std::u16string>> usage = {
      {u"-o", dir_ / u"out"},
      {u"-o"},
      {u"-r", dir_ / u"in\\a.htm", dir_ / u"x.txt"},
      {u"-q", dir_ / u"in\\a.htm", dir_ / u"x.txt"},
      {u"-j", u"0", u"-o", dir_ / u"out", dir_ / u"in"},
      {u"-jx", u"-o", dir_ / u"out", dir_ / u"in"},
      {u"-o", dir_ / u"out", u"-"},
  };
  for (const auto& args : usage) {
    r = Run(args);
    EXPECT_EQ(r.code, cli::kUsage) << Show(args[0]);
    EXPECT_NE(r.err.find("使い方"), std::string::npos);
  }
  EXPECT_FALSE(dir_.Exists(u"out"));
}

// The status line, shown with --progress even where messages go to no
// terminal, and kept out of the way of the message lines.
TEST_F(ManyFilesTest, ProgressLine) {
  const Result r = Run({u"--progress", u"-o", dir_ / u"out", dir_ / u"in", dir_ / u"nothing.htm"});
  EXPECT_EQ(r.code, cli::kFiles);
  EXPECT_NE(r.err.find("\r"), std::string::npos);
  EXPECT_NE(r.err.find(" ファイル  "), std::string::npos) << r.err;
  // Every message line begins at the start of a line of its own.
  std::istringstream lines(r.err);
  for (std::string line; std::getline(lines, line);) {
    const std::string shown =
        line.substr(line.rfind('\r') == std::string::npos ? 0 : line.rfind('\r') + 1);
    if (!shown.empty()) {
      EXPECT_TRUE(shown.starts_with("quillmere: ")) << shown;
    }
  }
}

// Pages whose main content is chosen are read twice, each byte counted once
// towards the progress, and give what converting each alone gives.
TEST_F(ManyFilesTest, MainContentPagesReadTwiceCountEachByteOnce) {
  std::string page = "<div class=nav><a href=/>home</a></div><article><h1>Title</h1>";
  while (page.size() < 700 * 1024)
    page += "<p>The river rose through the night, and the town woke to water.</p>";
  page += "</article>";
  dir_.MakeFolder(u"big");
  dir_.Write(u"big\\one.htm", page);
  dir_.Write(u"big\\two.htm", "<p>short</p>" + page);
  std::u16string error;
  const std::optional<conversion::FileList> list =
      conversion::ListFiles({dir_ / u"big"}, dir_ / u"out", false, error);
  ASSERT_TRUE(list) << platform::EncodeUtf8(error);
  ASSERT_EQ(list->jobs.size(), 2u);
  struct Report final : conversion::ManyReport {
    void Failed(const std::u16string& message) override { failed.push_back(message); }
    void Progress(const conversion::ManyProgress& p) override { last = p; }
    std::vector<std::u16string> failed;
    conversion::ManyProgress last;
  } report;
  clsQuillmere converter;
  converter.UseFallbacks();
  for (const auto* key : {u"SCRIPT", u"ENTITY", u"SPACE", u"BLOCK", u"MAIN"})
    converter.SetValue(key, u"1");
  conversion::ManyOptions options;
  options.jobs = 2;
  const conversion::ManyOutcome outcome =
      conversion::ConvertMany(converter, *list, options, report);
  EXPECT_EQ(outcome.converted, 2u);
  EXPECT_TRUE(report.failed.empty());
  EXPECT_EQ(report.last.bytes_total, 2 * page.size() + 12);
  EXPECT_EQ(report.last.bytes_done, report.last.bytes_total);
  const std::vector<std::u16string> main = {u"--readable", u"--main"};
  EXPECT_EQ(dir_.Read(u"out\\one.txt"), AloneOf(u"big\\one.htm", main));
  EXPECT_EQ(dir_.Read(u"out\\two.txt"), AloneOf(u"big\\two.htm", main));
  EXPECT_NE(dir_.Read(u"out\\one.txt").value_or("").find("river"), std::string::npos);
}

TEST(FileList, OutputNamesAndHtmlNames) {
  const std::pair<std::u16string, std::u16string> names[] = {
      {u"page.htm", u"page.txt"},     {u"Page.HTML", u"Page.txt"}, {u"a.b.htm", u"a.b.txt"},
      {u"noext", u"noext.txt"},       {u".htm", u".txt"},          {u"x.txt", u"x.txt"},
      {u"日本語.html", u"日本語.txt"}};
  for (const auto& [input, output] : names) EXPECT_EQ(conversion::OutputNameFor(input), output);
  const std::pair<std::u16string, bool> html[] = {
      {u"a.htm", true}, {u"a.HTM", true},   {u"a.Html", true}, {u"a.htmx", false},
      {u".htm", false}, {u"ahtm", false},   {u"a.txt", false}, {u"a.ｈｔｍ", false},
      {u"a.mht", true}, {u"a.MHTML", true}, {u"a.mhtm", false}};
  for (const auto& [name, is_html] : html)
    EXPECT_EQ(conversion::IsHtmlName(name), is_html) << Show(name);
  for (const char16_t* name : {u"a.mht", u"a.MHTML", u"x.y.Mht"})
    EXPECT_TRUE(conversion::IsSavedPageName(name)) << Show(name);
  for (const char16_t* name : {u"a.htm", u"a.mhtm", u".mht", u"mht"})
    EXPECT_FALSE(conversion::IsSavedPageName(name)) << Show(name);
}

TEST(StatusLine, SaysHowFarTheRunHasGot) {
  struct Case {
    cli::Progress progress;
    std::string text;
  };
  const Case cases[] = {
      {{0, 40, 0, 10 << 20, 0.0, 0}, "0/40 ファイル  0.0/10.0 MB"},
      {{10, 40, 5 << 20, 10 << 20, 2.0, 0}, "10/40 ファイル  5.0/10.0 MB  2.5 MB/s  残り 0:02"},
      {{1, 3, 1024, 3072, 1.0, 2}, "1/3 ファイル  1.0/3.0 KB  1.0 KB/s  残り 0:02  失敗 2"},
      {{1, 9, 1 << 20, 8000ull << 20, 1.0, 0}, "1/9 ファイル  0.0/7.8 GB  1.0 MB/s  残り 2:13:19"},
  };
  for (const Case& c : cases) EXPECT_EQ(cli::StatusText(c.progress), c.text);
  EXPECT_EQ(cli::Columns("1/3 ファイル"), 12u);
}

}  // namespace
