// The ten options from the first ten bytes of a fuzzer's input: flags 0 or
// 1, the dash count between -most_dashes and most_dashes, link types 0 to 3;
// and the readable text's switches from another.
#pragma once

#include <cstdint>
#include <string>

#include "engine/clsQuillmere.h"

inline clsQuillmere FuzzedOptions(const std::uint8_t* data, int most_dashes) {
  static const char16_t* const kKeys[] = {u"HR",    u"HR_NUM",         u"BR",    u"P",
                                          u"IMG",   u"ANAME",          u"AHREF", u"AHREFSharp",
                                          u"ENTER", u"A_LINK_TAG_TYPE"};
  clsQuillmere q;
  for (int i = 0; i < 10; ++i) {
    int v = static_cast<std::int8_t>(data[i]);
    v = i == 1 ? v % (most_dashes + 1) : i == 9 ? v & 3 : v & 1;
    const std::string text = std::to_string(v);
    q.SetValue(kKeys[i], std::u16string(text.begin(), text.end()));
  }
  return q;
}

// The six readable-text switches from the bits of one byte, and RUBY's
// mode from its last two.
inline void FuzzReadableSwitches(clsQuillmere& q, std::uint8_t bits) {
  static const char16_t* const kReadable[] = {u"SCRIPT", u"ENTITY", u"SPACE",
                                              u"BLOCK",  u"TABLE",  u"LINKS"};
  for (int bit = 0; bit < 6; ++bit) q.SetValue(kReadable[bit], bits >> bit & 1 ? u"1" : u"0");
  static const char16_t* const kRuby[] = {u"0", u"1", u"2", u"3"};
  q.SetValue(u"RUBY", kRuby[bits >> 6]);
}
