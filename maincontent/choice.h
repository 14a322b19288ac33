// The second half of the main-content choice: from the page's recorded
// blocks and what it says of itself, which of its elements to keep. Text is
// weighed by characters (Chinese and Japanese ones counting as a few
// letters), punctuation of sentences, and how much of it lies inside links;
// the blocks that read as prose, as items of a list of things, or as posts
// are content, the link lists and the elements named as clutter are not.
// The element that holds the most content against the least clutter is
// kept, with the clutter inside it taken out, and the article's heading
// before it. When nothing stands out, the whole page is kept.
#pragma once

#include <cstdint>
#include <vector>

#include "maincontent/page_recorder.h"
#include "maincontent/page_tree.h"

namespace engine::maincontent {

// Elements by their numbers: from `first` to `last` (an element and all
// inside it), kept or not. Where ranges nest, the innermost decides; what no
// range holds is not kept.
struct Range {
  std::uint32_t first = 0, last = 0;
  bool keep = true;
};

enum class TitleFrom : std::uint8_t {
  kKept,           // a heading among what is kept, or none to be had
  kOgTitle,        // written first: the og:title
  kDocumentTitle,  // written first: the document's title
};

struct Selection {
  bool whole = true;  // the whole page: nothing stands out
  // The text the JSON-LD gives of the page, written after the title: the
  // page shows it nowhere (a product's description that a script puts in).
  bool structured_text = false;
  std::uint32_t title_id = 0;  // the kept heading that is the title (0: none)
  std::vector<Range> ranges;
  TitleFrom title = TitleFrom::kKept;
  // The part of the og:title or the document's title to write: without the
  // site's name.
  std::size_t title_from = 0, title_length = 0;
};

template <typename Char>
Selection Choose(const PageRecorder<Char>& page, const OutputForm<Char>& form);

}  // namespace engine::maincontent
