// The conversion of a page into readable text, for when any of the options
// SCRIPT, ENTITY, SPACE, BLOCK, TABLE, LINKS or MAIN is on: HTML's
// tokenizer (or, without SCRIPT, the classic reading of tags) feeding what a
// browser shows to the readable layout, and with MAIN through the
// main-content choice, which holds the page until its end, or has it fed a
// second time. Streamed like the classic session: fed piece by piece, it
// holds only what a construct cut by a piece's end needs (and, with MAIN
// fed once, the page in a scratch file). Used only inside engine/ and by
// its tests.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/clsQuillmere.h"
#include "html/reference_reader.h"
#include "html/shown_filter.h"
#include "html/tokenizer.h"
#include "html/visibility.h"
#include "layout/readable_layout.h"
#include "maincontent/main_content.h"

namespace engine {

template <typename Char>
class ReadableScan {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // `codec` encodes what the conversion adds (null for UTF-16); `overflow`
  // keeps the part of a tag past its first MiB (without SCRIPT),
  // `link_spill` the list of links (LINKS) past its first MiB, and
  // `page_spill` the page (MAIN) past its first MiBs; `leads` marks the
  // code page's lead bytes (null where there are none).
  ReadableScan(const ScanOptions& options, const clsQuillmere::ByteCodec* codec,
               clsQuillmere::Overflow* overflow, const std::array<bool, 256>* leads,
               String image_label, String link_label, clsQuillmere::Overflow* link_spill = nullptr,
               clsQuillmere::Overflow* page_spill = nullptr);

  // With MAIN, the text will be fed twice (see FeedAgain), and the page is
  // not held meanwhile: before the first piece. False without MAIN.
  bool FeedsTwice() {
    if (main_) main_->HandsOverTwice();
    twice_ = main_.has_value();
    return twice_;
  }
  void Feed(View piece, String& out);
  // After the last piece, fed twice: true when the text is to be fed again
  // from its start (then Finish); false when Finish follows at once.
  bool FeedAgain(String& out, const std::function<void(String&)>& flush);
  // `flush` takes the output so far while a long tag that turned out to be
  // text, or a page held in the scratch file, is read back, so that it need
  // not be held whole.
  void Finish(String& out, const std::function<void(String&)>& flush);

  // Characters and open elements held now (the bound tests look at it).
  std::size_t Held() const {
    return layout_.Held() +
           (main_ ? main_tokenizer_->Held() + main_->HeldNow() : tokenizer_->Held());
  }

 private:
  using Layout = ReadableLayout<Char>;
  using Shown = html::ShownFilter<Char, Layout>;
  using Main = maincontent::MainContent<Char, Layout>;
  using MainShown = html::ShownFilter<Char, Main>;

  ReferenceReader<Char> references_;
  OutputForm<Char> form_;
  Layout layout_;
  const ScanOptions options_;
  const scan::LeadBytes* const leads_;
  std::optional<html::Visibility<Char>> visibility_;
  // The page as it is shown, to the layout; or, with MAIN, to the choice.
  std::optional<Shown> shown_;
  std::optional<HtmlTokenizer<Char, Shown>> tokenizer_;
  std::optional<Main> main_;
  std::optional<MainShown> main_shown_;
  std::optional<HtmlTokenizer<Char, MainShown>> main_tokenizer_;
  clsQuillmere::Overflow* const overflow_;
  bool twice_ = false;      // the text is fed twice
  bool fed_again_ = false;  // ... and this is the second time
  bool tokenizer_done_ = false;

  template <typename Tokenizer, typename Sink>
  void StartTokenizer(std::optional<Tokenizer>& tokenizer, Sink& sink);
  // Passes `block` the output so far.
  static std::function<void()> Handing(Layout& layout, String& out,
                                       const std::function<void(String&)>& flush);
};

}  // namespace engine
