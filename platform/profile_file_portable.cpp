// Our own profile-file reader and writer. It parses, looks up and writes back
// the file the way the platform's profile functions do (Wine's being the
// reference we test against): the file is read whole, lines are trimmed,
// names match without regard to case, and a write saves the whole file again
// in its canonical form ("[section]", "key=value", CR LF), in the encoding the
// file was found in.
#include <optional>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"

namespace platform {
namespace {

enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

struct Key {
  std::u16string name;
  std::optional<std::u16string> value;  // none for a line without "="
};

struct Section {
  std::u16string name;  // empty for the lines before the first section
  std::vector<Key> keys;
};

struct Profile {
  Encoding encoding = Encoding::kAnsi;
  std::vector<Section> sections;
};

bool IsSpace(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string FromUtf16(std::string_view bytes, bool big_endian) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto hi = static_cast<unsigned char>(bytes[2 * i + (big_endian ? 0 : 1)]);
    auto lo = static_cast<unsigned char>(bytes[2 * i + (big_endian ? 1 : 0)]);
    out[i] = static_cast<char16_t>(hi << 8 | lo);
  }
  return out;
}

std::string ToUtf16(std::u16string_view text, bool big_endian) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out.push_back(big_endian ? hi : lo);
    out.push_back(big_endian ? lo : hi);
  }
  return out;
}

Profile Parse(std::string_view bytes) {
  Profile profile;
  if (bytes.empty()) return profile;
  std::u16string text;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    profile.encoding = Encoding::kUtf8;
    text = DecodeUtf8(bytes.substr(3));
  } else if (bytes.substr(0, 2) == "\xFF\xFE") {
    profile.encoding = Encoding::kUtf16Le;
    text = FromUtf16(bytes.substr(2), false);
  } else if (bytes.substr(0, 2) == "\xFE\xFF") {
    profile.encoding = Encoding::kUtf16Be;
    text = FromUtf16(bytes.substr(2), true);
  } else {
    text = DecodeAnsi(bytes);
  }

  profile.sections.push_back({});
  std::u16string_view rest = text;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of(u"\r\n");
    if (end == rest.npos) end = rest.size();
    std::u16string_view line = Trim(rest.substr(0, end));
    std::size_t next = rest.find_first_not_of(u"\r\n", end);
    rest.remove_prefix(next == rest.npos ? rest.size() : next);
    if (line.empty()) continue;

    Section& current = profile.sections.back();
    if (line.front() == u'[') {
      std::size_t close = line.rfind(u']');
      if (close != line.npos) {  // otherwise the line is taken as a key
        profile.sections.push_back({std::u16string(Trim(line.substr(1, close - 1))), {}});
        continue;
      }
    }
    Key key;
    std::size_t eq = line.find(u'=');
    if (eq != line.npos) {
      key.name = Trim(line.substr(0, eq));
      key.value = Trim(line.substr(eq + 1));
    } else {
      key.name = line;
    }
    // Of several nameless lines in a row only the first is kept.
    if (!key.name.empty() || current.keys.empty() || !current.keys.back().name.empty())
      current.keys.push_back(std::move(key));
  }
  return profile;
}

