// The main-content stage (MAIN): between what a browser shows and the
// layout, it holds the page (PageLog) while it measures it (PageRecorder),
// chooses at the page's end what to keep (Choose), and then hands the layout
// only that: the kept elements with all they hold, the start and end tags
// of the elements around them (so that lists, tables and quotes lay out as
// on the page), and the title first when no heading of the page gives it.
// When nothing stands out the whole page goes on, exactly as without it.
// A page that shows next to nothing but holds its text in noscript
// elements is read from those instead. A caller that can hand the page over
// a second time (HandsOverTwice) spares the holding: the choice is made at
// the first pass's end (EndFirstPass), and the layout is given its part of
// the second.
//
// `Next` is the layout: a sink as html::ShownFilter describes, with
// KeepsAttribute, KeepsRaw and CollapsesSpaces answered for what it has
// been handed; this stage answers them in its place, counting pre elements
// as the layout counts them, alike on both passes (the tokenizer must read
// the page the second time as it did the first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "html/elements.h"
#include "html/open_elements.h"
#include "html/reference_reader.h"
#include "html/shown_filter.h"
#include "html/tokenizer.h"
#include "html/visibility.h"
#include "maincontent/choice.h"
#include "maincontent/page_log.h"
#include "maincontent/page_recorder.h"
#include "maincontent/page_tree.h"
#include "maincontent/recorder_thread.h"
#include "text/byte_codec.h"
#include "text/scan.h"

namespace engine::maincontent {

template <typename Char, typename Next>
class MainContent {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;
  using Log = PageLog<Char>;

  // `collapses`: the layout collapses spaces (outside pre); `spill` keeps
  // the page past its first MiBs (null: in memory).
  MainContent(Next& next, bool collapses, Overflow* spill, const scan::LeadBytes* leads,
              const ReferenceReader<Char>& references, const OutputForm<Char>& form)
      : next_(next),
        collapses_(collapses),
        leads_(leads),
        references_(references),
        form_(form),
        log_(spill),
        recorder_(leads, references, form) {}

  // The page will be handed over twice, and is not held: before the first
  // of it.
  void HandsOverTwice() { twice_ = true; }

  // What the page hands over: held and measured, or on the second pass
  // (handed over again, or replayed from the log) what the choice keeps of
  // it, to the layout.
  void Text(View run) {
    if (second_) {
      if (Writing()) next_.Text(run);
      return;
    }
    if (!twice_) log_.Text(run);
    recorder_.Text(run);
  }
  void Whitespace(Char c) {
    if (second_) {
      if (Writing()) next_.Whitespace(c);
      return;
    }
    if (!twice_) log_.Space(c);
    recorder_.Space();
  }
  void LineBreak(Char c) {
    if (second_) {
      if (Writing()) next_.LineBreak(c);
      return;
    }
    if (!twice_) log_.Break(c);
    recorder_.Space();
  }
  void Reference(char32_t first, char32_t second) {
    if (second_) {
      if (Writing()) next_.Reference(first, second);
      return;
    }
    if (!twice_) log_.Reference(first, second);
    recorder_.Reference(first, second);
  }
  void StartTag(const Token& tag, const html::Element& element) {
    Tag(Log::Kind::kStart, tag, element, false);
  }
  void EndTag(const Token& tag, const html::Element& element) {
    Tag(Log::Kind::kEnd, tag, element, true);
  }
  void ClassicTag(const Token& tag) {
    Tag(Log::Kind::kClassic, tag, html::ElementOf(tag.key), tag.end);
  }
  bool CollapsesSpaces() const { return collapses_ && pre_depth_ == 0; }
  bool KeepsAttribute(const Token& tag, std::uint64_t key) const {
    return next_.KeepsAttribute(tag, key) || PageRecorder<Char>::Keeps(tag, key);
  }
  bool KeepsRaw(const Token& tag) const { return next_.KeepsRaw(tag); }

  // Hidden text read all the same: the title, JSON-LD, and the mark-up
  // of the noscript elements (see ReadFallback).
  bool Captures(const Token& tag, const html::Element& element) {
    if (second_) return false;  // read on the first pass
    capturing_fallback_ = tag.key == kNoscript && reads_fallback_;
    if (!capturing_fallback_) return recorder_.Captures(tag, element);
    if (!fallback_.empty()) KeepFallback(View(kBreak, 1));
    return true;
  }
  void Captured(View run) {
    if (capturing_fallback_) return KeepFallback(run);
    recorder_.Captured(run);
  }
  void CapturedSpace(Char c) {
    if (capturing_fallback_) return KeepFallback(View(&c, 1));
    static constexpr Char kSpace[] = {' '};
    recorder_.Captured(View(kSpace, 1));
  }
  void CapturedReference(char32_t first, char32_t second) {
    // (A noscript element's text is raw: it holds no references.)
    if (!capturing_fallback_) recorder_.CapturedReference(first, second);
  }

