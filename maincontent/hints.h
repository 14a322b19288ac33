// What an element's name and attributes say of its part in the page: the
// semantic elements and roles (main, article, nav, aside, header, footer,
// form), microdata (itemprop=articleBody, an Article's itemtype), and the
// words of its class and id as English and Japanese sites write them
// ("entry-content", "honbun", "breadcrumb", "topicpath", "sns-share",
// "kanren", "osusume"...). Evidence for the choice, never a verdict alone.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "html/elements.h"
#include "html/tokenizer.h"

namespace engine::maincontent {

enum Hint : std::uint32_t {
  kHintArticle = 1 << 0,   // article, role=article, an Article's itemtype
  kHintBody = 1 << 1,      // itemprop=articleBody, or class words such as "article-body"
  kHintMain = 1 << 2,      // main, role=main
  kHintContent = 1 << 3,   // class or id words of content ("content", "entry", "post", "kiji")
  kHintNav = 1 << 4,       // nav, menus, breadcrumbs, pagination
  kHintHeader = 1 << 5,    // header, role=banner, mastheads
  kHintFooter = 1 << 6,    // footer, role=contentinfo, copyright
  kHintAside = 1 << 7,     // aside, sidebars, widgets
  kHintComments = 1 << 8,  // comment sections
  kHintShare = 1 << 9,     // share and follow buttons
  kHintRelated = 1 << 10,  // related, recommended, popular, ranking lists
  kHintAd = 1 << 11,       // advertising, sponsors, promotions
  kHintConsent = 1 << 12,  // cookie and consent notices
  kHintSignup = 1 << 13,   // newsletters, subscriptions, log-in
  kHintForm = 1 << 14,     // form
  kHintPopup = 1 << 15,    // modals and overlays
  kHintMeta = 1 << 16,     // bylines, dates, tags: short, neither content nor clutter
  kHintHeading = 1 << 17,  // h1 to h6
  kHintTitle = 1 << 18,    // h1
  kHintCode = 1 << 19,     // pre, code
  kHintItem = 1 << 20,     // li, dt, dd, tr: one of many
  kHintLink = 1 << 21,     // a with an href
  kHintHidden = 1 << 22,   // aria-hidden: for assistive technology, not shown
  kHintControl = 1 << 23,  // select, datalist: a form's choices
};

// The hints that name clutter: for certain, and perhaps (a header holds
// an article's heading as often as a site's menu; an aside a note as often
// as a sidebar).
inline constexpr std::uint32_t kStrongClutter = kHintNav | kHintComments | kHintShare |
                                                kHintRelated | kHintAd | kHintConsent |
                                                kHintSignup | kHintPopup | kHintControl;
inline constexpr std::uint32_t kWeakClutter = kHintHeader | kHintFooter | kHintAside;
inline constexpr std::uint32_t kClutter = kStrongClutter | kWeakClutter;
// Those that name content.
inline constexpr std::uint32_t kContentHints = kHintArticle | kHintBody | kHintMain | kHintContent;

// The words of a class or id value, in ASCII lower case, cut at anything
// but letters and digits: their hints.
std::uint32_t HintsOfWords(std::string_view value);
std::uint32_t HintsOfWords(std::u16string_view value);

// All an element's tag says, reading the words of classes and ids once for
// each value (a page repeats its class names many times); and what the
// items of a list of things share, its `signature`: the element's name and
// class.
class HintReader {
 public:
  template <typename Char>
  std::uint32_t HintsOf(const HtmlTag<Char>& tag, const html::Element& element,
                        std::uint32_t& signature);

 private:
  template <typename Char>
  std::uint32_t WordsOf(std::basic_string_view<Char> value, std::uint64_t& hash);

  struct Remembered {
    std::uint64_t hash = 0;  // of the value; 0: none
    std::uint32_t hints = 0;
  };
  std::vector<Remembered> remembered_ = std::vector<Remembered>(4096);
};

// The attributes read for hints.
bool KeepsHintAttribute(std::uint64_t key);

}  // namespace engine::maincontent
