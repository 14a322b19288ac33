// Execute and its sessions: one pass over the text that copies everything
// outside tags, replaces a few tags by text and post-processes as it goes
// (line breaks, collapsing of blank lines, three entities), in UTF-16 or in
// code page bytes. Linear, and holding only the piece at hand.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "engine/readable_scan.h"
#include "text/classic_tags.h"
#include "text/long_tag.h"
#include "text/scan.h"

using namespace engine::scan;

std::u16string clsQuillmere::ExtractImageText(std::u16string_view tag) {
  std::u16string scratch, text;
  AppendImageText(tag, nullptr, scratch, text);
  return text;
}

std::u16string clsQuillmere::ExtractLinkUrl(std::u16string_view tag) {
  std::u16string scratch;
  return std::u16string(LinkUrlOf(tag, nullptr, scratch));
}

template <typename Char>
clsQuillmere::BasicSession<Char>::BasicSession(
    const clsQuillmere& options) requires std::is_same_v<Char, char16_t>
    : options_(options), image_label_(u"[イメージ:"), link_label_(u"[リンク:") {
  StartReadable(nullptr, nullptr, nullptr);
}

template <typename Char>
clsQuillmere::BasicSession<Char>::BasicSession(const clsQuillmere& options, const ByteCodec& codec,
                                               Overflow* overflow, Overflow* links,
                                               Overflow* page) requires std::is_same_v<Char, char>
    : options_(options),
      overflow_(overflow),
      image_label_(codec.Encode(u"[イメージ:")),
      link_label_(codec.Encode(u"[リンク:")) {
  for (int b = 0; b < 256; ++b) {
    leads_[b] = codec.IsLeadByte(static_cast<unsigned char>(b));
    has_leads_ = has_leads_ || leads_[b];
  }
  StartReadable(&codec, links, page);
}

template <typename Char>
clsQuillmere::BasicSession<Char>::BasicSession::~BasicSession() {}

// With any of the readable-text options on, the readable conversion does
// all the work; the classic scan below is left as it is, and as fast.
template <typename Char>
void clsQuillmere::BasicSession<Char>::StartReadable(const ByteCodec* codec, Overflow* links,
                                                     Overflow* page) {
  const auto& o = options_.options_;
  if (o[SCRIPT] == 0 && o[ENTITY] == 0 && o[SPACE] == 0 && o[BLOCK] == 0 && o[TABLE] == 0 &&
      o[LINKS] == 0 && o[MAIN] == 0)
    return;
  engine::ScanOptions scan;
  scan.hr = o[HR] != 0;
  scan.dashes = std::max<int>(o[HR_NUM], 0);
  scan.br = o[BR] != 0;
  scan.p = o[P] != 0;
  scan.img = o[IMG] != 0;
  scan.aname = o[ANAME] != 0;
  scan.ahref = o[AHREF] != 0;
  scan.ahref_sharp = o[AHREFSharp] != 0;
  scan.enter = o[ENTER] != 0;
  scan.link_type = o[A_LINK_TAG_TYPE];
  scan.script = o[SCRIPT] != 0;
  scan.entity = o[ENTITY] != 0;
  scan.space = o[SPACE] != 0;
  scan.block = o[BLOCK] != 0;
  scan.table = o[TABLE] != 0;
  scan.links = o[LINKS] != 0;
  scan.main = o[MAIN] != 0;
  // Values that are no mode keep ruby as it always was.
  if (o[RUBY] >= 1 && o[RUBY] <= 3) scan.ruby = static_cast<engine::RubyMode>(o[RUBY]);
  scan.width = o[WIDTH] > 0 ? o[WIDTH] : 0;
  readable_ = std::make_unique<engine::ReadableScan<Char>>(scan, codec, overflow_, leads(),
                                                           image_label_, link_label_, links, page);
}

