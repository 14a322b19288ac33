#include "conversion/saved_page.h"

#include <algorithm>
#include <array>
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

char* SavedPageReader::Bytes::Room(std::size_t n) {
  if (capacity_ - size_ < n) {
    const std::size_t capacity = std::max(2 * capacity_, size_ + n);
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }
  return data_.get() + size_;
}

void SavedPageReader::Bytes::Append(std::string_view bytes) {
  std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
  size_ += bytes.size();
}

void SavedPageReader::Bytes::EraseFront(std::size_t n) {
  std::memmove(data_.get(), data_.get() + n, size_ - n);
  size_ -= n;
}

// A line break before `at`, over a byte already read where there is one;
// where it stands.
std::size_t SavedPageReader::Bytes::InsertNewline(std::size_t at) {
  if (at > 0) {
    data_[at - 1] = '\n';
    return at - 1;
  }
  Room(1);
  std::memmove(data_.get() + 1, data_.get(), size_);
  data_[0] = '\n';
  ++size_;
  return 0;
}

bool SavedPageReader::Fill() {
  if (end_ || failed_) return false;
  if (at_ > 0 && at_ >= buffer_.size() / 2) {
    buffer_.EraseFront(at_);
    at_ = 0;
  }
  const std::size_t had = buffer_.size();
  const std::ptrdiff_t n = read_(buffer_.Room(kChunk), kChunk);
  buffer_.Resize(had + static_cast<std::size_t>(std::max<std::ptrdiff_t>(n, 0)));
  if (n < 0) failed_ = true;
  if (n <= 0) end_ = true;
  return n > 0;
}

// A block of header lines and the empty line after it; folded lines are
// joined. The message's own block must be one from the first byte on.
bool SavedPageReader::ReadHeaders(Part& part, bool first) {
  std::string block;
  for (;;) {
    const std::size_t end = buffer_.view().find('\n', at_);
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
    const std::size_t found = buffer_.view().find(delimiter_, at_);
    if (found != std::string::npos) {
      std::size_t body_end = found;
      if (body_end > at_ && buffer_.data()[body_end - 1] == '\r') --body_end;
      bytes = std::string_view(buffer_.data() + at_, body_end - at_);
      // Past the delimiter's line; "--" after it closes the message.
      std::size_t after = found + delimiter_.size();
      while (after + 2 > buffer_.size() && Fill()) {
      }
      closed_ = buffer_.view().substr(std::min(after, buffer_.size()), 2) == "--";
      std::size_t nl;
      while ((nl = buffer_.view().find('\n', after)) == std::string::npos &&
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
  at_ = buffer_.InsertNewline(at_);
  std::string_view skipped;
  while (NextBody(skipped)) {
  }
  while (!closed_ && !(at_ == buffer_.size() && end_)) {
    Part part;
    if (!ReadHeaders(part, false)) break;
    const bool page = message.start.empty() ? part.type == "text/html" : part.id == message.start;
    if (page) return take(part);
    body_ended_ = false;
    at_ = buffer_.InsertNewline(at_);  // a delimiter may follow the headers at once
    while (NextBody(skipped)) {
    }
  }
  problem_ = failed_ ? Problem::kUnreadable : Problem::kNoPage;
  return false;
}

void SavedPageReader::Decode(std::string_view bytes, bool last) {
  if (transfer_ == Transfer::kAsIs) {
    decoded_.Append(bytes);
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
        const char byte = static_cast<char>(bits_ >> bit_count_ & 0xFF);
        decoded_.Append(std::string_view(&byte, 1));
      }
    }
    return;
  }
  // Quoted-printable: "=" and two hex digits is a byte, "=" at a line's
  // end joins it to the next; an "=" that is neither stays as it is. An
  // "=" the piece's end cuts waits for the next piece.
  if (!pending_.empty()) {
    const std::size_t more = std::min<std::size_t>(3 - pending_.size(), bytes.size());
    pending_.append(bytes.substr(0, more));
    bytes.remove_prefix(more);
    if (pending_.size() < 3 && !last) return;
    std::string escape;
    escape.swap(pending_);
    const std::size_t used = DecodeQuoted(escape, true, true);
    // What the escape did not use is text again.
    std::string rest = escape.substr(used);
    rest.append(bytes);
    DecodeQuoted(rest, last);
    return;
  }
  DecodeQuoted(bytes, last);
}

// Decodes quoted-printable `bytes` onto decoded_ and returns how many it
// used: all, but for an "=" too near the end (which waits in pending_), or
// with `single`, the first escape alone.
std::size_t SavedPageReader::DecodeQuoted(std::string_view bytes, bool last, bool single) {
  static const auto kHex = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    for (int c = 0; c < 256; ++c)
      table[static_cast<std::size_t>(c)] = static_cast<signed char>(HexValue(static_cast<char>(c)));
    return table;
  }();
  char* o = decoded_.Room(bytes.size());
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  // Byte by byte: in a page of Japanese most bytes are escapes, a few bytes
  // apart, where looking for the next "=" would cost more than it saves.
  while (p < end) {
    if (*p != '=') {
      if (single) break;
      *o++ = *p++;
      continue;
    }
    if (end - p < 3 && !last) {
      pending_.assign(p, end);
      p = end;
      break;
    }
    const int high = end - p > 1 ? kHex[static_cast<unsigned char>(p[1])] : -1;
    const int low = end - p > 2 ? kHex[static_cast<unsigned char>(p[2])] : -1;
    if ((high | low) >= 0) {
      *o++ = static_cast<char>(high * 16 + low);
      p += 3;
    } else if (end - p > 1 && p[1] == '\n') {
      p += 2;
    } else if (end - p > 2 && p[1] == '\r' && p[2] == '\n') {
      p += 3;
    } else {
      *o++ = '=';
      p += 1;
    }
    if (single) break;
  }
  decoded_.Resize(static_cast<std::size_t>(o - decoded_.data()));
  return static_cast<std::size_t>(p - bytes.data());
}

std::ptrdiff_t SavedPageReader::Read(char* buffer, std::size_t size) {
  std::size_t filled = 0;
  while (filled < size) {
    if (given_ == decoded_.size()) {
      decoded_.Resize(0);
      given_ = 0;
      std::string_view bytes;
      const bool more = NextBody(bytes);
      if (failed_) return -1;
      if (!more) {
        if (!pending_.empty()) Decode({}, true);
        if (decoded_.empty()) break;
      } else {
        Decode(bytes, false);
      }
      continue;
    }
    const std::size_t n = std::min(size - filled, decoded_.size() - given_);
    std::memcpy(buffer + filled, decoded_.data() + given_, n);
    given_ += n;
    filled += n;
  }
  return static_cast<std::ptrdiff_t>(filled);
}

}  // namespace conversion