std::string Serialize(const Profile& profile) {
  std::u16string text;
  for (const Section& section : profile.sections) {
    if (!section.name.empty()) text += u"[" + section.name + u"]\r\n";
    for (const Key& key : section.keys) {
      text += key.name;
      if (key.value) text += u"=" + *key.value;
      text += u"\r\n";
    }
  }
  switch (profile.encoding) {
    case Encoding::kUtf8:
      return "\xEF\xBB\xBF" + EncodeUtf8(text);
    case Encoding::kUtf16Le:
      return "\xFF\xFE" + ToUtf16(text, false);
    case Encoding::kUtf16Be:
      return "\xFE\xFF" + ToUtf16(text, true);
    case Encoding::kAnsi:
      break;
  }
  std::string bytes = EncodeAnsi(text);
  // Reading trims a line's leading blanks, so the first line written may
  // begin with a byte order mark's bytes, and the file would next be read as
  // Unicode, every setting lost. An empty line first, which every reader
  // skips, keeps it read as written.
  for (std::string_view mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"})
    if (bytes.starts_with(mark)) return "\r\n" + bytes;
  return bytes;
}

// Looks up a key; with `create`, adds the section and the key as needed. The
// names given are trimmed of leading spaces when stored.
Key* Find(Profile& profile, std::u16string_view section, std::u16string_view key, bool create) {
  std::u16string_view section_name = Trim(section), key_name = Trim(key);
  auto strip_leading = [](std::u16string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    return std::u16string(s);
  };
  for (Section& s : profile.sections) {
    if (!EqualAsciiNoCase(s.name, section_name)) continue;
    for (Key& k : s.keys)
      if (EqualAsciiNoCase(k.name, key_name)) return &k;
    if (!create) return nullptr;
    s.keys.push_back({strip_leading(key), std::nullopt});
    return &s.keys.back();
  }
  if (!create) return nullptr;
  profile.sections.push_back({strip_leading(section), {{strip_leading(key), std::nullopt}}});
  return &profile.sections.back().keys.back();
}

// The value as the platform copies it into a buffer of `kBuffer` characters
// (its number parser's has 30): surrounding matching quotes removed, cut to
// fit with its terminating null.
template <std::size_t kBuffer>
std::u16string ValueText(std::u16string_view value) {
  bool quoted = !value.empty() && (value[0] == u'\'' || value[0] == u'"') && value.size() > 1 &&
                value.back() == value[0];
  if (quoted) value.remove_prefix(1);
  std::u16string out(value.substr(0, kBuffer - 1));
  if (quoted && kBuffer >= value.size() && !out.empty()) out.pop_back();
  return out;
}

// Integer text read as the platform reads it: leading blanks and control
// characters skipped, a sign, an optional lower-case "0x", "0o" or "0b"
// prefix, then digits until the first that does not fit; 32-bit wrap-around.
std::uint32_t ParseInteger(std::u16string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] <= u' ') ++i;
  bool minus = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) minus = s[i++] == u'-';
  unsigned base = 10;
  if (i + 1 < s.size() && s[i] == u'0') {
    if (s[i + 1] == u'x')
      base = 16, i += 2;
    else if (s[i + 1] == u'o')
      base = 8, i += 2;
    else if (s[i + 1] == u'b')
      base = 2, i += 2;
  }
  std::uint32_t total = 0;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    unsigned digit = c >= u'0' && c <= u'9'   ? c - u'0'
                     : c >= u'A' && c <= u'Z' ? c - u'A' + 10
                     : c >= u'a' && c <= u'z' ? c - u'a' + 10
                                              : 99;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return minus ? 0u - total : total;
}

// The buffer a text is read into; longer values are cut.
constexpr std::size_t kStringBuffer = 1024;

class OurProfile final : public ProfileFile {
 public:
  std::uint32_t GetInt(std::u16string_view section, std::u16string_view key, std::int32_t fallback,
                       const std::u16string& path) override {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return static_cast<std::uint32_t>(fallback);
    Profile profile = Parse(*bytes);
    const Key* found = Find(profile, section, key, false);
    if (!found || !found->value) return static_cast<std::uint32_t>(fallback);
    std::u16string text = ValueText<30>(*found->value);
    if (text.empty()) return static_cast<std::uint32_t>(fallback);
    return ParseInteger(text);
  }

  std::u16string GetString(std::u16string_view section, std::u16string_view key,
                           std::u16string_view fallback, const std::u16string& path) override {
    // The fallback loses its trailing spaces, as the platform's does.
    while (!fallback.empty() && fallback.back() == u' ') fallback.remove_suffix(1);
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return ValueText<kStringBuffer>(fallback);
    Profile profile = Parse(*bytes);
    const Key* found = Find(profile, section, key, false);
    return ValueText<kStringBuffer>(found && found->value ? *found->value : fallback);
  }

  bool WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                   const std::u16string& path) override {
    Profile profile;
    if (std::optional<std::string> bytes = ReadWholeFile(path)) {
      profile = Parse(*bytes);
    } else if (SearchFinds(path, SearchFor::kFilesAndDirectories)) {
      return false;  // there, but not readable as a file
    }
    Key* found = Find(profile, section, key, true);
    while (!value.empty() && IsSpace(value.front())) value.remove_prefix(1);
    if (found->value && *found->value == value) return true;  // nothing to write
    found->value = std::u16string(value);
    return OverwriteFile(path, Serialize(profile)) == WriteError::kNone;
  }
};

}  // namespace

ProfileFile& PortableProfile() {
  static OurProfile profile;
  return profile;
}

}  // namespace platform
