#include "conversion/file_list.h"

#include <algorithm>
#include <unordered_map>

#include "platform/ascii_case.h"
#include "platform/folders.h"
#include "platform/wildcard.h"

namespace conversion {
namespace {

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  if (folder.empty()) return name;
  if (folder.back() == u'\\' || folder.back() == u'/') return folder + name;
  return folder + platform::kPathSeparator + name;
}

std::vector<platform::FoundEntry> SortedEntries(const std::u16string& pattern) {
  std::vector<platform::FoundEntry> entries = platform::FindEntries(pattern);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return entries;
}

class Lister {
 public:
  Lister(const std::u16string& output_folder, bool recursive)
      : output_folder_(output_folder), recursive_(recursive) {}

  void AddFile(const std::u16string& input, const std::u16string& name, std::uint64_t size,
               const std::u16string& output_folder) {
    list_.jobs.push_back({input, Join(output_folder, OutputNameFor(name)), size});
  }

  // A folder's HTML files, and with `recursive_` its subfolders', whose
  // outputs go into `output_folder` and the same subfolders of it.
  void AddFolder(const std::u16string& folder, const std::u16string& output_folder, int depth) {
    for (const platform::FoundEntry& e : SortedEntries(Join(folder, u"*"))) {
      if (!e.folder && IsHtmlName(e.name))
        AddFile(Join(folder, e.name), e.name, e.size, output_folder);
      // A folder linked into itself ends somewhere.
      else if (e.folder && recursive_ && depth < 64)
        AddFolder(Join(folder, e.name), Join(output_folder, e.name), depth + 1);
    }
  }

  void Add(const std::u16string& input) {
    if (platform::IsFolder(input)) return AddFolder(input, output_folder_, 0);
    if (platform::HasWildcard(NameOf(input))) {
      const std::vector<platform::FoundEntry> found = SortedEntries(input);
      bool any = false;
      for (const platform::FoundEntry& e : found) {
        if (e.folder) continue;
        AddFile(Join(FolderOf(input), e.name), e.name, e.size, output_folder_);
        any = true;
      }
      if (!any) list_.not_found.push_back(input);
      return;
    }
    const std::vector<platform::FoundEntry> found = platform::FindEntries(input);
    // One that is not there is listed too: it fails as an unreadable input.
    AddFile(input, NameOf(input), found.empty() ? 0 : found[0].size, output_folder_);
  }

  FileList& list() { return list_; }

 private:
  std::u16string output_folder_;
  bool recursive_;
  FileList list_;
};

}  // namespace

std::u16string FolderOf(const std::u16string& path) {
  const auto slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

std::u16string NameOf(const std::u16string& path) {
  return path.substr(FolderOf(path).size());
}

std::u16string OutputNameFor(const std::u16string& file_name) {
  const auto dot = file_name.rfind(u'.');
  return (dot == std::u16string::npos ? file_name : file_name.substr(0, dot)) + u".txt";
}

namespace {

bool EndsWith(const std::u16string& file_name, std::u16string_view extension) {
  if (file_name.size() <= extension.size()) return false;
  const std::u16string_view end =
      std::u16string_view(file_name).substr(file_name.size() - extension.size());
  return platform::EqualAsciiNoCase(end, extension);
}

}  // namespace

bool IsHtmlName(const std::u16string& file_name) {
  return EndsWith(file_name, u".htm") || EndsWith(file_name, u".html") ||
         IsSavedPageName(file_name);
}

bool IsSavedPageName(const std::u16string& file_name) {
  return EndsWith(file_name, u".mht") || EndsWith(file_name, u".mhtml");
}

std::optional<FileList> ListFiles(const std::vector<std::u16string>& inputs,
                                  const std::u16string& output_folder, bool recursive,
                                  std::u16string& error) {
  Lister lister(output_folder, recursive);
  for (const std::u16string& input : inputs) lister.Add(input);
  FileList& list = lister.list();
  std::unordered_map<std::u16string, std::size_t> writers;
  for (std::size_t i = 0; i < list.jobs.size(); ++i) {
    const auto [at, added] = writers.emplace(platform::NameKey(list.jobs[i].output), i);
    if (added) continue;
    error = u"二つの入力が同じ出力ファイルに書き込みます: " + list.jobs[at->second].input +
            u" と " + list.jobs[i].input + u" → " + list.jobs[i].output;
    return std::nullopt;
  }
  return std::move(list);
}

}  // namespace conversion
