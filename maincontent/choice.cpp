#include "maincontent/choice.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <span>

#include "maincontent/hints.h"

namespace engine::maincontent {
namespace {

using html::Kind;

// Weights of text (Sums::weight): about 100 letters, or 33 kanji
// and kana, make a sentence.
constexpr double kSentence = 100;
constexpr double kLeastContent = 250;  // less than this stands out nowhere
constexpr double kArticle = 1500;      // this much prose is an article
constexpr double kShortSentence = 0.6 * kSentence;
// Names that are what they say whatever they hold: a dialog, a consent
// notice, a sign-up form, a form's choices.
constexpr std::uint32_t kCertainClutter = kHintPopup | kHintConsent | kHintSignup | kHintControl;
constexpr double kMenuLink = 20;  // the weight of a menu's link: a word or two

struct Node {
  const NodeRecord* record = nullptr;
  bool clutter = false;  // named as clutter for certain
  bool weak = false;     // named as clutter perhaps
  bool item = false;     // one of the items of a list of things
  bool inside_clutter = false;
  // Of its own text and all inside it but clutter: the weight of prose, of
  // short lines, of link lists; of the clutter inside it; of the items of
  // lists inside it (or itself, an item).
  double good = 0, plain = 0, links = 0, clutter_weight = 0, items = 0;
  double score = 0;       // as an article's text
  double list_score = 0;  // as a list of things
};

enum class BlockClass { kNone, kGood, kLinks, kPlain };

// What a block's own text is: prose, a list of links, or short lines. (A
// record that stands for several blocks, joined past the bound, is judged
// by its blocks on average.)
BlockClass ClassOf(const NodeRecord& r) {
  const Sums& own = r.own;
  const double weight = own.weight();
  if (weight == 0) return BlockClass::kNone;
  const double link_density = own.link_weight / weight;
  if (link_density >= 0.5) return BlockClass::kLinks;
  if (r.kind == Kind::kHeading) return BlockClass::kPlain;
  const double blocks = r.joined();
  const double each = weight / blocks;
  const bool punctuated = own.stops + own.commas >= blocks;
  if (link_density < 0.35 && ((each >= kSentence && punctuated) || each >= 2.5 * kSentence))
    return BlockClass::kGood;
  return BlockClass::kPlain;
}

class Chooser {
 public:
  explicit Chooser(const std::vector<NodeRecord>& records) {
    nodes_.resize(records.size() + 1);
    // nodes_[0] is the page; nodes_[1 + k] the k-th record by number.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order;
    order.reserve(records.size());
    for (std::size_t k = 0; k < records.size(); ++k)
      order.emplace_back(records[k].id, static_cast<std::uint32_t>(k));
    std::sort(order.begin(), order.end());
    ids_.reserve(records.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
      nodes_[k + 1].record = &records[order[k].second];
      ids_.push_back(order[k].first);
    }
    // By number, an element's parent is the nearest before it that still
    // holds it.
    parent_.assign(nodes_.size(), 0);
    std::vector<std::size_t> around;
    for (std::size_t k = 1; k < nodes_.size(); ++k) {
      const NodeRecord& r = *nodes_[k].record;
      while (!around.empty() && nodes_[around.back()].record->end < r.id) around.pop_back();
      parent_[k] = around.empty() ? 0 : around.back();
      around.push_back(k);
    }
    // The children of each, in order, in one array.
    child_begin_.assign(nodes_.size() + 1, 0);
    for (std::size_t k = 1; k < nodes_.size(); ++k) ++child_begin_[parent_[k] + 1];
    for (std::size_t k = 0; k < nodes_.size(); ++k) child_begin_[k + 1] += child_begin_[k];
    child_list_.resize(nodes_.size() > 0 ? nodes_.size() - 1 : 0);
    std::vector<std::size_t> filled(child_begin_.begin(), child_begin_.end() - 1);
    for (std::size_t k = 1; k < nodes_.size(); ++k) child_list_[filled[parent_[k]]++] = k;
  }

