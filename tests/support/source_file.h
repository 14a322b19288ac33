// Files of the source tree that tests read as data, in both builds (under
// Wine the tree is on drive Z:).
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

inline std::string ReadSourceFile(std::string path) {
#ifdef _WIN32
  if (path.starts_with('/')) path = "Z:" + path;
#endif
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The paths of the files in `folder` (a path from the root, as ReadSourceFile
// takes it).
inline std::vector<std::string> SourceFilesIn(const std::string& folder) {
  std::string native = folder;
#ifdef _WIN32
  if (native.starts_with('/')) native = "Z:" + native;
#endif
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(native))
    if (entry.is_regular_file()) files.push_back(folder + "/" + entry.path().filename().string());
  return files;
}

// The files in each of `folders` (paths below `root`), folder by folder.
inline std::vector<std::string> SourceFilesIn(const std::string& root,
                                              std::initializer_list<const char*> folders) {
  std::vector<std::string> files;
  for (const char* folder : folders)
    for (std::string& file : SourceFilesIn(root + "/" + folder)) files.push_back(std::move(file));
  return files;
}

#ifdef QUILLMERE_SOURCE_ROOT
// The pages the main-content tests convert every way they compare:
// the fuzzers' main-content and readable-text corpora and the saved pages.
inline std::vector<std::string> MainContentPages() {
  return SourceFilesIn(
      QUILLMERE_SOURCE_ROOT,
      {"tests/fuzz/corpus/main", "tests/fuzz/corpus/readable", "tests/conversion/saved_pages"});
}
#endif

}  // namespace testing_support
