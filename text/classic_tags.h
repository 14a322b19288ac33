// How the classic conversion reads a tag and the text around it: whether a
// link tag opens a link, the three entities it decodes, and the attribute
// picker of image and link tags. The classic scan and the readable text
// without SCRIPT read tags this way.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/scan.h"

namespace engine::scan {

// Whether the "<A" tag `tag` opens a link the options give text for: not a
// named anchor when ANAME drops those, not a link within the page when
// AHREFSharp drops those, and only with AHREF on.
template <typename Char>
QUILLMERE_INLINE bool OpensLink(std::basic_string_view<Char> tag, bool aname, bool ahref_sharp,
                                bool ahref) {
  if (StartsUpper(tag, "<A NAME") && aname) return false;
  if ((StartsUpper(tag, "<A HREF=\"#") || StartsUpper(tag, "<A HREF=#")) && ahref_sharp)
    return false;
  return ahref;
}

// The entity at text[i], an "&": how many characters it takes and what they
// stand for. "&amp;" first, then "&lt;" and "&gt;": an "&" decoded from
// "&amp;" still forms "&lt;" or "&gt;" with the text after it.
template <typename Char>
QUILLMERE_INLINE std::size_t Entity(std::basic_string_view<Char> text, std::size_t i,
                                    Char& decoded) {
  decoded = '&';
  switch (i + 1 < text.size() ? text[i + 1] : Char()) {
    case 'a':
      if (!StartsWith(text, i, "&amp;")) return 1;
      if (StartsWith(text, i + 5, "lt;")) return decoded = '<', 8;
      if (StartsWith(text, i + 5, "gt;")) return decoded = '>', 8;
      return 5;
    case 'l':
      if (StartsWith(text, i, "&lt;")) return decoded = '<', 4;
      return 1;
    case 'g':
      if (StartsWith(text, i, "&gt;")) return decoded = '>', 4;
      return 1;
  }
  return 1;
}

// Whether the entity at text[i], an "&", is what it is whatever follows
// `text`: no longer form could still begin there.
template <typename Char>
bool EntitySettled(std::basic_string_view<Char> text, std::size_t i) {
  const std::size_t left = text.size() - i;
  using namespace std::string_view_literals;
  for (std::string_view form : {"&amp;lt;"sv, "&amp;gt;"sv, "&lt;"sv, "&gt;"sv})
    if (left < form.size() && StartsWith(text, i, form.substr(0, left))) return false;
  return true;
}

// Whether an "&" before `c` can begin an entity, at once or once the tag
// that `c` opens is gone.
template <typename Char>
bool MayBeginEntity(Char c) {
  return (c == 'a') | (c == 'l') | (c == 'g') | (c == '<');
}

// Removes every occurrence of `name`, found left to right without overlap in
// the text as it was; what the removals join is not searched again. In code
// page bytes (`leads` given) only whole characters match: a trail byte can
// be a letter.
template <typename Char>
void RemoveAll(std::basic_string<Char>& text, std::string_view name, const LeadBytes* leads) {
  // Nothing before the first character of `name` moves; in code page bytes
  // the walk still begins at the start, where a character begins.
  const auto first = std::find(text.begin(), text.end(), static_cast<Char>(name[0]));
  if (first == text.end()) return;
  std::size_t to = leads ? 0 : static_cast<std::size_t>(first - text.begin());
  for (std::size_t from = to; from < text.size();) {
    if (text[from] == static_cast<Char>(name[0]) &&
        StartsWith(std::basic_string_view<Char>(text), from, name)) {
      from += name.size();
      continue;
    }
    if (leads && (*leads)[static_cast<unsigned char>(text[from])] && from + 1 < text.size())
      text[to++] = text[from++];
    text[to++] = text[from++];
  }
  text.resize(to);
}

// Whether `piece`, upper-cased and without its spaces, is `key`.
template <typename Char>
bool IsKey(std::basic_string_view<Char> piece, std::string_view key) {
  std::size_t k = 0;
  for (Char c : piece) {
    if (c == ' ') continue;
    if (k == key.size() || Upper(c) != static_cast<Char>(key[k])) return false;
    ++k;
  }
  return k == key.size();
}

// What the picker splits, without a copy, for the common tag: "<", the name
// as one of its two spellings (or neither), the rest with no "<" or ">" and
// neither spelling of the name in it, and ">". A view without data for any
// other tag. (In code page bytes a name spelled in the rest counts even
// where it would not be removed, behind a lead byte; such a tag takes the
// long way.) `Initial` is the name's first letter, in upper case.
template <char Initial, typename Char>
std::basic_string_view<Char> PlainAttributes(std::basic_string_view<Char> tag,
                                             std::string_view upper_name,
                                             std::string_view lower_name) {
  using View = std::basic_string_view<Char>;
  if (tag.size() < 2 || tag.front() != '<' || tag.back() != '>') return View();
  View body = tag.substr(1, tag.size() - 2);
  if (StartsWith(body, 0, upper_name) || StartsWith(body, 0, lower_name))
    body.remove_prefix(upper_name.size());
  constexpr char kLower = Initial | 0x20;
  for (std::size_t at = 0; (at = FindAny<'<', '>', Initial, kLower>(body, at)) < body.size(); ++at)
    if (body[at] == '<' || body[at] == '>' || StartsWith(body, at, upper_name) ||
        StartsWith(body, at, lower_name))
      return View();
  return body;
}

// The attribute picker shared by image and link tags: "<" and ">" are
// dropped, the tag name is removed, the text is split at quotes (or at
// spaces when it has none), and a piece whose upper-cased, space-free form
// is one of `keys` makes the piece after it that key's value.
//
// The picker works on code page bytes in normal form as well as on UTF-16:
// the characters it splits at and drops are below 0x40, which no byte of a
// character other than ASCII is, and the first byte of such a character
// already fails a key comparison. Only the name removal needs to know where
// characters begin.
template <std::size_t N, char Initial, typename Char>
std::array<std::basic_string_view<Char>, N> PickAttributes(
    std::basic_string_view<Char> tag, std::string_view upper_name, std::string_view lower_name,
    const std::array<std::string_view, N>& keys, const LeadBytes* leads,
    std::basic_string<Char>& scratch) {
  using View = std::basic_string_view<Char>;
  View text = PlainAttributes<Initial>(tag, upper_name, lower_name);
  if (text.data() == nullptr) {
    scratch.resize(tag.size());
    std::size_t length = 0;
    for (Char c : tag)
      if (c != '<' && c != '>') scratch[length++] = c;
    scratch.resize(length);
    RemoveAll(scratch, upper_name, leads);
    RemoveAll(scratch, lower_name, leads);
    text = scratch;
  }

  // Both quotes split alike.
  const bool quoted = FindAny<'"', '\'', '"', '\''>(text, 0) != text.size();
  std::array<View, N> values;
  View previous;
  for (std::size_t start = 0;;) {
    const std::size_t cut = quoted ? FindAny<'"', '\'', '"', '\''>(text, start)
                                   : FindAny<' ', ' ', ' ', ' '>(text, start);
    const View piece = text.substr(start, cut - start);
    if (start != 0)
      for (std::size_t k = 0; k < N; ++k)
        if (IsKey(previous, keys[k])) values[k] = piece;
    if (cut == text.size()) break;
    previous = piece;
    start = cut + 1;
  }
  return values;
}

// "alt:src" of an image tag, appended to `out`, and the href of a link tag,
// a view into `scratch` (working space for both).
template <typename Char>
void AppendImageText(std::basic_string_view<Char> tag, const LeadBytes* leads,
                     std::basic_string<Char>& scratch, std::basic_string<Char>& out) {
  const auto [alt, src] =
      PickAttributes<2, 'I'>(tag, "IMG ", "img ", {"ALT=", "SRC="}, leads, scratch);
  out.append(alt).append(1, ':').append(src);
}

template <typename Char>
std::basic_string_view<Char> LinkUrlOf(std::basic_string_view<Char> tag, const LeadBytes* leads,
                                       std::basic_string<Char>& scratch) {
  return PickAttributes<1, 'A'>(tag, "A ", "a ", {"HREF="}, leads, scratch)[0];
}

}  // namespace engine::scan
