// The About box, created for real and driven with real keys, and the version
// record that it reads, read back from the built Sanvelle.exe.
#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "dialogs/frmAbout.h"
#include "mainwindow/Form1.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_driver.h"

namespace {

using testing_support::PressKey;
using testing_support::PumpMessages;
using testing_support::Show;
using testing_support::WindowText;

class AboutTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(main_.Create());
    main_.Show();
  }
  std::unique_ptr<frmAbout> Open() {
    auto box = std::make_unique<frmAbout>(main_.hwnd());
    EXPECT_TRUE(box->Create(main_.hwnd()));
    box->Show();
    PumpMessages(box->hwnd());
    return box;
  }
  std::string Contents(frmAbout& box) {
    std::string all = Show(WindowText(box.hwnd()));
    for (auto name : {u"lblTitle", u"lblVersion", u"Label1", u"lblDisclaimer", u"cmdOK"})
      all += "|" + Show(box.Text(name));
    return all;
  }
  Form1 main_;
};

TEST_F(AboutTest, ShowsTitleVersionAndTheMainWindowsIcon) {
  auto box = Open();
  // "のﾊﾞｰｼﾞｮﾝ情報" in half-width katakana, with no blank after the title.
  EXPECT_EQ(Show(WindowText(box->hwnd())),
            Show(u"Sanvelleの\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D情報"));
  EXPECT_EQ(Show(box->Text(u"lblVersion")), "Version 1.1.0");
  EXPECT_EQ(Show(box->Text(u"lblTitle")), "Sanvelle");
  EXPECT_EQ(SendMessageW(box->hwnd(), WM_GETICON, ICON_BIG, 0),
            SendMessageW(main_.hwnd(), WM_GETICON, ICON_BIG, 0));
  EXPECT_NE(SendMessageW(box->Control(u"picIcon"), STM_GETICON, 0, 0), 0);
  EXPECT_EQ(GetFocus(), box->Control(u"cmdOK"));
}

// The rights notice is one line in the box's own font, within its label.
TEST_F(AboutTest, TheRightsNoticeFitsItsLabelInTheBoxsFont) {
  auto box = Open();
  HWND notice = box->Control(u"Label1");
  const auto font = reinterpret_cast<HFONT>(SendMessageW(notice, WM_GETFONT, 0, 0));
  EXPECT_EQ(font,
            reinterpret_cast<HFONT>(SendMessageW(box->Control(u"lblVersion"), WM_GETFONT, 0, 0)));
  const std::wstring text = [&] {
    const std::u16string t = box->Text(u"Label1");
    return std::wstring(t.begin(), t.end());
  }();
  HDC dc = GetDC(notice);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(notice, dc);
  RECT r;
  GetClientRect(notice, &r);
  EXPECT_LE(extent.cx, r.right) << Show(box->Text(u"Label1"));
  EXPECT_LE(extent.cy, r.bottom);
}

