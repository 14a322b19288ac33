#include "maincontent/hints.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace engine::maincontent {
namespace {

using namespace html::names;

inline constexpr std::uint64_t kClass = html::NameKey("class");
inline constexpr std::uint64_t kId = html::NameKey("id");
inline constexpr std::uint64_t kRole = html::NameKey("role");
inline constexpr std::uint64_t kItemprop = html::NameKey("itemprop");
inline constexpr std::uint64_t kItemtype = html::NameKey("itemtype");
inline constexpr std::uint64_t kAriaHidden = html::NameKey("aria-hidden");
inline constexpr std::uint64_t kH1 = html::NameKey("h1"), kNav = html::NameKey("nav"),
                               kAside = html::NameKey("aside"), kHeader = html::NameKey("header"),
                               kFooter = html::NameKey("footer"), kForm = html::NameKey("form"),
                               kMain = html::NameKey("main"), kArticle = html::NameKey("article"),
                               kCode = html::NameKey("code"), kSelect = html::NameKey("select"),
                               kDatalist = html::NameKey("datalist");

struct Word {
  std::string_view word;
  std::uint32_t hint;
};

// Words that say what an element is when they are a whole word of a class
// or id: short ones that would mislead inside longer words ("ad" in
// "header", "nav" in "canvas").
constexpr Word kWholeWords[] = {
    {"nav", kHintNav},         {"navi", kHintNav},         {"gnav", kHintNav},
    {"gnavi", kHintNav},       {"lnav", kHintNav},         {"snav", kHintNav},
    {"subnav", kHintNav},      {"menu", kHintNav},         {"toc", kHintNav},
    {"pager", kHintNav},       {"paging", kHintNav},       {"skip", kHintNav},
    {"search", kHintNav},      {"tabs", kHintNav},         {"head", kHintHeader},
    {"masthead", kHintHeader}, {"topbar", kHintHeader},    {"toolbar", kHintHeader},
    {"foot", kHintFooter},     {"side", kHintAside},       {"aside", kHintAside},
    {"sub", kHintAside},       {"rail", kHintAside},       {"secondary", kHintAside},
    {"ad", kHintAd},           {"ads", kHintAd},           {"adv", kHintAd},
    {"dfp", kHintAd},          {"sns", kHintShare},        {"follow", kHintShare},
    {"print", kHintShare},     {"rss", kHintShare},        {"tag", kHintMeta},
    {"tags", kHintMeta},       {"meta", kHintMeta},        {"byline", kHintMeta},
    {"author", kHintMeta},     {"date", kHintMeta},        {"time", kHintMeta},
    {"category", kHintMeta},   {"more", kHintRelated},     {"pickup", kHintRelated},
    {"kanren", kHintRelated},  {"osusume", kHintRelated},  {"login", kHintSignup},
    {"signin", kHintSignup},   {"register", kHintSignup},  {"main", kHintMain},
    {"content", kHintContent}, {"contents", kHintContent}, {"entry", kHintContent},
    {"post", kHintContent},    {"story", kHintContent},    {"text", kHintContent},
    {"body", kHintContent},    {"detail", kHintContent},   {"news", kHintContent},
    {"blog", kHintContent},    {"kiji", kHintContent},     {"honbun", kHintBody},
    {"article", kHintContent}, {"prose", kHintContent},
};

// Words that say it wherever they stand in a word ("sharebuttons",
// "relatedposts", "mainmenu").
constexpr Word kPartWords[] = {
    {"breadcrumb", kHintNav},
    {"topicpath", kHintNav},
    {"pankuzu", kHintNav},
    {"pagination", kHintNav},
    {"navigation", kHintNav},
    {"navbar", kHintNav},
    {"menu", kHintNav},
    {"globalnav", kHintNav},
    {"header", kHintHeader},
    {"footer", kHintFooter},
    {"copyright", kHintFooter},
    {"colophon", kHintFooter},
    {"sidebar", kHintAside},
    {"sidecolumn", kHintAside},
    {"subcolumn", kHintAside},
    {"comment", kHintComments},
    {"disqus", kHintComments},
    {"replies", kHintComments},
    {"share", kHintShare},
    {"social", kHintShare},
    {"related", kHintRelated},
    {"recommend", kHintRelated},
    {"ranking", kHintRelated},
    {"popular", kHintRelated},
    {"trending", kHintRelated},
    {"mostread", kHintRelated},
    {"advert", kHintAd},
    {"sponsor", kHintAd},
    {"adsense", kHintAd},
    {"adslot", kHintAd},
    {"adsbygoogle", kHintAd},
    {"promo", kHintAd},
    {"banner", kHintAd},
    {"cookie", kHintConsent},
    {"consent", kHintConsent},
    {"gdpr", kHintConsent},
    {"newsletter", kHintSignup},
    {"subscribe", kHintSignup},
    {"signup", kHintSignup},
    {"modal", kHintPopup},
    {"popup", kHintPopup},
    {"overlay", kHintPopup},
    {"offcanvas", kHintPopup},
    {"articlebody", kHintBody},
    {"postbody", kHintBody},
    {"entrybody", kHintBody},
    {"storybody", kHintBody},
    {"newsbody", kHintBody},
    {"maintext", kHintBody},
    {"bodytext", kHintBody},
    {"entrycontent", kHintBody},
    {"postcontent", kHintBody},
    {"articlecontent", kHintBody},
    {"articletext", kHintBody},
    {"kijibody", kHintBody},
    {"maincontent", kHintMain},
    {"honbun", kHintBody},
};

// The words of kPartWords found in one pass over a text (Aho and
// Corasick's automaton), over the letters and digits of ASCII.
class PartWordFinder {
 public:
  PartWordFinder() {
    states_.emplace_back();
    for (const Word& w : kPartWords) {
      std::size_t at = 0;
      for (const char c : w.word) {
        const int k = SymbolOf(static_cast<unsigned char>(c));
        if (states_[at].next[k] == 0) {
          states_[at].next[k] = static_cast<std::uint16_t>(states_.size());
          states_.emplace_back();
        }
        at = states_[at].next[k];
      }
      states_[at].hints |= w.hint;
    }
    // Breadth first: each state's failure is the longest proper suffix that
    // is a state; its hints and missing moves come from there.
    std::vector<std::size_t> queue;
    for (int k = 0; k < kSymbols; ++k)
      if (const std::size_t next = states_[0].next[k]) queue.push_back(next);
    for (std::size_t q = 0; q < queue.size(); ++q) {
      const std::size_t at = queue[q];
      states_[at].hints |= states_[states_[at].fail].hints;
      for (int k = 0; k < kSymbols; ++k) {
        const std::size_t next = states_[at].next[k];
        const std::size_t fallback = states_[states_[at].fail].next[k];
        if (next == 0) {
          states_[at].next[k] = static_cast<std::uint16_t>(fallback);
        } else {
          states_[next].fail = static_cast<std::uint16_t>(fallback);
          queue.push_back(next);
        }
      }
    }
  }