  // Whether a comment section holds a sentence or more.
  bool HasComments() const {
    for (std::size_t k = 1; k < nodes_.size(); ++k)
      if ((nodes_[k].record->hints & kHintComments) && raw_worth_[k] >= kSentence) return true;
    return false;
  }

  std::span<const std::size_t> Children(std::size_t k) const {
    return {child_list_.data() + child_begin_[k], child_begin_[k + 1] - child_begin_[k]};
  }

  // Of the hints in `names`, those whose outermost elements together hold
  // at least half of the page's prose.
  std::uint32_t WrongNames(std::uint32_t names) const {
    std::array<double, 32> held{};
    std::vector<std::uint32_t> around(nodes_.size(), 0);  // the hints of those around each
    for (std::size_t k = 1; k < nodes_.size(); ++k) {
      const std::size_t p = parent_[k];
      around[k] = p == 0 ? 0 : around[p] | nodes_[p].record->hints;
      for (std::uint32_t bits = nodes_[k].record->hints & names & ~around[k]; bits != 0;
           bits &= bits - 1)
        held[static_cast<std::size_t>(std::countr_zero(bits))] += raw_good_[k];
    }
    std::uint32_t wrong = 0;
    for (std::size_t b = 0; b < held.size(); ++b)
      if (held[b] >= std::max(0.5 * raw_good_[0], kLeastContent)) wrong |= std::uint32_t(1) << b;
    return wrong;
  }

  // What each element holds whatever is named clutter (set_page first).
  void WeighRaw() {
    Sum();
    raw_worth_.resize(nodes_.size());
    raw_good_.resize(nodes_.size());
    for (std::size_t k = 0; k < nodes_.size(); ++k) {
      raw_worth_[k] = nodes_[k].good + 0.3 * nodes_[k].plain;
      raw_good_[k] = nodes_[k].good;
    }
  }

  // Weighs every element, with comment sections as clutter or not.
  void Weigh(bool comments_are_clutter) {
    std::uint32_t clutter = kStrongClutter;
    if (!comments_are_clutter) clutter &= ~kHintComments;
    for (Node& n : nodes_) n.clutter = n.weak = n.item = n.inside_clutter = false;
    // A name is wrong that calls half the page's content clutter ("nav" and
    // "ads" in the class of the wrapper of an article): but a dialog, a
    // consent notice, a sign-up form and a form's choices are what they say
    // whatever they hold, unless they hold half the page's elements (an
    // "off-canvas" wrapper of the page).
    const double page_worth = raw_worth_[0];
    const std::uint32_t elements = last_id_;
    // So is a name that the elements bearing it, together, hold half the
    // page's content by (an article in sections called "ranking-...").
    const std::uint32_t wrong =
        WrongNames((clutter | kWeakClutter) & ~(kHintComments | kHintNav | kCertainClutter));
    clutter &= ~wrong;
    for (std::size_t k = 1; k < nodes_.size(); ++k) {
      Node& n = nodes_[k];
      const std::uint32_t h = n.record->hints;
      const bool content = (h & (kHintArticle | kHintBody | kHintMain)) != 0;
      const bool certain = (h & kCertainClutter) != 0;
      const bool most = raw_worth_[k] >= 0.5 * page_worth;
      const bool wrapper = n.record->end - n.record->id >= elements / 2;
      // (A paragraph of prose is what it is, whatever its name: "menu" in
      // an editor's "contextmenu" class on each of an article's.)
      const bool prose = n.record->id == n.record->end && ClassOf(*n.record) == BlockClass::kGood;
      n.clutter = (h & clutter) != 0 && !content && !wrapper && (certain || !(most || prose));
      n.weak = (h & kWeakClutter & ~wrong) != 0 && !content;
    }
    for (std::size_t k = 0; k < nodes_.size(); ++k) {
      MarkItems(k);
      for (const std::size_t c : Children(k))
        nodes_[c].inside_clutter = nodes_[k].inside_clutter || nodes_[k].clutter;
    }
    Sum();
  }

