// The settings file: any bytes on disk, then Initialize, SaveValue and
// Initialize again must give back the same ten values; a value out of range
// is an overflow error, nothing worse.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "platform/codepage.h"

namespace {

const char16_t* const kKeys[] = {u"HR",    u"HR_NUM", u"BR",         u"P",     u"IMG",
                                 u"ANAME", u"AHREF",  u"AHREFSharp", u"ENTER", u"A_LINK_TAG_TYPE"};

std::u16string Values(const clsQuillmere& q) {
  std::u16string all;
  for (auto key : kKeys) all += q.GetValue(key) + u",";
  return all;
}

std::string Folder() {
  static std::string folder = [] {
    char pattern[] = "/tmp/quillmere-fuzz-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = Folder() + "/Brackwen.ini";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // The program's own path form: "\" before the file name.
  const std::u16string path = platform::DecodeUtf8(Folder() + "\\Brackwen.ini");
  clsQuillmere first;
  try {
    if (!first.Initialize(path)) std::abort();  // the file is there
  } catch (const engine::OverflowError&) {
    return 0;
  }
  if (!first.SaveValue(path)) std::abort();
  clsQuillmere second;
  if (!second.Initialize(path)) std::abort();
  if (Values(first) != Values(second)) std::abort();
  return 0;
}
