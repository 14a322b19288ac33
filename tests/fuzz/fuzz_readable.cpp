// The readable text with fuzzed options and text: fed in pieces it gives what
// the whole text gives, in UTF-16 and through the conversion of a file's
// bytes (the portable scan as the vector unit's); it holds no NUL; its line
// breaks are CR LF, never three in a row with ENTER on; and
// with none of its four options on, the readable scan gives what the classic
// conversion gives wherever no dropped tag falls inside an entity.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/clsQuillmere.h"
#include "engine/readable_scan.h"
#include "platform/codepage.h"
#include "platform/vector_unit.h"
#include "tests/fuzz/fuzzed_options.h"
#include "tests/support/convert_string.h"
#include "tests/support/readable_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  clsQuillmere q = FuzzedOptions(data, 8);
  FuzzReadableSwitches(q, data[10]);
  const std::size_t most = 1 + data[11] % 16;  // the most a piece holds
  if (data[11] & 0x80) {                       // lines wrapped at 20 to 55 columns
    const std::string width = std::to_string(20 + (data[11] >> 4 & 7) * 5);
    q.SetValue(u"WIDTH", std::u16string(width.begin(), width.end()));
  }
  const std::string bytes(reinterpret_cast<const char*>(data) + 12, size - 12);
  // Mostly the characters the readable text acts on.
  std::u16string input;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    static const char16_t kAlphabet[] =
        u"<>&;#x0123456789\r\n \t!-/=\"'aAbBcdeEfhHiIlmnNoOpPrRsStTuvy\u00A0\u3000";
    if (c < 0xC000) c = kAlphabet[c % (sizeof(kAlphabet) / sizeof(char16_t) - 1)];
    input.push_back(c);
  }

  const std::u16string whole = q.Execute(input);
  clsQuillmere::Session session(q);
  std::u16string pieces;
  for (std::size_t at = 0; at < input.size(); at += most)
    session.Feed(std::u16string_view(input).substr(at, most), pieces);
  session.Finish(pieces);
  if (pieces != whole) std::abort();

  // No mark of a list whose numbers waited is left in the text.
  if (whole.find(u'\0') != std::u16string::npos) std::abort();

  const bool enter = q.GetValue(u"ENTER") != u"0";
  std::size_t run = 0;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (whole[i] == u'\n') std::abort();  // LF without CR
    if (whole[i] != u'\r') {
      run = 0;
      continue;
    }
    if (i + 1 >= whole.size() || whole[i + 1] != u'\n') std::abort();  // CR alone
    ++i;
    if (enter && ++run >= 3) std::abort();
  }

  // The raw bytes as a code page file, converted in pieces.
  const std::optional<std::string> out =
      testing_support::ConvertString(q, bytes, [most] { return most; });
  if (!out) std::abort();
  // The same with the portable scan in place of the vector unit's.
  const platform::VectorUnit unit = platform::ActiveVectorUnit();
  platform::UseVectorUnit(platform::VectorUnit::kScalar);
  const std::optional<std::string> scalar =
      testing_support::ConvertString(q, bytes, [most] { return most; });
  platform::UseVectorUnit(unit);
  if (scalar != out) std::abort();
  const std::u16string decoded = testing_support::DecodeText(bytes);
  const std::u16string text = q.Execute(decoded) + u"\r\n";
  // A character the code page lacks is one column wide as its "?" in the
  // code page's grids and wrapped lines, and as wide as it is in UTF-16's:
  // there only text the code page holds compares.
  std::string expected;
  const std::size_t lost = platform::EncodeAppend(
      platform::Encoding::kAnsi, testing_support::PlainSpacesFor(text, platform::Encoding::kAnsi),
      expected);
  const bool columns = q.GetValue(u"TABLE") != u"0" || q.GetValue(u"WIDTH") != u"0";
  if (!testing_support::HasOtherSpaces(decoded) && (lost == 0 || !columns) && *out != expected)
    std::abort();

  bool joins = false;  // an "&" with a tag within an entity's reach after it
  for (std::size_t at = input.find(u'&'); at != input.npos; at = input.find(u'&', at + 1))
    joins = joins || input.substr(at, 9).find(u'<') != std::u16string::npos;
  if (!joins) {
    engine::ScanOptions none = testing_support::ScanOptionsOf(q);
    none.script = none.entity = none.space = none.block = none.table = none.links = false;
    engine::ReadableScan<char16_t> scan(none, nullptr, nullptr, nullptr, u"[イメージ:",
                                        u"[リンク:");
    std::u16string readable;
    scan.Feed(input, readable);
    scan.Finish(readable, {});
    clsQuillmere classic = q;
    FuzzReadableSwitches(classic, 0);
    if (readable != classic.Execute(input)) std::abort();
  }
  return 0;
}
