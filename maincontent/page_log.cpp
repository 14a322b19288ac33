#include "maincontent/page_log.h"

#include <cstring>

#include "text/errors.h"

namespace engine::maincontent {
namespace {

constexpr std::size_t kInMemory = std::size_t(4) << 20;  // of the records, then spilled

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Has(std::size_t n) const { return bytes_.size() - at_ >= n; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(bytes_[at_++]); }
  std::uint64_t U64() {
    std::uint64_t v = 0;
    for (int b = 0; b < 8; ++b) v |= std::uint64_t(Byte()) << (8 * b);
    return v;
  }
  // False when the bytes end first.
  bool Size(std::size_t& n) {
    n = 0;
    for (int shift = 0; Has(1); shift += 7) {
      const std::uint8_t b = Byte();
      n |= std::size_t(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
  template <typename Char>
  bool Text(std::basic_string_view<Char>& text) {
    std::size_t n;
    return Size(n) && Units(n, text);
  }
  template <typename Char>
  bool Units(std::size_t n, std::basic_string_view<Char>& text) {
    at_ += (sizeof(Char) - at_ % sizeof(Char)) % sizeof(Char);  // see PutUnits
    if (at_ > bytes_.size() || !Has(n * sizeof(Char))) return false;
    text = std::basic_string_view<Char>(reinterpret_cast<const Char*>(bytes_.data() + at_), n);
    at_ += n * sizeof(Char);
    return true;
  }
  std::size_t at() const { return at_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

}  // namespace

template <typename Char>
void PageLog<Char>::Text(View run) {
  Begin(Kind::kText);
  PutText(run);
  End();
}

// Blanks run on in the record of the last ones, a count of two bytes and
// their characters.
template <typename Char>
void PageLog<Char>::Blank(Char c) {
  if (blanks_at_ != std::string::npos) {
    auto* count = reinterpret_cast<unsigned char*>(&bytes_[blanks_at_]);
    const unsigned n = count[0] | count[1] << 8;
    if (n < 0xFFFF) {
      count[0] = static_cast<unsigned char>((n + 1) & 0xFF);
      count[1] = static_cast<unsigned char>((n + 1) >> 8);
      bytes_.append(reinterpret_cast<const char*>(&c), sizeof(Char));
      return;
    }
  }
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

template <typename Char>
std::size_t PageLog<Char>::Read(std::string_view bytes,
                                const std::function<void(const Record&)>& take) {
  Reader in(bytes);
  std::size_t done = 0;
  for (;;) {
    if (!in.Has(1)) return done;
    Record r;
    r.kind = static_cast<Kind>(in.Byte());
    switch (r.kind) {
      case Kind::kText:
        if (!in.Text(r.text)) return done;
        break;
      case Kind::kBlanks: {
        if (!in.Has(2)) return done;
        const std::size_t n = in.Byte();
        if (!in.Units(n | std::size_t(in.Byte()) << 8, r.text)) return done;
        break;
      }
      case Kind::kReference: {
        std::size_t first, second;
        if (!in.Size(first) || !in.Size(second)) return done;
        r.first = static_cast<char32_t>(first);
        r.second = static_cast<char32_t>(second);
        break;
      }
      default: {
        if (!in.Has(9)) return done;
        Token& t = token_;
        t.key = in.U64();
        const std::uint8_t flags = in.Byte();
        t.end = flags & 1;
        t.self_closing = (flags & 2) != 0;
        t.raw_cut = (flags & 4) != 0;
        std::size_t count;
        if (!in.Size(count)) return done;
        if (t.slots.size() < count) t.slots.resize(count);
        t.count = count;
        for (std::size_t a = 0; a < count; ++a) {
          if (!in.Has(9)) return done;
          t.slots[a].key = in.U64();
          t.slots[a].cut = in.Byte() != 0;
          View value;
          if (!in.Text(value)) return done;
          t.slots[a].value.assign(value);
        }
        if (!in.Text(t.raw)) return done;
        r.tag = &t;
        break;
      }
    }
    take(r);
    done = in.at();
  }
}

template <typename Char>
void PageLog<Char>::Replay(const std::function<void(const Record&)>& take,
                           const std::function<void()>& block) {
  if (spilled_) {
    std::string carry;  // a record a block's end cut
    if (!spill_->ReadAll([&](std::string_view bytes) {
          std::size_t done;
          if (carry.empty()) {
            done = Read(bytes, take);
            carry.assign(bytes.substr(done));
          } else {
            carry.append(bytes);
            done = Read(carry, take);
            carry.erase(0, done);
          }
          if (block) block();
          return true;
        }))
      throw OverflowUnreadable();
    carry.append(bytes_);
    bytes_.swap(carry);
    spill_->Clear();
    spilled_ = false;
  }
  Read(bytes_, take);
  bytes_.clear();
}

template class PageLog<char>;
template class PageLog<char16_t>;

}  // namespace engine::maincontent
