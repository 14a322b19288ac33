// Profile (INI) files: the two operations the settings file needs, with the
// results of the platform's GetPrivateProfileIntW and WritePrivateProfileStringW.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

class ProfileFile {
 public:
  virtual ~ProfileFile() = default;

  // The integer stored under `key` in `section` (names match without regard
  // to case), or `fallback` when the file, the section, the key or its value
  // is missing. Parsing and 32-bit wrap-around are those of the platform.
  virtual std::uint32_t GetInt(std::u16string_view section, std::u16string_view key,
                               std::int32_t fallback, const std::u16string& path) = 0;

  // The text stored under `key` in `section`, as the platform's
  // GetPrivateProfileStringW gives it (spaces around it and one pair of
  // matching quotes removed, at most 1,023 characters), or `fallback` when
  // the file, the section or the key is missing.
  virtual std::u16string GetString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view fallback, const std::u16string& path) = 0;

  // Creates the file, the section or the key as needed, otherwise replaces the
  // key's value. False when the file could not be written.
  virtual bool WriteString(std::u16string_view section, std::u16string_view key,
                           std::u16string_view value, const std::u16string& path) = 0;
};

// The platform's profile functions on Windows; our own implementation elsewhere.
ProfileFile& SystemProfile();

// Our own implementation, available on every platform so that it can be held
// to the platform's behaviour on Windows.
ProfileFile& PortableProfile();

// Changes the profile file `path` as a whole: `write` makes its changes in a
// new copy beside it (given the copy's path), which is flushed to the disk
// and replaces the file only when `write` returns true; a failure anywhere
// leaves the file as it was and no copy behind. A missing file is made. In
// a folder where no new file may be made, `write` is given the file itself.
// False on any failure.
bool RewriteProfileFile(const std::u16string& path,
                        const std::function<bool(const std::u16string& copy)>& write);

}  // namespace platform
