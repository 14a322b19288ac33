#include "dialogs/frmProgress.h"

#include <commctrl.h>

#include <system_error>

#include "conversion/file_list.h"
#include "conversion/file_messages.h"
#include "resources/frmProgress_definition.h"

namespace {

constexpr UINT kRunEnded = WM_APP + 1;
constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMilliseconds = 100;

}  // namespace

frmProgress::frmProgress(const clsQuillmere& converter, const conversion::FileList& list,
                         const conversion::ManyOptions& options)
    : forms::Form(resources::kFrmProgress), converter_(converter), list_(list), options_(options) {
  options_.stop = [this] { return stop_.load(); };
  latest_.files_total = list_.jobs.size() + list_.not_found.size();
}

frmProgress::~frmProgress() {
  StopAndWait();  // should the window go before the run has ended
}

void frmProgress::StopAndWait() {
  if (!worker_.joinable()) return;
  stop_ = true;
  worker_.join();
}

void frmProgress::Form_Load() {
  ShowProgress();
  SetTimer(hwnd(), kTimer, kTickMilliseconds, nullptr);
  HWND window = hwnd();
  try {
    worker_ = std::thread(&frmProgress::Run, this, window);
  } catch (const std::system_error&) {
    Run(window);  // no thread to be had: here, the window unshown meanwhile
  }
}

void frmProgress::Run(HWND window) {
  try {
    outcome_ = conversion::ConvertMany(converter_, list_, options_, *this);
  } catch (...) {
    error_ = std::current_exception();
  }
  PostMessageW(window, kRunEnded, 0, 0);
}

conversion::ManyOutcome frmProgress::Outcome() {
  StopAndWait();
  if (error_) std::rethrow_exception(error_);
  return outcome_;
}

void frmProgress::OnClick(std::u16string_view control) {
  if (control == u"Btn_Stop") Btn_Stop_Click();
}

// No new file starts; the window closes once those under way are abandoned.
void frmProgress::Btn_Stop_Click() {
  stop_ = true;
  EnableWindow(Control(u"Btn_Stop"), FALSE);
  SetText(u"lblCurrent", u"中止しています…");
}

LRESULT frmProgress::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kTimer) {
    ShowProgress();
    return 0;
  }
  if (message == kRunEnded) {
    KillTimer(hwnd(), kTimer);
    if (worker_.joinable()) worker_.join();
    ShowProgress();
    Unload();
    return 0;
  }
  return forms::Form::OnMessage(message, wparam, lparam);
}

void frmProgress::ShowProgress() {
  conversion::ManyProgress p;
  {
    std::lock_guard lock(mutex_);
    p = latest_;
  }
  SetText(u"lblFiles", conversion::CountText(p.files_done) + u" / " +
                           conversion::CountText(p.files_total) + u" ファイル");
  if (!stop_ && !p.current.empty()) SetText(u"lblCurrent", conversion::NameOf(p.current));
  // By bytes, which large files take long over; by files when they are empty.
  const double done = p.bytes_total > 0   ? static_cast<double>(p.bytes_done) / p.bytes_total
                      : p.files_total > 0 ? static_cast<double>(p.files_done) / p.files_total
                                          : 0;
  SendMessageW(Control(u"prgFiles"), PBM_SETPOS, static_cast<WPARAM>(done * 1000), 0);
}

void frmProgress::Failed(const std::u16string& message) {
  std::lock_guard lock(mutex_);
  if (failures_.size() < kFailuresKept) failures_.push_back(message);
}

void frmProgress::Progress(const conversion::ManyProgress& progress) {
  std::lock_guard lock(mutex_);
  latest_ = progress;
}
