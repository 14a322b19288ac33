#include "conversion/input_encoding.h"

#include <cstring>
#include <string>

namespace conversion {
namespace {

using platform::Encoding;
using Why = InputEncoding::Why;

struct Mark {
  std::string_view bytes;
  Encoding encoding;
};
constexpr Mark kMarks[] = {{"\xEF\xBB\xBF", Encoding::kUtf8},
                           {"\xFF\xFE", Encoding::kUtf16Le},
                           {"\xFE\xFF", Encoding::kUtf16Be}};

bool HasEightBitByte(std::string_view bytes) {
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

}  // namespace

std::string_view ByteOrderMark(Encoding encoding) {
  for (const Mark& m : kMarks)
    if (m.encoding == encoding) return m.bytes;
  return {};
}

bool LooksLikeUtf8(std::string_view sample, bool whole) {
  const std::size_t valid = platform::ValidUtf8Length(sample);
  if (valid < sample.size()) {
    // Only a character cut by the end of the sample may follow, and only
    // when the text goes on after it.
    std::string scratch;
    std::size_t taken = 0;
    if (whole || sample.size() - valid > 3) return false;
    platform::NormalizeUtf8(sample.substr(valid), false, scratch, taken);
    if (taken != 0) return false;
  }
  // In well-formed UTF-8 every byte from 0xC0 begins a character.
  const auto* p = reinterpret_cast<const unsigned char*>(sample.data());
  for (std::size_t i = 0; i < valid; ++i) {
    if (p[i] >= 0xE0) return true;
    if (p[i] >= 0xC0 && p[i + 1] <= 0xA0) return true;
  }
  return false;
}

bool LooksLikeIso2022Jp(std::string_view sample) {
  bool escapes = false;
  for (std::size_t i = 0; i < sample.size(); ++i) {
    const auto b = static_cast<unsigned char>(sample[i]);
    if (b >= 0x80) return false;
    if (b == 0x1B && !escapes) {
      const std::string_view sequence = sample.substr(i + 1, 2);
      escapes = sequence == "$B" || sequence == "$@" || sequence == "(I";
    }
  }
  return escapes;
}

InputEncoding DecideInputEncoding(std::string_view head, bool whole) {
  for (const Mark& m : kMarks)
    if (head.starts_with(m.bytes)) return {m.encoding, Why::kByteOrderMark, m.bytes.size()};
  bool in_xml = false;
  const std::string_view declared = PrescanForEncoding(head.substr(0, kDeclarationReach), &in_xml);
  // Only the text before the first NUL is ever converted.
  std::string_view text = head;
  if (const void* nul = std::memchr(head.data(), 0, head.size())) {
    text = head.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - head.data()));
    whole = true;
  }
  if (!declared.empty())
    if (const std::optional<Encoding> e = SupportedEncoding(declared))
      // ISO-2022-JP has no byte past 0x7F: a text with one is in another
      // encoding, which the content may tell, and would be all U+FFFD.
      if (*e != Encoding::kIso2022Jp || !HasEightBitByte(text))
        return {*e, in_xml ? Why::kXmlDeclaration : Why::kDeclaration, 0};
  if (LooksLikeIso2022Jp(text)) return {Encoding::kIso2022Jp, Why::kContent, 0};
  if (LooksLikeUtf8(text, whole)) return {Encoding::kUtf8, Why::kContent, 0};
  return {Encoding::kAnsi, Why::kDefault, 0};
}

InputEncoding ChosenInputEncoding(Encoding chosen, std::string_view head) {
  for (const Mark& m : kMarks)
    if (m.encoding == chosen && head.starts_with(m.bytes))
      return {chosen, Why::kChosen, m.bytes.size()};
  return {chosen, Why::kChosen, 0};
}

}  // namespace conversion
