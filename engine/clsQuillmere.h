// The converter: the conversion options (the ten of the settings dialog,
// six that make a modern page's text readable, and one that keeps only its
// main content), their settings file, and the tag-stripping conversion of an
// HTML text into plain text.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "text/byte_codec.h"

namespace engine {
template <typename Char>
class ReadableScan;
}

class clsQuillmere {
 public:
  // WIDTH: 0 (lines are not wrapped), or a width in columns from
  // kLeastWidth to kMostWidth; any other value is refused.
  static constexpr int kLeastWidth = 20, kMostWidth = 1000;

  // Loads the options from the settings file (the readable-text ones from
  // its section "TEXT", 0 when missing). False, with no option changed,
  // for an empty path or when no ordinary file is there. Throws
  // engine::OverflowError for a stored value outside -32768..32767; options
  // read before that key keep their new values.
  bool Initialize(const std::u16string& IniFilePath);

  // Sets every option to what a settings file without its key gives: 5 for
  // HR_NUM, 0 for the readable-text options, 1 for the others.
  void UseFallbacks();

  // Writes the ten options of the settings dialog to the settings file,
  // creating it if needed; the section "TEXT" stays as it is. False when the
  // folder does not exist or any write fails; the file then keeps its
  // previous contents.
  bool SaveValue(const std::u16string& IniFilePath);

  // Sets the option named by `Parameter` (case-sensitive) from decimal text.
  // False only for an empty `Parameter`; an unknown key changes nothing.
  // Throws engine::TypeMismatchError or engine::OverflowError for a value that
  // is no number or lies outside -32768..32767; the option then keeps its value.
  bool SetValue(const std::u16string& Parameter, const std::u16string& Value);

  // The decimal text of the option named by `Parameter`; empty for no option.
  std::u16string GetValue(const std::u16string& Parameter) const;

  // Converts an HTML text into plain text under the current options.
  std::u16string Execute(const std::u16string& inputText) const;

  // What a conversion that works on the bytes of a code page (ByteSession)
  // needs to know of it, and where a ByteSession keeps the part of a tag
  // that grows past what it holds in memory (a tag whose ">" is far away,
  // or never comes) and the list of links.
  using ByteCodec = engine::ByteCodec;
  using Overflow = engine::Overflow;

  // The same conversion for a text that arrives in pieces, with memory for
  // only the piece at hand (and a tag cut by its end): Feed each piece, then
  // Finish. The output appended to `out` is, in all, exactly what Execute
  // gives for the whole text. The session reads the options it was made with.
  //
  // ByteSession converts the bytes of an encoding (a code page, or UTF-8) to
  // bytes of the same. Its output is Encode(Execute(Decode(input))) when the
  // input is in normal form: every character is written as
  // Encode(Decode(its bytes)) gives it, and no byte of a character other than
  // ASCII is below 0x40 ("<", ">", "&", CR, LF never hide inside one).
  // Decode is the encoding's decoder. Well-formed UTF-8 is in normal form.
  template <typename Char>
  class BasicSession {
   public:
    using String = std::basic_string<Char>;
    using View = std::basic_string_view<Char>;

    explicit BasicSession(const clsQuillmere& options) requires std::is_same_v<Char, char16_t>;
    // With `overflow`, a long tag is kept there beyond its first MiB, with
    // `links` the list of links (LINKS) beyond its first MiB, and with
    // `page` the page (MAIN) beyond its first MiBs; the session then throws
    // engine::OverflowUnreadable if it cannot read them back.
    BasicSession(const clsQuillmere& options, const ByteCodec& codec, Overflow* overflow = nullptr,
                 Overflow* links = nullptr,
                 Overflow* page = nullptr) requires std::is_same_v<Char, char>;
    // A caller that can feed the text a second time says so before the
    // first piece: with MAIN the page is then not held (in memory or in
    // `page`) while its main content is chosen, but read again. After the
    // last piece it asks FeedAgain. False when the text is never wanted
    // twice (no MAIN).
    bool FeedsTwice();
    void Feed(View piece, String& out);
    // After the last piece, when FeedsTwice was called: true when the text
    // is wanted again, fed from its start as before and then finished;
    // false when Finish follows at once. What is written already (a title)
    // goes to `out` (or `flush`, as for Finish).
    bool FeedAgain(String& out, const std::function<void(String&)>& flush = {});
    // `flush`, when given, takes the output so far whenever a long tag that
    // turned out to be text is settled, so that it need not be held whole.
    void Finish(String& out, const std::function<void(String&)>& flush = {});
    ~BasicSession();

   private:
    void StartReadable(const ByteCodec* codec, Overflow* links, Overflow* page);
    std::size_t Scan(View piece, std::size_t i, String& out);
    void GrowTag(View more);
    void EndLongTag(String& out);
    void EndTag(View tag, String& out);
    void EndTextTag(View tag, String& out);
    void OpenLink(View tag, String& add);
    void AddLine(std::size_t dashes, String& out);
    void Emit(View text, bool last, String& out);
    std::size_t Settle(View text, bool last, String& out);
    void PutText(View text, String& out);
    void PutChar(Char c, String& out);
    void CountBreak(Char c);
    void FlushBreaks(String& out);

    const clsQuillmere& options_;
    Overflow* overflow_ = nullptr;
    // Which bytes begin a two-byte character; none for UTF-16 and UTF-8.
    const std::array<bool, 256>* leads() const { return has_leads_ ? &leads_ : nullptr; }
    std::array<bool, 256> leads_{};
    bool has_leads_ = false;
    String image_label_;  // "[イメージ:" and "[リンク:" as Char
    String link_label_;
    bool in_tag_ = false;
    String tag_;            // a tag begun but not yet ended
    bool spilled_ = false;  // tag_ holds the tag's head, the overflow what follows
    String url_;            // the current link URL
    bool link_open_ = false;
    String appended_;          // what the last tag gave
    String scratch_;           // working space for picking attributes
    String held_;              // settled up to a possible entity at its start
    std::size_t breaks_ = 0;   // line breaks in the run being counted
    bool cr_pending_ = false;  // that run ended in a CR, which an LF would join
    // The conversion when any of the readable-text options is on.
    std::unique_ptr<engine::ReadableScan<Char>> readable_;
  };
  using Session = BasicSession<char16_t>;
  using ByteSession = BasicSession<char>;

 private:
  friend struct QuillmereTestAccess;

  enum Option {
    HR,
    HR_NUM,
    BR,
    P,
    IMG,
    ANAME,
    AHREF,
    AHREFSharp,
    ENTER,
    A_LINK_TAG_TYPE,
    SCRIPT,
    ENTITY,
    SPACE,
    BLOCK,  // the readable text of modern pages
    TABLE,
    LINKS,
    MAIN,   // the page's main content only
    RUBY,   // how the readable text writes ruby: 0 inline, 1 （）, 2 《》, 3 the base only
    WIDTH,  // the readable text's lines wrapped at this many columns (0: not)
    kCount
  };

  // "alt:src" of an image tag, and the href of a link tag.
  static std::u16string ExtractImageText(std::u16string_view tag);
  static std::u16string ExtractLinkUrl(std::u16string_view tag);

  std::array<std::int16_t, kCount> options_{};
};
