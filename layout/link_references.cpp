#include "layout/link_references.h"

#include "text/errors.h"

namespace engine {
namespace {

constexpr std::size_t kInMemory = std::size_t(1) << 20;  // of the list, then spilled
constexpr std::size_t kMostRemembered = std::size_t(1) << 16;

template <typename Char>
std::uint64_t HashOf(std::basic_string_view<Char> text) {
  std::uint64_t h = 0xCBF29CE484222325u;
  for (const Char c : text) h = (h ^ static_cast<std::make_unsigned_t<Char>>(c)) * 0x100000001B3u;
  return h | 1;  // never 0, which marks an empty slot
}

}  // namespace

template <typename Char>
std::size_t LinkReferences<Char>::Number(View url) {
  const std::uint64_t hash = HashOf(url);
  if (seen_.empty()) seen_.resize(1024);
  // The table's size is a power of two: a mask finds the place.
  std::size_t mask = seen_.size() - 1;
  std::size_t at = static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15u) >> 32) & mask;
  for (; seen_[at].hash != 0; at = (at + 1) & mask)
    if (seen_[at].hash == hash) return seen_[at].number;
  const std::size_t number = ++count_;
  if (remembered_ < kMostRemembered) {
    seen_[at] = {hash, static_cast<std::uint32_t>(number)};
    if (++remembered_ * 2 > seen_.size()) {  // half full: twice the room
      std::vector<Seen> old(seen_.size() * 2);
      old.swap(seen_);
      mask = seen_.size() - 1;
      for (const Seen& s : old) {
        if (s.hash == 0) continue;
        std::size_t k = static_cast<std::size_t>((s.hash * 0x9E3779B97F4A7C15u) >> 32) & mask;
        while (seen_[k].hash != 0) k = (k + 1) & mask;
        seen_[k] = s;
      }
    }
  }
  const std::string digits = std::to_string(number);
  list_.push_back('[');
  list_.append(digits.begin(), digits.end());
  list_.append({Char(']'), Char(' ')});
  list_.append(url);
  list_.append({Char('\r'), Char('\n')});
  if constexpr (sizeof(Char) == 1) {
    if (spill_ != nullptr && list_.size() > kInMemory && spill_->Append(list_)) {
      spilled_ = true;
      list_.clear();
    }
  }
  return number;
}

template <typename Char>
void LinkReferences<Char>::Write(const std::function<void(View)>& line,
                                 const std::function<void()>& block) const {
  String carry;  // a line a block's end cut
  auto lines = [&](View text) {
    for (std::size_t from = 0;;) {
      const std::size_t lf = text.find(Char('\n'), from);
      if (lf == text.npos) {
        carry.append(text.substr(from));
        return;
      }
      carry.append(text.substr(from, lf - from));
      if (!carry.empty() && carry.back() == '\r') carry.pop_back();
      line(carry);
      carry.clear();
      from = lf + 1;
    }
  };
  if constexpr (sizeof(Char) == 1) {
    if (spilled_ && !spill_->ReadAll([&](std::string_view bytes) {
          lines(bytes);
          block();
          return true;
        }))
      throw OverflowUnreadable();
  }
  lines(list_);
}

template class LinkReferences<char>;
template class LinkReferences<char16_t>;

}  // namespace engine