  // On from `state` over one symbol.
  std::uint16_t Step(std::uint16_t state, int symbol) const { return states_[state].next[symbol]; }
  std::uint32_t HintsAt(std::uint16_t state) const { return states_[state].hints; }

  // Letters and digits: their symbols; anything else: -1.
  static int SymbolOf(unsigned c) {
    if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a');
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0' + 26);
    return -1;
  }

 private:
  static constexpr int kSymbols = 36;
  struct State {
    std::uint16_t next[kSymbols] = {};
    std::uint16_t fail = 0;
    std::uint32_t hints = 0;
  };
  std::vector<State> states_;
};

const PartWordFinder& PartWords() {
  static const PartWordFinder finder;
  return finder;
}

// The whole words by a hash of their letters (the FNV-1a of WordHash).
class WholeWords {
 public:
  static std::uint64_t Step(std::uint64_t hash, unsigned c) { return (hash ^ c) * 0x100000001B3u; }
  static constexpr std::uint64_t kStart = 0xCBF29CE484222325u;

  WholeWords() {
    for (const Word& w : kWholeWords) {
      std::uint64_t hash = kStart;
      for (const char c : w.word) hash = Step(hash, static_cast<unsigned char>(c));
      Slot& slot = SlotOf(hash);
      slot.hash = hash;
      slot.hints |= w.hint;
    }
  }
  std::uint32_t HintsOf(std::uint64_t hash) const {
    for (std::size_t at = Index(hash);; at = (at + 1) % kSlots) {
      if (slots_[at].hash == hash) return slots_[at].hints;
      if (slots_[at].hash == 0) return 0;
    }
  }

