// Ruby, the readings set beside a text's characters
// (<ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>), as RUBY writes them
// in the readable text: 0 as the browser's text runs them together
// (漢字かんじ), 1 the reading in full-width parentheses after its base
// (漢字（かんじ）), 2 in Aozora Bunko's notation (漢字《かんじ》, with ｜
// before a base the notation would not find by itself), 3 the base alone.
//
// HTML's ruby model says what is base and what is annotation: rb elements
// and the text directly in the ruby are bases, rt elements annotations, and
// each rtc a further level of them; rp is for browsers without ruby and
// never shows. The bases of one ruby make one word and its annotations one
// reading (漢<rt>かん</rt>字<rt>じ</rt> is 漢字（かんじ）). What a ruby holds
// waits here until its end, up to kMostHeld units; a ruby that holds more,
// or that a line or a block breaks, is written as it stands at that point
// and the rest of it as it comes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "html/reference_reader.h"
#include "layout/text_lines.h"
#include "text/scan.h"

namespace engine {

enum class RubyMode { kInline = 0, kParentheses = 1, kAozora = 2, kBaseOnly = 3 };

// Whether Aozora Bunko's notation takes `c` for a kanji: the ideographs,
// and 々 〆 〇 ヶ, which its runs of kanji hold too.
bool IsAozoraKanji(char32_t c);

template <typename Char>
class RubyText {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  static constexpr std::size_t kMostHeld = 64 * 1024;

  RubyText(RubyMode mode, const OutputForm<Char>& form, const scan::LeadBytes* leads);

  // The mode is on and a ruby is open: its text comes here.
  bool holding() const { return depth_ > 0 && !written_; }

  // Tags: ruby (a ruby within one is part of it), rb, rt, rtc, rp. What is
  // held is written before the ruby closes.
  void Open();
  void Close();
  bool open() const { return depth_ > 0; }
  bool outermost() const { return depth_ == 1; }
  void OpenBase() { into_ = &base_; }
  void OpenAnnotation();  // rt
  void CloseAnnotation();
  void OpenContainer();  // rtc
  void CloseContainer();
  void OpenFallback() { skipping_ = true; }  // rp
  void CloseFallback() { skipping_ = false; }

  // Text, as it would have gone to the lines (a run, or a space or line
  // break of the page's); false when the ruby is past its bound and should
  // be written now.
  bool Add(View text) {
    if (skipping_ || into_ == nullptr) return true;
    into_->append(text);
    held_ += text.size();
    return held_ <= kMostHeld;
  }

  // Writes what is held into `lines`, as `collapsing` spaces collapse, and
  // lets what follows of the ruby go to the lines as it comes.
  void Write(TextLines<Char>& lines, bool collapsing);

  std::size_t Held() const { return held_; }

 private:
  void StartLevels();
  bool AllKanji(View text) const;
  void Bracketed(TextLines<Char>& lines, char32_t open, View text, char32_t close, bool collapsing);

  const RubyMode mode_;
  const OutputForm<Char>& form_;
  const scan::LeadBytes* leads_;
  int depth_ = 0;
  bool written_ = false;  // the open ruby's start is written
  bool skipping_ = false;
  bool in_container_ = false;
  String base_;
  std::vector<String> notes_;  // by level; kept from ruby to ruby for their room
  std::size_t levels_ = 0;     // of notes_, in the open ruby
  String* into_ = nullptr;
  std::size_t held_ = 0;
  String mark_;  // a bracket in the output's form
};

}  // namespace engine
