// The HTML standard's prescan of a document's first bytes for the <meta>
// that declares its encoding, step by step: comments and other mark-up are
// passed over, attributes are read as its "get an attribute" reads them;
// without such a <meta>, an XML declaration at the very start counts.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "conversion/input_encoding.h"

namespace conversion {
namespace {

bool IsSpace(unsigned char c) {
  return c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x20;
}

bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Lower(unsigned char c) {
  return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
}

struct Attribute {
  std::string name, value;
};

// Reads the document's bytes from a position; running out of them ends the
// whole prescan with nothing found (thrown as OutOfBytes).
class Bytes {
 public:
  struct OutOfBytes {};
  explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
  unsigned char At(std::size_t at) const {
    if (at >= bytes_.size()) throw OutOfBytes();
    return static_cast<unsigned char>(bytes_[at]);
  }
  bool Has(std::size_t at) const { return at < bytes_.size(); }
  // Whether the bytes at `at` are `text`, letters in either case.
  bool StartsWith(std::size_t at, std::string_view text) const {
    if (bytes_.size() - at < text.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (Lower(static_cast<unsigned char>(bytes_[at + i])) != text[i]) return false;
    return true;
  }
  // The position of the first `c` at or after `at`.
  std::size_t Find(std::size_t at, char c) const {
    const std::size_t found = bytes_.find(c, at);
    if (found == std::string_view::npos) throw OutOfBytes();
    return found;
  }

 private:
  std::string_view bytes_;
};

// "Get an attribute": the next attribute of a tag from `at`, names and values
// in lower case; nothing at the tag's ">".
std::optional<Attribute> GetAttribute(const Bytes& b, std::size_t& at) {
  while (IsSpace(b.At(at)) || b.At(at) == '/') ++at;
  if (b.At(at) == '>') return std::nullopt;
  Attribute a;
  for (;; ++at) {
    const unsigned char c = b.At(at);
    if (c == '=' && !a.name.empty()) {
      ++at;
      goto value;
    }
    if (IsSpace(c)) break;
    if (c == '/' || c == '>') return a;
    a.name.push_back(Lower(c));
  }
  while (IsSpace(b.At(at))) ++at;
  if (b.At(at) != '=') return a;
  ++at;
value:
  while (IsSpace(b.At(at))) ++at;
  if (const unsigned char quote = b.At(at); quote == '"' || quote == '\'') {
    for (++at; b.At(at) != quote; ++at) a.value.push_back(Lower(b.At(at)));
    ++at;
    return a;
  }
  if (b.At(at) == '>') return a;
  for (;; ++at) {
    const unsigned char c = b.At(at);
    if (IsSpace(c) || c == '>') return a;
    a.value.push_back(Lower(c));
  }
}

// The encoding named in a content="...charset=..." value, if any.
std::string_view EncodingInContent(std::string_view s) {
  for (std::size_t at = 0;;) {
    const std::size_t word = s.find("charset", at);
    if (word == std::string_view::npos) return {};
    std::size_t i = word + 7;
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
    if (i == s.size() || s[i] != '=') {
      at = i;
      continue;
    }
    ++i;
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
    if (i == s.size()) return {};
    if (s[i] == '"' || s[i] == '\'') {
      const std::size_t end = s.find(s[i], i + 1);
      if (end == std::string_view::npos) return {};
      return EncodingNameOfLabel(s.substr(i + 1, end - i - 1));
    }
    std::size_t end = i;
    while (end < s.size() && !IsSpace(static_cast<unsigned char>(s[end])) && s[end] != ';') ++end;
    return EncodingNameOfLabel(s.substr(i, end - i));
  }
}

// The attributes of a <meta> from `at`: the encoding they declare, if they
// declare one.
std::string_view MetaEncoding(const Bytes& b, std::size_t& at) {
  std::vector<std::string> seen;
  bool got_pragma = false;
  enum { kUnset, kNo, kYes } need_pragma = kUnset;
  // The encoding declared; empty also when a charset attribute named none,
  // which `charset_given` then tells.
  std::string_view charset;
  bool charset_given = false;
  while (std::optional<Attribute> a = GetAttribute(b, at)) {
    if (std::find(seen.begin(), seen.end(), a->name) != seen.end()) continue;
    seen.push_back(a->name);
    if (a->name == "http-equiv") {
      if (a->value == "content-type") got_pragma = true;
    } else if (a->name == "content") {
      const std::string_view found = EncodingInContent(a->value);
      if (!found.empty() && !charset_given) {
        charset = found;
        charset_given = true;
        need_pragma = kYes;
      }
    } else if (a->name == "charset") {
      charset = EncodingNameOfLabel(a->value);
      charset_given = true;
      need_pragma = kNo;
    }
  }
  if (need_pragma == kUnset || (need_pragma == kYes && !got_pragma) || charset.empty()) return {};
  if (charset == "UTF-16LE" || charset == "UTF-16BE") return "UTF-8";
  if (charset == "x-user-defined") return "windows-1252";
  return charset;
}

// The encoding an XML declaration at the start of `head` names:
// <?xml ... encoding="..." ...?>, the name in quotes, before the
// declaration's ">".
std::string_view XmlEncoding(std::string_view head) {
  if (!head.starts_with("<?xml")) return {};
  const std::string_view declaration = head.substr(0, head.find('>'));
  if (declaration.size() == head.size()) return {};  // no ">"
  const Bytes b(declaration);
  std::size_t at = 5;
  while (!b.StartsWith(at, "encoding"))  // letters in either case
    if (++at + 8 > declaration.size()) return {};
  at += 8;
  auto space = [&] {
    return at < declaration.size() && static_cast<unsigned char>(declaration[at]) <= 0x20;
  };
  while (space()) ++at;
  if (at == declaration.size() || declaration[at] != '=') return {};
  ++at;
  while (space()) ++at;
  if (at == declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
  const std::size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::string_view::npos) return {};
  const std::string_view label = declaration.substr(at + 1, end - at - 1);
  for (const char c : label)
    if (static_cast<unsigned char>(c) <= 0x20) return {};
  const std::string_view name = EncodingNameOfLabel(label);
  return name == "UTF-16LE" || name == "UTF-16BE" ? "UTF-8" : name;
}

}  // namespace

std::string_view PrescanForEncoding(std::string_view head, bool* in_xml) {
  // An XML declaration in UTF-16 ("<?x" in either byte order).
  const bool le = head.starts_with(std::string_view("<\0?\0x\0", 6));
  const bool be = head.starts_with(std::string_view("\0<\0?\0x", 6));
  if (in_xml) *in_xml = le || be;
  if (le || be) return le ? "UTF-16LE" : "UTF-16BE";
  const Bytes b(head);
  try {
    for (std::size_t at = 0; b.Has(at); ++at) {
      if (b.At(at) != '<') continue;
      if (b.StartsWith(at, "<!--")) {
        // To the end of the first "-->", whose dashes may be those of "<!--".
        std::size_t end = at + 2;
        while (!b.StartsWith(end, "-->")) end = b.Find(end + 1, '-');
        at = end + 2;
      } else if (b.StartsWith(at, "<meta") && b.Has(at + 5) &&
                 (IsSpace(b.At(at + 5)) || b.At(at + 5) == '/')) {
        at += 6;
        if (const std::string_view name = MetaEncoding(b, at); !name.empty()) return name;
      } else if (b.Has(at + 1) &&
                 (IsLetter(b.At(at + 1)) ||
                  (b.At(at + 1) == '/' && b.Has(at + 2) && IsLetter(b.At(at + 2))))) {
        // Any other tag: its name, then its attributes, are passed over.
        while (!IsSpace(b.At(at)) && b.At(at) != '>') ++at;
        while (GetAttribute(b, at)) {
        }
      } else if (b.StartsWith(at, "<!") || b.StartsWith(at, "</") || b.StartsWith(at, "<?")) {
        at = b.Find(at + 1, '>');
      }
    }
  } catch (const Bytes::OutOfBytes&) {
  }
  const std::string_view xml = XmlEncoding(head);
  if (in_xml) *in_xml = !xml.empty();
  return xml;
}

}  // namespace conversion