  // The sums of every element, from what is clutter and what items.
  void Sum() {
    // Children come after their parents by number: from the last up.
    for (std::size_t k = nodes_.size(); k-- > 0;) {
      Node& n = nodes_[k];
      n.good = n.links = n.plain = n.clutter_weight = n.items = 0;
      if (n.record) {
        const double weight = n.record->own.weight();
        switch (ClassOf(*n.record)) {
          case BlockClass::kGood:
            n.good += weight;
            break;
          case BlockClass::kLinks:
            n.links += weight;
            break;
          case BlockClass::kPlain:
            n.plain += weight;
            break;
          case BlockClass::kNone:
            break;
        }
      }
      for (const std::size_t c : Children(k)) {
        const Node& child = nodes_[c];
        if (child.clutter) {
          n.clutter_weight += child.record->all.weight();
        } else {
          n.good += child.good;
          n.links += child.links;
          n.plain += child.plain;
          n.clutter_weight += child.clutter_weight;
          n.items += child.items;
        }
      }
      const double all = n.record ? n.record->all.weight() : page_weight_;
      if (n.item) n.items = all - n.clutter_weight;
      n.score = n.good + 0.3 * n.plain - 1.0 * n.links - 0.5 * n.clutter_weight;
      n.list_score =
          n.items - 0.5 * std::max(0.0, all - n.items - n.clutter_weight) - 0.5 * n.clutter_weight;
      if (n.record && (n.record->hints & (kHintArticle | kHintBody | kHintMain))) {
        n.score += 0.1 * n.good;
        n.list_score += 0.1 * n.items;
      }
      if (n.clutter || n.inside_clutter) n.score = n.list_score = -1;
    }
  }

  // The largest main element (main, role=main) with text enough of its own
  // (0 for none).
  std::size_t BestMain() const {
    std::size_t best = 0;
    double most = kLeastContent;
    for (std::size_t k = 1; k < nodes_.size(); ++k) {
      const Node& n = nodes_[k];
      const double worth = n.good + n.plain;
      if ((n.record->hints & kHintMain) && !n.clutter && !n.inside_clutter && worth >= most) {
        best = k;
        most = worth;
      }
    }
    return best;
  }

  // The best element that holds a block whose text opens as one of
  // `descriptions` do (0 for none).
  std::size_t BestDescribed(const std::vector<std::uint32_t>& descriptions, bool list) const {
    std::size_t best = 0;
    for (std::size_t k = 1; k < nodes_.size(); ++k) {
      const NodeRecord& r = *nodes_[k].record;
      if (r.opening == 0 || nodes_[k].clutter || nodes_[k].inside_clutter ||
          std::find(descriptions.begin(), descriptions.end(), r.opening) == descriptions.end())
        continue;
      for (std::size_t a = k; a != 0; a = parent_[a])
        if (best == 0 || ScoreOf(a, list) > ScoreOf(best, list)) best = a;
    }
    return best;
  }

  // The element of the highest score; the page itself (0) only where it
  // scores well above any (its content spread over elements of its own).
  std::size_t Best(bool list) const {
    std::size_t best = 0;
    for (std::size_t k = 1; k < nodes_.size(); ++k)
      if (best == 0 || ScoreOf(k, list) > ScoreOf(best, list)) best = k;
    if (best == 0 || ScoreOf(0, list) > 1.2 * std::max(ScoreOf(best, list), 0.0) + kSentence)
      return 0;
    return best;
  }
  double ScoreOf(std::size_t k, bool list) const {
    return list ? nodes_[k].list_score : nodes_[k].score;
  }

