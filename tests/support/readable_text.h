// What the tests and fuzzers of the readable text share: the scan's options
// as a converter holds them, and the plain spaces an output gets for the
// spaces it cannot hold.
#pragma once

#include <string>

#include "engine/clsQuillmere.h"
#include "engine/readable_scan.h"
#include "platform/codepage.h"

namespace testing_support {

// The options of `q` as the readable scan reads them.
inline engine::ScanOptions ScanOptionsOf(const clsQuillmere& q) {
  auto value = [&](const char16_t* key) {
    int v = 0;
    bool negative = false;
    for (const char16_t c : q.GetValue(key)) {
      if (c == u'-') negative = true;
      if (c >= u'0' && c <= u'9') v = v * 10 + (c - u'0');
    }
    return negative ? -v : v;
  };
  engine::ScanOptions o;
  o.hr = value(u"HR") != 0;
  o.dashes = value(u"HR_NUM") > 0 ? value(u"HR_NUM") : 0;
  o.br = value(u"BR") != 0;
  o.p = value(u"P") != 0;
  o.img = value(u"IMG") != 0;
  o.aname = value(u"ANAME") != 0;
  o.ahref = value(u"AHREF") != 0;
  o.ahref_sharp = value(u"AHREFSharp") != 0;
  o.enter = value(u"ENTER") != 0;
  o.link_type = value(u"A_LINK_TAG_TYPE");
  o.script = value(u"SCRIPT") != 0;
  o.entity = value(u"ENTITY") != 0;
  o.space = value(u"SPACE") != 0;
  o.block = value(u"BLOCK") != 0;
  o.table = value(u"TABLE") != 0;
  o.links = value(u"LINKS") != 0;
  o.main = value(u"MAIN") != 0;
  return o;
}

// The codecs of a byte session in UTF-8 and in the ANSI code page.
class Utf8Codec final : public clsQuillmere::ByteCodec {
 public:
  bool IsLeadByte(unsigned char) const override { return false; }
  std::string Encode(std::u16string_view text) const override { return platform::EncodeUtf8(text); }
};

class AnsiCodec final : public clsQuillmere::ByteCodec {
 public:
  bool IsLeadByte(unsigned char byte) const override { return platform::IsAnsiLeadByte(byte); }
  std::string Encode(std::u16string_view text) const override { return platform::EncodeAnsi(text); }
  bool Holds(char32_t c) const override {
    const std::u16string unit(1, static_cast<char16_t>(c));
    return c < 0x10000 && platform::DecodeAnsi(platform::EncodeAnsi(unit)) == unit;
  }
};

// A space of Unicode's class Zs other than U+0020.
inline bool IsOtherSpace(char16_t c) {
  return c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

inline bool HasOtherSpaces(std::u16string_view text) {
  for (const char16_t c : text)
    if (IsOtherSpace(c)) return true;
  return false;
}

// `text`, converted from an input with no such spaces of its own, as the
// readable conversion writes it in `output`: a space that a reference gave
// and the encoding cannot hold becomes a plain space.
inline std::u16string PlainSpacesFor(std::u16string text, platform::Encoding output) {
  for (char16_t& c : text) {
    std::string bytes;
    if (IsOtherSpace(c) && platform::EncodeAppend(output, std::u16string(1, c), bytes) != 0)
      c = u' ';
  }
  return text;
}

}  // namespace testing_support