  // The page's end: the choice, and what it keeps to the layout. `block`
  // after each block of the page read back from the scratch file. Handed
  // over twice, the end of the second pass.
  void Finish(const std::function<void()>& block) {
    if (twice_) return;
    recorder_.Finish();
    if (ReadFallback(block)) return;
    Write(block);
  }

  // The first pass's end, when the page is handed over twice: the choice is
  // made, and the title written. True when the page is to come again;
  // false when the noscript elements' text was written in its place.
  bool EndFirstPass(const std::function<void()>& block) {
    recorder_.Finish();
    if (ReadFallback(block)) return false;
    Prepare();
    second_ = true;
    pre_depth_ = 0;
    capturing_fallback_ = false;
    return true;
  }

  std::size_t HeldNow() const {
    return log_.Held() + recorder_.Held() + open_.size() + fallback_.size();
  }

 private:
  static constexpr std::uint64_t kNoscript = html::NameKey("noscript");
  static constexpr Char kBreak[] = {'\n'};
  // The most of the noscript elements' mark-up kept.
  static constexpr std::size_t kMostFallback = std::size_t(2) << 20;
  // How much more text the noscript elements must give than the page shows
  // for them to be its content: many times as much, and some.
  static constexpr std::uint32_t kFallbackTimes = 4, kFallbackLeast = 200;

  // What the layout is handed: the choice, the title, and the page again.
  void Write(const std::function<void()>& block) {
    Prepare();
    second_ = true;
    log_.Replay([this](const typename Log::Record& r) { Replay(r); }, block);
  }
  void Prepare() {
    const Selection selection = Choose(recorder_.recorder(), form_);
    whole_ = selection.whole;
    ranges_ = selection.ranges;
    WriteTitle(selection);
  }

  void KeepFallback(View run) {
    if (fallback_.size() < kMostFallback)
      fallback_.append(run.substr(0, kMostFallback - fallback_.size()));
  }

  // A page that shows next to nothing until its scripts run but gives
  // browsers without scripts its text in noscript elements (a forum's
  // thread, say): that text is the page's, read as a page of its own, its
  // choice made with what the page says of itself. True when it was
  // written; false when the page itself is to be.
  bool ReadFallback(const std::function<void()>& block) {
    const std::uint32_t shown = recorder_.recorder().page_all().weight();
    if (fallback_.size() < std::size_t(kFallbackTimes) * shown + kFallbackLeast) return false;
    using Shown = html::ShownFilter<Char, MainContent>;
    MainContent inner(next_, collapses_, nullptr, leads_, references_, form_);
    inner.reads_fallback_ = false;
    html::Visibility<Char> visibility(true, references_, form_, true);
    Shown shown_filter(inner, visibility);
    HtmlTokenizer<Char, Shown> tokenizer(
        shown_filter,
        {.html = true, .mark_spaces = collapses_, .references = &references_, .leads = leads_});
    tokenizer.Feed(fallback_);
    tokenizer.Finish();
    inner.recorder_.Finish();
    if (inner.recorder_.recorder().page_all().weight() < kFallbackTimes * shown + kFallbackLeast)
      return false;
    inner.recorder_.recorder().AdoptFacts(recorder_.recorder().facts());
    inner.Write(block);
    return true;
  }

  // An element open as the page is read again.
  struct Open : html::OpenEntry {
    std::uint32_t id = 0;
    bool kept = false;     // its text and tags are written
    bool emitted = false;  // its start tag went to the layout
  };
  // Start tags of the elements open, kept for those not yet written; past
  // this size a tag's attributes are not (an ancestor's link target, say),
  // nor past the second size for all of them together.
  static constexpr std::size_t kMostHeldTag = std::size_t(1) << 16;
  static constexpr std::size_t kMostHeldTags = std::size_t(4) << 20;

