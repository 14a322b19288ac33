// quillmere: the batch converter's entry point. Arguments arrive as UTF-16
// (wmain) on Windows and as UTF-8 elsewhere; standard input and output carry
// raw bytes.
#include <iostream>
#include <new>
#include <sstream>

#include "cli/batch.h"
#include "cli/exit_codes.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::u16string DefaultIni() {
  std::u16string folder = platform::ProgramFolder();
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  return folder + u"Brackwen.ini";
}

// Messages are UTF-8; a Windows console gets them as UTF-16 so that the
// Japanese shows whatever the console's code page.
void WriteMessages(const std::string& text) {
  if (text.empty()) return;
#ifdef _WIN32
  HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode;
  if (GetConsoleMode(console, &mode)) {
    std::u16string wide = platform::DecodeUtf8(text);
    DWORD written;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::cerr << text << std::flush;
}

// Messages go out as they are flushed.
class MessageBuffer : public std::stringbuf {
 protected:
  int sync() override {
    WriteMessages(str());
    str(std::string());
    return 0;
  }
};

bool MessagesOnTerminal() {
#ifdef _WIN32
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

int Run(std::vector<std::u16string> args) {
  std::ios::sync_with_stdio(false);
  MessageBuffer messages;
  std::ostream err(&messages);
  int code;
  try {
    code = cli::RunBatch(args, DefaultIni(), std::cin, std::cout, err, MessagesOnTerminal());
  } catch (const std::bad_alloc&) {  // the output is left as it was
    err << "quillmere: メモリが足りないため、変換できませんでした。\n";
    code = cli::kFiles;
  }
  std::cout.flush();
  err.flush();
  return code;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i], argv[i] + wcslen(argv[i]));
  return Run(std::move(args));
}
#else
#include <csignal>

int main(int argc, char** argv) {
  // A file-size limit ends a write with an error (reported, the old output
  // kept) rather than the signal's default of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::DecodeUtf8(argv[i]));
  return Run(std::move(args));
}
#endif
