// The encodings files come in, decoded whole and in pieces, and the ones the
// output is written in. The same tables run in both builds: on Windows code
// page 932 and windows-1252 are the platform's own.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::Encoding;
using testing_support::Show;

std::u16string DecodeAll(Encoding encoding, std::string_view bytes) {
  std::u16string out;
  EXPECT_EQ(platform::DecodePiece(encoding, bytes, true, out), bytes.size());
  return out;
}

// The text of `bytes` decoded in pieces cut at the given places, each piece
// starting with what the one before left over.
std::u16string DecodeCut(Encoding encoding, std::string_view bytes,
                         const std::vector<std::size_t>& cuts) {
  platform::PieceDecoder decoder(encoding);
  std::u16string out;
  std::string carry;
  std::size_t from = 0;
  for (std::size_t k = 0; k <= cuts.size(); ++k) {
    const std::size_t to = k < cuts.size() ? cuts[k] : bytes.size();
    carry.append(bytes.substr(from, to - from));
    const bool last = k == cuts.size();
    const std::size_t start = out.size();
    out.resize(start + carry.size() + 1);
    std::size_t taken = 0;
    out.resize(start + decoder.DecodeTo(carry, last, out.data() + start, taken));
    EXPECT_LE(carry.size() - taken, last ? 0u : 3u);
    carry.erase(0, taken);
    from = to;
  }
  return out;
}

const char* Name(Encoding e) {
  switch (e) {
    case Encoding::kAnsi:
      return "ansi";
    case Encoding::kShiftJis:
      return "shift_jis";
    case Encoding::kEucJp:
      return "euc-jp";
    case Encoding::kUtf8:
      return "utf-8";
    case Encoding::kUtf16Le:
      return "utf-16le";
    case Encoding::kUtf16Be:
      return "utf-16be";
    case Encoding::kWindows1252:
      return "windows-1252";
    case Encoding::kIso2022Jp:
      return "iso-2022-jp";
  }
  return "?";
}

struct DecodeCase {
  Encoding encoding;
  std::string bytes;
  std::u16string text;
};