  template <typename Kind>
  void Tag(Kind kind, const Token& tag, const html::Element& element, bool closing) {
    // (pre elements are counted on both passes: the tokenizer asks the
    // same questions of each.)
    CountPre(element.kind, closing);
    if (second_) return ReplayTag(kind, tag);
    if (!twice_)
      log_.Tag(kind, tag, KeepsRawFor(kind, tag),
               [&](std::uint64_t key) { return next_.KeepsAttribute(tag, key); });
    recorder_.Tag(tag, element);
  }
  // Whether the layout is given the tag as written.
  template <typename Kind>
  bool KeepsRawFor(Kind kind, const Token& tag) const {
    return next_.KeepsRaw(tag) || kind == Log::Kind::kClassic;
  }
  void CountPre(html::Kind kind, bool closing) {
    if (kind != html::Kind::kPre && kind != html::Kind::kTextarea) return;
    if (!closing && pre_depth_ < html::kMostOpen) ++pre_depth_;
    if (closing && pre_depth_ > 0) --pre_depth_;
  }

  // Whether the element numbered `id` (the next to open) is kept: the
  // innermost range around it decides.
  bool KeptAt(std::uint32_t id) {
    if (whole_) return true;
    while (!active_.empty() && active_.back().last < id) active_.pop_back();
    for (; next_range_ < ranges_.size() && ranges_[next_range_].first <= id; ++next_range_) {
      while (!active_.empty() && active_.back().last < ranges_[next_range_].first)
        active_.pop_back();
      if (ranges_[next_range_].last >= id) active_.push_back(ranges_[next_range_]);
    }
    return !active_.empty() && active_.back().keep;
  }
  // (The page's own text, outside every element, where the page is kept.)
  bool Writing() const {
    return open_.empty() ? whole_ || (!ranges_.empty() && ranges_[0].first == 0 && ranges_[0].keep)
                         : open_.back().kept;
  }

  // The start tags of the elements around what is written, those not yet
  // written, outermost first (the last open, when kept, is written by its
  // caller).
  void WriteAround() {
    std::size_t last = open_.size();
    if (last > 0 && open_[last - 1].kept) --last;
    std::size_t first = last;
    while (first > 0 && !open_[first - 1].emitted) --first;
    for (std::size_t k = first; k < last; ++k) {
      open_[k].emitted = true;
      held_[k].tag.raw = held_[k].raw;
      SendTag(held_[k].tag);
    }
  }
  void SendTag(const Token& tag) {
    if (!tag_classic_) {
      const html::Element& element = html::ElementOf(tag.key);
      if (tag.end)
        next_.EndTag(tag, element);
      else
        next_.StartTag(tag, element);
    } else {
      next_.ClassicTag(tag);
    }
  }

  void Replay(const typename Log::Record& r) {
    using K = typename Log::Kind;
    switch (r.kind) {
      case K::kText:
        return Text(r.text);
      case K::kBlanks:
        if (!Writing()) return;
        for (const Char c : r.text) {
          if (c & Log::kBreakMark)
            LineBreak(static_cast<Char>(c & ~Log::kBreakMark));
          else
            Whitespace(c);
        }
        return;
      case K::kReference:
        return Reference(r.first, r.second);
      default:
        break;
    }
    ReplayTag(r.kind, *r.tag);
  }

  template <typename Kind>
  void ReplayTag(Kind kind, const Token& tag) {
    tag_classic_ = kind == Log::Kind::kClassic;
    if (whole_) return SendTag(tag);  // every element kept: nothing to follow
    const html::Element& element = html::ElementOf(tag.key);
    auto ended = [this](Open& e) {
      last_ended_emitted_ = e.emitted;
      if (e.id == structured_after_ && e.id != 0) structured_pending_ = true;
      held_size_ -= held_[--held_count_].size;
    };
    if (tag.end) {
      last_ended_emitted_ = false;
      const bool writing = Writing();
      if (CloseElement(open_, tag.key, element, ended) >= 0 ? last_ended_emitted_ : writing)
        SendTag(tag);
      WriteStructured();
      return;
    }
    Open* const entry = OpenElement(open_, tag.key, tag.self_closing, element, ended);
    WriteStructured();
    if (entry == nullptr) {
      if (Writing()) {
        WriteAround();
        SendTag(tag);
      }
      return;
    }
    entry->id = ++next_id_;
    // (An entry's storage is kept for the next element opened there.)
    if (held_.size() == held_count_) held_.emplace_back();
    ++held_count_;
    Open& opened = *entry;
    opened.kept = KeptAt(opened.id);
    if (opened.kept) {
      opened.emitted = true;
      WriteAround();
      SendTag(tag);
      return;
    }
    // Kept in case what it holds is written: what the layout reads of it
    // (the tokenizer's tag holds more on the second pass).
    Held& held = held_[held_count_ - 1];
    Token& t = held.tag;
    t.key = tag.key;
    t.end = false;
    t.self_closing = tag.self_closing;
    t.count = 0;
    t.raw_cut = false;
    held.raw.clear();
    const View raw = KeepsRawFor(kind, tag) ? tag.raw : View();
    const auto attributes = tag.attributes();
    auto kept = [&](std::size_t a) { return next_.KeepsAttribute(tag, attributes[a].key); };
    std::size_t size = raw.size();
    for (std::size_t a = 0; a < attributes.size(); ++a)
      if (kept(a)) size += attributes[a].value.size();
    held.size = 0;
    if (size <= kMostHeldTag && held_size_ + size <= kMostHeldTags) {
      held.size = size;
      held_size_ += size;
      held.raw.assign(raw);
      t.raw_cut = tag.raw_cut;
      for (std::size_t a = 0; a < attributes.size(); ++a) {
        if (!kept(a)) continue;
        if (t.slots.size() <= t.count) t.slots.resize(t.count + 1);
        t.slots[t.count++] = attributes[a];
      }
    }
  }

