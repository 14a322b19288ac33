#include "maincontent/hints.h"

#include <string>

namespace engine::maincontent {
namespace {

using namespace html::names;

inline constexpr std::uint64_t kClass = html::NameKey("class");
inline constexpr std::uint64_t kId = html::NameKey("id");
inline constexpr std::uint64_t kRole = html::NameKey("role");
inline constexpr std::uint64_t kItemprop = html::NameKey("itemprop");
inline constexpr std::uint64_t kItemtype = html::NameKey("itemtype");
inline constexpr std::uint64_t kAriaHidden = html::NameKey("aria-hidden");

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

std::uint32_t HintsOfWord(std::string_view word) {
  std::uint32_t hints = 0;
  for (const Word& w : kWholeWords)
    if (word == w.word) hints |= w.hint;
  for (const Word& w : kPartWords)
    if (word.find(w.word) != word.npos) hints |= w.hint;
  return hints;
}

template <typename Char>
std::uint32_t HintsOfValue(std::basic_string_view<Char> value) {
  std::uint32_t hints = 0;
  std::string word, joined;  // one word; the value's letters and digits run together
  auto end_word = [&] {
    if (!word.empty()) hints |= HintsOfWord(word);
    word.clear();
  };
  for (const Char c : value) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(c);
    if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) {
      word.push_back(static_cast<char>(u));
    } else if (u >= 'A' && u <= 'Z') {
      word.push_back(static_cast<char>(u | 0x20));
    } else {
      if (u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f') {
        if (!joined.empty()) hints |= HintsOfWord(joined) & ~kHintContent;
        joined.clear();
      }
      end_word();
      continue;
    }
    joined.push_back(word.back());
  }
  end_word();
  // "article-body", "post_content", "side-bar": the words of a class name
  // together.
  if (!joined.empty()) hints |= HintsOfWord(joined) & ~kHintContent;
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

template <typename Char>
std::uint32_t HintsOf(const HtmlTag<Char>& tag, const html::Element& element) {
  using View = std::basic_string_view<Char>;
  using html::Kind;
  std::uint32_t hints = 0;
  switch (element.kind) {
    case Kind::kHeading:
      hints |= kHintHeading;
      if (tag.key == html::NameKey("h1")) hints |= kHintTitle;
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
  constexpr std::uint64_t kNav = html::NameKey("nav"), kAside = html::NameKey("aside"),
                          kHeader = html::NameKey("header"), kFooter = html::NameKey("footer"),
                          kForm = html::NameKey("form"), kMain = html::NameKey("main"),
                          kArticle = html::NameKey("article"), kCode = html::NameKey("code");
  if (tag.key == kNav) hints |= kHintNav;
  if (tag.key == kAside) hints |= kHintAside;
  if (tag.key == kHeader) hints |= kHintHeader;
  if (tag.key == kFooter) hints |= kHintFooter;
  if (tag.key == kForm) hints |= kHintForm;
  if (tag.key == kMain) hints |= kHintMain;
  if (tag.key == kArticle) hints |= kHintArticle;
  if (tag.key == kCode) hints |= kHintCode;
  if (tag.key == html::NameKey("select") || tag.key == html::NameKey("datalist"))
    hints |= kHintControl;
  for (const auto& a : tag.attributes()) {
    const View value(a.value);
    if (a.key == kClass || a.key == kId) {
      hints |= HintsOfValue(value);
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
  return hints;
}

template <typename Char>
std::uint32_t SignatureOf(const HtmlTag<Char>& tag) {
  std::uint64_t h = tag.key * 0x9E3779B97F4A7C15u;
  if (const auto* a = tag.Find(kClass))
    for (const Char c : a->value)
      h = (h ^ static_cast<std::make_unsigned_t<Char>>(c)) * 0x100000001B3u;
  return static_cast<std::uint32_t>(h ^ h >> 32);
}

template std::uint32_t SignatureOf(const HtmlTag<char>&);
template std::uint32_t SignatureOf(const HtmlTag<char16_t>&);
template std::uint32_t HintsOf(const HtmlTag<char>&, const html::Element&);
template std::uint32_t HintsOf(const HtmlTag<char16_t>&, const html::Element&);

}  // namespace engine::maincontent
