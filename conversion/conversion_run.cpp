#include "conversion/conversion_run.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>

#include "conversion/saved_page.h"

namespace conversion {
namespace {

using platform::Encoding;
using Status = RunResult::Status;

// The charset of a saved page's part, as a browser takes a transport's:
// after a byte-order mark, ahead of a declaration.
InputEncoding TransportInputEncoding(Encoding charset, std::string_view head) {
  const InputEncoding decided = DecideInputEncoding(head, false);
  if (decided.why == InputEncoding::Why::kByteOrderMark) return decided;
  return {charset, InputEncoding::Why::kSavedPage, 0};
}

}  // namespace

std::pair<Encoding, bool> OutputEncodingFor(OutputChoice choice, const InputEncoding& input) {
  switch (choice) {
    case OutputChoice::kAnsi:
      return {Encoding::kAnsi, false};
    case OutputChoice::kShiftJis:
      return {Encoding::kShiftJis, false};
    case OutputChoice::kUtf8:
      return {Encoding::kUtf8, false};
    case OutputChoice::kUtf8WithMark:
      return {Encoding::kUtf8, true};
    case OutputChoice::kUtf16Le:
      return {Encoding::kUtf16Le, true};
    case OutputChoice::kSame:
      break;
  }
  switch (input.encoding) {
    case Encoding::kUtf8:
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      return {Encoding::kUtf8, input.mark != 0};
    default:
      return {Encoding::kAnsi, false};
  }
}

namespace {

// The conversion, once it is known whether the input is a saved page:
// `transport` the charset a saved page's part names.
RunResult ConvertDecided(const clsQuillmere& converter, const Reader& read, const Writer& write,
                         const RunOptions& options, bool maybe_saved_page,
                         std::optional<Encoding> transport) {
  RunResult result;
  // The start of the input decides its encoding; the conversion then reads
  // it again from there. One byte more tells whether the start is all.
  std::string head(kContentReach + 1, '\0');
  std::size_t got = 0;
  while (got < head.size()) {
    const std::ptrdiff_t n = read(head.data() + got, head.size() - got);
    if (n < 0) {
      result.status = Status::kUnreadable;
      return result;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  head.resize(got);
  std::size_t served = 0;
  const Reader from_head = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
    if (served == head.size()) return read(buffer, size);
    const std::size_t n = std::min(size, head.size() - served);
    std::memcpy(buffer, head.data() + served, n);
    served += n;
    return static_cast<std::ptrdiff_t>(n);
  };
  if (maybe_saved_page && (options.saved_page || LooksLikeMessage(head))) {
    SavedPageReader page(from_head);
    if (!page.Open()) {
      using Problem = SavedPageReader::Problem;
      result.status = page.problem() == Problem::kUnreadable ? Status::kUnreadable
                      : page.problem() == Problem::kNoPage   ? Status::kNoPage
                                                             : Status::kNotSavedPage;
      return result;
    }
    std::optional<Encoding> charset;
    if (const std::string_view name = EncodingNameOfLabel(page.charset()); !name.empty())
      charset = SupportedEncoding(name);
    RunOptions part = options;
    part.file = nullptr;  // (the part is read as it is decoded from the message)
    return ConvertDecided(
        converter, [&](char* buffer, std::size_t size) { return page.Read(buffer, size); }, write,
        part, false, charset);
  }
  const std::string_view start = std::string_view(head).substr(0, kContentReach);
  result.input = options.input ? ChosenInputEncoding(*options.input, start)
                 : transport   ? TransportInputEncoding(*transport, start)
                               : DecideInputEncoding(start, got <= kContentReach);
  std::tie(result.output, result.output_mark) = OutputEncodingFor(options.output, result.input);
  served = result.input.mark;
  bool write_failed = false;
  const Writer checked = [&](std::string_view bytes) {
    write_failed = write_failed || !write(bytes);
    return !write_failed;
  };
  if (result.output_mark) checked(ByteOrderMark(result.output));
  // Read again, the text begins after any byte-order mark, the start from
  // memory.
  Rewind rewind;
  if (options.file != nullptr) {
    rewind = [&] {
      served = result.input.mark;
      return options.file->Seek(head.size());
    };
  }
  const bool ok = !write_failed && ConvertPieces(converter, from_head, checked,
                                                 {result.input.encoding, result.output, false},
                                                 &result.lost, rewind);
  if (!ok) {
    result.status = write_failed ? Status::kUnwritable : Status::kUnreadable;
    if (write_failed) result.write_error = platform::WriteError::kOther;
  }
  return result;
}

}  // namespace

RunResult ConvertStream(const clsQuillmere& converter, const Reader& read, const Writer& write,
                        const RunOptions& options) {
  return ConvertDecided(converter, read, write, options, true, std::nullopt);
}

RunResult ConvertToReplacement(const clsQuillmere& converter, const Reader& read,
                               const std::u16string& output, const RunOptions& options,
                               std::unique_ptr<platform::ReplacementFile>& replacement) {
  RunResult result;
  std::unique_ptr<platform::ReplacementFile> target =
      platform::ReplacementFile::Create(output, result.write_error);
  if (!target) {
    result.status = Status::kUnwritable;
    return result;
  }
  result = ConvertStream(
      converter, read, [&](std::string_view bytes) { return target->Write(bytes); }, options);
  if (result.status == Status::kUnwritable) {
    // The write's own error, which the commit reports (and the old file stays).
    result.write_error = target->Commit();
    if (result.write_error == platform::WriteError::kNone)
      result.write_error = platform::WriteError::kOther;
  } else if (result.status == Status::kConverted) {
    replacement = std::move(target);
  }
  return result;
}

RunResult ConvertToFile(const clsQuillmere& converter, const Reader& read,
                        const std::u16string& output, const RunOptions& options) {
  std::unique_ptr<platform::ReplacementFile> replacement;
  RunResult result = ConvertToReplacement(converter, read, output, options, replacement);
  if (!replacement) return result;  // the old file stays
  result.write_error = replacement->Commit();
  if (result.write_error != platform::WriteError::kNone) result.status = Status::kUnwritable;
  return result;
}

std::u16string DescribeWriteError(platform::WriteError error) {
  using platform::WriteError;
  switch (error) {
    case WriteError::kIsDirectory:
      return u"出力先はフォルダーです。";
    case WriteError::kReadOnly:
      return u"出力先のファイルは読み取り専用です。";
    case WriteError::kAccessDenied:
      return u"出力先に書き込む権限がありません。";
    case WriteError::kDiskFull:
      return u"ディスクの空き容量が足りません。";
    case WriteError::kNoFolder:
      return u"出力先のフォルダーがありません。";
    case WriteError::kOther:
    case WriteError::kNone:
      break;
  }
  return u"出力ファイルを書き込めませんでした。";
}

}  // namespace conversion
