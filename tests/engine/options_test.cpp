// The ten options: reading and writing them by key, loading them from the
// settings file and saving them back.
#include <gtest/gtest.h>

#include "engine/clsQuillmere.h"
#include "engine/errors.h"
#include "engine/number_text.h"
#include "tests/support/source_file.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::Show;
using testing_support::TempDir;

const std::u16string kKeys[] = {u"HR",    u"HR_NUM", u"BR",         u"P",     u"IMG",
                                u"ANAME", u"AHREF",  u"AHREFSharp", u"ENTER", u"A_LINK_TAG_TYPE"};

std::string AllValues(const clsQuillmere& q) {
  std::string s;
  for (const auto& key : kKeys) s += Show(key) + "=" + Show(q.GetValue(key)) + " ";
  return s;
}

TEST(Options, StartAtZeroAndAreAddressedByExactKey) {
  clsQuillmere q;
  EXPECT_EQ(AllValues(q),
            "HR=0 HR_NUM=0 BR=0 P=0 IMG=0 ANAME=0 AHREF=0 AHREFSharp=0 ENTER=0 "
            "A_LINK_TAG_TYPE=0 ");
  EXPECT_EQ(Show(q.GetValue(u"NUM")), "");
  EXPECT_EQ(Show(q.GetValue(u"")), "");
  EXPECT_EQ(Show(q.GetValue(u"hr")), "");
}

TEST(Options, SetValueChangesOnlyTheNamedOption) {
  clsQuillmere q;
  EXPECT_TRUE(q.SetValue(u"ENTER", u"1"));
  EXPECT_TRUE(q.SetValue(u"A_LINK_TAG_TYPE", u"2"));
  EXPECT_EQ(Show(q.GetValue(u"ENTER")), "1");
  EXPECT_TRUE(q.SetValue(u"ENTER", u"0"));
  EXPECT_EQ(Show(q.GetValue(u"A_LINK_TAG_TYPE")), "2");
  EXPECT_EQ(Show(q.GetValue(u"ENTER")), "0");

  EXPECT_TRUE(q.SetValue(u"hr", u"1"));  // no such key: accepted, nothing changes
  EXPECT_TRUE(q.SetValue(u"NUM", u"9"));
  EXPECT_FALSE(q.SetValue(u"", u"1"));
  EXPECT_EQ(AllValues(q),
            "HR=0 HR_NUM=0 BR=0 P=0 IMG=0 ANAME=0 AHREF=0 AHREFSharp=0 ENTER=0 "
            "A_LINK_TAG_TYPE=2 ");
  EXPECT_TRUE(q.SetValue(u"HR_NUM", u"-1"));
  EXPECT_EQ(Show(q.GetValue(u"HR_NUM")), "-1");
}

struct NumberCase {
  std::u16string text;
  engine::NumberStatus status;
  int value;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << "\"" << Show(c.text) << "\"";
}

class NumberTextTest : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberTextTest, ReadsAsSetValueDoes) {
  const NumberCase& c = GetParam();
  clsQuillmere q;
  q.SetValue(u"HR_NUM", u"77");
  switch (c.status) {
    case engine::NumberStatus::kOk:
      EXPECT_TRUE(q.SetValue(u"HR_NUM", c.text));
      EXPECT_EQ(Show(q.GetValue(u"HR_NUM")), std::to_string(c.value));
      return;
    case engine::NumberStatus::kNotANumber:
      EXPECT_THROW(q.SetValue(u"HR_NUM", c.text), engine::TypeMismatchError);
      break;
    case engine::NumberStatus::kOutOfRange:
      EXPECT_THROW(q.SetValue(u"HR_NUM", c.text), engine::OverflowError);
      break;
  }
  EXPECT_EQ(Show(q.GetValue(u"HR_NUM")), "77");  // a refused value changes nothing
}

constexpr auto kOk = engine::NumberStatus::kOk;
constexpr auto kNaN = engine::NumberStatus::kNotANumber;
constexpr auto kRange = engine::NumberStatus::kOutOfRange;