// The text of a piece is settled as it is scanned: a run of ordinary
// characters goes straight to the output, line breaks are counted, an entity
// is decoded on the spot, and a tag is replaced where it stands. Only a tag
// or an entity cut by the end of the piece (or an entity a tag interrupts)
// waits, in tag_ or held_.
template <typename Char>
void clsQuillmere::BasicSession<Char>::Feed(View piece, String& out) {
  if (readable_) return readable_->Feed(piece, out);
  const std::size_t n = piece.size();
  std::size_t i = 0;
  while (i < n) {
    if (in_tag_) {
      // A tag runs from "<" through the first ">" after it, wherever it stands.
      const std::size_t gt = Find<'>'>(piece, i);
      if (gt == piece.npos) {
        GrowTag(piece.substr(i));
        return;
      }
      tag_.append(piece.substr(i, gt + 1 - i));
      i = gt + 1;
      in_tag_ = false;
      if (spilled_)
        EndLongTag(out);
      else
        EndTag(tag_, out);
      tag_.clear();
      continue;
    }
    if (held_.empty()) {
      i = Scan(piece, i, out);
      continue;
    }
    // Text after an entity that what follows a tag may yet complete.
    const std::size_t lt = Find<'<'>(piece, i);
    const std::size_t end = lt == piece.npos ? n : lt;
    Emit(piece.substr(i, end - i), false, out);
    i = end;
    if (i == n) return;
    const std::size_t gt = Find<'>'>(piece, i + 1);
    if (gt == piece.npos) {
      in_tag_ = true;
      GrowTag(piece.substr(i));
      return;
    }
    EndTag(piece.substr(i, gt + 1 - i), out);
    i = gt + 1;
  }
}

namespace {

// Where the first "<" stands among the (up to) 8 characters from p, or
// their count: the reach of the longest entity form.
template <typename Char>
QUILLMERE_INLINE std::size_t FirstLessThan8(const Char* p, std::size_t left) {
#if defined(__SSE2__) || defined(_M_X64)
  if (left >= 8 && platform::ActiveVectorUnit() != platform::VectorUnit::kScalar) {
    const __m128i lt = sizeof(Char) == 1 ? _mm_set1_epi8('<') : _mm_set1_epi16('<');
    if constexpr (sizeof(Char) == 1) {
      const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
      const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lt)));
      return static_cast<std::size_t>(std::countr_zero(hits | 0x100u));
    } else {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, lt)));
      return static_cast<std::size_t>(std::countr_zero(hits | 0x10000u)) / 2;
    }
  }
#endif
  const std::size_t look = std::min<std::size_t>(left, 8);
  return static_cast<std::size_t>(std::find(p, p + look, '<') - p);
}

}  // namespace

