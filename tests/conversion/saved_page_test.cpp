// Web pages saved in one file (MHTML): which files are messages, which part
// is the page, its transfer encodings and charset, read however the file's
// bytes arrive; and the conversion of such a file against its page's.
#include "conversion/saved_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion/conversion_run.h"
#include "tests/support/converter_options.h"
#include "tests/support/source_file.h"

namespace {

using conversion::SavedPageReader;
using Problem = SavedPageReader::Problem;
using testing_support::ConverterWith;

// A reader over `bytes` that gives at most `most` bytes a call.
conversion::Reader ReaderOf(const std::string& bytes, std::size_t most, std::size_t& at) {
  return [&bytes, most, &at](char* buffer, std::size_t size) -> std::ptrdiff_t {
    const std::size_t n = std::min({size, most, bytes.size() - at});
    std::copy_n(bytes.data() + at, n, buffer);
    at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
}

struct Read {
  Problem problem = Problem::kNone;
  std::string charset, page;
};

Read ReadPage(const std::string& file, std::size_t most) {
  std::size_t at = 0;
  const conversion::Reader reader = ReaderOf(file, most, at);
  SavedPageReader message(reader);
  Read read;
  if (!message.Open()) {
    read.problem = message.problem();
    return read;
  }
  read.charset = message.charset();
  char buffer[7];
  for (std::ptrdiff_t n; (n = message.Read(buffer, sizeof buffer)) > 0;)
    read.page.append(buffer, static_cast<std::size_t>(n));
  return read;
}

// A message as Chromium saves a page: headers, the page in quoted-printable,
// then a style sheet.
std::string Chromium(const std::string& page_part, const std::string& more = "") {
  return "From: <Saved by Blink>\r\nSnapshot-Content-Location: https://example.jp/\r\n"
         "Subject: =?utf-8?Q?=E4=BB=8A?=\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n"
         "\tboundary=\"----MultipartBoundary--x1----\"\r\n\r\n\r\n"
         "------MultipartBoundary--x1----\r\n" +
         page_part + "\r\n------MultipartBoundary--x1----\r\n" +
         "Content-Type: text/css\r\nContent-Transfer-Encoding: quoted-printable\r\n"
         "Content-Location: https://example.jp/a.css\r\n\r\np { color: red; }\r\n" +
         more + "------MultipartBoundary--x1------\r\n";
}

const std::string kQuotedPage =
    "Content-Type: text/html\r\nContent-ID: <frame-1@mhtml.blink>\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
    "<html><head><meta charset=3D\"utf-8\"></head><body><p>=E4=BB=8A=E6=97=A5 a long =\r\n"
    "line=3D</p></body></html>";
const std::string kQuotedText =
    "<html><head><meta charset=\"utf-8\"></head><body><p>\xE4\xBB\x8A\xE6\x97\xA5 a long "
    "line=</p></body></html>";

struct Case {
  const char* what;
  std::string file;
  Read expected;
};

TEST(SavedPage, ThePagePartDecoded) {
  const std::string ie =
      "MIME-Version: 1.0\r\nContent-Type: multipart/related; "
      "boundary=\"----=_NextPart_01D0\"\r\n\r\nThis document is a Single File Web Page.\r\n\r\n"
      "------=_NextPart_01D0\r\nContent-Location: file:///C:/a.htm\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n"
      "Content-Type: text/html; charset=\"shift_jis\"\r\n\r\n<p>=93=FA=96=7B</p>\r\n\r\n"
      "------=_NextPart_01D0\r\nContent-Location: file:///C:/a_files/x.gif\r\n"
      "Content-Transfer-Encoding: base64\r\nContent-Type: image/gif\r\n\r\nR0lGODlh\r\n\r\n"
      "------=_NextPart_01D0--\r\n";
  const Case cases[] = {
      {"Chromium's", Chromium(kQuotedPage), {Problem::kNone, "", kQuotedText}},
      {"Internet Explorer's, Shift_JIS",
       ie,
       {Problem::kNone, "shift_jis", "<p>\x93\xFA\x96\x7B</p>\r\n"}},
      {"base64",
       Chromium("Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: "
                "base64\r\n\r\nPHA+5pel\r\nPC9wPg==\r\n"),
       {Problem::kNone, "utf-8", "<p>\xE6\x97\xA5</p>"}},
      {"8bit, LF line ends",
       "Content-Type: multipart/related; boundary=b\n\n--b\nContent-Type: text/html\n"
       "Content-Transfer-Encoding: 8bit\n\n<p>a\n=41</p>\n--b--\n",
       {Problem::kNone, "", "<p>a\n=41</p>"}},
      {"the start parameter's part",
       "Content-Type: multipart/related; start=\"<b@x>\"; boundary=q\r\n\r\n--q\r\n"
       "Content-Type: text/html\r\nContent-ID: <a@x>\r\n\r\nframe\r\n--q\r\n"
       "Content-Type: text/html\r\nContent-ID: <b@x>\r\n\r\nmain\r\n--q--\r\n",
       {Problem::kNone, "", "main"}},
      {"the first HTML part",
       "Content-Type: multipart/related; boundary=q\r\n\r\n--q\r\nContent-Type: image/png\r\n\r\n"
       "\x89PNG--q\r\n--q\r\nContent-Type: TEXT/HTML\r\n\r\npage\r\n--q\r\n"
       "Content-Type: text/html\r\n\r\nframe\r\n--q--\r\n",
       {Problem::kNone, "", "page"}},
      {"a message of one HTML part",
       "MIME-Version: 1.0\r\nContent-Type: text/html; charset=euc-jp\r\n"
       "Content-Transfer-Encoding: quoted-printable\r\n\r\n<p>=C6=FC</p>",
       {Problem::kNone, "euc-jp", "<p>\xC6\xFC</p>"}},
      {"no closing delimiter",
       "Content-Type: multipart/related; boundary=q\r\n\r\n--q\r\n"
       "Content-Type: text/html\r\n\r\n<p>cut",
       {Problem::kNone, "", "<p>cut"}},
      {"an = that is no escape",
       Chromium("Content-Type: text/html\r\n"
                "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                "a=ZZb=3"),
       {Problem::kNone, "", "a=ZZb=3"}},
      {"no HTML part",
       "Content-Type: multipart/related; boundary=q\r\n\r\n--q\r\n"
       "Content-Type: image/png\r\n\r\nx\r\n--q--\r\n",
       {Problem::kNoPage, "", ""}},
      {"a boundary that never comes",
       "Content-Type: multipart/related; boundary=q\r\n\r\nx",
       {Problem::kNoPage, "", ""}},
      {"no boundary",
       "Content-Type: multipart/related\r\n\r\n--q\r\n",
       {Problem::kNotMessage, "", ""}},
      {"an image alone", "Content-Type: image/png\r\n\r\nx", {Problem::kNoPage, "", ""}},
      {"a page", "<!DOCTYPE html><p>x</p>", {Problem::kNotMessage, "", ""}},
      {"headers that never end", "Content-Type: text/html\r\n", {Problem::kNotMessage, "", ""}},
      {"empty", "", {Problem::kNotMessage, "", ""}},
  };
  for (const Case& c : cases) {
    for (const std::size_t most : {std::size_t{1}, std::size_t{5}, std::size_t{1} << 20}) {
      const Read got = ReadPage(c.file, most);
      EXPECT_EQ(got.problem, c.expected.problem) << c.what << ", reads of " << most;
      EXPECT_EQ(got.charset, c.expected.charset) << c.what << ", reads of " << most;
      EXPECT_EQ(got.page, c.expected.page) << c.what << ", reads of " << most;
    }
  }
}

TEST(SavedPage, MessagesAreToldByTheirHeaders) {
  const std::pair<std::string, bool> cases[] = {
      {"MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=x\r\n\r\n", true},
      {"Content-Type: text/html\n\n<p>", true},
      {"From: <Saved by Blink>\r\nContent-Type: multipart/related;\r\n\tboundary=x\r\n\r\n", true},
      {"MIME-Version: 1.0\r\n\r\n", false},  // no Content-Type
      {"<html>\r\nContent-Type: text/html\r\n\r\n", false},
      {"Content-Type: text/html\r\n", false},  // no end to the headers
      {" Content-Type: text/html\r\n\r\n", false},
      {"Content Type: text/html\r\n\r\n", false},
      {"", false},
  };
  for (const auto& [head, message] : cases)
    EXPECT_EQ(conversion::LooksLikeMessage(head), message) << head;
}

// A saved page converts to its page's text, the part's charset ahead of the
// page's declaration; told by its content whatever its name, and refused,
// with nothing written, where its name says it is one and it is not.
TEST(SavedPage, ConvertsAsItsPage) {
  using conversion::RunOptions;
  using conversion::RunResult;
  const clsQuillmere q = ConverterWith({{u"SCRIPT", u"1"}, {u"BLOCK", u"1"}});
  auto convert = [&](const std::string& file, const RunOptions& options, std::string& out) {
    std::size_t at = 0;
    const conversion::Reader reader = ReaderOf(file, 3, at);
    out.clear();
    return conversion::ConvertStream(
        q, reader, [&](std::string_view bytes) { return out += bytes, true; }, options);
  };
  RunOptions utf8;
  utf8.output = conversion::OutputChoice::kUtf8;
  std::string page, saved;
  convert(kQuotedText, utf8, page);
  const RunResult result = convert(Chromium(kQuotedPage), utf8, saved);
  EXPECT_EQ(result.status, RunResult::Status::kConverted);
  EXPECT_EQ(saved, page);
  EXPECT_EQ(saved, "\xE4\xBB\x8A\xE6\x97\xA5 a long line=\r\n\r\n");

  // Shift_JIS by the part's charset, over a page that declares UTF-8.
  const std::string sjis = Chromium(
      "Content-Type: text/html; charset=Shift_JIS\r\nContent-Transfer-Encoding: "
      "quoted-printable\r\n\r\n<meta charset=3Dutf-8><p>=93=FA=96=7B</p>");
  const RunResult by_charset = convert(sjis, utf8, saved);
  EXPECT_EQ(by_charset.input.encoding, platform::Encoding::kShiftJis);
  EXPECT_EQ(by_charset.input.why, conversion::InputEncoding::Why::kSavedPage);
  EXPECT_EQ(saved, "\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n");

  RunOptions named = utf8;
  named.saved_page = true;
  EXPECT_EQ(convert("<p>not a message</p>", named, saved).status, RunResult::Status::kNotSavedPage);
  EXPECT_EQ(saved, "");
  EXPECT_EQ(convert("Content-Type: image/png\r\n\r\nx", utf8, saved).status,
            RunResult::Status::kNoPage);
  EXPECT_EQ(saved, "");
}

// Pages that headless Chromium saved (tools/mhtml/capture.py), in UTF-8 and
// in Shift_JIS (which it keeps, naming it in a meta it adds): the readable
// text of each equals its page's.
TEST(SavedPage, WhatChromiumSavesGivesItsPagesText) {
  const clsQuillmere q = ConverterWith({{u"SCRIPT", u"1"},
                                        {u"ENTITY", u"1"},
                                        {u"SPACE", u"1"},
                                        {u"BLOCK", u"1"},
                                        {u"TABLE", u"1"},
                                        {u"RUBY", u"1"}});
  auto text = [&](const std::string& file) {
    std::size_t at = 0;
    const conversion::Reader reader = ReaderOf(file, 4096, at);
    conversion::RunOptions options;
    options.output = conversion::OutputChoice::kUtf8;
    std::string out;
    EXPECT_EQ(conversion::ConvertStream(
                  q, reader, [&](std::string_view bytes) { return out += bytes, true; }, options)
                  .status,
              conversion::RunResult::Status::kConverted);
    return out;
  };
  const std::string folder = QUILLMERE_SAVED_PAGES "/";
  std::string texts;
  for (const char* name : {"japanese-utf8", "japanese-sjis"}) {
    const std::string page = text(testing_support::ReadSourceFile(folder + name + ".htm"));
    EXPECT_EQ(text(testing_support::ReadSourceFile(folder + name + ".mhtml")), page) << name;
    texts += page;
  }
  EXPECT_NE(texts.find("\xE8\xAA\xAD\xE6\x9B\xB8\xEF\xBC\x88"), std::string::npos);  // 読書（
}

}  // namespace