INSTANTIATE_TEST_SUITE_P(
    Table, NumberTextTest,
    testing::Values(
        NumberCase{u"0", kOk, 0}, NumberCase{u"007", kOk, 7}, NumberCase{u"-1", kOk, -1},
        NumberCase{u"+12", kOk, 12}, NumberCase{u"  42  ", kOk, 42}, NumberCase{u"2.5", kOk, 2},
        NumberCase{u"3.5", kOk, 4}, NumberCase{u"-2.5", kOk, -2}, NumberCase{u"2.51", kOk, 3},
        NumberCase{u"2.49999", kOk, 2}, NumberCase{u"2.50000001", kOk, 3},
        NumberCase{u".5", kOk, 0}, NumberCase{u"1.", kOk, 1}, NumberCase{u"32767", kOk, 32767},
        NumberCase{u"-32768", kOk, -32768}, NumberCase{u"-32768.5", kOk, -32768},
        NumberCase{u"32767.4", kOk, 32767}, NumberCase{u"32768", kRange, 0},
        NumberCase{u"32767.5", kRange, 0}, NumberCase{u"-32769", kRange, 0},
        NumberCase{u"99999999999999999999999", kRange, 0}, NumberCase{u"abc", kNaN, 0},
        NumberCase{u"", kNaN, 0}, NumberCase{u" ", kNaN, 0}, NumberCase{u"-", kNaN, 0},
        NumberCase{u".", kNaN, 0}, NumberCase{u"1 2", kNaN, 0}, NumberCase{u"12abc", kNaN, 0},
        NumberCase{u"0x10", kNaN, 0}, NumberCase{u"1e3", kNaN, 0}, NumberCase{u"--1", kNaN, 0},
        NumberCase{u"１２", kNaN, 0}, NumberCase{u"\t5", kNaN, 0}));

class SettingsFileTest : public testing::Test {
 protected:
  std::u16string Ini() const { return dir_ / u"Brackwen.ini"; }
  TempDir dir_;
};

TEST_F(SettingsFileTest, EmptyFileGivesTheDefaults) {
  dir_.Write(u"Brackwen.ini", "");
  clsQuillmere q;
  ASSERT_TRUE(q.Initialize(Ini()));
  EXPECT_EQ(AllValues(q),
            "HR=1 HR_NUM=5 BR=1 P=1 IMG=1 ANAME=1 AHREF=1 AHREFSharp=1 ENTER=1 "
            "A_LINK_TAG_TYPE=1 ");
}

TEST_F(SettingsFileTest, MissingFileFolderOrEmptyPathLoadsNothing) {
  dir_.MakeFolder(u"Folder.ini");
  dir_.Write(u"Other.ini", "[HR]\r\nNUM=3\r\n");
  for (const std::u16string& path : {Ini(), std::u16string(), dir_ / u"Folder.ini"}) {
    clsQuillmere q;
    EXPECT_FALSE(q.Initialize(path)) << Show(path);
    EXPECT_EQ(Show(q.GetValue(u"HR_NUM")), "0");
  }
}

TEST_F(SettingsFileTest, MissingKeysTakeTheirDefaults) {
  dir_.Write(u"Brackwen.ini", "[HR]\r\nNUM=12\r\n");
  clsQuillmere q;
  ASSERT_TRUE(q.Initialize(Ini()));
  EXPECT_EQ(AllValues(q),
            "HR=1 HR_NUM=12 BR=1 P=1 IMG=1 ANAME=1 AHREF=1 AHREFSharp=1 ENTER=1 "
            "A_LINK_TAG_TYPE=1 ");
}

TEST_F(SettingsFileTest, ReadsEverySectionAndKeyWithoutRegardToCase) {
  dir_.Write(u"Brackwen.ini",
             "[html]\r\nhr=0\r\nbr=0\r\np=0\r\nimg=0\r\naname=0\r\nahref=0\r\nahrefsharp=0\r\n"
             "[hr]\r\nnum=-1\r\n[general]\r\nenter=0\r\na_link_tag_type=2\r\n");
  clsQuillmere q;
  ASSERT_TRUE(q.Initialize(Ini()));
  EXPECT_EQ(AllValues(q),
            "HR=0 HR_NUM=-1 BR=0 P=0 IMG=0 ANAME=0 AHREF=0 AHREFSharp=0 ENTER=0 "
            "A_LINK_TAG_TYPE=2 ");
}

TEST_F(SettingsFileTest, ValueOutOfRangeIsAnOverflowAfterTheKeysBeforeIt) {
  dir_.Write(u"Brackwen.ini", "[HR]\r\nNUM=7\r\n[HTML]\r\nBR=0\r\nP=40000\r\n");
  clsQuillmere q;
  EXPECT_THROW(q.Initialize(Ini()), engine::OverflowError);
  // HR and HR_NUM and BR come before P in reading order; the rest stay as they were.
  EXPECT_EQ(AllValues(q),
            "HR=1 HR_NUM=7 BR=0 P=0 IMG=0 ANAME=0 AHREF=0 AHREFSharp=0 ENTER=0 "
            "A_LINK_TAG_TYPE=0 ");

  dir_.Write(u"Brackwen.ini", "[HTML]\r\nHR=32768\r\n");
  EXPECT_THROW(clsQuillmere().Initialize(Ini()), engine::OverflowError);
  dir_.Write(u"Brackwen.ini", "[HTML]\r\nHR=-32769\r\n");
  EXPECT_THROW(clsQuillmere().Initialize(Ini()), engine::OverflowError);
}

