// The page as the layout would have it, held until the main-content choice
// is made: runs of text, spaces and line breaks, decoded references and
// tags with the attributes the layout reads, one record after another, in
// memory up to a few MiB and past that in the session's scratch file. Read
// back once, in order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "html/elements.h"
#include "html/tokenizer.h"
#include "text/byte_codec.h"
#include "text/errors.h"

namespace engine::maincontent {

namespace log_detail {

// Reads the fields of records from bytes, telling when they end short.
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
    at_ += (sizeof(Char) - at_ % sizeof(Char)) % sizeof(Char);  // see Out::Units
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

// The keys of names (of elements and attributes) as a byte each: the first
// kMost keys a log meets are numbered as they come, written whole the first
// time (after kWhole) and by their number after; any other key is always
// written whole. The reader numbers them in the same order.
class KeyCodes {
 public:
  static constexpr unsigned kWhole = 0xFF;
  static constexpr std::size_t kMost = 255;

  // The writer's code for `key`: its number, or kWhole (then numbered when
  // there is room).
  unsigned Code(std::uint64_t key) {
    std::size_t slot = html::KeyBits(key, kSlotBits);
    for (; slots_[slot].used; slot = (slot + 1) & (kSlots - 1))
      if (slots_[slot].key == key) return slots_[slot].code;
    if (count_ < kMost) slots_[slot] = {key, static_cast<std::uint8_t>(count_++), true};
    return kWhole;
  }

 private:
  static constexpr int kSlotBits = 9;  // twice the most keys numbered
  static constexpr std::size_t kSlots = std::size_t(1) << kSlotBits;
  struct Slot {
    std::uint64_t key = 0;
    std::uint8_t code = 0;
    bool used = false;
  };
  Slot slots_[kSlots] = {};
  std::size_t count_ = 0;
};

}  // namespace log_detail

template <typename Char>
class PageLog {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  enum class Kind : std::uint8_t { kText = 1, kBlanks, kReference, kStart, kEnd, kClassic };

  // `spill` keeps the records past the first few MiB (null: all in memory).
  explicit PageLog(Overflow* spill) : spill_(spill) {}

  void Text(View run);
  // White space the layout collapses, and a line break of the page's: the
  // characters of a run of them, a line break marked with kBreakMark. A
  // space after the run's first blank (a space, or a line break) changes
  // nothing in the layout and is not kept: indentation between tags is
  // most of a page's blanks.
  void Space(Char c) {
    if (blanks_at_ == std::string::npos) Blank(c);
  }
  void Break(Char c) { Blank(static_cast<Char>(c | kBreakMark)); }
  static constexpr Char kBreakMark = 0x40;  // above every blank
  void Reference(char32_t first, char32_t second);
  // A tag and the attributes `keeps(key)` takes, with the tag as written
  // when `raw` (start and end tags; a tag read the classic way).
  template <typename Keeps>
  void Tag(Kind kind, const Token& tag, bool raw, Keeps keeps) {
    // Which are kept, as bits (a tag keeps kMostAttributes at most).
    std::uint64_t kept = 0;
    std::size_t count = 0;  // (std::popcount is a call without the POPCNT instruction)
    const auto attributes = tag.attributes();
    const View raw_text = raw ? tag.raw : View();
    std::size_t room = 9 + kMostSize + TextRoom(raw_text);
    for (std::size_t a = 0; a < attributes.size() && a < 64; ++a) {
      if (!keeps(attributes[a].key)) continue;
      kept |= std::uint64_t(1) << a;
      ++count;
      room += 9 + 1 + TextRoom(attributes[a].value);
    }
    // The kind and the tag's flags in one byte; most tags are a name and
    // nothing else, two bytes in all.
    const bool bare = count == 0 && raw_text.empty();
    Out out = Open(kind, room,
                   (tag.end ? kTagEnd : 0) | (tag.self_closing ? kTagSelfClosing : 0) |
                       (tag.raw_cut ? kTagRawCut : 0) | (bare ? kTagBare : 0));
    out.Key(keys_, tag.key);
    if (bare) return Close(out);
    out.Size(count);
    for (std::uint64_t bits = kept; bits != 0; bits &= bits - 1) {
      const auto& a = attributes[static_cast<std::size_t>(std::countr_zero(bits))];
      out.Key(keys_, a.key);
      out.Byte(a.cut ? 1 : 0);
      out.Text(View(a.value));
    }
    out.Text(raw_text);
    Close(out);
  }

  // The records in order, to `take(kind, record)`: for text, the run; for
  // blanks, theirs; for a reference its code points; for a tag the tag
  // itself (its raw text, when kept, in `tag.raw`). `block`
  // after each block read back from the scratch file. Throws
  // OverflowUnreadable when it cannot be read.
  struct Record {
    Kind kind;
    View text;
    char32_t first = 0, second = 0;
    const Token* tag = nullptr;
  };
  template <typename Take>
  void Replay(Take take, const std::function<void()>& block);

  // Characters held in memory.
  std::size_t Held() const { return bytes_.size() / sizeof(Char); }

