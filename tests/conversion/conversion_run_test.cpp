// A conversion run from file to file: the encoding each input is read in,
// the encoding its output is written in, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "conversion/conversion_run.h"
#include "platform/file_system.h"
#include "tests/support/converter_options.h"
#include "tests/support/source_file.h"
#include "tests/support/temp_dir.h"

namespace {

using conversion::InputEncoding;
using conversion::OutputChoice;
using conversion::RunOptions;
using conversion::RunResult;
using platform::Encoding;
using platform::WriteError;
using testing_support::ConverterWith;
using testing_support::Show;
using testing_support::TempDir;
using Why = InputEncoding::Why;
using Status = RunResult::Status;

// Reads the file at `path` the way both front ends do.
conversion::Reader ReadFile(const std::u16string& path,
                            std::shared_ptr<platform::FileReader>& keep) {
  keep = platform::FileReader::Open(path);
  return [reader = keep.get()](char* buffer, std::size_t size) -> std::ptrdiff_t {
    return reader ? reader->Read(buffer, size) : 0;
  };
}

RunResult RunOn(const TempDir& dir, std::string_view input, const RunOptions& options,
                const std::u16string& output = u"out.txt") {
  dir.Write(u"in.htm", input);
  std::shared_ptr<platform::FileReader> reader;
  return conversion::ConvertToFile(ConverterWith(), ReadFile(dir / u"in.htm", reader), dir / output,
                                   options);
}

const std::string kMetaUtf8 = "<meta charset=\"utf-8\">";
// "日本" in Shift_JIS, EUC-JP, UTF-8 and UTF-16.
const std::string kSjis = "\x93\xFA\x96\x7B";
const std::string kEuc = "\xC6\xFC\xCB\xDC";
const std::string kUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
const std::string kUtf16Le("\xE5\x65\x2C\x67", 4);
const std::string kUtf16Be("\x65\xE5\x67\x2C", 4);

struct Case {
  const char* name;
  std::string input;
  RunOptions options;
  std::string output;  // the whole output file
  Encoding read;       // what the input was read as, and why
  Why why;
  std::size_t lost = 0;
};

// Each input is decoded as its start says, converted, and written in the
// encoding that keeps it: the ANSI code page for code page input, UTF-8
// (with a mark when the input had one) for Unicode input.
TEST(ConvertToFile, ReadsEachEncodingAndWritesOneThatKeepsIt) {
  using O = OutputChoice;
  const Case cases[] = {
      {"shift_jis", kSjis + "<br>x", {}, kSjis + "\r\nx\r\n", Encoding::kAnsi, Why::kDefault},
      {"nul ends the text",
       std::string("ab\0<br>", 7),
       {},
       "ab\r\n",
       Encoding::kAnsi,
       Why::kDefault},
      {"lead byte before nul",
       std::string("a\x82\0b", 4),
       {},
       "a\x81\x45\r\n",
       Encoding::kAnsi,
       Why::kDefault},
      {"empty", "", {}, "\r\n", Encoding::kAnsi, Why::kDefault},
      {"declared shift_jis",
       "<meta charset=sjis>" + kSjis,
       {},
       kSjis + "\r\n",
       Encoding::kShiftJis,
       Why::kDeclaration},
      {"utf-8 declared",
       kMetaUtf8 + kUtf8 + "<br>",
       {},
       kUtf8 + "\r\n\r\n",
       Encoding::kUtf8,
       Why::kDeclaration},
      {"utf-8 by content", kUtf8 + "&amp;", {}, kUtf8 + "&\r\n", Encoding::kUtf8, Why::kContent},
      {"utf-8 mark",
       "\xEF\xBB\xBF" + kUtf8,
       {},
       "\xEF\xBB\xBF" + kUtf8 + "\r\n",
       Encoding::kUtf8,
       Why::kByteOrderMark},
      {"utf-16le mark",
       "\xFF\xFE" + kUtf16Le + std::string("<\0b\0r\0>\0", 8),
       {},
       "\xEF\xBB\xBF" + kUtf8 + "\r\n\r\n",
       Encoding::kUtf16Le,
       Why::kByteOrderMark},
      {"utf-16be mark",
       "\xFE\xFF" + kUtf16Be,
       {},
       "\xEF\xBB\xBF" + kUtf8 + "\r\n",
       Encoding::kUtf16Be,
       Why::kByteOrderMark},
      {"utf-16 nul unit",
       "\xFF\xFE" + std::string("\x00\x30"
                                "A\0\0\0B\0",
                                8),
       {},
       "\xEF\xBB\xBF\xE3\x80\x80"
       "A\r\n",
       Encoding::kUtf16Le,
       Why::kByteOrderMark},
      {"euc-jp declared",
       "<meta charset=euc-jp>" + kEuc,
       {},
       kSjis + "\r\n",
       Encoding::kEucJp,
       Why::kDeclaration},
      {"iso-2022-jp declared",
       "<meta charset=iso-2022-jp>\x1B$BF|K\\\x1B(B",
       {},
       kSjis + "\r\n",
       Encoding::kIso2022Jp,
       Why::kDeclaration},
      {"iso-2022-jp by its escapes",
       "<p>\x1B$BF|K\\\x1B(B</p>",
       {},
       kSjis + "\r\n\r\n",
       Encoding::kIso2022Jp,
       Why::kContent},
      {"windows-1252 declared",
       "<meta charset=latin1>caf\xE9",
       {},
       "cafe\r\n",
       Encoding::kWindows1252,
       Why::kDeclaration,
       1},
      {"half-width katakana stay", "\xC3\xBD", {}, "\xC3\xBD\r\n", Encoding::kAnsi, Why::kDefault},
      {"chosen utf-16le",
       kUtf16Le,
       {Encoding::kUtf16Le, O::kSame},
       kUtf8 + "\r\n",
       Encoding::kUtf16Le,
       Why::kChosen},
      {"chosen utf-8 keeps its mark out",
       "\xEF\xBB\xBF"
       "a",
       {Encoding::kUtf8, O::kSame},
       "\xEF\xBB\xBF"
       "a\r\n",
       Encoding::kUtf8,
       Why::kChosen},
      {"chosen over a declaration",
       kMetaUtf8 + kSjis,
       {Encoding::kShiftJis, O::kSame},
       kSjis + "\r\n",
       Encoding::kShiftJis,
       Why::kChosen},
      {"to utf-16le",
       kSjis,
       {std::nullopt, O::kUtf16Le},
       "\xFF\xFE" + kUtf16Le + std::string("\r\0\n\0", 4),
       Encoding::kAnsi,
       Why::kDefault},
      {"to utf-8", kSjis, {std::nullopt, O::kUtf8}, kUtf8 + "\r\n", Encoding::kAnsi, Why::kDefault},
      {"to utf-8 with a mark",
       kUtf8,
       {std::nullopt, O::kUtf8WithMark},
       "\xEF\xBB\xBF" + kUtf8 + "\r\n",
       Encoding::kUtf8,
       Why::kContent},
      {"utf-8 to ansi",
       kUtf8 + "\xED\x95\x9C\xF0\x9F\x98\x80",
       {std::nullopt, O::kAnsi},
       kSjis + "???\r\n",
       Encoding::kUtf8,
       Why::kContent,
       2},
      {"utf-8 to shift_jis",
       kUtf8,
       {std::nullopt, O::kShiftJis},
       kSjis + "\r\n",
       Encoding::kUtf8,
       Why::kContent},
      {"malformed utf-8",
       kMetaUtf8 + "\xE6\x97<br>",
       {},
       "\xEF\xBF\xBD\r\n\r\n",
       Encoding::kUtf8,
       Why::kDeclaration},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const RunResult result = RunOn(dir, c.input, c.options);
    EXPECT_EQ(result.status, Status::kConverted) << c.name;
    EXPECT_EQ(dir.Read(u"out.txt"), c.output) << c.name;
    EXPECT_EQ(result.input.encoding, c.read) << c.name;
    EXPECT_EQ(result.input.why, c.why) << c.name;
    EXPECT_EQ(result.lost, c.lost) << c.name;
    EXPECT_EQ(dir.CountEntries(), 2) << c.name;  // no scratch file left
  }
}

// The row and cell of JIS X 0208 of each Shift_JIS pair in `sjis`, in
// EUC-JP's bytes or ISO-2022-JP's (with its escapes); half-width katakana
// as each writes them.
std::string FromShiftJis(std::string_view sjis, bool iso2022jp) {
  std::string out;
  enum { kAscii, kPairs, kKatakana } set = kAscii;
  auto enter = [&](decltype(set) want, const char* escape) {
    if (iso2022jp && set != want) out += escape;
    set = want;
  };
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    const auto b = static_cast<unsigned char>(sjis[i]);
    if (b < 0x80) {
      enter(kAscii, "\x1B(B");
      out += static_cast<char>(b);
    } else if (b >= 0xA1 && b <= 0xDF) {
      enter(kKatakana, "\x1B(I");
      if (!iso2022jp) out += '\x8E';
      out += static_cast<char>(iso2022jp ? b - 0x80 : b);
    } else {
      const auto t = static_cast<unsigned char>(sjis[++i]);
      const int base = b - (b <= 0x9F ? 0x80 : 0xC0);
      const int row = t >= 0x9F ? 2 * base : 2 * base - 1;
      const int cell = t >= 0x9F ? t - 0x9E : t - 0x3F - (t >= 0x80);
      enter(kPairs, "\x1B$B");
      const int offset = iso2022jp ? 0x20 : 0xA0;
      out += static_cast<char>(row + offset);
      out += static_cast<char>(cell + offset);
    }
  }
  enter(kAscii, "\x1B(B");
  return out;
}

