#include <windows.h>

#include "platform/upper_case.h"

namespace platform {

std::u16string UpperCase(std::u16string_view text) {
  std::u16string upper(text);
  if (!upper.empty())
    CharUpperBuffW(reinterpret_cast<wchar_t*>(upper.data()), static_cast<DWORD>(upper.size()));
  return upper;
}

}  // namespace platform