  // The title first, when no heading of the page is kept for it: a
  // heading of its own, its white space as single spaces. Then the text
  // only the JSON-LD gives, as a paragraph.
  void WriteTitle(const Selection& selection) {
    if (selection.whole) return;
    const PageFacts<Char>& facts = recorder_.recorder().facts();
    structured_after_ = selection.structured_text ? selection.title_id : 0;
    if (selection.structured_text && selection.title_id == 0) structured_pending_ = true;
    if (selection.title == TitleFrom::kKept) return WriteStructured();
    const bool og = selection.title == TitleFrom::kOgTitle;
    const View title = View(og ? facts.og_title : facts.title)
                           .substr(selection.title_from, selection.title_length);
    String text;
    bool space = false;
    for (const Char c : title) {
      if (html::IsSpace(c)) {
        space = !text.empty();
        continue;
      }
      if (space) text.push_back(' ');
      space = false;
      text.push_back(c);
    }
    if (text.empty()) return;
    for (const auto& held : og ? facts.og_title_held : facts.title_held)
      if (held.at >= selection.title_from &&
          held.at < selection.title_from + selection.title_length)
        form_.CountLost(held.code_point);
    Token h1;
    h1.key = html::NameKey("h1");
    const html::Element& element = html::ElementOf(h1.key);
    next_.StartTag(h1, element);
    next_.Text(text);
    h1.end = true;
    next_.EndTag(h1, element);
    WriteStructured();
  }

  // The JSON-LD's text, once, when its place has come.
  void WriteStructured() {
    if (!structured_pending_) return;
    structured_pending_ = false;
    Token p;
    p.key = html::names::kP;
    const html::Element& element = html::ElementOf(p.key);
    next_.StartTag(p, element);
    const PageFacts<Char>& facts = recorder_.recorder().facts();
    for (const auto& held : facts.structured_text_held) form_.CountLost(held.code_point);
    next_.Text(facts.structured_text);
    p.end = true;
    next_.EndTag(p, element);
  }

  Next& next_;
  const bool collapses_;
  const scan::LeadBytes* leads_;
  const ReferenceReader<Char>& references_;
  const OutputForm<Char>& form_;
  Log log_;
  RecorderThread<Char> recorder_;
  std::size_t pre_depth_ = 0;
  bool twice_ = false;   // the page is handed over twice
  bool second_ = false;  // ... and this is the second time
  // The noscript elements' mark-up, joined by line breaks (not read again
  // inside them).
  String fallback_;
  bool reads_fallback_ = true;
  bool capturing_fallback_ = false;

  // Reading the page again.
  bool whole_ = true;
  std::vector<Range> ranges_;
  std::size_t next_range_ = 0;
  std::vector<Range> active_;
  html::OpenElements<Open> open_;
  // The start tags of the elements open not yet written, by open_.
  struct Held {
    Token tag;
    String raw;
    std::size_t size = 0;  // of its attributes and raw text
  };
  std::vector<Held> held_;
  std::size_t held_count_ = 0;  // of held_, those in use
  std::size_t held_size_ = 0;
  std::uint32_t next_id_ = 0;
  bool last_ended_emitted_ = false;
  std::uint32_t structured_after_ = 0;  // the element the JSON-LD's text follows
  bool structured_pending_ = false;
  bool tag_classic_ = false;
};

}  // namespace engine::maincontent
