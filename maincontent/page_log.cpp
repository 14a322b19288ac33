#include "maincontent/page_log.h"

#include <cstring>

#include "text/errors.h"

namespace engine::maincontent {
namespace {

constexpr std::size_t kInMemory = std::size_t(4) << 20;  // of the records, then spilled

}  // namespace

template <typename Char>
void PageLog<Char>::Text(View run) {
  Out out = Open(Kind::kText, TextRoom(run));
  out.Text(run);
  Close(out);
}

template <typename Char>
void PageLog<Char>::NewBlanks(Char c) {
  Out out = Open(Kind::kBlanks, 2 + 2 * sizeof(Char));
  const std::size_t at = out.at;
  out.Byte(1);
  out.Byte(0);
  out.Units(View(&c, 1));
  Close(out);
  blanks_at_ = bytes_.empty() ? std::string::npos : at;
}

template <typename Char>
void PageLog<Char>::Reference(char32_t first, char32_t second) {
  Out out = Open(Kind::kReference, 2 * kMostSize);
  out.Size(first);
  out.Size(second);
  Close(out);
}

template <typename Char>
void PageLog<Char>::End() {
  if (spill_ != nullptr && bytes_.size() > kInMemory && spill_->Append(bytes_)) {
    blanks_at_ = std::string::npos;
    spilled_ = true;
    bytes_.clear();
  }
}

template class PageLog<char>;
template class PageLog<char16_t>;

}  // namespace engine::maincontent