 private:
  static constexpr std::size_t kSlots = 256;  // more than twice the words
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t hints = 0;
  };
  static std::size_t Index(std::uint64_t hash) {
    return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15u) >> 56) % kSlots;
  }
  Slot& SlotOf(std::uint64_t hash) {
    std::size_t at = Index(hash);
    while (slots_[at].hash != 0 && slots_[at].hash != hash) at = (at + 1) % kSlots;
    return slots_[at];
  }
  std::array<Slot, kSlots> slots_{};
};

const WholeWords& Whole() {
  static const WholeWords words;
  return words;
}

// The hints of a class or id value: of each word whole, and of the words
// of kPartWords within each of its space-separated names, whose words run
// together ("article-body", "post_content", "sharebuttons").
template <typename Char>
std::uint32_t HintsOfValue(std::basic_string_view<Char> value) {
  const PartWordFinder& parts = PartWords();
  const WholeWords& whole = Whole();
  std::uint32_t hints = 0;
  std::uint64_t word = WholeWords::kStart;  // the hash of the word under way
  bool in_word = false;
  std::uint16_t state = 0;
  for (const Char c : value) {
    auto u = static_cast<std::make_unsigned_t<Char>>(c);
    if (u >= 'A' && u <= 'Z') u |= 0x20;
    const int symbol = PartWordFinder::SymbolOf(u);
    if (symbol >= 0) {
      word = WholeWords::Step(word, u);
      in_word = true;
      state = parts.Step(state, symbol);
      hints |= parts.HintsAt(state);
      continue;
    }
    if (in_word) hints |= whole.HintsOf(word);
    word = WholeWords::kStart;
    in_word = false;
    if (u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f') state = 0;
  }
  if (in_word) hints |= whole.HintsOf(word);
  return hints;
}

template <typename Char>
bool Contains(std::basic_string_view<Char> value, std::string_view ascii) {
  if (value.size() < ascii.size()) return false;
  for (std::size_t at = 0; at + ascii.size() <= value.size(); ++at) {
    std::size_t k = 0;
    while (k < ascii.size()) {
      const auto u = static_cast<std::make_unsigned_t<Char>>(value[at + k]);
      const char lower = static_cast<char>(u >= 'A' && u <= 'Z' ? u | 0x20 : u);
      if (u >= 0x80 || lower != ascii[k]) break;
      ++k;
    }
    if (k == ascii.size()) return true;
  }
  return false;
}

template <typename Char>
bool Is(std::basic_string_view<Char> value, std::string_view ascii) {
  return value.size() == ascii.size() && Contains(value, ascii);
}

template <typename Char>
std::uint32_t HintsOfRole(std::basic_string_view<Char> role) {
  if (Is(role, "navigation") || Is(role, "menu") || Is(role, "menubar") || Is(role, "search"))
    return kHintNav;
  if (Is(role, "banner")) return kHintHeader;
  if (Is(role, "contentinfo")) return kHintFooter;
  if (Is(role, "complementary")) return kHintAside;
  if (Is(role, "main")) return kHintMain;
  if (Is(role, "article")) return kHintArticle;
  if (Is(role, "dialog") || Is(role, "alertdialog")) return kHintPopup;
  return 0;
}

}  // namespace

std::uint32_t HintsOfWords(std::string_view value) {
  return HintsOfValue(value);
}
std::uint32_t HintsOfWords(std::u16string_view value) {
  return HintsOfValue(value);
}

bool KeepsHintAttribute(std::uint64_t key) {
  return key == kClass || key == kId || key == kRole || key == kItemprop || key == kItemtype ||
         key == kAriaHidden;
}

