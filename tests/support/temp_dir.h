// A scratch folder for tests that touch the file system, removed afterwards.
// Paths are given in the program's own form: "\"-separated UTF-16.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder itself, and a name inside it.
  const std::u16string& path() const { return path_; }
  std::u16string operator/(std::u16string_view name) const;

  // Direct file access that bypasses the code under test (Write makes the
  // folders the name needs).
  std::filesystem::path Native(std::u16string_view name) const;
  void Write(std::u16string_view name, std::string_view bytes) const;
  std::optional<std::string> Read(std::u16string_view name) const;
  bool Exists(std::u16string_view name) const;
  void MakeFolder(std::u16string_view name) const;
  void SetReadOnly(std::u16string_view name, bool read_only) const;
  // Number of entries in the folder (to see that no scratch file is left).
  int CountEntries() const;

 private:
  std::filesystem::path root_;
  std::u16string path_;
};

// UTF-8 for readable failure messages.
std::string Show(std::u16string_view text);

}  // namespace testing_support
