#include <windows.h>

#include <climits>

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

}  // namespace

bool IsAnsiLeadByte(unsigned char byte) {
  return IsDBCSLeadByteEx(AnsiCodePage(), byte) != FALSE;
}

std::u16string DecodeAnsi(std::string_view bytes) {
  const UINT cp = AnsiCodePage();
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

std::string EncodeAnsi(std::u16string_view text) {
  const UINT cp = AnsiCodePage();
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

}  // namespace platform
