// Converters for tests: the options an existing empty settings file gives.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/clsQuillmere.h"

namespace testing_support {

using Settings = std::vector<std::pair<std::u16string, std::u16string>>;

// Every flag 1 and a dash count of 5, then `changes` in order.
inline clsQuillmere ConverterWith(const Settings& changes = {}) {
  clsQuillmere q;
  for (auto key : {u"HR", u"BR", u"P", u"IMG", u"ANAME", u"AHREF", u"AHREFSharp", u"ENTER",
                   u"A_LINK_TAG_TYPE"})
    q.SetValue(key, u"1");
  q.SetValue(u"HR_NUM", u"5");
  for (const auto& [key, value] : changes) q.SetValue(key, value);
  return q;
}

// The readable text's options (SCRIPT, ENTITY, SPACE, BLOCK) and MAIN, then
// `more`.
inline Settings MainContentSettings(const Settings& more = {}) {
  Settings settings = {
      {u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"}, {u"BLOCK", u"1"}, {u"MAIN", u"1"}};
  settings.insert(settings.end(), more.begin(), more.end());
  return settings;
}

}  // namespace testing_support
