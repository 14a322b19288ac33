#include "cli/status_line.h"

#include <cstdio>

namespace cli {
namespace {

std::string Format(const char* format, double a, double b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// A size in the unit that suits the whole, with one decimal.
std::string Sizes(std::uint64_t done, std::uint64_t total) {
  constexpr double kKb = 1024.0, kMb = kKb * 1024, kGb = kMb * 1024;
  const double t = static_cast<double>(total), d = static_cast<double>(done);
  if (t >= kGb) return Format("%.1f/%.1f GB", d / kGb, t / kGb);
  if (t >= kMb) return Format("%.1f/%.1f MB", d / kMb, t / kMb);
  return Format("%.1f/%.1f KB", d / kKb, t / kKb);
}

std::string Rate(double bytes_per_second) {
  if (bytes_per_second >= 1024.0 * 1024) return Format("%.1f MB/s", bytes_per_second / 1048576);
  return Format("%.1f KB/s", bytes_per_second / 1024);
}

std::string Duration(double seconds) {
  const auto s = static_cast<unsigned long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%llu:%02llu", s / 60, s % 60);
  return text;
}

}  // namespace

std::string StatusText(const Progress& p) {
  std::string text = std::to_string(p.files_done) + "/" + std::to_string(p.files_total) +
                     " ファイル  " + Sizes(p.bytes_done, p.bytes_total);
  if (p.seconds > 0.2 && p.bytes_done > 0) {
    const double rate = static_cast<double>(p.bytes_done) / p.seconds;
    text += "  " + Rate(rate);
    const std::uint64_t left = p.bytes_total > p.bytes_done ? p.bytes_total - p.bytes_done : 0;
    text += "  残り " + Duration(static_cast<double>(left) / rate);
  }
  if (p.failed > 0) text += "  失敗 " + std::to_string(p.failed);
  return text;
}

std::size_t Columns(const std::string& text) {
  std::size_t columns = 0;
  for (unsigned char c : text) {
    if (c < 0x80)
      ++columns;
    else if (c >= 0xC0)
      columns += 2;
  }
  return columns;
}

}  // namespace cli
