// The attribute picker of image and link tags: whatever the tag, the values
// it returns hold no angle brackets and no single quotes (angle brackets are
// dropped, and quotes of either kind split the text).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/clsQuillmere.h"

struct QuillmereTestAccess {
  static std::u16string Image(std::u16string_view tag) {
    return clsQuillmere::ExtractImageText(tag);
  }
  static std::u16string Link(std::u16string_view tag) { return clsQuillmere::ExtractLinkUrl(tag); }
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char16_t kAlphabet[] = u"<>'\" =aAgGiImMlLtThHrReEfFsScC:#x";
  std::u16string tag;
  for (std::size_t i = 0; i < size; ++i)
    tag.push_back(data[i] < 0xC0 ? kAlphabet[data[i] % (sizeof(kAlphabet) / sizeof(char16_t) - 1)]
                                 : static_cast<char16_t>(0x3040 + data[i]));
  for (const std::u16string& value :
       {QuillmereTestAccess::Image(tag), QuillmereTestAccess::Link(tag)})
    if (value.find_first_of(u"<>'") != std::u16string::npos) std::abort();
  const std::u16string image = QuillmereTestAccess::Image(tag);
  if (image.find(u':') == std::u16string::npos) std::abort();  // always "alt:src"
  return 0;
}
