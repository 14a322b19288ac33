// The progress window of a run over many files: shown modally while the run
// goes on worker threads, it tells files done of all, the file at hand and
// how far the bytes have got, and its "中止" button (Escape, the close box)
// stops the run as Ctrl+C stops the batch converter. It closes itself when
// the run has ended.
#pragma once

#include <atomic>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "conversion/many_files.h"
#include "platform/forms/form.h"

class frmProgress : public forms::Form, private conversion::ManyReport {
 public:
  // The run of `list` with the settings `converter` holds; all three stay
  // alive until the window is gone.
  frmProgress(const clsQuillmere& converter, const conversion::FileList& list,
              const conversion::ManyOptions& options);
  ~frmProgress() override;

  void Btn_Stop_Click();

  // Once it has closed: how the run ended (a run still going, should the
  // window have gone first, is stopped and waited for), and what the first
  // ten files that failed were told. What ended the run before it could
  // begin its threads (std::bad_alloc) is thrown here, on the window's thread.
  conversion::ManyOutcome Outcome();
  const std::vector<std::u16string>& FirstFailures() const { return failures_; }

  static constexpr std::size_t kFailuresKept = 10;

 protected:
  void Form_Load() override;
  void OnClick(std::u16string_view control) override;
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  // From the run's threads, one at a time.
  void Failed(const std::u16string& message) override;
  void Progress(const conversion::ManyProgress& progress) override;

  void Run(HWND window);
  void StopAndWait();
  void ShowProgress();

  const clsQuillmere& converter_;
  const conversion::FileList& list_;
  conversion::ManyOptions options_;
  std::atomic<bool> stop_{false};
  std::thread worker_;
  std::mutex mutex_;  // guards what the run tells
  conversion::ManyProgress latest_;
  std::vector<std::u16string> failures_;
  conversion::ManyOutcome outcome_;
  std::exception_ptr error_;  // what ended the run before its end
};
