#include "engine/readable_scan.h"

#include <utility>

namespace engine {

template <typename Char>
ReadableScan<Char>::ReadableScan(const ScanOptions& options, const clsQuillmere::ByteCodec* codec,
                                 clsQuillmere::Overflow* overflow,
                                 const std::array<bool, 256>* leads, String image_label,
                                 String link_label, clsQuillmere::Overflow* link_spill,
                                 clsQuillmere::Overflow* page_spill)
    : references_(options.entity),
      form_(codec),
      layout_(options, form_, references_, leads, std::move(image_label), std::move(link_label),
              link_spill),
      options_(options),
      leads_(leads),
      overflow_(overflow) {
  visibility_.emplace(options.script, references_, form_, options.main);
  if (options.main) {
    main_.emplace(layout_, options.space, page_spill, leads, references_, form_);
    main_shown_.emplace(*main_, *visibility_);
    StartTokenizer(main_tokenizer_, *main_shown_);
  } else {
    shown_.emplace(layout_, *visibility_);
    StartTokenizer(tokenizer_, *shown_);
  }
}

template <typename Char>
template <typename Tokenizer, typename Sink>
void ReadableScan<Char>::StartTokenizer(std::optional<Tokenizer>& tokenizer, Sink& sink) {
  tokenizer.emplace(sink, typename Tokenizer::Setup{.html = options_.script,
                                                    .mark_spaces = options_.space,
                                                    .references = &references_,
                                                    .overflow = overflow_,
                                                    .leads = leads_});
}

template <typename Char>
std::function<void()> ReadableScan<Char>::Handing(Layout& layout, String& out,
                                                  const std::function<void(String&)>& flush) {
  return [&layout, &out, &flush] {
    layout.Hand();
    if (flush) flush(out);
  };
}

template <typename Char>
void ReadableScan<Char>::Feed(View piece, String& out) {
  layout_.SetOutput(out);
  if (!main_) {
    tokenizer_->Feed(piece);
  } else {
    main_tokenizer_->Feed(piece);
    if (!fed_again_) return;  // (the layout is given nothing before the choice)
  }
  layout_.Hand();
}

template <typename Char>
void ReadableScan<Char>::Finish(String& out, const std::function<void(String&)>& flush) {
  layout_.SetOutput(out);
  const std::function<void()> block = Handing(layout_, out, flush);
  if (main_) {
    // (Fed twice, the choice is made and only the second pass's end is left.)
    if (!tokenizer_done_) main_tokenizer_->Finish(block);
    main_->Finish(block);
  } else {
    tokenizer_->Finish(block);
  }
  layout_.End(block);
}

template <typename Char>
bool ReadableScan<Char>::FeedAgain(String& out, const std::function<void(String&)>& flush) {
  if (!twice_ || fed_again_ || tokenizer_done_) return false;
  layout_.SetOutput(out);
  const std::function<void()> block = Handing(layout_, out, flush);
  main_tokenizer_->Finish(block);
  if (!main_->EndFirstPass(block)) {
    tokenizer_done_ = true;  // the noscript elements' text stood for the page
    return false;
  }
  // The second pass reads as the first did, from the start: the tokenizer
  // and what it asks of the page's visibility begin again.
  fed_again_ = true;
  main_tokenizer_.reset();
  main_shown_.reset();
  visibility_.emplace(options_.script, references_, form_, options_.main);
  main_shown_.emplace(*main_, *visibility_);
  StartTokenizer(main_tokenizer_, *main_shown_);
  return true;
}

template class ReadableScan<char>;
template class ReadableScan<char16_t>;

}  // namespace engine
