#include <windows.h>

#include <string>

#include "platform/profile_file.h"

namespace platform {
namespace {

std::wstring W(std::u16string_view s) {
  return std::wstring(s.begin(), s.end());
}

class KernelProfile final : public ProfileFile {
 public:
  std::uint32_t GetInt(std::u16string_view section, std::u16string_view key, std::int32_t fallback,
                       const std::u16string& path) override {
    return GetPrivateProfileIntW(W(section).c_str(), W(key).c_str(), fallback, W(path).c_str());
  }

  std::u16string GetString(std::u16string_view section, std::u16string_view key,
                           std::u16string_view fallback, const std::u16string& path) override {
    wchar_t buffer[1024];
    const DWORD n = GetPrivateProfileStringW(W(section).c_str(), W(key).c_str(),
                                             W(fallback).c_str(), buffer, 1024, W(path).c_str());
    return std::u16string(buffer, buffer + n);
  }

  bool WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                   const std::u16string& path) override {
    return WritePrivateProfileStringW(W(section).c_str(), W(key).c_str(), W(value).c_str(),
                                      W(path).c_str()) != FALSE;
  }
};

}  // namespace

ProfileFile& SystemProfile() {
  static KernelProfile profile;
  return profile;
}

}  // namespace platform