// The settings file the release carries: what SaveValue writes into a new
// file for the table's defaults (every option 1, HR_NUM 5), so that Start
// works on first use, then the readable text's section (all but TABLE on),
// so that a new install reads the pages written today.
TEST_F(SettingsFileTest, TheReleasedSettingsFileIsTheDefaultsAsSavedAndTheReadableText) {
  clsQuillmere q;
  for (const char16_t* key : {u"HR", u"BR", u"P", u"IMG", u"ANAME", u"AHREF", u"AHREFSharp",
                              u"ENTER", u"A_LINK_TAG_TYPE"})
    q.SetValue(key, u"1");
  q.SetValue(u"HR_NUM", u"5");
  ASSERT_TRUE(q.SaveValue(Ini()));
  const std::string bytes = testing_support::ReadSourceFile(QUILLMERE_RELEASED_INI);
  const std::size_t text = bytes.find("[TEXT]\r\n");
  ASSERT_NE(text, std::string::npos);
  EXPECT_EQ(dir_.Read(u"Brackwen.ini"), bytes.substr(0, text));
  dir_.Write(u"Brackwen.ini", bytes);
  clsQuillmere back;
  ASSERT_TRUE(back.Initialize(Ini()));
  EXPECT_EQ(AllValues(back), AllValues(q));
  for (const char16_t* key : {u"SCRIPT", u"ENTITY", u"SPACE", u"BLOCK", u"LINKS"})
    EXPECT_EQ(Show(back.GetValue(key)), "1") << Show(key);
  EXPECT_EQ(Show(back.GetValue(u"TABLE")), "0");
  EXPECT_EQ(Show(back.GetValue(u"RUBY")), "1");
}

TEST_F(SettingsFileTest, SaveFromScratchWritesTheThreeSectionsInOrder) {
  clsQuillmere q;
  q.SetValue(u"HR_NUM", u"-1");
  q.SetValue(u"A_LINK_TAG_TYPE", u"2");
  q.SetValue(u"BR", u"1");
  ASSERT_TRUE(q.SaveValue(Ini()));
  EXPECT_EQ(dir_.Read(u"Brackwen.ini"),
            "[HTML]\r\nHR=0\r\nBR=1\r\nP=0\r\nIMG=0\r\nANAME=0\r\nAHREF=0\r\nAHREFSharp=0\r\n"
            "[HR]\r\nNUM=-1\r\n[GENERAL]\r\nENTER=0\r\nA_LINK_TAG_TYPE=2\r\n");
  EXPECT_EQ(dir_.CountEntries(), 1);  // no scratch file left behind

  clsQuillmere back;
  ASSERT_TRUE(back.Initialize(Ini()));
  EXPECT_EQ(AllValues(back), AllValues(q));
}

TEST_F(SettingsFileTest, SaveReplacesValuesAndKeepsEverythingElse) {
  dir_.Write(u"Brackwen.ini",
             "; Sanvelle\r\n[Window]\r\nLeft=10\r\n[GENERAL]\r\nENTER=1\r\nExtra=x\r\n[HTML]\r\n"
             "HR=1\r\n");
  clsQuillmere q;
  ASSERT_TRUE(q.SaveValue(Ini()));
  EXPECT_EQ(dir_.Read(u"Brackwen.ini"),
            "; Sanvelle\r\n[Window]\r\nLeft=10\r\n[GENERAL]\r\nENTER=0\r\nExtra=x\r\n"
            "A_LINK_TAG_TYPE=0\r\n[HTML]\r\nHR=0\r\nBR=0\r\nP=0\r\nIMG=0\r\nANAME=0\r\nAHREF=0\r\n"
            "AHREFSharp=0\r\n[HR]\r\nNUM=0\r\n");
}

