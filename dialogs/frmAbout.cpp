#include "dialogs/frmAbout.h"

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "resources/frmAbout_definition.h"
#include "resources/resource_ids.h"

ProgramVersion ReadProgramVersion() {
  const std::u16string file = platform::ProgramFile();
  if (file.empty()) return {};
  const wchar_t* path = reinterpret_cast<const wchar_t*>(file.c_str());
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(path, 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
    return {};
  return {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
          HIWORD(fixed->dwFileVersionLS)};
}

frmAbout::frmAbout(HWND main_window)
    : forms::Form(resources::kFrmAbout), main_window_(main_window) {}

void frmAbout::Form_Load() {
  SetCaption(
      u"Sanvelle"
      u"のﾊﾞｰｼﾞｮﾝ情報");
  const ProgramVersion v = ReadProgramVersion();
  const std::wstring version = L"Version " + std::to_wstring(v.major) + L"." +
                               std::to_wstring(v.minor) + L"." + std::to_wstring(v.revision);
  SetText(u"lblVersion", std::u16string(version.begin(), version.end()));
  SetText(u"lblTitle", u"Sanvelle");
  if (main_window_) {
    for (WPARAM which : {ICON_BIG, ICON_SMALL}) {
      LRESULT icon = SendMessageW(main_window_, WM_GETICON, which, 0);
      if (icon) SendMessageW(hwnd(), WM_SETICON, which, icon);
    }
  }
  // The picture box shows the program icon's 32 x 32 image.
  const int size = GetSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(Dpi()));
  HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON,
                           size, size, LR_SHARED);
  if (icon) SendMessageW(Control(u"picIcon"), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void frmAbout::OnClick(std::u16string_view control) {
  if (control == u"cmdOK") cmdOK_Click();
}

void frmAbout::cmdOK_Click() {
  Unload();
}