// One page in Shift_JIS, EUC-JP, UTF-8 and ISO-2022-JP (declared, and
// told by its escapes) gives one text, read in pieces that cut its
// characters and escapes wherever they fall.
TEST(ConvertStream, OnePageInEachJapaneseEncodingGivesOneText) {
  const std::u16string paragraph =
      u"<p>今日は晴れ、気温は２５℃です。ﾃｽﾄ用の半角カナと「かぎ括弧」、"
      u"①②の記号。English words too.</p>\n";
  std::u16string body;
  while (body.size() < 200000) body += paragraph;
  const std::string sjis = platform::EncodeCp932(body);
  const auto with_meta = [](const char* charset, const std::string& text) {
    return "<html><head><meta charset=" + std::string(charset) + "></head><body>" + text;
  };
  const std::pair<const char*, std::string> copies[] = {
      {"shift_jis", with_meta("shift_jis", sjis)},
      {"euc-jp", with_meta("euc-jp", FromShiftJis(sjis, false))},
      {"utf-8", with_meta("utf-8", platform::EncodeUtf8(body))},
      {"iso-2022-jp", with_meta("iso-2022-jp", FromShiftJis(sjis, true))},
      {"iso-2022-jp undeclared", "<html><body>" + FromShiftJis(sjis, true)},
  };
  const clsQuillmere readable =
      ConverterWith({{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"}, {u"BLOCK", u"1"}});
  std::string expected;
  for (const auto& [name, input] : copies) {
    for (const std::size_t most : {std::size_t{7}, std::size_t{1} << 20}) {
      std::size_t at = 0;
      std::string out;
      const RunResult result = conversion::ConvertStream(
          readable,
          [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
            const std::size_t n = std::min({size, most, input.size() - at});
            std::copy_n(input.data() + at, n, buffer);
            at += n;
            return static_cast<std::ptrdiff_t>(n);
          },
          [&](std::string_view bytes) { return out += bytes, true; },
          {std::nullopt, OutputChoice::kUtf8});
      ASSERT_EQ(result.status, Status::kConverted) << name;
      if (expected.empty()) expected = out;
      ASSERT_EQ(out.size(), expected.size()) << name << " " << most;
      ASSERT_TRUE(out == expected) << name << " " << most;
    }
  }
  EXPECT_NE(expected.find(platform::EncodeUtf8(u"ﾃｽﾄ用の半角カナ")), std::string::npos);
}

// A page whose main content is chosen, read twice from its file instead of
// held: each encoding (with a byte-order mark, and a page longer than the
// start the encoding is decided from) gives the text it gives held, from
// one reading's start again; a saved page's part is never read twice.
TEST(ConvertStream, MainContentReadTwiceFromTheFileGivesWhatItGivesHeld) {
  // A file in memory that counts its rewinds.
  class MemoryFile final : public platform::FileReader {
   public:
    explicit MemoryFile(const std::string& bytes) : bytes_(bytes) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
      const std::size_t n = std::min({size, std::size_t(5000), bytes_.size() - at_});
      std::copy_n(bytes_.data() + at_, n, buffer);
      at_ += n;
      return static_cast<std::ptrdiff_t>(n);
    }
    bool Seek(std::uint64_t offset) override {
      ++seeks;
      at_ = std::min<std::size_t>(offset, bytes_.size());
      return true;
    }
    int seeks = 0;

   private:
    const std::string& bytes_;
    std::size_t at_ = 0;
  };
  std::u16string body =
      u"<title>記事 | サイト</title><div class=nav><a href=/>ホーム</a></div><article>";
  while (body.size() < 100000) body += u"<p>今日は晴れ、気温は２５℃です。「かぎ括弧」と①②。</p>\n";
  body += u"</article>";
  const std::string sjis = platform::EncodeCp932(body);
  const std::string saved = testing_support::ReadSourceFile(
      std::string(QUILLMERE_SOURCE_ROOT) + "/tests/conversion/saved_pages/japanese-sjis.mhtml");
  const struct {
    const char* name;
    std::string input;
    int seeks;  // on the file, read twice
  } rows[] = {
      {"shift_jis", sjis, 1},
      {"euc-jp declared", "<meta charset=euc-jp>" + FromShiftJis(sjis, false), 1},
      {"utf-8 with a mark", "\xEF\xBB\xBF" + platform::EncodeUtf8(body), 1},
      {"utf-16le with a mark",
       [&] {
         std::string bytes = "\xFF\xFE";
         for (const char16_t c : body) bytes += {char(c & 0xFF), char(c >> 8)};
         return bytes;
       }(),
       1},
      {"a saved page", saved, 0},
  };
  const clsQuillmere main_content = ConverterWith(
      {{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"}, {u"BLOCK", u"1"}, {u"MAIN", u"1"}});
  for (const auto& row : rows) {
    std::string outs[2];
    for (const bool twice : {false, true}) {
      MemoryFile file(row.input);
      RunOptions options;
      if (twice) options.file = &file;
      const RunResult result = conversion::ConvertStream(
          main_content, [&](char* buffer, std::size_t size) { return file.Read(buffer, size); },
          [&](std::string_view bytes) { return outs[twice] += bytes, true; }, options);
      EXPECT_EQ(result.status, Status::kConverted) << row.name;
      EXPECT_EQ(file.seeks, twice ? row.seeks : 0) << row.name;
    }
    EXPECT_GT(outs[0].size(), 200u) << row.name;
    EXPECT_TRUE(outs[1] == outs[0]) << row.name;
  }
}

// The decision sees the input's first 64 KiB however the reads come: a
// reader that gives one byte at a time decides as one that gives them all.
TEST(ConvertStream, DecidesFromTheStartWhateverTheReads) {
  struct Input {
    std::string bytes;
    Encoding read;
  };
  // Past the first 64 KiB the content no longer decides.
  const Input inputs[] = {
      {std::string(70000, 'a') + kUtf8, Encoding::kAnsi},
      {std::string(100, 'a') + kUtf8 + std::string(70000, 'b'), Encoding::kUtf8}};
  for (const auto& [input, read] : inputs) {
    for (const std::size_t most : {std::size_t{1}, std::size_t{4096}, std::size_t{1} << 20}) {
      std::size_t at = 0;
      std::string out;
      const RunResult result = conversion::ConvertStream(
          ConverterWith(),
          [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
            const std::size_t n = std::min({size, most, input.size() - at});
            std::copy_n(input.data() + at, n, buffer);
            at += n;
            return static_cast<std::ptrdiff_t>(n);
          },
          [&](std::string_view bytes) { return out += bytes, true; });
      ASSERT_EQ(result.status, Status::kConverted);
      EXPECT_EQ(result.input.encoding, read);
      EXPECT_EQ(out, input + "\r\n");
    }
  }
}

// A file of exactly 64 KiB is whole: a character its end cuts counts against
// UTF-8, where one cut by the edge of a longer file's first 64 KiB does not.
TEST(ConvertStream, KnowsWhenTheFirst64KiBAreTheWholeFile) {
  const std::string exact = kUtf8 + std::string(65536 - 8, 'a') + "\xE6\x97";
  ASSERT_EQ(exact.size(), 65536u);
  for (const auto& [input, read] :
       {std::pair{exact, Encoding::kAnsi}, std::pair{exact + "\xA5", Encoding::kUtf8}}) {
    std::size_t at = 0;
    const RunResult result = conversion::ConvertStream(
        ConverterWith(),
        [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
          const std::size_t n = std::min(size, input.size() - at);
          std::copy_n(input.data() + at, n, buffer);
          at += n;
          return static_cast<std::ptrdiff_t>(n);
        },
        [](std::string_view) { return true; });
    EXPECT_EQ(result.input.encoding, read) << input.size();
  }
}

// A failure reading or writing leaves the old output as it was, and no
// other file beside it.
TEST(ConvertToFile, FailuresLeaveTheOldFileAsItWas) {
  TempDir dir;
  dir.Write(u"old.txt", "keep me");
  dir.SetReadOnly(u"old.txt", true);
  dir.MakeFolder(u"folder.txt");
  dir.Write(u"in.htm", "new");
  struct Refusal {
    std::u16string output;
    WriteError error;
  };
  const Refusal refusals[] = {{u"old.txt", WriteError::kReadOnly},
                              {u"folder.txt", WriteError::kIsDirectory},
                              {u"no\\out.txt", WriteError::kNoFolder}};
  for (const Refusal& c : refusals) {
    std::shared_ptr<platform::FileReader> reader;
    const RunResult result = conversion::ConvertToFile(
        ConverterWith(), ReadFile(dir / u"in.htm", reader), dir / c.output, {});
    EXPECT_EQ(result.status, Status::kUnwritable) << Show(c.output);
    EXPECT_EQ(result.write_error, c.error) << Show(c.output);
  }
  dir.SetReadOnly(u"old.txt", false);
  // Reads that fail at the start, or after the first pieces.
  for (const int fail_at : {1, 3}) {
    int reads = 0;
    const RunResult result =
        conversion::ConvertToFile(ConverterWith(),
                                  [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
                                    if (++reads == fail_at) return -1;
                                    std::fill_n(buffer, size, 'x');
                                    return static_cast<std::ptrdiff_t>(size);
                                  },
                                  dir / u"old.txt", {});
    EXPECT_EQ(result.status, Status::kUnreadable);
  }
  EXPECT_EQ(dir.Read(u"old.txt"), "keep me");
  EXPECT_EQ(dir.CountEntries(), 3);
}

TEST(ConvertToFile, PathsLongerThan260CharactersWork) {
  TempDir dir;
  std::u16string relative;
  for (int i = 0; i < 6; ++i) {
    relative += (i ? u"\\" : u"") + std::u16string(50, static_cast<char16_t>(u'a' + i));
    dir.MakeFolder(relative);
  }
  const std::u16string path = dir / (relative + u"\\page.htm");
  ASSERT_GT(path.size(), 300u);
  dir.Write(relative + u"\\page.htm", "long");
  std::shared_ptr<platform::FileReader> reader;
  const RunResult result = conversion::ConvertToFile(ConverterWith(), ReadFile(path, reader),
                                                     dir / (relative + u"\\out.txt"), {});
  EXPECT_EQ(result.status, Status::kConverted);
  EXPECT_EQ(dir.Read(relative + u"\\out.txt"), "long\r\n");
}

#ifdef _WIN32
TEST(ConvertToFile, DevicesAreNeverReportedAsWritten) {
  // Devices are not read either: reading one could wait forever.
  for (const std::u16string name :
       {u"CON", u"NUL", u"COM1", u"LPT1", u"\\\\.\\NUL", u"\\\\.\\CON", u"nul.htm", u"con.txt"})
    EXPECT_EQ(platform::FileReader::Open(name), nullptr) << Show(name);
  for (const std::u16string name : {u"CON", u"COM1", u"\\\\.\\NUL"}) {
    const RunResult result = conversion::ConvertToFile(
        ConverterWith(), [](char*, std::size_t) -> std::ptrdiff_t { return 0; }, name, {});
    EXPECT_EQ(result.status, Status::kUnwritable) << Show(name);
  }
}
#endif

}  // namespace
