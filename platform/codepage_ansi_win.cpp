// On Windows the platform converts: the ANSI code page, code page 932 and
// windows-1252 through MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include <climits>

#include "platform/codecs.h"
#include "platform/codepage.h"

namespace platform {
namespace {

UINT AnsiCodePage() {
  UINT acp = GetACP();
  return acp == CP_UTF8 ? 932 : acp;
}

// The platform converters take int lengths; larger texts go in pieces that
// never split a character.
constexpr std::size_t kChunk = 1u << 30;

std::u16string DecodeCodePage(UINT cp, std::string_view bytes) {
  std::u16string out;
  out.resize(bytes.size());
  std::size_t written = 0;
  while (!bytes.empty()) {
    std::size_t take = bytes.size();
    if (take > kChunk) {
      // Cut after a single-byte character so that no lead byte loses its trail.
      take = kChunk;
      while (take > 0 && IsDBCSLeadByteEx(cp, static_cast<BYTE>(bytes[take - 1]))) --take;
      if (take == 0) take = kChunk;
    }
    int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(take),
                                reinterpret_cast<wchar_t*>(out.data() + written),
                                static_cast<int>(out.size() - written));
    written += static_cast<std::size_t>(n);
    bytes.remove_prefix(take);
  }
  out.resize(written);
  return out;
}

std::string EncodeCodePage(UINT cp, std::u16string_view text) {
  std::string out;
  out.resize(text.size() * 2);
  std::size_t written = 0;
  while (!text.empty()) {
    std::size_t take = text.size() > kChunk ? kChunk : text.size();
    int n = WideCharToMultiByte(cp, 0, reinterpret_cast<const wchar_t*>(text.data()),
                                static_cast<int>(take), out.data() + written,
                                static_cast<int>(out.size() - written), nullptr, nullptr);
    written += static_cast<std::size_t>(n);
    text.remove_prefix(take);
  }
  out.resize(written);
  return out;
}

}  // namespace

bool IsAnsiLeadByte(unsigned char byte) {
  return IsDBCSLeadByteEx(AnsiCodePage(), byte) != FALSE;
}

bool AnsiIsShiftJis() {
  return AnsiCodePage() == 932;
}

std::u16string DecodeAnsi(std::string_view bytes) {
  return DecodeCodePage(AnsiCodePage(), bytes);
}

std::string EncodeAnsi(std::u16string_view text) {
  return EncodeCodePage(AnsiCodePage(), text);
}

std::u16string DecodeShiftJis(std::string_view bytes) {
  return DecodeCodePage(932, bytes);
}

std::string EncodeShiftJis(std::u16string_view text) {
  return EncodeCodePage(932, text);
}

std::u16string DecodeWindows1252(std::string_view bytes) {
  return DecodeCodePage(1252, bytes);
}

}  // namespace platform