// What each decoder makes of well-formed and of malformed input (the
// Encoding standard's decoders for EUC-JP, ISO-2022-JP, UTF-8 and UTF-16).
const std::vector<DecodeCase>& DecodeCases() {
  using E = Encoding;
  static const std::vector<DecodeCase> cases = {
      {E::kShiftJis, "\x82\xA0\x93\xFA<b>\xB1", u"あ日<b>ｱ"},
      {E::kShiftJis, "\x81\x60\x87\x40", u"～①"},
      {E::kShiftJis, "\x85\x40\x81", u"\u30FB\u30FB"},  // unassigned, then a lone lead byte
      {E::kEucJp, "\xA4\xA2\xC6\xFC\xCB\xDC<b>", u"あ日本<b>"},
      {E::kEucJp, "\xB0\xA1\xF4\xA6", u"亜熙"},            // first and last of level 2
      {E::kEucJp, "\xA1\xC1\xA1\xDD\xA2\xCC", u"～－￢"},  // as Windows maps them
      {E::kEucJp, "\xAD\xA1\xAD\xE2\xF9\xA1", u"①№纊"},    // NEC and IBM extensions
      {E::kEucJp, "\x8E\xB1\x8E\xDF", u"ｱﾟ"},              // half-width katakana
      {E::kEucJp, "\x8F\xB0\xA1x", u"\uFFFDx"},            // JIS X 0212
      {E::kEucJp, "\x8F\xB0x", u"\uFFFDx"},                // ... broken off
      {E::kEucJp,
       "\x8F"
       "ab",
       u"\uFFFDab"},
      {E::kEucJp, "\x8F\x80x", u"\uFFFDx"},  // one U+FFFD for both bytes
      {E::kEucJp, "\x8E\xE0x", u"\uFFFDx"},  // no half-width katakana
      {E::kEucJp,
       "\x8E"
       "ab",
       u"\uFFFDab"},
      {E::kEucJp,
       "\xA4"
       "ab",
       u"\uFFFDab"},                                       // lead byte before ASCII
      {E::kEucJp, "\xA9\xA1x", u"\uFFFDx"},                // unassigned row
      {E::kEucJp, "\xA2\xAF", u"\uFFFD"},                  // unassigned cell
      {E::kEucJp, "\x80\xA0\xFF", u"\uFFFD\uFFFD\uFFFD"},  // never a lead byte
      {E::kEucJp, "a\xA4", u"a\uFFFD"},                    // cut by the end
      {E::kEucJp, "a\x8F\xB0", u"a\uFFFD"},
      // ISO-2022-JP: each set, then each error of the standard's decoder.
      {E::kIso2022Jp, "\x1B$B$3$s$K$A$O\x1B(B!", u"こんにちは!"},
      {E::kIso2022Jp, "a\x1B$@F|K\\\x1B(Bb", u"a日本b"},                // ESC $ @ is JIS X 0208 too
      {E::kIso2022Jp, "\x1B$B-!-b\x1B(B", u"①№"},                       // NEC's row 13
      {E::kIso2022Jp, "\\~\x1B(J\\~a\x1B(B\\", u"\\~\u00A5\u203Ea\\"},  // Roman
      {E::kIso2022Jp, "\x1B(I1_\x1B(B", u"ｱﾟ"},                         // half-width katakana
      {E::kIso2022Jp, "\x1B(I \x60\x1B(B", u"\uFFFD\uFFFD"},            // ... outside its range
      {E::kIso2022Jp, "\r\n\x0E\x0F\x1B(J\x0E", u"\r\n\uFFFD\uFFFD\uFFFD"},  // SO and SI
      {E::kIso2022Jp, "a\x80\xFF", u"a\uFFFD\uFFFD"},                        // eight-bit bytes
      {E::kIso2022Jp, "\x1B$B\xC6\xFC", u"\uFFFD\uFFFD"},  // ... as a pair's bytes
      {E::kIso2022Jp, "\x1B(B\x1B(Ba", u"\uFFFDa"},        // two escapes in a row
      {E::kIso2022Jp, "a\x1B$B\x1B(Bb", u"a\uFFFDb"},
      {E::kIso2022Jp, "\x1B(Ba\x1B(Bb\x1B$B\x1B(B", u"ab\uFFFD"},
      {E::kIso2022Jp, "a\x1B", u"a\uFFFD"},  // escapes broken off, at the end
      {E::kIso2022Jp, "a\x1B$", u"a\uFFFD$"},
      {E::kIso2022Jp, "\x1B$Xa", u"\uFFFD$Xa"},  // ... and by a byte of no escape
      {E::kIso2022Jp, "\x1Bxa", u"\uFFFDxa"},
      {E::kIso2022Jp, "\x1B(I\x1B$P", u"\uFFFD\uFF64\uFF90"},  // read again in the set
      {E::kIso2022Jp, "\x1B$BF|\x1B", u"日\uFFFD"},
      {E::kIso2022Jp, "\x1B$BF", u"\uFFFD"},             // a lead byte at the end
      {E::kIso2022Jp, "\x1B$BF\x1B(Ba", u"\uFFFDa"},     // ... before an escape
      {E::kIso2022Jp, "\x1B$BF\n$\"", u"\uFFFD\u3042"},  // a trail byte outside the range
      {E::kIso2022Jp, "\x1B$B\n$\"", u"\uFFFD\u3042"},   // a lead byte outside it
      {E::kIso2022Jp, "\x1B$B)!", u"\uFFFD"},            // an unassigned row
      {E::kUtf8, "\xE3\x81\x82\xF0\x9F\x98\x80", u"あ😀"},
      {E::kUtf8, "\xE3\x81\x41", u"\uFFFDA"},
      {E::kUtf16Le, std::string("A\0\x42\x30", 4), u"Aあ"},
      {E::kUtf16Be, std::string("\0A\x30\x42", 4), u"Aあ"},
      {E::kUtf16Le, std::string("\x3D\xD8\x00\xDE", 4), u"😀"},
      {E::kUtf16Le,
       std::string("\x3D\xD8"
                   "A\0",
                   4),
       u"\uFFFDA"},  // high, then no low
      {E::kUtf16Le,
       std::string("\x00\xDE"
                   "A\0",
                   4),
       u"\uFFFDA"},                                              // low alone
      {E::kUtf16Le, std::string("\x3D\xD8", 2), u"\uFFFD"},      // high at the end
      {E::kUtf16Le, std::string("A\0B", 3), u"A\uFFFD"},         // odd byte at the end
      {E::kUtf16Le, std::string("\x3D\xD8\x3D", 3), u"\uFFFD"},  // one U+FFFD for both
      {E::kUtf16Le, std::string("\x3D\xD8\x3D\xD8\x00\xDE", 6), u"\uFFFD😀"},
      {E::kWindows1252, "a\x80\x9F\xA0\xE9\xFF", u"a€Ÿ\u00A0éÿ"},
      {E::kWindows1252, "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
  };
  return cases;
}

TEST(Decode, EachEncodingAsItsDecoderReadsIt) {
  for (const DecodeCase& c : DecodeCases())
    EXPECT_EQ(Show(DecodeAll(c.encoding, c.bytes)), Show(c.text))
        << Name(c.encoding) << " " << testing::PrintToString(c.bytes);
}

// A piece may end anywhere: the text is the same wherever the pieces are
// cut, on the cases above and on random bytes of each encoding's kinds.
TEST(Decode, PiecesCutAnywhereGiveTheWholeText) {
  for (const DecodeCase& c : DecodeCases()) {
    for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut)
      ASSERT_EQ(Show(DecodeCut(c.encoding, c.bytes, {cut})), Show(c.text))
          << Name(c.encoding) << " cut at " << cut;
    std::vector<std::size_t> every;
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) every.push_back(cut);
    ASSERT_EQ(Show(DecodeCut(c.encoding, c.bytes, every)), Show(c.text)) << Name(c.encoding);
  }
  std::mt19937 random(14);
  const char kAlphabet[] =
      "aA<\0\x80\x81\x8E\x8F\x9F\xA0\xA1\xA4\xB0\xC2\xD8\xDC\xDE\xDF\xE0\xE3\xED\xEF\xF0\xF4"
      "\xF9\xFE\xFF";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  for (const Encoding e : {Encoding::kAnsi, Encoding::kShiftJis, Encoding::kEucJp, Encoding::kUtf8,
                           Encoding::kUtf16Le, Encoding::kUtf16Be, Encoding::kWindows1252}) {
    for (int round = 0; round < 2000; ++round) {
      std::string bytes(random() % 24, '\0');
      for (char& b : bytes) b = alphabet[random() % alphabet.size()];
      std::vector<std::size_t> cuts;
      for (std::size_t at = 0; at < bytes.size(); at += 1 + random() % 4) cuts.push_back(at);
      ASSERT_EQ(DecodeCut(e, bytes, cuts), DecodeAll(e, bytes))
          << Name(e) << " " << testing::PrintToString(bytes);
    }
  }
  // ISO-2022-JP's escapes hold across pieces.
  const std::string iso2022jp(
      "\x1B\x1B$$((B@JIP!~\x0E\n\x80"
      "a");
  for (int round = 0; round < 4000; ++round) {
    std::string bytes(random() % 24, '\0');
    for (char& b : bytes) b = iso2022jp[random() % iso2022jp.size()];
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < bytes.size(); at += 1 + random() % 4) cuts.push_back(at);
    ASSERT_EQ(Show(DecodeCut(Encoding::kIso2022Jp, bytes, cuts)),
              Show(DecodeAll(Encoding::kIso2022Jp, bytes)))
        << testing::PrintToString(bytes);
  }
}