 private:
  // A record under way, written into room made for it beforehand: bytes
  // one by one would cost more than the rest of the log.
  struct Out {
    char* base;
    std::size_t at;
    void Byte(unsigned v) { base[at++] = static_cast<char>(v); }
    void U64(std::uint64_t v) {
      for (int k = 0; k < 8; ++k) Byte(static_cast<unsigned>(v >> (8 * k)) & 0xFF);
    }
    void Size(std::size_t n) {
      for (; n >= 0x80; n >>= 7) Byte(static_cast<unsigned>(n & 0x7F) | 0x80);
      Byte(static_cast<unsigned>(n));
    }
    void Key(log_detail::KeyCodes& codes, std::uint64_t key) {
      const unsigned code = codes.Code(key);
      Byte(code);
      if (code == log_detail::KeyCodes::kWhole) U64(key);
    }
    // Units of two bytes start at an even offset, where a reader finds them.
    void Units(View units) {
      if constexpr (sizeof(Char) > 1)
        while (at % sizeof(Char) != 0) Byte(0);
      if (!units.empty()) std::memcpy(base + at, units.data(), units.size() * sizeof(Char));
      at += units.size() * sizeof(Char);
    }
    void Text(View text) {
      Size(text.size());
      Units(text);
    }
  };
  static constexpr std::size_t kMostSize = 10;  // bytes of a size
  static std::size_t TextRoom(View text) {
    return kMostSize + sizeof(Char) + text.size() * sizeof(Char);
  }
  // Begins a record of `kind` (with a tag's `flags`) with room for `room`
  // bytes after its first.
  Out Open(Kind kind, std::size_t room, unsigned flags = 0) {
    blanks_at_ = std::string::npos;
    const std::size_t at = bytes_.size();
    bytes_.resize(at + 1 + room);
    Out out{bytes_.data(), at};
    out.Byte(static_cast<unsigned>(kind) | flags);
    return out;
  }
  // A tag's flags, beside its kind in the record's first byte.
  static constexpr unsigned kKindBits = 0x07, kTagEnd = 0x08, kTagSelfClosing = 0x10,
                            kTagRawCut = 0x20, kTagBare = 0x40;
  void Close(const Out& out) {
    bytes_.resize(out.at);
    End();
  }
  void End();
  // Blanks run on in the record of the last ones, a count of two bytes and
  // their characters.
  void Blank(Char c) {
    if (blanks_at_ != std::string::npos) {
      auto* count = reinterpret_cast<unsigned char*>(&bytes_[blanks_at_]);
      const unsigned n = count[0] | count[1] << 8;
      if (n < 0xFFFF) {
        count[0] = static_cast<unsigned char>((n + 1) & 0xFF);
        count[1] = static_cast<unsigned char>((n + 1) >> 8);
        if constexpr (sizeof(Char) == 1)
          bytes_.push_back(c);
        else
          bytes_.append(reinterpret_cast<const char*>(&c), sizeof(Char));
        return;
      }
    }
    NewBlanks(c);
  }
  void NewBlanks(Char c);
  // Reads the records of `bytes` (whole ones; returns how much they took).
  template <typename Take>
  std::size_t Read(std::string_view bytes, Take& take);

  Overflow* spill_;
  std::string bytes_;  // records not yet spilled
  // Where the count of the run of blanks that ends the records stands.
  std::size_t blanks_at_ = std::string::npos;
  bool spilled_ = false;
  log_detail::KeyCodes keys_;             // as written
  std::vector<std::uint64_t> read_keys_;  // as read back, by number
  Token token_;                           // a tag read back
};

template <typename Char>
template <typename Take>
std::size_t PageLog<Char>::Read(std::string_view bytes, Take& take) {
  log_detail::Reader in(bytes);
  std::size_t done = 0;
  for (;;) {
    if (!in.Has(1)) return done;
    Record r;
    const std::uint8_t head = in.Byte();
    r.kind = static_cast<Kind>(head & kKindBits);
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
        Token& t = token_;
        // Keys met for the first time are numbered once the record is whole
        // (a record a block's end cuts is read again).
        std::uint64_t new_keys[1 + 64];
        std::size_t new_count = 0;
        auto key = [&](std::uint64_t& to) {
          if (!in.Has(1)) return false;
          const unsigned code = in.Byte();
          if (code != log_detail::KeyCodes::kWhole) {
            if (code >= read_keys_.size()) throw OverflowUnreadable();
            to = read_keys_[code];
            return true;
          }
          if (!in.Has(8)) return false;
          to = in.U64();
          new_keys[new_count++] = to;
          return true;
        };
        if (!key(t.key)) return done;
        t.end = (head & kTagEnd) != 0;
        t.self_closing = (head & kTagSelfClosing) != 0;
        t.raw_cut = (head & kTagRawCut) != 0;
        t.count = 0;
        t.raw = View();
        if ((head & kTagBare) == 0) {
          std::size_t count;
          if (!in.Size(count)) return done;
          if (count > 64) throw OverflowUnreadable();
          if (t.slots.size() < count) t.slots.resize(count);
          for (std::size_t a = 0; a < count; ++a) {
            if (!key(t.slots[a].key) || !in.Has(1)) return done;
            t.slots[a].cut = in.Byte() != 0;
            View value;
            if (!in.Text(value)) return done;
            t.slots[a].value.assign(value);
          }
          t.count = count;
          if (!in.Text(t.raw)) return done;
        }
        for (std::size_t k = 0; k < new_count && read_keys_.size() < log_detail::KeyCodes::kMost;
             ++k)
          read_keys_.push_back(new_keys[k]);
        r.tag = &t;
        break;
      }
    }
    take(r);
    done = in.at();
  }
}

template <typename Char>
template <typename Take>
void PageLog<Char>::Replay(Take take, const std::function<void()>& block) {
  read_keys_.clear();
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

}  // namespace engine::maincontent
