// Execute: one pass over the text that copies everything outside tags and
// replaces a few tags by text, then one pass of post-processing (line breaks,
// collapsing of blank lines, three entities). Both passes are linear.
#include <algorithm>
#include <vector>

#include "engine/clsQuillmere.h"

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

char16_t Upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

// Whether `text` begins with `prefix` (given in upper case) once upper-cased.
bool StartsUpper(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Upper(text[i]) != prefix[i]) return false;
  return true;
}

bool StartsWith(std::u16string_view text, std::size_t at, std::u16string_view prefix) {
  return text.size() - at >= prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

// Every occurrence of `from`, found left to right without overlap, replaced
// by `to`; the replaced text is not searched again.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit; (hit = text.find(from, start)) != text.npos; start = hit + from.size()) {
    out.append(text, start, hit - start);
    out.append(to);
  }
  out.append(text, start);
  return out;
}

// The attribute picker shared by image and link tags: quotes are made alike,
// the tag name is removed, the text is split at quotes (or at spaces when it
// has none), and a piece whose upper-cased, space-free form is one of `keys`
// makes the piece after it that key's value.
template <std::size_t N>
std::array<std::u16string, N> PickAttributes(std::u16string_view tag,
                                             std::u16string_view upper_name,
                                             std::u16string_view lower_name,
                                             const std::array<std::u16string_view, N>& keys) {
  std::u16string text;
  text.reserve(tag.size());
  for (char16_t c : tag)
    if (c != u'<' && c != u'>') text.push_back(c == u'\'' ? u'"' : c);
  text = ReplaceAll(ReplaceAll(text, upper_name, u""), lower_name, u"");

  std::vector<std::u16string_view> pieces;
  if (!text.empty()) {
    const char16_t separator = text.find(u'"') != text.npos ? u'"' : u' ';
    std::u16string_view rest = text;
    for (std::size_t cut; (cut = rest.find(separator)) != rest.npos; rest.remove_prefix(cut + 1))
      pieces.push_back(rest.substr(0, cut));
    pieces.push_back(rest);
  }

  std::array<std::u16string, N> values;
  std::u16string key;
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    key.clear();
    for (char16_t c : pieces[i])
      if (c != u' ') key.push_back(Upper(c));
    for (std::size_t k = 0; k < N; ++k)
      if (key == keys[k]) values[k] = pieces[i + 1];
  }
  return values;
}

}  // namespace

std::u16string clsQuillmere::ExtractImageText(std::u16string_view tag) {
  auto [alt, src] = PickAttributes<2>(tag, u"IMG ", u"img ", {u"ALT=", u"SRC="});
  return alt + u":" + src;
}

std::u16string clsQuillmere::ExtractLinkUrl(std::u16string_view tag) {
  return PickAttributes<1>(tag, u"A ", u"a ", {u"HREF="})[0];
}

void clsQuillmere::AppendTag(std::u16string_view tag, std::u16string& out, std::u16string& url,
                             bool& link_open) const {
  const auto& o = options_;
  if (StartsUpper(tag, u"<HR")) {
    if (o[HR] != 0) {
      // A negative count draws no dashes; the line break stays.
      out.append(static_cast<std::size_t>(std::max<int>(o[HR_NUM], 0)), u'-');
      out.append(kLineBreak);
    }
  } else if (StartsUpper(tag, u"<BR")) {
    if (o[BR] != 0) out.append(kLineBreak);
  } else if (StartsUpper(tag, u"</P")) {
    if (o[P] != 0) out.append(kLineBreak);
  } else if (StartsUpper(tag, u"<IM")) {
    if (o[IMG] != 0) out.append(u"[イメージ:").append(ExtractImageText(tag)).append(u"]");
  } else if (StartsUpper(tag, u"<A ")) {
    if (StartsUpper(tag, u"<A NAME") && o[ANAME] != 0) return;
    if ((StartsUpper(tag, u"<A HREF=\"#") || StartsUpper(tag, u"<A HREF=#")) && o[AHREFSharp] != 0)
      return;
    if (o[AHREF] == 0) return;
    url = ExtractLinkUrl(tag);
    link_open = true;
    if (o[A_LINK_TAG_TYPE] == 0) out.append(tag);
    if (o[A_LINK_TAG_TYPE] == 1) out.append(u"[リンク:").append(url).append(u"]");
  } else if (StartsUpper(tag, u"</A")) {
    // A closing tag with no link open (after a removed opening tag, a second
    // closing tag, or a tag such as </ADDRESS>) is dropped like any other tag.
    if (link_open && o[A_LINK_TAG_TYPE] == 0) out.append(u"</a>");
    if (link_open && o[A_LINK_TAG_TYPE] == 2) out.append(u"(").append(url).append(u")");
    url.clear();
    link_open = false;
  }
}

std::u16string clsQuillmere::PostProcess(std::u16string_view text) const {
  const bool collapse = options_[ENTER] != 0;
  std::u16string out;
  out.reserve(text.size() + text.size() / 8);
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    // Copy the run of ordinary characters in one go.
    std::size_t run = i;
    while (run < n && text[run] != u'\r' && text[run] != u'\n' && text[run] != u'&') ++run;
    out.append(text, i, run - i);
    i = run;
    if (i == n) break;

    if (text[i] == u'&') {
      // "&amp;" first, then "&lt;" and "&gt;": an "&" decoded from "&amp;"
      // still forms "&lt;" or "&gt;" with the text after it.
      if (StartsWith(text, i, u"&amp;")) {
        i += 5;
        if (StartsWith(text, i, u"lt;"))
          out.push_back(u'<'), i += 3;
        else if (StartsWith(text, i, u"gt;"))
          out.push_back(u'>'), i += 3;
        else
          out.push_back(u'&');
      } else if (StartsWith(text, i, u"&lt;")) {
        out.push_back(u'<'), i += 4;
      } else if (StartsWith(text, i, u"&gt;")) {
        out.push_back(u'>'), i += 4;
      } else {
        out.push_back(u'&'), ++i;
      }
      continue;
    }

    // A run of line breaks: CR LF, a lone CR and a lone LF each count as one
    // and are all written as CR LF. Replacing three breaks by one until none
    // are left keeps a run's parity, so a run of three or more ends as one
    // break when odd and two when even.
    std::size_t breaks = 0;
    while (i < n && (text[i] == u'\r' || text[i] == u'\n')) {
      i += (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
      ++breaks;
    }
    if (collapse && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
    for (std::size_t b = 0; b < breaks; ++b) out.append(kLineBreak);
  }
  return out;
}

std::u16string clsQuillmere::Execute(const std::u16string& inputText) const {
  std::u16string_view input = inputText;
  std::u16string scanned;
  scanned.reserve(input.size());
  std::u16string url;
  bool link_open = false;
  std::size_t i = 0;
  while (i < input.size()) {
    std::size_t lt = input.find(u'<', i);
    if (lt == input.npos) lt = input.size();
    scanned.append(input, i, lt - i);
    if (lt == input.size()) break;
    std::size_t gt = input.find(u'>', lt + 1);
    if (gt == input.npos) {
      // A "<" that no ">" follows opens no tag: the rest is copied as text.
      scanned.append(input, lt);
      break;
    }
    AppendTag(input.substr(lt, gt - lt + 1), scanned, url, link_open);
    i = gt + 1;
  }
  return PostProcess(scanned);
}
