// Section TEXT of the settings file: what is read from it, what writing it
// changes, and the names of the output's encodings.
#include "conversion/text_settings.h"

#include <gtest/gtest.h>

#include "engine/clsQuillmere.h"
#include "tests/support/source_file.h"
#include "tests/support/temp_dir.h"

namespace {

using conversion::OutputChoice;
using testing_support::Show;
using testing_support::TempDir;

struct ReadCase {
  const char* file;  // nullptr: no file
  const char* on;    // the seven switches, '1' for on
  std::u16string output;
  std::optional<OutputChoice> choice;
};

const ReadCase kReads[] = {
    {nullptr, "0000000", u"same", OutputChoice::kSame},
    {"[HTML]\r\nHR=1\r\n", "0000000", u"same", OutputChoice::kSame},
    {"[TEXT]\r\nSCRIPT=1\r\nLINKS=1\r\nOUTPUT=utf-8\r\n", "1000010", u"utf-8", OutputChoice::kUtf8},
    {"[text]\r\nscript=2\r\ntable=-1\r\noutput=UTF-8-BOM\r\n", "1000100", u"UTF-8-BOM",
     OutputChoice::kUtf8WithMark},
    {"[TEXT]\r\nENTITY=1\r\nSPACE=1\r\nBLOCK=1\r\nOUTPUT=ansi\r\n", "0111000", u"ansi",
     OutputChoice::kAnsi},
    {"[TEXT]\r\nOUTPUT=\r\n", "0000000", u"", OutputChoice::kSame},
    {"[TEXT]\r\nOUTPUT=\"shift_jis\"\r\n", "0000000", u"shift_jis", OutputChoice::kShiftJis},
    {"[TEXT]\r\nOUTPUT=utf-16le\r\n", "0000000", u"utf-16le", OutputChoice::kUtf16Le},
    {"[TEXT]\r\nOUTPUT=utf8\r\n", "0000000", u"utf8", std::nullopt},
    {"[TEXT]\r\nOUTPUT=euc-jp\r\n", "0000000", u"euc-jp", std::nullopt},
    {"[TEXT]\r\nMAIN=1\r\nLINKS=1\r\n", "0000011", u"same", OutputChoice::kSame},
};

TEST(TextSettings, ReadAsTheFileHoldsThem) {
  TempDir dir;
  int n = 0;
  for (const ReadCase& c : kReads) {
    // A new name each time: the platform keeps recently used files cached.
    const std::u16string name = u"r" + std::u16string(1, char16_t(u'a' + n++)) + u".ini";
    if (c.file) dir.Write(name, c.file);
    const conversion::TextSettings got = conversion::ReadTextSettings(dir / name);
    std::string on;
    for (bool b : got.on) on += b ? '1' : '0';
    const char* file = c.file ? c.file : "(none)";
    EXPECT_EQ(on, c.on) << file;
    EXPECT_EQ(Show(got.output), Show(c.output)) << file;
    EXPECT_EQ(conversion::ReadOutputChoice(dir / name), c.choice) << file;
  }
}

// The seven switches, OUTPUT, RUBY and WIDTH, in the section's place;
// comments, other sections and the ten options as they were.
TEST(TextSettings, WritingChangesTheTenKeysOnly) {
  TempDir dir;
  dir.Write(u"Brackwen.ini",
            "; mine\r\n[HTML]\r\nHR=1\r\n[TEXT]\r\nSPACE=1\r\nOUTPUT=utf-16le\r\nExtra=x\r\n"
            "[GENERAL]\r\nENTER=1\r\n");
  conversion::TextSettings settings;
  settings.on = {true, false, false, true, false, true, false};
  settings.output = u"utf-8";
  settings.ruby = 2;
  settings.width = 72;
  ASSERT_TRUE(conversion::WriteTextSettings(dir / u"Brackwen.ini", settings));
  EXPECT_EQ(dir.Read(u"Brackwen.ini"),
            "; mine\r\n[HTML]\r\nHR=1\r\n[TEXT]\r\nSPACE=0\r\nOUTPUT=utf-8\r\nExtra=x\r\n"
            "SCRIPT=1\r\nENTITY=0\r\nBLOCK=1\r\nTABLE=0\r\nLINKS=1\r\nMAIN=0\r\nRUBY=2\r\n"
            "WIDTH=72\r\n[GENERAL]\r\nENTER=1\r\n");
}

// RUBY's modes 0 to 3; a missing key, and any other value, are 0, as a
// conversion reads them. WIDTH as the file holds it, for the dialog to
// show: a conversion refuses the values out of range, so they are not made
// plain here.
TEST(TextSettings, RubyAndWidthReadAsAConversionReadsThem) {
  struct Case {
    const char* lines;
    int ruby, width;
  };
  const Case kCases[] = {
      {"", 0, 0},
      {"RUBY=1\r\n", 1, 0},
      {"RUBY=2\r\nWIDTH=70\r\n", 2, 70},
      {"RUBY=3\r\nwidth = 1000\r\n", 3, 1000},
      {"RUBY=4\r\nWIDTH=5\r\n", 0, 5},
      {"RUBY=-1\r\nWIDTH=-3\r\n", 0, -3},
      {"ruby= 2 \r\nWIDTH=x\r\n", 2, 0},
      {"RUBY=x\r\nWIDTH=80cols\r\n", 0, 80},
  };
  TempDir dir;
  int n = 0;
  for (const Case& c : kCases) {
    const std::u16string name = u"text" + std::u16string(1, char16_t(u'a' + n++)) + u".ini";
    dir.Write(name, std::string("[TEXT]\r\n") + c.lines);
    const conversion::TextSettings settings = conversion::ReadTextSettings(dir / name);
    EXPECT_EQ(settings.ruby, c.ruby) << c.lines;
    EXPECT_EQ(settings.width, c.width) << c.lines;
  }
}

TEST(TextSettings, WritingIntoAFolderFails) {
  TempDir dir;
  dir.MakeFolder(u"Brackwen.ini");
  EXPECT_FALSE(conversion::WriteTextSettings(dir / u"Brackwen.ini", {}));
}

TEST(TextSettings, OutputNamesInAnyCase) {
  const std::pair<std::u16string, std::optional<OutputChoice>> names[] = {
      {u"same", OutputChoice::kSame},
      {u"SAME", OutputChoice::kSame},
      {u"ansi", OutputChoice::kAnsi},
      {u"Shift_JIS", OutputChoice::kShiftJis},
      {u"utf-8", OutputChoice::kUtf8},
      {u"utf-8-bom", OutputChoice::kUtf8WithMark},
      {u"UTF-16LE", OutputChoice::kUtf16Le},
      {u"", std::nullopt},
      {u"utf-8 ", std::nullopt},
      {u"ｕｔｆ-8", std::nullopt},
  };
  for (const auto& [name, choice] : names)
    EXPECT_EQ(conversion::OutputChoiceNamed(name), choice) << Show(name);
}

// The settings file a new install carries is the ten defaults as saved and
// then the text settings as the dialog's OK writes them: the two cannot
// drift apart.
TEST(TextSettings, TheReleasedSettingsFileIsWhatTheWritersWrite) {
  TempDir dir;
  clsQuillmere q;
  for (const char16_t* key : {u"HR", u"BR", u"P", u"IMG", u"ANAME", u"AHREF", u"AHREFSharp",
                              u"ENTER", u"A_LINK_TAG_TYPE"})
    q.SetValue(key, u"1");
  q.SetValue(u"HR_NUM", u"5");
  ASSERT_TRUE(q.SaveValue(dir / u"Brackwen.ini"));
  conversion::TextSettings settings;
  settings.on = {true, true, true, true, false, true};
  settings.ruby = 1;
  ASSERT_TRUE(conversion::WriteTextSettings(dir / u"Brackwen.ini", settings));

  const std::string bytes = testing_support::ReadSourceFile(QUILLMERE_RELEASED_INI);
  EXPECT_EQ(dir.Read(u"Brackwen.ini"), bytes);
}

}  // namespace
