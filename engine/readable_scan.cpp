#include "engine/readable_scan.h"

#include <utility>

namespace engine {

template <typename Char>
ReadableScan<Char>::ReadableScan(const ScanOptions& options, const clsQuillmere::ByteCodec* codec,
                                 clsQuillmere::Overflow* overflow,
                                 const std::array<bool, 256>* leads, String image_label,
                                 String link_label, clsQuillmere::Overflow* link_spill)
    : references_(options.entity),
      form_(codec),
      layout_(options, form_, references_, leads, std::move(image_label), std::move(link_label),
              link_spill),
      visibility_(options.script, references_, form_),
      shown_(layout_, visibility_),
      tokenizer_(shown_, {.html = options.script,
                          .mark_spaces = options.space,
                          .references = &references_,
                          .overflow = overflow,
                          .leads = leads}) {}

template <typename Char>
void ReadableScan<Char>::Feed(View piece, String& out) {
  layout_.SetOutput(out);
  tokenizer_.Feed(piece);
  layout_.Hand();
}

template <typename Char>
void ReadableScan<Char>::Finish(String& out, const std::function<void(String&)>& flush) {
  layout_.SetOutput(out);
  auto block = [&] {
    layout_.Hand();
    if (flush) flush(out);
  };
  tokenizer_.Finish(block);
  layout_.End(block);
}

template class ReadableScan<char>;
template class ReadableScan<char16_t>;

}  // namespace engine