// The scan of text with nothing held back, from piece[i]: the places where
// it may have to act are found 64 characters at a time and visited in
// order; a tag is passed over at once to its ">". Returns where it stopped:
// the end of the piece, or where an entity began to wait for more (held_ is
// then no longer empty).
template <typename Char>
std::size_t clsQuillmere::BasicSession<Char>::Scan(View piece, std::size_t i, String& out) {
  const Char* p = piece.data();
  const std::size_t n = piece.size();
  for (std::size_t base = i; base < n;) {
    const StopBits found = FindStops<false>(p, base, n);
    std::size_t next = base + 64;  // where the next block begins
    for (std::uint64_t bits = found.stops; bits != 0;) {
      const std::size_t at = static_cast<std::size_t>(std::countr_zero(bits));
      const std::size_t j = base + at;
      const Char c = p[j];
      if (c == '&' && j + 1 < n && !MayBeginEntity(p[j + 1])) {  // "&nbsp;" is text
        bits &= bits - 1;
        continue;
      }
      if (j > i) PutText(View(p + i, j - i), out);
      if (c == '<') {
        // A tag runs from "<" through the first ">" after it. Only tags
        // whose names begin with H, B, I, A or "/" can give anything; the
        // rest are dropped whatever the options.
        const std::uint64_t ends = found.ends & ~std::uint64_t(1) << at;
        const std::size_t gt = ends != 0 ? base + static_cast<std::size_t>(std::countr_zero(ends))
                                         : FindAny<'>', '>', '>', '>'>(piece, std::min(next, n));
        if (gt == n) {
          in_tag_ = true;
          GrowTag(piece.substr(j));
          return n;
        }
        i = gt + 1;
        const Char first = p[j + 1];
        const int folded = first | 0x20;  // letters in lower case (see SameUpper)
        if ((folded == 'h') | (folded == 'b') | (folded == 'i') | (folded == 'a') |
            (first == '/')) {
          EndTag(View(p + j, i - j), out);
          if (!held_.empty()) return i;
        }
      } else if (c != '&') {
        i = j + 1;
        CountBreak(c);
        if (c == '\r' && i < n && p[i] == '\n') CountBreak(p[i++]);  // CR LF at once
      } else {
        // Decided here unless a tag (or the end of the piece) comes while
        // a longer form is still possible; else settled with what follows.
        const std::size_t lt = j + FirstLessThan8(p + j, n - j);
        if (lt - j != 8 && !EntitySettled(View(p, lt), j)) {
          Emit(piece.substr(j, lt - j), false, out);
          return lt;
        }
        Char decoded;
        i = j + Entity(View(p, lt), j, decoded);
        PutChar(decoded, out);
      }
      if (i - base >= 64) {  // past this block
        next = i;
        break;
      }
      bits &= ~std::uint64_t() << (i - base);
    }
    base = next;
  }
  if (n > i) PutText(View(p + i, n - i), out);
  return n;
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::GrowTag(View more) {
  if (engine::long_tag::Grow(tag_, more, overflow_)) spilled_ = true;
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::EndLongTag(String& out) {
  if constexpr (sizeof(Char) == 1) {
    const std::string whole = engine::long_tag::Join(tag_, *overflow_);
    spilled_ = false;
    EndTag(whole, out);
  } else {
    (void)out;
  }
}

// Replaces a complete tag by what the options make of it.
template <typename Char>
QUILLMERE_INLINE void clsQuillmere::BasicSession<Char>::EndTag(View tag, String& out) {
  const auto& o = options_.options_;
  // Each case looks at the name again: the case bit also maps 0x0F to "/".
  switch (tag.size() > 1 ? tag[1] | 0x20 : 0) {
    case 'h':
      // A negative count draws no dashes; the line break stays.
      if (StartsUpper(tag, "<HR") && o[HR] != 0)
        AddLine(static_cast<std::size_t>(std::max<int>(o[HR_NUM], 0)), out);
      return;
    case 'b':
      if (StartsUpper(tag, "<BR") && o[BR] != 0) AddLine(0, out);
      return;
    case '/':
      if (!StartsUpper(tag, "</P")) break;
      if (o[P] != 0) AddLine(0, out);
      return;
    case 'i':
    case 'a':
      break;
    default:
      return;
  }
  EndTextTag(tag, out);
}

// Image and link tags, and the closing link tag: what they give is text.
template <typename Char>
void clsQuillmere::BasicSession<Char>::EndTextTag(View tag, String& out) {
  const auto& o = options_.options_;
  String& add = appended_;
  add.clear();
  switch (tag[1] | 0x20) {
    case 'i':
      if (StartsUpper(tag, "<IM") && o[IMG] != 0) {
        add.append(image_label_);
        AppendImageText(tag, leads(), scratch_, add);
        add.push_back(']');
      }
      break;
    case 'a':
      if (StartsUpper(tag, "<A ")) OpenLink(tag, add);
      break;
    case '/':
      if (StartsUpper(tag, "</A")) {
        // A closing tag with no link open (after a removed opening tag, a
        // second closing tag, or a tag such as </ADDRESS>) is dropped like
        // any other tag.
        if (link_open_ && o[A_LINK_TAG_TYPE] == 0) AppendAscii(add, "</a>");
        if (link_open_ && o[A_LINK_TAG_TYPE] == 2) {
          add.push_back('(');
          add.append(url_).push_back(')');
        }
        url_.clear();
        link_open_ = false;
      }
      break;
    default:
      return;
  }
  if (add.empty()) return;
  if (held_.empty() && FindStop(View(add), 0) == add.size())
    PutText(add, out);  // nothing in it for post-processing
  else
    Emit(add, false, out);
}

// A rule of `dashes` dashes, or none, and a line break.
template <typename Char>
QUILLMERE_INLINE void clsQuillmere::BasicSession<Char>::AddLine(std::size_t dashes, String& out) {
  if (!held_.empty()) {
    appended_.assign(dashes, '-');
    appended_.append(kCrLf<Char>, 2);
    return Emit(appended_, false, out);
  }
  if (dashes > 0) {
    cr_pending_ = false;
    if (breaks_) FlushBreaks(out);
    out.append(dashes, '-');
  }
  CountBreak('\r');
  CountBreak('\n');
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::OpenLink(View tag, String& add) {
  const auto& o = options_.options_;
  if (!OpensLink(tag, o[ANAME] != 0, o[AHREFSharp] != 0, o[AHREF] != 0)) return;
  url_.assign(LinkUrlOf(tag, leads(), scratch_));
  link_open_ = true;
  if (o[A_LINK_TAG_TYPE] == 0) add.append(tag);
  if (o[A_LINK_TAG_TYPE] == 1) add.append(link_label_).append(url_).push_back(']');
}

template <typename Char>
bool clsQuillmere::BasicSession<Char>::FeedsTwice() {
  return readable_ && readable_->FeedsTwice();
}

template <typename Char>
bool clsQuillmere::BasicSession<Char>::FeedAgain(String& out,
                                                 const std::function<void(String&)>& flush) {
  return readable_ && readable_->FeedAgain(out, flush);
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::Finish(String& out,
                                              const std::function<void(String&)>& flush) {
  if (readable_) return readable_->Finish(out, flush);
  // A "<" that no ">" follows opens no tag: it and the rest are text.
  if (in_tag_ && spilled_) {
    if constexpr (sizeof(Char) == 1) {
      engine::long_tag::Replay(
          tag_, *overflow_, [&](View text) { Emit(text, false, out); },
          [&] {
            if (flush) flush(out);
          });
    }
  } else if (in_tag_) {
    Emit(tag_, false, out);
  }
  spilled_ = false;
  tag_.clear();
  in_tag_ = false;
  Emit(View(), true, out);
  FlushBreaks(out);
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::FlushBreaks(String& out) {
  // Replacing three breaks by one until none are left keeps a run's parity,
  // so a run of three or more ends as one break when odd and two when even.
  std::size_t breaks = breaks_;
  if (options_.options_[ENTER] != 0 && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
  for (std::size_t b = 0; b < breaks; ++b) out.append(kCrLf<Char>, 2);
  breaks_ = 0;
}

template <typename Char>
inline void clsQuillmere::BasicSession<Char>::CountBreak(Char c) {
  engine::scan::CountBreak(c, breaks_, cr_pending_);
}

template <typename Char>
inline void clsQuillmere::BasicSession<Char>::PutChar(Char c, String& out) {
  cr_pending_ = false;
  if (breaks_) FlushBreaks(out);
  out.push_back(c);
}

// Settled text with no line break in it: the breaks before it go first.
template <typename Char>
inline void clsQuillmere::BasicSession<Char>::PutText(View text, String& out) {
  cr_pending_ = false;
  if (breaks_ - 1 < 2) {  // one or two: nothing to collapse
    out.append(kCrLfCrLf<Char>, 2 * breaks_);
    breaks_ = 0;
  } else if (breaks_) {
    FlushBreaks(out);
  }
  out.append(text);
}

// Post-processes the next stretch of what the scan keeps. Text that might
// begin an entity completed by what comes next is held back until then.
template <typename Char>
void clsQuillmere::BasicSession<Char>::Emit(View text, bool last, String& out) {
  if (held_.empty()) {
    const std::size_t done = Settle(text, last, out);
    if (done < text.size()) held_.assign(text.substr(done));
  } else {
    held_.append(text);
    held_.erase(0, Settle(held_, last, out));
  }
}

// Line breaks made CR LF (runs collapsed when ENTER is on) and the three
// entities decoded; returns how much of `text` was settled.
template <typename Char>
std::size_t clsQuillmere::BasicSession<Char>::Settle(View text, bool last, String& out) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const Char c = text[i];
    if (c == '\r' || c == '\n') {
      CountBreak(c);
      ++i;
    } else if (c != '&') {
      const std::size_t run = FindStop(text, i + 1);
      PutText(text.substr(i, run - i), out);
      i = run;
    } else {
      // The longest entity form is "&amp;lt;": wait for more text when
      // fewer characters are at hand.
      if (!last && n - i < 8) break;
      Char decoded;
      i += Entity(text, i, decoded);
      PutChar(decoded, out);
    }
  }
  return i;
}

// The two sessions, member by member: each has only its own constructor.
template clsQuillmere::BasicSession<char16_t>::BasicSession(const clsQuillmere&);
template clsQuillmere::BasicSession<char16_t>::BasicSession::~BasicSession();
template bool clsQuillmere::BasicSession<char16_t>::FeedsTwice();
template void clsQuillmere::BasicSession<char16_t>::Feed(View, String&);
template bool clsQuillmere::BasicSession<char16_t>::FeedAgain(String&,
                                                              const std::function<void(String&)>&);
template void clsQuillmere::BasicSession<char16_t>::Finish(String&,
                                                           const std::function<void(String&)>&);
template clsQuillmere::BasicSession<char>::BasicSession(const clsQuillmere&, const ByteCodec&,
                                                        Overflow*, Overflow*, Overflow*);
template clsQuillmere::BasicSession<char>::BasicSession::~BasicSession();
template bool clsQuillmere::BasicSession<char>::FeedsTwice();
template void clsQuillmere::BasicSession<char>::Feed(View, String&);
template bool clsQuillmere::BasicSession<char>::FeedAgain(String&,
                                                          const std::function<void(String&)>&);
template void clsQuillmere::BasicSession<char>::Finish(String&,
                                                       const std::function<void(String&)>&);

std::u16string clsQuillmere::Execute(const std::u16string& inputText) const {
  std::u16string out;
  out.reserve(inputText.size() + inputText.size() / 8);
  Session session(*this);
  session.Feed(inputText, out);
  session.Finish(out);
  return out;
}