// The four readable-text options: read from "TEXT" (0 when missing, so that
// every older settings file converts as before), addressed like the ten,
// and never written: the section stays as the user wrote it.
TEST_F(SettingsFileTest, ReadableTextOptionsAreReadFromTheirSectionAndNeverWritten) {
  const std::u16string readable[] = {u"SCRIPT", u"ENTITY", u"SPACE", u"BLOCK"};
  auto values = [&](const clsQuillmere& q) {
    std::string s;
    for (const auto& key : readable) s += Show(key) + "=" + Show(q.GetValue(key)) + " ";
    return s;
  };
  dir_.Write(u"Brackwen.ini", "[HTML]\r\nBR=0\r\n");
  clsQuillmere older;
  ASSERT_TRUE(older.Initialize(Ini()));
  EXPECT_EQ(values(older), "SCRIPT=0 ENTITY=0 SPACE=0 BLOCK=0 ");

  const std::string text = "[text]\r\nscript=1\r\nSPACE=-2\r\n";
  dir_.Write(u"Brackwen.ini", text);
  clsQuillmere q;
  ASSERT_TRUE(q.Initialize(Ini()));
  EXPECT_EQ(values(q), "SCRIPT=1 ENTITY=0 SPACE=-2 BLOCK=0 ");
  EXPECT_TRUE(q.SetValue(u"ENTITY", u"1"));
  EXPECT_EQ(Show(q.GetValue(u"ENTITY")), "1");
  ASSERT_TRUE(q.SaveValue(Ini()));
  const std::optional<std::string> saved = dir_.Read(u"Brackwen.ini");
  ASSERT_TRUE(saved);
  EXPECT_TRUE(saved->starts_with(text));  // untouched, and nothing added to it
  EXPECT_EQ(saved->find("ENTITY"), std::string::npos);
}

TEST_F(SettingsFileTest, SaveRefusesAMissingFolderAndWritesNothing) {
  clsQuillmere q;
  EXPECT_FALSE(q.SaveValue(dir_ / u"missing\\Brackwen.ini"));
  EXPECT_FALSE(dir_.Exists(u"missing"));
  EXPECT_EQ(dir_.CountEntries(), 0);
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheFileExactlyAsItWas) {
  const std::string before = "[HTML]\r\nHR=1\r\n  odd   =  spacing \r\n";
  dir_.Write(u"Brackwen.ini", before);
  dir_.SetReadOnly(u"Brackwen.ini", true);
  clsQuillmere q;
  q.SetValue(u"HR", u"0");
  EXPECT_FALSE(q.SaveValue(Ini()));
  EXPECT_EQ(dir_.Read(u"Brackwen.ini"), before);
  EXPECT_EQ(dir_.CountEntries(), 1);
}

TEST_F(SettingsFileTest, SaveOntoAFolderFails) {
  dir_.MakeFolder(u"Brackwen.ini");
  EXPECT_FALSE(clsQuillmere().SaveValue(Ini()));
  EXPECT_EQ(dir_.CountEntries(), 1);
}

// A literal with NULs inside, as bytes (without the terminating NUL).
template <std::size_t N>
std::string Raw(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// Hand-edited junk: no crash; what the profile reader makes of it is read,
// and a save afterwards gives a file that reads back the same.
TEST_F(SettingsFileTest, JunkFilesLoadAndSaveSafely) {
  const std::string cases[] = {
      Raw("\0\x01\xFF\xFE\x00[HR]\0NUM=3\r\n\x81"),
      "[HR]\r\nNUM=" + std::string(100000, '9') + "\r\n",
      std::string(200000, 'a') + "\r\n[HR]\r\nNUM=4",
      "[HR]\r\nNUM=6\r\n[HR]\r\nNUM=9\r\n[html]\r\nBR\r\nBR=0\r\n",
      "[GENERAL]\r\nENTER\r\n=1\r\nA_LINK_TAG_TYPE = 2 \r\n",
      std::string("\xFF\xFE[\0H\0R\0]\0\r\0\n\0N\0U\0M\0=\0"
                  "8\0",
                  24),
  };
  for (const std::string& bytes : cases) {
    dir_.Write(u"Brackwen.ini", bytes);
    clsQuillmere first;
    try {
      ASSERT_TRUE(first.Initialize(Ini()));
    } catch (const engine::OverflowError&) {
      continue;  // refused with a clear error: fine
    }
    ASSERT_TRUE(first.SaveValue(Ini()));
    clsQuillmere second;
    ASSERT_TRUE(second.Initialize(Ini()));
    EXPECT_EQ(AllValues(second), AllValues(first));
  }
}

TEST_F(SettingsFileTest, JunkValuesReadAsTheProfileFunctionsReadThem) {
  dir_.Write(u"Brackwen.ini",
             "[HR]\r\nNUM=\xFF\xFF\r\n[HTML]\r\nBR=  7junk\r\nP=0x1F\r\nIMG=-0\r\n");
  clsQuillmere q;
  ASSERT_TRUE(q.Initialize(Ini()));
  EXPECT_EQ(Show(q.GetValue(u"HR_NUM")), "0");
  EXPECT_EQ(Show(q.GetValue(u"BR")), "7");
  EXPECT_EQ(Show(q.GetValue(u"P")), "31");
  EXPECT_EQ(Show(q.GetValue(u"IMG")), "0");
}

}  // namespace