  const Node& node(std::size_t k) const { return nodes_[k]; }
  std::size_t size() const { return nodes_.size(); }
  std::size_t IndexOf(std::uint32_t id) const {
    const auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
    return at != ids_.end() && *at == id ? static_cast<std::size_t>(at - ids_.begin()) + 1 : 0;
  }
  void set_page(double weight, std::uint32_t last_id) {
    page_weight_ = weight;
    last_id_ = last_id;
  }

  // An article's text begins with its first sentence (its headings before
  // it kept) and ends with its last: short lines before it (a byline, a
  // date, "Table of contents") and after it (tags, "Share this", a call to
  // act) go, but for tables, code, quotes and lists of text, which are
  // content however short.
  void Trim(std::size_t kept, std::vector<Range>& ranges) const {
    std::vector<std::size_t> blocks;  // those with text of their own, by number
    std::vector<std::size_t> unvisited(Children(kept).rbegin(), Children(kept).rend());
    while (!unvisited.empty()) {
      const std::size_t k = unvisited.back();
      unvisited.pop_back();
      if (Dropped(nodes_[k].record->id, ranges)) continue;
      if (nodes_[k].record->own.weight() > 0) blocks.push_back(k);
      unvisited.insert(unvisited.end(), Children(k).rbegin(), Children(k).rend());
    }
    // A sentence, short as it may be, is text of the article's too.
    auto sentence = [&](std::size_t k) {
      const Sums& own = nodes_[k].record->own;
      return ClassOf(*nodes_[k].record) == BlockClass::kGood ||
             (own.weight() >= kShortSentence && own.stops > 0 &&
              own.link_weight < 0.3 * own.weight());
    };
    std::size_t first = blocks.size(), last = 0;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      if (!sentence(blocks[b])) continue;
      first = std::min(first, b);
      last = b;
    }
    if (first == blocks.size()) return;
    auto keeps = [&](std::size_t k, bool before) {
      const NodeRecord& r = *nodes_[k].record;
      if (r.kind == Kind::kPre || r.kind == Kind::kTable || r.kind == Kind::kQuote ||
          (r.hints & kHintCode))
        return true;
      if (before && r.kind == Kind::kHeading) return true;
      // Inside a table or a list of text, or the text a prose block holds.
      for (std::size_t a = parent_[k]; a != kept && a != 0; a = parent_[a]) {
        const NodeRecord& around = *nodes_[a].record;
        if (around.kind == Kind::kTable || around.kind == Kind::kPre ||
            around.kind == Kind::kQuote || around.kind == Kind::kDefinitionList)
          return true;
        if ((around.kind == Kind::kList || around.kind == Kind::kOrderedList) &&
            around.all.link_weight < 0.3 * around.all.weight())
          return true;
      }
      return false;
    };
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      if (b >= first && b <= last) continue;
      const std::size_t k = blocks[b];
      const NodeRecord& r = *nodes_[k].record;
      const std::size_t g = b < first ? blocks[first] : blocks[last];
      const NodeRecord& good = *nodes_[g].record;
      if (r.id <= good.id && good.id <= r.end) continue;  // it holds the prose
      if (nodes_[k].good > 0 || keeps(k, b < first)) continue;
      ranges.push_back({r.id, r.end, false});
    }
  }

  // Whether the ranges drop the element numbered `id`.
  static bool Dropped(std::uint32_t id, const std::vector<Range>& ranges) {
    for (const Range& range : ranges)
      if (!range.keep && range.first <= id && id <= range.last) return true;
    return false;
  }

