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

clsQuillmere::Session::Session(const clsQuillmere& options) : options_(options) {}

void clsQuillmere::Session::Feed(std::u16string_view piece, std::u16string& out) {
  std::size_t i = 0;
  while (i < piece.size()) {
    if (in_tag_) {
      // A tag runs from "<" through the first ">" after it, wherever it stands.
      const std::size_t gt = piece.find(u'>', i);
      if (gt == piece.npos) {
        tag_.append(piece.substr(i));
        break;
      }
      tag_.append(piece.substr(i, gt + 1 - i));
      i = gt + 1;
      options_.AppendTag(tag_, scanned_, url_, link_open_);
      tag_.clear();
      in_tag_ = false;
    } else {
      const std::size_t lt = piece.find(u'<', i);
      if (lt == piece.npos) {
        scanned_.append(piece.substr(i));
        break;
      }
      scanned_.append(piece.substr(i, lt - i));
      tag_.assign(1, u'<');
      in_tag_ = true;
      i = lt + 1;
    }
  }
  Settle(false, out);
}

void clsQuillmere::Session::Finish(std::u16string& out) {
  // A "<" that no ">" follows opens no tag: it and the rest are text.
  if (in_tag_) scanned_.append(tag_);
  tag_.clear();
  in_tag_ = false;
  Settle(true, out);
  FlushBreaks(out);
}

void clsQuillmere::Session::FlushBreaks(std::u16string& out) {
  // Replacing three breaks by one until none are left keeps a run's parity,
  // so a run of three or more ends as one break when odd and two when even.
  std::size_t breaks = breaks_;
  if (options_.options_[ENTER] != 0 && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
  for (std::size_t b = 0; b < breaks; ++b) out.append(kLineBreak);
  breaks_ = 0;
}

// Post-processing of what the scan produced: line breaks made CR LF (runs
// collapsed when ENTER is on) and the three entities decoded. Runs and a
// possible entity at the end are carried over to the next piece.
void clsQuillmere::Session::Settle(bool last, std::u16string& out) {
  const std::u16string_view text = scanned_;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      // CR LF, a lone CR and a lone LF each count as one break.
      if (c == u'\n' && cr_pending_) {
        cr_pending_ = false;
      } else {
        ++breaks_;
        cr_pending_ = c == u'\r';
      }
      ++i;
      continue;
    }
    cr_pending_ = false;
    if (breaks_) FlushBreaks(out);
    if (c != u'&') {
      std::size_t run = i + 1;
      while (run < n && text[run] != u'\r' && text[run] != u'\n' && text[run] != u'&') ++run;
      out.append(text, i, run - i);
      i = run;
      continue;
    }
    // The longest entity form is "&amp;lt;": wait for the next piece when
    // fewer characters are at hand.
    if (!last && n - i < 8) break;
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
  }
  scanned_.erase(0, i);
}

std::u16string clsQuillmere::Execute(const std::u16string& inputText) const {
  std::u16string out;
  out.reserve(inputText.size() + inputText.size() / 8);
  Session session(*this);
  session.Feed(inputText, out);
  session.Finish(out);
  return out;
}
