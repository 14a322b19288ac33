// The converter: ten conversion options, their settings file, and the
// tag-stripping conversion of an HTML text into plain text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class clsQuillmere {
 public:
  // Loads the ten options from the settings file. False, with no option
  // changed, for an empty path or when no ordinary file is there. Throws
  // engine::OverflowError for a stored value outside -32768..32767; options
  // read before that key keep their new values.
  bool Initialize(const std::u16string& IniFilePath);

  // Writes the ten options to the settings file, creating it if needed. False
  // when the folder does not exist or any write fails; the file then keeps its
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

  // The same conversion for a text that arrives in pieces, with memory for
  // only the piece at hand (and a tag cut by its end): Feed each piece, then
  // Finish. The output appended to `out` is, in all, exactly what Execute
  // gives for the whole text. The session reads the options it was made with.
  class Session {
   public:
    explicit Session(const clsQuillmere& options);
    void Feed(std::u16string_view piece, std::u16string& out);
    void Finish(std::u16string& out);

   private:
    void Settle(bool last, std::u16string& out);
    void FlushBreaks(std::u16string& out);

    const clsQuillmere& options_;
    bool in_tag_ = false;
    std::u16string tag_;  // a tag begun but not yet ended
    std::u16string url_;  // the current link URL
    bool link_open_ = false;
    std::u16string scanned_;   // scanned text not yet post-processed
    std::size_t breaks_ = 0;   // line breaks in the run being counted
    bool cr_pending_ = false;  // that run ended in a CR, which an LF would join
  };

 private:
  friend struct QuillmereTestAccess;

  enum Option { HR, HR_NUM, BR, P, IMG, ANAME, AHREF, AHREFSharp, ENTER, A_LINK_TAG_TYPE, kCount };

  // "alt:src" of an image tag, and the href of a link tag.
  static std::u16string ExtractImageText(std::u16string_view tag);
  static std::u16string ExtractLinkUrl(std::u16string_view tag);

  void AppendTag(std::u16string_view tag, std::u16string& out, std::u16string& url,
                 bool& link_open) const;

  std::array<std::int16_t, kCount> options_{};
};