  // The clutter inside what is kept: ranges not kept. Inside the items of
  // a list only clutter named for certain goes: their links are their text.
  void Prune(std::size_t kept, bool list, std::vector<Range>& ranges) const {
    const Node& top = nodes_[kept];
    const double content = std::max(list ? top.items : top.good + 0.3 * top.plain, 1.0);
    std::vector<std::pair<std::size_t, bool>> unvisited;
    for (auto c = Children(kept).rbegin(); c != Children(kept).rend(); ++c)
      unvisited.emplace_back(*c, top.item);
    while (!unvisited.empty()) {
      const auto [k, in_item] = unvisited.back();
      unvisited.pop_back();
      const Node& n = nodes_[k];
      const NodeRecord& r = *n.record;
      const double weight = r.all.weight();
      const double worth = list ? n.items : n.good + 0.3 * n.plain;
      bool drop = false;
      if (n.clutter && worth < 0.5 * content) drop = true;
      if (!in_item && !n.item) {
        if (n.weak && n.good < 0.5 * weight && r.all.headings == 0 && worth < 0.5 * content)
          drop = true;
        if (weight > 0 && r.all.link_weight >= 0.6 * weight && n.good < kSentence &&
            r.kind != Kind::kHeading && !(list && n.items > 0.5 * weight))
          drop = true;
        if ((r.hints & kHintForm) && r.all.controls > 0 && n.good < kSentence) drop = true;
      }
      if (drop) {
        ranges.push_back({r.id, r.end, false});
        continue;
      }
      for (auto c = Children(k).rbegin(); c != Children(k).rend(); ++c)
        unvisited.emplace_back(*c, in_item || n.item);
    }
  }

 private:
  // The items of a list of things: three or more children alike (by name
  // and class) that hold some text each, more than a menu's single words,
  // and are not named as clutter.
  void MarkItems(std::size_t parent) {
    const std::span<const std::size_t> children = Children(parent);
    if (children.size() < 3) return;
    std::vector<std::pair<std::uint32_t, std::size_t>>& by_signature = by_signature_;
    by_signature.clear();
    for (const std::size_t c : children) by_signature.emplace_back(nodes_[c].record->signature, c);
    std::sort(by_signature.begin(), by_signature.end());
    for (std::size_t a = 0; a < by_signature.size();) {
      std::size_t b = a;
      double weight = 0, link_weight = 0, links = 0;
      std::size_t count = 0;
      while (b < by_signature.size() && by_signature[b].first == by_signature[a].first) {
        const Node& c = nodes_[by_signature[b].second];
        if (!c.clutter && c.record->all.weight() > 0) {
          weight += c.record->all.weight();
          link_weight += c.record->all.link_weight;
          links += c.record->all.links;
          count += c.record->joined();
        }
        ++b;
      }
      // Items of nothing but links are headlines when their links say
      // something (a menu's are a word or two, however many an item holds).
      const double each = count ? weight / count : 0;
      const bool linked = link_weight >= 0.9 * weight;
      const bool menu = linked && link_weight < kMenuLink * std::max(links, 1.0);
      if (count >= 3 && !menu && each >= (linked ? 50 : 25))
        for (std::size_t k = a; k < b; ++k) {
          Node& c = nodes_[by_signature[k].second];
          if (!c.clutter && c.record->all.weight() > 0) c.item = true;
        }
      a = b;
    }
  }

  std::vector<Node> nodes_;
  std::vector<std::size_t> parent_;
  std::vector<std::uint32_t> ids_;  // the records' numbers, in order
  std::vector<std::size_t> child_begin_, child_list_;
  std::vector<std::pair<std::uint32_t, std::size_t>> by_signature_;  // working space
  std::vector<double> raw_worth_, raw_good_;                         // whatever is named clutter
  double page_weight_ = 0;
  std::uint32_t last_id_ = 0;
};

// Text as compared with another: no white space, letters in lower case.
template <typename Char>
std::basic_string<Char> Folded(std::basic_string_view<Char> text) {
  std::basic_string<Char> folded;
  for (const Char c : text) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(c);
    if (u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f') continue;
    folded.push_back(u >= 'A' && u <= 'Z' ? static_cast<Char>(u | 0x20) : c);
  }
  return folded;
}