// EUC-JP's two-byte rows are Shift_JIS's: every character that code page
// 932 assigns in rows 1 to 94 decodes alike from its EUC-JP bytes.
TEST(Decode, EucJpRowsAreThoseOfShiftJis) {
  int characters = 0;
  for (int row = 1; row <= 94; ++row) {
    for (int cell = 1; cell <= 94; ++cell) {
      const int lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
      const int trail = row % 2 ? cell + (cell <= 63 ? 0x3F : 0x40) : cell + 0x9E;
      const std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string euc{static_cast<char>(0xA0 + row), static_cast<char>(0xA0 + cell)};
      std::u16string expected = DecodeAll(Encoding::kShiftJis, sjis);
      ASSERT_EQ(expected.size(), 1u);
      if (expected == u"\u30FB" && sjis != "\x81\x45") expected = u"\uFFFD";  // unassigned
      characters += expected != u"\uFFFD";
      ASSERT_EQ(Show(DecodeAll(Encoding::kEucJp, euc)), Show(expected)) << row << "," << cell;
    }
  }
  // JIS X 0208, NEC's row 13 and the IBM extensions NEC selected.
  EXPECT_EQ(characters, 6879 + 83 + 374);
}

TEST(Decode, Windows1252IsLatin1ButForItsTypographicRow) {
  const char16_t row[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const char16_t expected = b >= 0x80 && b <= 0x9F ? row[b - 0x80] : static_cast<char16_t>(b);
    ASSERT_EQ(Show(DecodeAll(Encoding::kWindows1252, byte)), Show(std::u16string(1, expected)))
        << b;
  }
}

