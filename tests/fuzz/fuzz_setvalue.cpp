// SetValue's reading of numbers: a value it accepts reads back through
// GetValue as the same number, and anything else is one of its two errors.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/clsQuillmere.h"
#include "engine/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char16_t kAlphabet[] = u"0123456789 +-.5e,x\t";
  std::u16string text;
  for (std::size_t i = 0; i < size; ++i)
    text.push_back(kAlphabet[data[i] % (sizeof(kAlphabet) / sizeof(char16_t) - 1)]);
  clsQuillmere q;
  try {
    q.SetValue(u"HR_NUM", text);
  } catch (const engine::TypeMismatchError&) {
    return 0;
  } catch (const engine::OverflowError&) {
    return 0;
  }
  const std::u16string stored = q.GetValue(u"HR_NUM");
  clsQuillmere again;
  again.SetValue(u"HR_NUM", stored);
  if (again.GetValue(u"HR_NUM") != stored) std::abort();
  return 0;
}
