#include "layout/ruby_text.h"

#include "layout/character_widths.h"

namespace engine {
namespace {

constexpr char32_t kOpenParenthesis = 0xFF08;   // （
constexpr char32_t kCloseParenthesis = 0xFF09;  // ）
constexpr char32_t kOpenReading = 0x300A;       // 《
constexpr char32_t kCloseReading = 0x300B;      // 》
constexpr char32_t kBaseStart = 0xFF5C;         // ｜

bool IsAsciiSpace(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

template <typename Char>
std::basic_string_view<Char> Trimmed(std::basic_string_view<Char> text) {
  while (!text.empty() && IsAsciiSpace(static_cast<char32_t>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && IsAsciiSpace(static_cast<char32_t>(text.back()))) text.remove_suffix(1);
  return text;
}

// The last character of the units written last: in a code page a trail
// byte follows an odd run of lead bytes, and the first bytes of the units
// may be the end of a character whose start is gone.
template <typename Char>
char32_t LastOf(std::basic_string_view<Char> units, const scan::LeadBytes* leads) {
  if (units.empty()) return 0;
  return CharacterAt(units, CharacterStart(units, units.size() - 1, 0, leads), leads).code_point;
}

}  // namespace

bool IsAozoraKanji(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF) || c == 0x3005 ||
         c == 0x3006 || c == 0x3007 || c == 0x30F6;
}

template <typename Char>
RubyText<Char>::RubyText(RubyMode mode, const OutputForm<Char>& form, const scan::LeadBytes* leads)
    : mode_(mode), form_(form), leads_(leads) {}

template <typename Char>
void RubyText<Char>::Close() {
  if (depth_ > 0 && --depth_ == 0) into_ = nullptr;
}

template <typename Char>
void RubyText<Char>::Open() {
  if (depth_++ > 0) return;
  written_ = skipping_ = in_container_ = false;
  base_.clear();
  levels_ = 0;
  into_ = &base_;
  held_ = 0;
}

// The rt elements directly in the ruby make the first level of readings.
template <typename Char>
void RubyText<Char>::StartLevels() {
  if (levels_ > 0) return;
  if (notes_.empty()) notes_.emplace_back();
  notes_[0].clear();
  levels_ = 1;
}

template <typename Char>
void RubyText<Char>::OpenAnnotation() {
  StartLevels();
  into_ = &notes_[in_container_ ? levels_ - 1 : 0];
}

template <typename Char>
void RubyText<Char>::CloseAnnotation() {
  into_ = in_container_ ? &notes_[levels_ - 1] : &base_;
}

// Each container is a level of its own, after the rt elements' one.
template <typename Char>
void RubyText<Char>::OpenContainer() {
  StartLevels();
  if (notes_.size() == levels_) notes_.emplace_back();
  notes_[levels_].clear();
  ++levels_;
  in_container_ = true;
  into_ = &notes_[levels_ - 1];
}

template <typename Char>
void RubyText<Char>::CloseContainer() {
  in_container_ = false;
  into_ = &base_;
}

template <typename Char>
bool RubyText<Char>::AllKanji(View text) const {
  for (std::size_t i = 0; i < text.size();) {
    const OutputCharacter c = CharacterAt(text, i, leads_);
    if (!IsAozoraKanji(c.code_point)) return false;
    i += c.units;
  }
  return !text.empty();
}

template <typename Char>
void RubyText<Char>::Bracketed(TextLines<Char>& lines, char32_t open, View text, char32_t close,
                               bool collapsing) {
  mark_.clear();
  form_.Append(open, mark_);
  lines.Visible(mark_);
  lines.Literal(text, collapsing);
  mark_.clear();
  form_.Append(close, mark_);
  lines.Visible(mark_);
}

template <typename Char>
void RubyText<Char>::Write(TextLines<Char>& lines, bool collapsing) {
  const View base = collapsing ? Trimmed(View(base_)) : View(base_);
  std::size_t first = levels_;  // the first level with a reading
  for (std::size_t k = 0; k < levels_ && first == levels_; ++k)
    if (!Trimmed(View(notes_[k])).empty()) first = k;
  if (mode_ == RubyMode::kAozora && first < levels_ && !base.empty() &&
      (!AllKanji(base) || IsAozoraKanji(LastOf(View(lines.LastUnits()), leads_)))) {
    mark_.clear();
    form_.Append(kBaseStart, mark_);
    lines.Visible(mark_);
  }
  lines.Literal(base, collapsing);
  if (mode_ != RubyMode::kBaseOnly) {
    for (std::size_t k = first; k < levels_; ++k) {
      const View note = Trimmed(View(notes_[k]));
      if (note.empty()) continue;
      const bool reading = mode_ == RubyMode::kAozora && k == first && !base.empty();
      Bracketed(lines, reading ? kOpenReading : kOpenParenthesis, note,
                reading ? kCloseReading : kCloseParenthesis, collapsing);
    }
  }
  written_ = true;
  base_.clear();
  levels_ = 0;
  held_ = 0;
}

template class RubyText<char>;
template class RubyText<char16_t>;

}  // namespace engine