TEST_F(AboutTest, IsAFixedDialogAtItsOwnPlaceWithoutTaskbarButton) {
  auto box = Open();
  HWND h = box->hwnd();
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 382);
  EXPECT_EQ(client.bottom, 165);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  EXPECT_EQ(origin.x, 156);
  EXPECT_EQ(origin.y, 129);
  LONG style = GetWindowLongW(h, GWL_STYLE), ex_style = GetWindowLongW(h, GWL_EXSTYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(ex_style & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(ex_style & WS_EX_APPWINDOW);
  EXPECT_EQ(GetWindow(h, GW_OWNER), main_.hwnd());  // owned: no taskbar button
  RECT r;
  GetWindowRect(box->Control(u"picIcon"), &r);
  MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 16);
  EXPECT_EQ(r.top, 16);
  EXPECT_EQ(r.right - r.left, 36);  // 32 x 32 inside its sunken border
  EXPECT_EQ(r.bottom - r.top, 36);
  // Wherever the main window stands.
  SetWindowPos(main_.hwnd(), nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  auto second = Open();
  origin = {0, 0};
  ClientToScreen(second->hwnd(), &origin);
  EXPECT_EQ(origin.x, 156);
  EXPECT_EQ(origin.y, 129);
}

TEST_F(AboutTest, EnterAndEscapeCloseItAndEveryOpeningLooksTheSame) {
  auto first = Open();
  const std::string contents = Contents(*first);
  SetFocus(first->Control(u"cmdOK"));
  PressKey(first->hwnd(), VK_RETURN);
  EXPECT_FALSE(IsWindow(first->hwnd()));
  auto second = Open();
  EXPECT_EQ(Contents(*second), contents);
  PressKey(second->hwnd(), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(second->hwnd()));
  auto third = Open();
  SendMessageW(third->Control(u"cmdOK"), BM_CLICK, 0, 0);
  PumpMessages(third->hwnd());
  EXPECT_FALSE(IsWindow(third->hwnd()));
}

TEST_F(AboutTest, HelpAboutOpensItModally) {
  const testing_support::ModalSeen s = testing_support::RunModalCommand(
      main_.hwnd(), main_.MenuCommand(u"mnuAbout"), u"Sanvelleの");  // Help > About
  EXPECT_TRUE(s.opened);
  EXPECT_FALSE(s.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(main_.hwnd()));
}

// However the box closes, the main window is the active window again, also
// with another program's window on the screen.
TEST_F(AboutTest, EveryWayOfClosingLeavesTheMainWindowActive) {
  testing_support::OtherProgramWindow other;
  using namespace testing_support;
  for (const CloseWay& way : {kClickOk, kPressEnter, kPressEscape, kCloseBox}) {
    const AfterClosing after =
        RunAndClose(main_.hwnd(), main_.MenuCommand(u"mnuAbout"), u"Sanvelleの", way);
    EXPECT_TRUE(after.opened) << way.name;
    EXPECT_EQ(after.foreground, main_.hwnd()) << way.name;
    EXPECT_EQ(after.active, main_.hwnd()) << way.name;
  }
}

// Installed far down a folder tree (the manifest declares long paths), the
// program still finds its own version record. A copy of this program lies
// there, and the loader's record of the running program's file names it, as
// it would for a program started from there (Wine starts none from a path
// that long).
TEST_F(AboutTest, ShowsTheVersionAlsoFromALongInstallationPath) {
  testing_support::TempDir dir;
  std::u16string relative;
  for (int i = 0; i < 6; ++i) {
    relative += (i ? u"\\" : u"") + std::u16string(200, static_cast<char16_t>(u'a' + i));
    dir.MakeFolder(relative);
  }
  const std::u16string program = dir / (relative + u"\\Sanvelle.exe");
  ASSERT_GT(program.size(), 1100u);
  std::wstring wide(program.begin(), program.end());
  ASSERT_TRUE(CopyFileW(testing_support::ThisProgram().c_str(), wide.c_str(), FALSE));
  auto* entry = [] {
    using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION process{};
    query(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr);
    const PEB_LDR_DATA* loader = process.PebBaseAddress->Ldr;
    const LIST_ENTRY* head = &loader->InMemoryOrderModuleList;
    for (LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
      auto* module = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
      if (module->DllBase == GetModuleHandleW(nullptr)) return module;
    }
    return static_cast<LDR_DATA_TABLE_ENTRY*>(nullptr);
  }();
  ASSERT_NE(entry, nullptr);
  const UNICODE_STRING saved = entry->FullDllName;
  entry->FullDllName.Buffer = wide.data();
  entry->FullDllName.Length = static_cast<USHORT>(wide.size() * 2);
  entry->FullDllName.MaximumLength = static_cast<USHORT>(wide.size() * 2 + 2);
  auto box = Open();
  const std::string version = Show(box->Text(u"lblVersion"));
  entry->FullDllName = saved;
  EXPECT_EQ(version, "Version 1.1.0");
}

// The version record, parsed node by node so that the order of its string
// entries shows too.
struct Node {
  std::u16string key;
  std::vector<char> value;
  std::vector<Node> children;
};

std::size_t Align4(std::size_t n) {
  return (n + 3) & ~std::size_t{3};
}

Node ParseNode(const char* data, std::size_t size) {
  Node node;
  auto word = [&](std::size_t at) { return *reinterpret_cast<const WORD*>(data + at); };
  const std::size_t length = std::min<std::size_t>(word(0), size);
  const std::size_t value_length = word(2), type = word(4);
  std::size_t at = 6;
  while (at + 1 < length && word(at) != 0)
    node.key.push_back(static_cast<char16_t>(word(at))), at += 2;
  at = Align4(at + 2);
  const std::size_t value_bytes = type == 1 ? value_length * 2 : value_length;
  if (value_bytes && at + value_bytes <= length)
    node.value.assign(data + at, data + at + value_bytes);
  at = Align4(at + value_bytes);
  while (at + 6 <= length) {
    std::size_t child_length = word(at);
    if (child_length == 0) break;
    node.children.push_back(ParseNode(data + at, length - at));
    at = Align4(at + child_length);
  }
  return node;
}

std::u16string AsText(const std::vector<char>& value) {
  std::u16string text(value.size() / 2, u'\0');
  std::memcpy(text.data(), value.data(), text.size() * 2);
  return text.substr(0, text.find(u'\0'));
}

TEST(VersionRecord, ReadsBackExactlyFromSanvelleExe) {
  const wchar_t* path = QUILLMERE_SANVELLE_EXE;
  DWORD ignored = 0, size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  Node root = ParseNode(data.data(), data.size());
  EXPECT_EQ(Show(root.key), "VS_VERSION_INFO");
  const Node* strings = nullptr;
  const Node* translation = nullptr;
  for (const Node& child : root.children) {
    if (child.key == u"StringFileInfo" && !child.children.empty()) strings = &child.children[0];
    if (child.key == u"VarFileInfo" && !child.children.empty()) translation = &child.children[0];
  }
  ASSERT_NE(strings, nullptr);
  EXPECT_EQ(Show(strings->key), "041104B0");
  const std::u16string description = u"HTMLファイルをテキストファイルに変換するソフトです";
  const std::pair<std::u16string, std::u16string> expected[] = {
      {u"Comments", description},
      {u"CompanyName", u""},
      {u"FileDescription", description},
      {u"LegalCopyright", u""},
      {u"ProductName", u"Quillmere"},
      {u"FileVersion", u"1.01"},
      {u"ProductVersion", u"1.01"},
      {u"InternalName", u"Sanvelle"},
      {u"OriginalFilename", u"Sanvelle.exe"},
  };
  ASSERT_EQ(strings->children.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(Show(strings->children[i].key), Show(expected[i].first));
    std::u16string value = AsText(strings->children[i].value);
    if (expected[i].second.empty()) {
      EXPECT_FALSE(value.empty()) << Show(expected[i].first);  // ours to choose, but present
    } else {
      EXPECT_EQ(Show(value), Show(expected[i].second));
    }
  }
  ASSERT_NE(translation, nullptr);
  EXPECT_EQ(Show(translation->key), "Translation");
  ASSERT_EQ(translation->value.size(), 4u);
  EXPECT_EQ(*reinterpret_cast<const WORD*>(translation->value.data()), 0x0411);
  EXPECT_EQ(*reinterpret_cast<const WORD*>(translation->value.data() + 2), 0x04B0);
}

// Every resource of the program (icons, manifest, version record) is stored
// in Japanese, the language the program is written in.
TEST(Resources, EveryResourceIsStoredInJapanese) {
  HMODULE program = LoadLibraryExW(QUILLMERE_SANVELLE_EXE, nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  struct Found {
    int resources = 0;
    std::vector<WORD> languages;
  } found;
  EnumResourceTypesW(
      program,
      [](HMODULE module, LPWSTR type, LONG_PTR found_types) -> BOOL {
        EnumResourceNamesW(
            module, type,
            [](HMODULE m, LPCWSTR t, LPWSTR name, LONG_PTR found_names) -> BOOL {
              EnumResourceLanguagesW(
                  m, t, name,
                  [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR f) -> BOOL {
                    reinterpret_cast<Found*>(f)->languages.push_back(language);
                    return TRUE;
                  },
                  found_names);
              ++reinterpret_cast<Found*>(found_names)->resources;
              return TRUE;
            },
            found_types);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&found));
  FreeLibrary(program);
  EXPECT_EQ(found.resources, 6);  // three icon images, the icon group, manifest, version
  ASSERT_EQ(found.languages.size(), 6u);
  for (const WORD language : found.languages) EXPECT_EQ(language, 0x0411);
}

}  // namespace
