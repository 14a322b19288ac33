// The path helpers on any text: folder and file name put back together give
// the path, an extension removed leaves a prefix, nothing keeps a NUL.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mainwindow/path_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char16_t kAlphabet[] = u"\\/.:abC \0*?";
  std::u16string path;
  for (std::size_t i = 0; i < size; ++i)
    path.push_back(kAlphabet[data[i] % (sizeof(kAlphabet) / sizeof(char16_t) - 1)]);
  if (path.find(u'\\') != std::u16string::npos &&
      GetFolderPath(path) + u"\\" + GetFileName(path) != path)
    std::abort();
  const std::u16string stem = RemoveExtension(path);
  if (path.compare(0, stem.size(), stem) != 0) std::abort();
  if (CutAtNull(path).find(u'\0') != std::u16string::npos) std::abort();
  ToLongPathName(path);  // any text: no crash, no hang
  return 0;
}