// The normal form of UTF-8 bytes decodes as the bytes do and is valid: the
// byte-level conversion may then work on it directly.
TEST(NormalizeUtf8, ReplacesWhatIsMalformedAndKeepsTheRest) {
  struct Case {
    std::string bytes, normal;
  };
  const Case cases[] = {
      {"a\xE3\x81\x82", "a\xE3\x81\x82"},
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"x\xE3\x81<", "x\xEF\xBF\xBD<"},
      {"\xED\xA0\x80!", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!"},
      {"\xE3\x81", "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    std::string scratch;
    std::size_t taken = 0;
    EXPECT_EQ(platform::NormalizeUtf8(c.bytes, true, scratch, taken), c.normal);
    EXPECT_EQ(taken, c.bytes.size());
  }
  // A valid piece is its own normal form; a character cut by its end waits.
  std::string scratch;
  std::size_t taken = 0;
  const std::string valid = "ab\xE3\x81\x82\xE3\x81";
  const std::string_view normal = platform::NormalizeUtf8(valid, false, scratch, taken);
  EXPECT_EQ(normal.data(), valid.data());
  EXPECT_EQ(taken, 5u);

  std::mt19937 random(8);
  const std::string alphabet = "a<\x80\x9F\xA0\xBF\xC2\xDF\xE0\xE3\xED\xEF\xF0\xF4\xF5";
  for (int round = 0; round < 5000; ++round) {
    std::string bytes(random() % 16, '\0');
    for (char& b : bytes) b = alphabet[random() % alphabet.size()];
    const bool last = random() % 2 == 0;
    const std::string_view form = platform::NormalizeUtf8(bytes, last, scratch, taken);
    ASSERT_EQ(platform::ValidUtf8Length(form), form.size());
    std::u16string decoded;
    ASSERT_EQ(platform::DecodePiece(Encoding::kUtf8, bytes, last, decoded), taken);
    ASSERT_EQ(platform::DecodeUtf8(form), decoded) << testing::PrintToString(bytes);
  }
}

TEST(Encode, EachOutputEncodingAndWhatItCannotHold) {
  struct Case {
    Encoding encoding;
    std::u16string text;
    std::string bytes;
    std::size_t lost;
  };
  const Case cases[] = {
      {Encoding::kShiftJis, u"あa",
       "\x82\xA0"
       "a",
       0},
      {Encoding::kShiftJis, u"¥한😀・", "\\??\x3F\x81\x45", 3},
      {Encoding::kAnsi, u"\uFFFDé", "?e", 2},  // a best fit counts too
      {Encoding::kUtf8, u"あ😀\uFFFD", "\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBF\xBD", 0},
      {Encoding::kUtf16Le, u"Aあ😀", std::string("A\0\x42\x30\x3D\xD8\x00\xDE", 8), 0},
      {Encoding::kUtf16Be, u"Aあ", std::string("\0A\x30\x42", 4), 0},
  };
  for (const Case& c : cases) {
    std::string out = "head";
    EXPECT_EQ(platform::EncodeAppend(c.encoding, c.text, out), c.lost) << Name(c.encoding);
    EXPECT_EQ(out, "head" + c.bytes) << Name(c.encoding);
  }
}

#ifdef _WIN32
// Our UTF-8 decoder against the platform's, on every character. On malformed
// input Windows versions differ, and Wine's decoder even takes an ASCII byte
// into the U+FFFD of a cut-off sequence ("\xEF" "a" gives one U+FFFD), which
// would hide a "<" from the converter: files are decoded by ours, which
// follows the Encoding standard (the tables above).
TEST(DecodeAgainstPlatform, Utf8AgreesWithThePlatformOnEveryCharacter) {
  std::u16string every;
  for (char32_t cp = 1; cp < 0x110000; cp += cp < 0x10000 ? 1 : 97) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    if (cp >= 0x10000) {
      every.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      every.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      every.push_back(static_cast<char16_t>(cp));
    }
  }
  const std::string bytes = platform::EncodeUtf8(every);
  std::u16string platform_text(bytes.size(), u'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    reinterpret_cast<wchar_t*>(platform_text.data()),
                                    static_cast<int>(platform_text.size()));
  platform_text.resize(static_cast<std::size_t>(n));
  EXPECT_EQ(platform::DecodeUtf8(bytes), platform_text);
  EXPECT_EQ(platform::DecodeUtf8(bytes), every);
}
#endif

}  // namespace
