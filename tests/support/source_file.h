// Files of the source tree that tests read as data, in both builds (under
// Wine the tree is on drive Z:).
#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace testing_support {

inline std::string ReadSourceFile(std::string path) {
#ifdef _WIN32
  if (path.starts_with('/')) path = "Z:" + path;
#endif
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace testing_support
