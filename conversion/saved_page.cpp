#include "conversion/saved_page.h"

#include <algorithm>
#include <cstring>

namespace conversion {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kMostHeaders = 256 * 1024;  // a part's header block

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// A header's name: printable ASCII but the colon, no space.
bool IsHeaderName(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name)
    if (c <= ' ' || c > '~' || c == ':') return false;
  return true;
}

// The value of parameter `name` of a header like Content-Type
// ("multipart/related; boundary="x"; start=<y>"), quotes taken off.
std::string Parameter(std::string_view value, std::string_view name) {
  std::size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    ++i;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    const std::size_t eq = value.find_first_of("=;", i);
    if (eq == std::string_view::npos) break;
    if (value[eq] == ';') {
      i = eq;
      continue;
    }
    const bool match = LowerCase(Trimmed(value.substr(i, eq - i))) == name;
    std::string text;
    i = eq + 1;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    if (i < value.size() && value[i] == '"') {
      for (++i; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        text.push_back(value[i]);
      }
      i = value.find(';', i);
    } else {
      const std::size_t end = value.find(';', i);
      text = std::string(Trimmed(value.substr(i, end == std::string_view::npos ? end : end - i)));
      i = end;
    }
    if (match) return text;
  }
  return {};
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

bool LooksLikeMessage(std::string_view head) {
  bool content_type = false;
  std::size_t lines = 0;
  while (!head.empty()) {
    const std::size_t nl = head.find('\n');
    if (nl == std::string_view::npos) return false;  // no end to the headers
    const std::string_view line = head.substr(0, nl);
    head.remove_prefix(nl + 1);
    if (line.empty() || line == "\r") return content_type;
    if (line.front() == ' ' || line.front() == '\t') {  // a folded line
      if (lines == 0) return false;
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsHeaderName(line.substr(0, colon))) return false;
    content_type = content_type || LowerCase(line.substr(0, colon)) == "content-type";
    ++lines;
  }
  return false;
}

bool SavedPageReader::Fill() {
  if (end_ || failed_) return false;
  if (at_ > 0 && at_ >= buffer_.size() / 2) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kChunk);
  const std::ptrdiff_t n = read_(buffer_.data() + had, kChunk);
  buffer_.resize(had + static_cast<std::size_t>(std::max<std::ptrdiff_t>(n, 0)));
  if (n < 0) failed_ = true;
  if (n <= 0) end_ = true;
  return n > 0;
}

// A block of header lines and the empty line after it; folded lines are
// joined. The message's own block must be one from the first byte on.
bool SavedPageReader::ReadHeaders(Part& part, bool first) {
  std::string block;
  for (;;) {
    const std::size_t end = buffer_.find("\n", at_);
    if (end == std::string::npos) {
      if (buffer_.size() - at_ > kMostHeaders || !Fill()) return false;
      continue;
    }
    std::string_view line(buffer_.data() + at_, end - at_);
    at_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    if (line.front() == ' ' || line.front() == '\t') {
      if (block.empty() && first) return false;
      block += ' ';
      block += Trimmed(line);
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsHeaderName(line.substr(0, colon))) {
      if (first) return false;
      continue;  // a part's odd line is passed over
    }
    block += '\n';
    block += line;
    if (block.size() > kMostHeaders) return false;
  }
  std::string_view rest = block;
  while (!rest.empty()) {
    rest.remove_prefix(1);  // the '\n' before each header
    const std::size_t next = rest.find('\n');
    const std::string_view header = rest.substr(0, next);
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next);
    const std::size_t colon = header.find(':');
    const std::string name = LowerCase(header.substr(0, colon));
    const std::string_view value = Trimmed(header.substr(colon + 1));
    if (name == "content-type") {
      part.type = LowerCase(Trimmed(value.substr(0, value.find(';'))));
      part.boundary = Parameter(value, "boundary");
      part.start = Parameter(value, "start");
      part.charset = Parameter(value, "charset");
    } else if (name == "content-transfer-encoding") {
      const std::string encoding = LowerCase(value);
      part.transfer = encoding == "quoted-printable" ? Transfer::kQuotedPrintable
                      : encoding == "base64"         ? Transfer::kBase64
                                                     : Transfer::kAsIs;
    } else if (name == "content-id") {
      part.id = std::string(value);
    }
  }
  return true;
}

