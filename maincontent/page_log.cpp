#include "maincontent/page_log.h"

#include <cstring>

#include "text/errors.h"

namespace engine::maincontent {
namespace {

constexpr std::size_t kInMemory = std::size_t(4) << 20;  // of the records, then spilled

}  // namespace

template <typename Char>
void PageLog<Char>::Text(View run) {
  Begin(Kind::kText);
  PutText(run);
  End();
}

template <typename Char>
void PageLog<Char>::NewBlanks(Char c) {
  Begin(Kind::kBlanks);
  const std::size_t at = bytes_.size();
  bytes_.append({'\1', '\0'});
  PutUnits(View(&c, 1));
  End();
  blanks_at_ = bytes_.empty() ? std::string::npos : at;
}

template <typename Char>
void PageLog<Char>::Reference(char32_t first, char32_t second) {
  Begin(Kind::kReference);
  PutSize(first);
  PutSize(second);
  End();
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
