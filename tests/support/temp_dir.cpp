#include "tests/support/temp_dir.h"

#include <atomic>
#include <fstream>
#include <random>

#include "platform/codepage.h"

namespace testing_support {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device random;
  for (;;) {
    auto name = "quillmere-test-" + std::to_string(random()) + "-" + std::to_string(counter++);
    root_ = std::filesystem::temp_directory_path() / name;
    if (std::filesystem::create_directory(root_)) break;
  }
  path_ = root_.u16string();
}

TempDir::~TempDir() {
  // Never throws: make everything writable again, then remove it all.
  std::error_code ignored;
  std::filesystem::recursive_directory_iterator it(root_, ignored), end;
  for (; !ignored && it != end; it.increment(ignored))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(root_, ignored);
}

std::u16string TempDir::operator/(std::u16string_view name) const {
  return path_ + u"\\" + std::u16string(name);
}

std::filesystem::path TempDir::Native(std::u16string_view name) const {
  std::u16string relative(name);
  for (char16_t& c : relative)
    if (c == u'\\') c = u'/';
  return root_ / std::filesystem::path(relative);
}

void TempDir::Write(std::u16string_view name, std::string_view bytes) const {
  std::filesystem::create_directories(Native(name).parent_path());
  std::ofstream out(Native(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> TempDir::Read(std::u16string_view name) const {
  std::ifstream in(Native(name), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool TempDir::Exists(std::u16string_view name) const {
  return std::filesystem::exists(Native(name));
}

void TempDir::MakeFolder(std::u16string_view name) const {
  std::filesystem::create_directories(Native(name));
}

void TempDir::SetReadOnly(std::u16string_view name, bool read_only) const {
  using std::filesystem::perms;
  auto write = perms::owner_write | perms::group_write | perms::others_write;
  std::filesystem::permissions(
      Native(name), write,
      read_only ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
}

int TempDir::CountEntries() const {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(root_)) ++n;
  return n;
}

std::string Show(std::u16string_view text) {
  return platform::EncodeUtf8(text);
}

}  // namespace testing_support
