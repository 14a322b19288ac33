// What an element's name and attributes say of it, as English and Japanese
// sites write them, and what they do not say.
#include "maincontent/hints.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/elements.h"

namespace {

using namespace engine::maincontent;

engine::HtmlTag<char> TagOf(std::string_view name,
                            std::vector<std::pair<std::string_view, std::string_view>> attributes) {
  engine::HtmlTag<char> tag;
  tag.key = engine::html::NameKey(name);
  for (const auto& [key, value] : attributes) {
    engine::HtmlTag<char>::Attribute a;
    a.key = engine::html::NameKey(key);
    a.value = value;
    tag.slots.push_back(a);
  }
  tag.count = tag.slots.size();
  return tag;
}

TEST(Hints, WhatNamesSay) {
  struct Case {
    std::string_view name;
    std::vector<std::pair<std::string_view, std::string_view>> attributes;
    std::uint32_t has, lacks;
  };
  const Case cases[] = {
      {"nav", {}, kHintNav, 0},
      {"div", {{"class", "breadcrumb"}}, kHintNav, 0},
      {"ol", {{"id", "topicpath"}}, kHintNav, 0},
      {"div", {{"class", "pankuzu-list"}}, kHintNav, 0},
      {"div", {{"class", "l-gnav"}}, kHintNav, 0},
      {"div", {{"class", "sns-share"}}, kHintShare, 0},
      {"div", {{"class", "shareButtons"}}, kHintShare, 0},
      {"section", {{"class", "kanren-kiji"}}, kHintRelated, 0},
      {"div", {{"class", "osusume"}}, kHintRelated, 0},
      {"div", {{"class", "related_posts"}}, kHintRelated, 0},
      {"div", {{"id", "comments"}}, kHintComments, 0},
      {"div", {{"id", "cookie-banner"}}, kHintConsent, 0},
      {"div", {{"class", "ad"}}, kHintAd, 0},
      {"div", {{"class", "newsletter-signup"}}, kHintSignup, 0},
      {"div", {{"class", "modal fade"}}, kHintPopup, 0},
      {"select", {}, kHintControl, 0},
      {"div", {{"role", "navigation"}}, kHintNav, 0},
      {"div", {{"role", "MAIN"}}, kHintMain, 0},
      {"div", {{"itemprop", "articleBody"}}, kHintBody, 0},
      {"div", {{"itemtype", "https://schema.org/NewsArticle"}}, kHintArticle, 0},
      {"div", {{"class", "entry-content"}}, kHintBody, kClutter},
      {"div", {{"class", "article_body"}}, kHintBody, kClutter},
      {"div", {{"class", "honbun"}}, kHintBody, kClutter},
      {"div", {{"class", "kiji"}}, kHintContent, kClutter},
      {"article", {}, kHintArticle, kClutter},
      {"h1", {}, kHintHeading | kHintTitle, 0},
      {"h2", {}, kHintHeading, kHintTitle},
      {"a", {{"href", "/x"}}, kHintLink, 0},
      {"a", {{"name", "x"}}, 0, kHintLink},
      {"div", {{"aria-hidden", "true"}}, kHintHidden, 0},
      {"header", {}, kHintHeader, 0},
      // Utility classes and words inside other words say nothing.
      {"div", {{"class", "p-4 pr-2 mt-3"}}, 0, kHintAd},
      {"div", {{"class", "header-image"}}, kHintHeader, kHintAd},
      {"div", {{"class", "canvas"}}, 0, kHintNav},
      {"div", {{"class", "shadow"}}, 0, kHintAd},
      {"div", {{"class", "download"}}, 0, kHintAd},
  };
  HintReader reader;
  for (const Case& c : cases) {
    const auto tag = TagOf(c.name, c.attributes);
    std::uint32_t signature = 0;
    const std::uint32_t hints = reader.HintsOf(tag, engine::html::ElementOf(tag.key), signature);
    EXPECT_EQ(hints & c.has, c.has)
        << c.name << " " << (c.attributes.empty() ? "" : c.attributes[0].second);
    EXPECT_EQ(hints & c.lacks, 0u)
        << c.name << " " << (c.attributes.empty() ? "" : c.attributes[0].second);
  }
}

// Items of a list share a signature: the same name and class.
TEST(Hints, SignaturesTellItemsApart) {
  HintReader reader;
  auto signature = [&](std::string_view name, std::string_view cls) {
    const auto tag = TagOf(name, {{"class", cls}, {"id", name}});
    std::uint32_t s = 0;
    reader.HintsOf(tag, engine::html::ElementOf(tag.key), s);
    return s;
  };
  EXPECT_EQ(signature("li", "card"), signature("li", "card"));
  EXPECT_NE(signature("li", "card"), signature("div", "card"));
  EXPECT_NE(signature("li", "card"), signature("li", "card wide"));
}

}  // namespace
