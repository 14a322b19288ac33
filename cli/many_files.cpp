#include "cli/many_files.h"

#include <ostream>
#include <string>

#include "cli/exit_codes.h"
#include "cli/status_line.h"
#include "conversion/file_messages.h"
#include "platform/codepage.h"
#include "platform/interrupt.h"

namespace cli {
namespace {

std::string U8(std::u16string_view s) {
  return platform::EncodeUtf8(s);
}

// Lines on the terminal: each failure, characters lost unless quiet, and
// the status line redrawn in place.
class TerminalReport final : public conversion::ManyReport {
 public:
  TerminalReport(const ManyOptions& options, std::ostream& err) : options_(options), err_(err) {}

  void Failed(const std::u16string& message) override { Say("quillmere: " + U8(message)); }

  void CharactersLost(const std::u16string& input, std::size_t lost) override {
    if (!options_.quiet)
      Say("quillmere: " + U8(input) + ": " + U8(conversion::CharactersLost(lost)));
  }

  void Progress(const conversion::ManyProgress& progress) override {
    if (!options_.status_line || options_.quiet) return;
    cli::Progress p;
    p.files_done = progress.files_done;
    p.files_total = progress.files_total;
    p.bytes_done = progress.bytes_done;
    p.bytes_total = progress.bytes_total;
    p.seconds = progress.seconds;
    p.failed = progress.failed;
    const std::string text = StatusText(p);
    const std::size_t columns = Columns(text);
    err_ << '\r' << text
         << std::string(status_columns_ > columns ? status_columns_ - columns : 0, ' ')
         << std::flush;
    status_columns_ = columns;
  }

  // A line of its own, the status line out of its way (redrawn at the next
  // tick).
  void Say(const std::string& line) {
    ClearStatus();
    err_ << line << '\n' << std::flush;
  }

  void ClearStatus() {
    if (status_columns_ == 0) return;
    err_ << '\r' << std::string(status_columns_, ' ') << '\r';
    status_columns_ = 0;
  }

 private:
  const ManyOptions& options_;
  std::ostream& err_;
  std::size_t status_columns_ = 0;  // of the status line shown, 0 for none
};

}  // namespace

int ConvertMany(const clsQuillmere& converter, const conversion::FileList& list,
                const ManyOptions& options, std::ostream& err) {
  TerminalReport report(options, err);
  conversion::ManyOptions many;
  many.run = options.run;
  many.no_clobber = options.no_clobber;
  many.jobs = options.jobs;
  const conversion::ManyOutcome outcome = conversion::ConvertMany(converter, list, many, report);
  report.ClearStatus();
  if (!options.quiet || outcome.stopped) {
    std::string summary = "quillmere: ";
    if (outcome.stopped) summary += "中断しました。";
    summary += "変換 " + std::to_string(outcome.converted) + " 件、スキップ " +
               std::to_string(outcome.skipped) + " 件、失敗 " + std::to_string(outcome.failed) +
               " 件";
    if (outcome.stopped)
      summary +=
          "、中断 " +
          std::to_string(outcome.total - outcome.converted - outcome.skipped - outcome.failed) +
          " 件";
    report.Say(summary);
  }
  return outcome.stopped ? kStopped : outcome.failed > 0 ? kFiles : kSuccess;
}

}  // namespace cli