// The body under way ends at its delimiter: a line break, "--" and the
// boundary at the start of a line (the line break belongs to it).
bool SavedPageReader::NextBody(std::string_view& bytes) {
  if (body_ended_) return false;
  for (;;) {
    if (delimiter_.empty()) {  // the page is the whole message
      if (at_ == buffer_.size() && !Fill()) return body_ended_ = true, false;
      bytes = std::string_view(buffer_.data() + at_, buffer_.size() - at_);
      at_ = buffer_.size();
      return true;
    }
    const std::size_t found = buffer_.find(delimiter_, at_);
    if (found != std::string::npos) {
      std::size_t body_end = found;
      if (body_end > at_ && buffer_[body_end - 1] == '\r') --body_end;
      bytes = std::string_view(buffer_.data() + at_, body_end - at_);
      // Past the delimiter's line; "--" after it closes the message.
      std::size_t after = found + delimiter_.size();
      while (after + 2 > buffer_.size() && Fill()) {
      }
      closed_ = buffer_.compare(after, 2, "--") == 0;
      std::size_t nl;
      while ((nl = buffer_.find('\n', after)) == std::string::npos &&
             buffer_.size() - after < 1024 && Fill()) {
      }
      if (nl == std::string::npos) nl = std::min(buffer_.size(), after + 1024) - 1;
      at_ = nl + 1;
      body_ended_ = true;
      return true;
    }
    // What may be the start of a delimiter waits for more.
    const std::size_t keep = delimiter_.size();
    if (buffer_.size() - at_ > keep) {
      const std::size_t until = buffer_.size() - keep;
      bytes = std::string_view(buffer_.data() + at_, until - at_);
      at_ = until;
      return true;
    }
    if (!Fill()) {  // no delimiter to the end: the body runs to it
      bytes = std::string_view(buffer_.data() + at_, buffer_.size() - at_);
      at_ = buffer_.size();
      body_ended_ = true;
      return true;
    }
  }
}

bool SavedPageReader::Open() {
  Part message;
  if (!ReadHeaders(message, true) || message.type.empty()) {
    problem_ = failed_ ? Problem::kUnreadable : Problem::kNotMessage;
    return false;
  }
  auto take = [&](const Part& page) {
    transfer_ = page.transfer;
    charset_ = page.charset;
    body_ended_ = false;
    return true;
  };
  if (message.type == "text/html") return take(message);
  if (!message.type.starts_with("multipart/") || message.boundary.empty()) {
    problem_ = failed_                                  ? Problem::kUnreadable
               : message.type.starts_with("multipart/") ? Problem::kNotMessage
                                                        : Problem::kNoPage;
    return false;
  }
  // The preamble, then each part: its headers, and its body passed over
  // unless it is the page. The first delimiter may open the message.
  delimiter_ = "\n--" + message.boundary;
  buffer_.insert(at_, 1, '\n');
  std::string_view skipped;
  while (NextBody(skipped)) {
  }
  while (!closed_ && !(at_ == buffer_.size() && end_)) {
    Part part;
    if (!ReadHeaders(part, false)) break;
    const bool page = message.start.empty() ? part.type == "text/html" : part.id == message.start;
    if (page) return take(part);
    body_ended_ = false;
    buffer_.insert(at_, 1, '\n');  // a delimiter may follow the headers at once
    while (NextBody(skipped)) {
    }
  }
  problem_ = failed_ ? Problem::kUnreadable : Problem::kNoPage;
  return false;
}

void SavedPageReader::Decode(std::string_view bytes, bool last) {
  if (transfer_ == Transfer::kAsIs) {
    decoded_.append(bytes);
    return;
  }
  if (transfer_ == Transfer::kBase64) {
    for (const char c : bytes) {
      const int v = Base64Value(c);
      if (v < 0) continue;  // line breaks, padding and the like
      bits_ = bits_ << 6 | static_cast<std::uint32_t>(v);
      bit_count_ += 6;
      if (bit_count_ >= 8) {
        bit_count_ -= 8;
        decoded_.push_back(static_cast<char>(bits_ >> bit_count_ & 0xFF));
      }
    }
    return;
  }
  // Quoted-printable: "=" and two hex digits is a byte, "=" at a line's
  // end joins it to the next; an "=" that is neither stays as it is.
  std::string text = pending_ + std::string(bytes);
  pending_.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t eq = text.find('=', i);
    decoded_.append(text, i, (eq == std::string::npos ? text.size() : eq) - i);
    if (eq == std::string::npos) break;
    i = eq;
    if (text.size() - i < 3 && !last) {
      pending_ = text.substr(i);
      break;
    }
    const char a = i + 1 < text.size() ? text[i + 1] : 0;
    const char b = i + 2 < text.size() ? text[i + 2] : 0;
    if (HexValue(a) >= 0 && HexValue(b) >= 0) {
      decoded_.push_back(static_cast<char>(HexValue(a) * 16 + HexValue(b)));
      i += 3;
    } else if (a == '\n') {
      i += 2;
    } else if (a == '\r' && b == '\n') {
      i += 3;
    } else {
      decoded_.push_back('=');
      i += 1;
    }
  }
}

std::ptrdiff_t SavedPageReader::Read(char* buffer, std::size_t size) {
  while (given_ == decoded_.size()) {
    decoded_.clear();
    given_ = 0;
    std::string_view bytes;
    const bool more = NextBody(bytes);
    if (failed_) return -1;
    if (!more) {
      if (!pending_.empty()) Decode({}, true);
      if (decoded_.empty()) return 0;
      break;
    }
    Decode(bytes, false);
  }
  const std::size_t n = std::min(size, decoded_.size() - given_);
  std::memcpy(buffer, decoded_.data() + given_, n);
  given_ += n;
  return static_cast<std::ptrdiff_t>(n);
}

}  // namespace conversion
