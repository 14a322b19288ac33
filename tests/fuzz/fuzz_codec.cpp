// The code page 932 and UTF-8 codecs on any bytes: decoding what was encoded
// from a decoded text gives that text again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = platform::DecodeCp932(bytes);
  if (platform::DecodeCp932(platform::EncodeCp932(text)) != text) std::abort();
  const std::u16string utf = platform::DecodeUtf8(bytes);
  if (platform::DecodeUtf8(platform::EncodeUtf8(utf)) != utf) std::abort();
  return 0;
}