template <typename Char>
bool Resembles(std::basic_string_view<Char> heading, std::basic_string_view<Char> title) {
  const auto a = Folded(heading), b = Folded(title);
  if (a.size() < 4 || b.size() < 4) return false;
  // Most of the one inside the other: a section's heading that is a word
  // of the title is not the title.
  if (a.size() <= b.size()) return 5 * a.size() >= 3 * b.size() && b.find(a) != b.npos;
  return 2 * b.size() >= a.size() && a.find(b) != a.npos;
}

// The part of a document's title that is not the site's name: of the parts
// between separators (" | ", " - ", "｜", ...), the longest.
template <typename Char>
void TitleWithoutSite(std::basic_string_view<Char> title, const OutputForm<Char>& form,
                      std::size_t& from, std::size_t& length) {
  std::vector<std::basic_string<Char>> separators;
  for (const char32_t c : {U'|', U'-', U'\u2013', U'\u2014', U'\u00B7', U'\u00BB', U':'}) {
    std::basic_string<Char> s(1, Char(' '));
    form.AppendHeld(c, s, nullptr);  // (only looked for: never counted among those lost)
    s.push_back(' ');
    separators.push_back(s);
  }
  for (const char32_t c : {U'\uFF5C', U'\u3010', U'\u3011'}) {  // ｜【】
    std::basic_string<Char> s;
    form.AppendHeld(c, s, nullptr);
    separators.push_back(s);
  }
  std::size_t start = 0, best_from = 0, best_length = 0;
  auto part = [&](std::size_t end) {
    std::size_t a = start, b = end;
    while (a < b && (title[a] == ' ' || title[a] == '\t')) ++a;
    while (b > a && (title[b - 1] == ' ' || title[b - 1] == '\t')) --b;
    if (b - a > best_length) {
      best_from = a;
      best_length = b - a;
    }
  };
  for (std::size_t at = 0; at < title.size();) {
    std::size_t matched = 0;
    for (const auto& s : separators)
      if (title.substr(at, s.size()) == s) matched = s.size();
    if (matched == 0) {
      ++at;
      continue;
    }
    part(at);
    at += matched;
    start = at;
  }
  part(title.size());
  from = best_from;
  length = best_length;
}

}  // namespace