// A hash of a value, eight bytes at a time: class values run long.
template <typename Char>
std::uint64_t HashOf(std::basic_string_view<Char> value) {
  const char* p = reinterpret_cast<const char*>(value.data());
  std::size_t n = value.size() * sizeof(Char);
  std::uint64_t hash = 0xCBF29CE484222325u ^ n;
  for (; n >= 8; n -= 8, p += 8) {
    std::uint64_t chunk;
    std::memcpy(&chunk, p, 8);
    hash = (hash ^ chunk) * 0x9E3779B97F4A7C15u;
    hash ^= hash >> 29;
  }
  for (; n > 0; --n, ++p) hash = (hash ^ static_cast<unsigned char>(*p)) * 0x100000001B3u;
  return hash ^ hash >> 32;
}

template <typename Char>
std::uint32_t HintReader::WordsOf(std::basic_string_view<Char> value, std::uint64_t& hash) {
  hash = HashOf(value) | 1;
  Remembered& slot = remembered_[(hash * 0x9E3779B97F4A7C15u) >> 52];
  if (slot.hash != hash) slot = {hash, HintsOfValue(value)};
  return slot.hints;
}

template <typename Char>
std::uint32_t HintReader::HintsOf(const HtmlTag<Char>& tag, const html::Element& element,
                                  std::uint32_t& signature) {
  using View = std::basic_string_view<Char>;
  using html::Kind;
  std::uint32_t hints = 0;
  std::uint64_t class_hash = 0;
  switch (element.kind) {
    case Kind::kHeading:
      hints |= kHintHeading;
      if (tag.key == kH1) hints |= kHintTitle;
      break;
    case Kind::kPre:
      hints |= kHintCode;
      break;
    case Kind::kItem:
    case Kind::kTerm:
    case Kind::kDescription:
    case Kind::kRow:
      hints |= kHintItem;
      break;
    case Kind::kAnchor:
      if (tag.Find(kHref)) hints |= kHintLink;
      break;
    default:
      break;
  }
  if (tag.key == kNav) hints |= kHintNav;
  if (tag.key == kAside) hints |= kHintAside;
  if (tag.key == kHeader) hints |= kHintHeader;
  if (tag.key == kFooter) hints |= kHintFooter;
  if (tag.key == kForm) hints |= kHintForm;
  if (tag.key == kMain) hints |= kHintMain;
  if (tag.key == kArticle) hints |= kHintArticle;
  if (tag.key == kCode) hints |= kHintCode;
  if (tag.key == kSelect || tag.key == kDatalist) hints |= kHintControl;
  for (const auto& a : tag.attributes()) {
    const View value(a.value);
    if (a.key == kClass || a.key == kId) {
      std::uint64_t hash;
      hints |= WordsOf(value, hash);
      if (a.key == kClass) class_hash = hash;
    } else if (a.key == kRole) {
      hints |= HintsOfRole(value);
    } else if (a.key == kItemprop) {
      if (Contains(value, "articlebody") || Is(value, "text") || Contains(value, "reviewbody"))
        hints |= kHintBody;
      else if (Is(value, "description"))
        hints |= kHintContent;
    } else if (a.key == kItemtype) {
      if (Contains(value, "article") || Contains(value, "blogposting") || Contains(value, "report"))
        hints |= kHintArticle;
      else if (Contains(value, "comment"))
        hints |= kHintComments;
      else if (Contains(value, "wpsidebar"))
        hints |= kHintAside;
      else if (Contains(value, "wpheader"))
        hints |= kHintHeader;
      else if (Contains(value, "wpfooter"))
        hints |= kHintFooter;
      else if (Contains(value, "sitenavigation"))
        hints |= kHintNav;
    } else if (a.key == kAriaHidden) {
      if (Is(value, "true")) hints |= kHintHidden;
    }
  }
  const std::uint64_t mixed = (tag.key ^ class_hash) * 0x9E3779B97F4A7C15u;
  signature = static_cast<std::uint32_t>(mixed ^ mixed >> 32);
  return hints;
}

template std::uint32_t HintReader::HintsOf(const HtmlTag<char>&, const html::Element&,
                                           std::uint32_t&);
template std::uint32_t HintReader::HintsOf(const HtmlTag<char16_t>&, const html::Element&,
                                           std::uint32_t&);

}  // namespace engine::maincontent
