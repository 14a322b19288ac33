#include "mainwindow/path_names.h"

#include "platform/file_system.h"
#include "platform/upper_case.h"

std::u16string GetFolderPath(const std::u16string& path) {
  auto slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? u"c:\\" : path.substr(0, slash);
}

std::u16string GetFileName(const std::u16string& path) {
  auto slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string RemoveExtension(const std::u16string& path) {
  auto dot = path.rfind(u'.');
  auto slash = path.rfind(u'\\');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

std::u16string CutAtNull(const std::u16string& text) {
  return text.substr(0, text.find(u'\0'));
}

std::u16string ToLongPathName(const std::u16string& path) {
  // Trim spaces (U+0020 only) and upper-case, in every script; the search
  // ignores case, so only the root keeps the upper case.
  auto first = path.find_first_not_of(u' ');
  if (first == std::u16string::npos) return u"";
  std::u16string p =
      platform::UpperCase(path.substr(first, path.find_last_not_of(u' ') - first + 1));

  std::u16string root;
  auto is_slash = [](char16_t c) { return c == u'\\' || c == u'/'; };
  if (p.size() >= 2 && is_slash(p[0]) && is_slash(p[1])) {
    // \\server\share: only "\" ends the server and the share name.
    auto server_end = p.find(u'\\', 2);
    if (server_end == std::u16string::npos) return u"";
    auto share_end = p.find(u'\\', server_end + 1);
    if (share_end == std::u16string::npos) return u"";
    root = p.substr(0, share_end);
  } else {
    auto colon = p.find(u':');
    if (colon != std::u16string::npos) root = p.substr(0, colon + 1);
  }

  const std::u16string base = root + u"\\";
  if (base.size() >= p.size()) return base;
  if (p.back() != u'\\') p.push_back(u'\\');

  std::u16string result = root;
  for (auto sep = p.find(u'\\', base.size()); sep != std::u16string::npos;
       sep = p.find(u'\\', sep + 1)) {
    std::optional<std::u16string> name = platform::StoredName(p.substr(0, sep));
    if (!name) return u"";
    result += u"\\" + *name;
  }
  return result;
}
