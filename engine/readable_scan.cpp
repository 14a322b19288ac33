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
      visibility_(options.script, references_, form_, options.main) {
  auto setup = [&](auto& tokenizer, auto& sink) {
    using Tokenizer = typename std::remove_reference_t<decltype(tokenizer)>::value_type;
    tokenizer.emplace(sink, typename Tokenizer::Setup{.html = options.script,
                                                      .mark_spaces = options.space,
                                                      .references = &references_,
                                                      .overflow = overflow,
                                                      .leads = leads});
  };
  if (options.main) {
    main_.emplace(layout_, options.space, page_spill, leads, references_, form_);
    main_shown_.emplace(*main_, visibility_);
    setup(main_tokenizer_, *main_shown_);
  } else {
    shown_.emplace(layout_, visibility_);
    setup(tokenizer_, *shown_);
  }
}

template <typename Char>
void ReadableScan<Char>::Feed(View piece, String& out) {
  layout_.SetOutput(out);
  if (main_) return main_tokenizer_->Feed(piece);
  tokenizer_->Feed(piece);
  layout_.Hand();
}

template <typename Char>
void ReadableScan<Char>::Finish(String& out, const std::function<void(String&)>& flush) {
  layout_.SetOutput(out);
  auto block = [&] {
    layout_.Hand();
    if (flush) flush(out);
  };
  if (main_) {
    main_tokenizer_->Finish(block);
    main_->Finish(block);
  } else {
    tokenizer_->Finish(block);
  }
  layout_.End(block);
}

template class ReadableScan<char>;
template class ReadableScan<char16_t>;

}  // namespace engine
