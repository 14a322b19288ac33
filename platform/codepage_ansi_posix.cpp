// Off Windows the ANSI code page is code page 932, and both it and
// windows-1252 come from our own tables.
#include "platform/codecs.h"
#include "platform/codepage.h"

namespace platform {

std::u16string DecodeAnsi(std::string_view bytes) {
  return DecodeCp932(bytes);
}
std::string EncodeAnsi(std::u16string_view text) {
  return EncodeCp932(text);
}
bool IsAnsiLeadByte(unsigned char byte) {
  return IsCp932LeadByte(byte);
}
bool AnsiIsShiftJis() {
  return true;
}

std::u16string DecodeShiftJis(std::string_view bytes) {
  return DecodeCp932(bytes);
}
std::string EncodeShiftJis(std::u16string_view text) {
  return EncodeCp932(text);
}

std::u16string DecodeWindows1252(std::string_view bytes) {
  // Latin-1, but for 0x80..0x9F, which hold the typographic characters.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out[i] = b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : b;
  }
  return out;
}

}  // namespace platform
