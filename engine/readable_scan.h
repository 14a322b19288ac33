// The conversion of a page into readable text, for when any of the options
// SCRIPT, ENTITY, SPACE or BLOCK is on: HTML's tokenizer (or, without
// SCRIPT, the classic reading of tags) feeding the readable layout.
// Streamed like the classic session: fed piece by piece, it holds only what
// a construct cut by a piece's end needs. Used only inside engine/ and by
// its tests.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "engine/clsQuillmere.h"
#include "html/reference_reader.h"
#include "html/shown_filter.h"
#include "html/tokenizer.h"
#include "html/visibility.h"
#include "layout/readable_layout.h"

namespace engine {

template <typename Char>
class ReadableScan {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // `codec` encodes what the conversion adds (null for UTF-16); `overflow`
  // keeps the part of a tag past its first MiB (without SCRIPT), and
  // `link_spill` the list of links (LINKS) past its first MiB; `leads` marks
  // the code page's lead bytes (null where there are none).
  ReadableScan(const ScanOptions& options, const clsQuillmere::ByteCodec* codec,
               clsQuillmere::Overflow* overflow, const std::array<bool, 256>* leads,
               String image_label, String link_label, clsQuillmere::Overflow* link_spill = nullptr);

  void Feed(View piece, String& out);
  // `flush` takes the output so far while a long tag that turned out to be
  // text is read back, so that it need not be held whole.
  void Finish(String& out, const std::function<void(String&)>& flush);

  // Characters and open elements held now (the bound tests look at it).
  std::size_t Held() const { return tokenizer_.Held() + layout_.Held(); }

 private:
  using Layout = ReadableLayout<Char>;
  using Shown = html::ShownFilter<Char, Layout>;

  ReferenceReader<Char> references_;
  OutputForm<Char> form_;
  Layout layout_;
  html::Visibility<Char> visibility_;
  Shown shown_;
  HtmlTokenizer<Char, Shown> tokenizer_;
};

}  // namespace engine