template <typename Char>
Selection Choose(const PageRecorder<Char>& page, const OutputForm<Char>& form) {
  using View = std::basic_string_view<Char>;
  Selection selection;
  Chooser chooser(page.records());
  chooser.set_page(page.page_all().weight(), page.last_id());
  chooser.WeighRaw();
  // A thread's posts, or a page of comments: when the comment sections
  // hold most of the content and no article stands outside them, they are
  // the content.
  chooser.Weigh(true);
  std::size_t best = chooser.Best(false);
  const double outside = chooser.node(best).good;
  if (outside < kArticle && chooser.HasComments()) {
    chooser.Weigh(false);
    const std::size_t with_comments = chooser.Best(false);
    if (chooser.node(with_comments).good > 3 * std::max(outside, kSentence))
      best = with_comments;
    else
      chooser.Weigh(true);
  }
  // A page of things (products, headlines, results) rather than an
  // article: the list that holds the most of them.
  // (A page that says it is an article is one, if it has any prose.)
  const std::size_t best_list = chooser.Best(true);
  const double prose = chooser.node(best).good;
  const bool list = prose < (page.facts().article ? kLeastContent : kArticle) &&
                    chooser.ScoreOf(best_list, true) > chooser.ScoreOf(best, false);
  if (list) best = best_list;
  // The block the page's description opens like is content: the best
  // element that holds it, unless that is far worse.
  if (const std::size_t described = chooser.BestDescribed(page.facts().descriptions, list);
      described != 0 && described != best &&
      chooser.ScoreOf(described, list) >= 0.3 * chooser.ScoreOf(best, list))
    best = described;
  // A page of short lines (a service's sections, a product's details) has
  // no prose to stand out by; its main element, where it has one, does.
  if ((list ? chooser.node(best).items : chooser.node(best).good) < kLeastContent && !list) {
    if (const std::size_t main = chooser.BestMain(); main != 0) best = main;
  }
  const Node& chosen = chooser.node(best);
  const PageFacts<Char>& facts = page.facts();
  const bool shown = [&] {
    for (const NodeRecord& record : page.records())
      if (record.opening == facts.structured_opening) return true;
    return false;
  }();
  // (Only where it says far more than all that is kept: a text the page
  // shows may open in another block, after a heading.)
  const double kept_weight = chosen.record ? chosen.record->all.weight() : page.page_all().weight();
  selection.structured_text = facts.structured_opening != 0 && !shown &&
                              facts.structured_weight > std::max(2 * kept_weight, kSentence);
  const double content =
      list ? chosen.items
           : chosen.good +
                 ((chosen.record && (chosen.record->hints & kHintMain)) ? chosen.plain : 0);
  // (A page whose own description only its JSON-LD holds stands out by it.)
  if (content < kLeastContent && !selection.structured_text) return selection;
  selection.whole = false;
  NodeRecord page_record;
  page_record.end = page.last_id();
  const NodeRecord& r = chosen.record ? *chosen.record : page_record;
  selection.ranges.push_back({r.id, r.end, true});
  chooser.Prune(best, list, selection.ranges);
  // (Only where prose makes much of what is kept: not a page of teasers.)
  if (!list && chosen.good > 0.3 * kept_weight) chooser.Trim(best, selection.ranges);

  // The title: an h1, or a heading like the page's own title, among what
  // is kept; else the last such heading before it; else the og:title, or
  // the document's title without the site's name.
  std::size_t title_from = 0, title_length = 0, og_from = 0, og_length = 0;
  TitleWithoutSite(View(facts.title), form, title_from, title_length);
  TitleWithoutSite(View(facts.og_title), form, og_from, og_length);
  const View title = facts.og_title.empty() ? View(facts.title).substr(title_from, title_length)
                                            : View(facts.og_title).substr(og_from, og_length);
  auto kept = [&](std::uint32_t id) {
    bool keep = false;
    std::uint32_t innermost = 0;
    for (const Range& range : selection.ranges)
      if (range.first <= id && id <= range.last && range.first >= innermost) {
        innermost = range.first;
        keep = range.keep;
      }
    return keep;
  };
  const NodeRecord* inside = nullptr;
  const NodeRecord* before = nullptr;
  for (const auto& h : facts.headings) {
    const NodeRecord* hr = chooser.node(chooser.IndexOf(h.id)).record;
    if (hr == nullptr) continue;
    const bool like =
        title.empty() ? (hr->hints & kHintTitle) != 0 : Resembles(View(h.text), title);
    if (kept(h.id) && inside == nullptr && (like || (hr->hints & kHintTitle))) inside = hr;
    if (h.id < r.id && like) before = hr;
  }
  if (inside != nullptr) selection.title_id = inside->id;
  if (inside == nullptr && before != nullptr) {
    selection.title_id = before->id;
    selection.ranges.push_back({before->id, before->end, true});
  } else if (inside == nullptr && !facts.og_title.empty()) {
    selection.title = TitleFrom::kOgTitle;
    selection.title_from = og_from;
    selection.title_length = og_length;
  } else if (inside == nullptr && !facts.title.empty()) {
    selection.title = TitleFrom::kDocumentTitle;
    selection.title_from = title_from;
    selection.title_length = title_length;
  }
  std::sort(selection.ranges.begin(), selection.ranges.end(),
            [](const Range& a, const Range& b) { return a.first < b.first; });
  return selection;
}

template Selection Choose(const PageRecorder<char>&, const OutputForm<char>&);
template Selection Choose(const PageRecorder<char16_t>&, const OutputForm<char16_t>&);

}  // namespace engine::maincontent
