// The code page 932 and UTF-8 codecs on any bytes: decoding what was encoded
// from a decoded text gives that text again. Where UTF-8 stops being valid,
// and the normal form of code page 932 bytes, are found alike by every
// vector unit.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ansi_normal_form.h"
#include "platform/codepage.h"
#include "platform/vector_unit.h"

namespace {

// What the vector unit `unit` makes of the bytes.
std::string UnitsView(std::string_view bytes, platform::VectorUnit unit) {
  static const platform::AnsiNormalForm cp932(platform::DecodeCp932, platform::EncodeCp932,
                                              platform::IsCp932LeadByte);
  platform::UseVectorUnit(unit);
  std::string scratch, utf8_scratch;
  std::size_t taken = 0;
  std::string seen = std::to_string(platform::ValidUtf8Length(bytes)) + ":";
  seen += platform::NormalizeUtf8(bytes, false, utf8_scratch, taken);
  seen += ":" + std::to_string(taken) + ":";
  seen += cp932.Normalize(bytes, scratch);
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = platform::DecodeCp932(bytes);
  if (platform::DecodeCp932(platform::EncodeCp932(text)) != text) std::abort();
  const std::u16string utf = platform::DecodeUtf8(bytes);
  if (platform::DecodeUtf8(platform::EncodeUtf8(utf)) != utf) std::abort();

  const platform::VectorUnit unit = platform::ActiveVectorUnit();
  const std::string scalar = UnitsView(bytes, platform::VectorUnit::kScalar);
  for (const auto other : {platform::VectorUnit::kSse2, platform::VectorUnit::kAvx2})
    if (UnitsView(bytes, other) != scalar) std::abort();
  platform::UseVectorUnit(unit);
  return 0;
}
