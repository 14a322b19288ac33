#include "mainwindow/text_file.h"

#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "platform/ansi_normal_form.h"
#include "platform/codepage.h"

std::u16string DecodeTextBytes(std::string bytes) {
  // Cutting the bytes at the first NUL gives the same text as cutting the
  // decoded text: a NUL byte never forms part of a double-byte character.
  auto nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return platform::DecodeAnsi(bytes);
}

std::u16string ReadTextFile(const std::u16string& path) {
  if (path.empty() || !platform::SearchFinds(path, platform::SearchFor::kFiles)) return u"";
  try {
    std::optional<std::string> bytes = platform::ReadWholeFile(path);
    return bytes ? DecodeTextBytes(std::move(*bytes)) : u"";
  } catch (const std::bad_alloc&) {
    return u"";
  }
}

platform::WriteError WriteTextFile(const std::u16string& path, const std::u16string& text) {
  std::string bytes = platform::EncodeAnsi(text);
  bytes += "\r\n";
  return platform::ReplaceFileContents(path, bytes);
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

namespace {

class AnsiCodec final : public clsQuillmere::ByteCodec {
 public:
  bool IsLeadByte(unsigned char byte) const override { return platform::IsAnsiLeadByte(byte); }
  std::string Encode(std::u16string_view text) const override { return platform::EncodeAnsi(text); }
};

// Long tags go to a scratch file, made when the first one comes.
class ScratchOverflow final : public clsQuillmere::Overflow {
 public:
  bool Append(std::string_view bytes) override {
    if (!file_ && !(file_ = platform::ScratchFile::Create())) return false;
    return file_->Append(bytes);
  }
  bool ReadAll(const std::function<bool(std::string_view)>& take) override {
    return !file_ || file_->ReadAll(take);
  }
  void Clear() override {
    if (file_) file_->Clear();
  }

 private:
  std::unique_ptr<platform::ScratchFile> file_;
};

// Converts whole characters at a time, the last time with the end of the
// text. The bytes are worked on directly where the code page allows it (the
// normal form keeps the output byte for byte what the text conversion
// gives), else decoded, converted as text and encoded.
class PieceConverter {
 public:
  PieceConverter(const clsQuillmere& converter, const std::function<bool(std::string_view)>& write)
      : normal_(platform::AnsiNormalForm::System()), write_(write) {
    if (normal_)
      bytes_.emplace(converter, codec_, &overflow_);
    else
      text_.emplace(converter);
  }

  bool Convert(std::string_view piece, bool last) {
    output_.clear();
    if (normal_) {
      bytes_->Feed(normal_->Normalize(piece, scratch_), output_);
      if (last) {
        bytes_->Finish(output_, [this](std::string& out) {
          failed_ = failed_ || !write_(out);
          out.clear();
        });
        output_ += "\r\n";
      }
    } else {
      std::u16string converted;
      text_->Feed(platform::DecodeAnsi(piece), converted);
      if (last) text_->Finish(converted), converted += u"\r\n";
      output_ = platform::EncodeAnsi(converted);
    }
    failed_ = failed_ || !write_(output_);
    return !failed_;
  }

 private:
  const platform::AnsiNormalForm* normal_;
  const std::function<bool(std::string_view)>& write_;
  AnsiCodec codec_;
  ScratchOverflow overflow_;
  std::optional<clsQuillmere::ByteSession> bytes_;
  std::optional<clsQuillmere::Session> text_;
  std::string scratch_;
  std::string output_;
  bool failed_ = false;
};

}  // namespace

bool ConvertPieces(const clsQuillmere& converter,
                   const std::function<std::ptrdiff_t(char*, std::size_t)>& read,
                   const std::function<bool(std::string_view)>& write) try {
  // A lead byte at the end of a piece waits for its trail byte in the next one.
  constexpr std::size_t kPiece = 1 << 20;
  std::string bytes(kPiece + 1, '\0');
  std::size_t held = 0;  // a lead byte carried over from the previous piece
  PieceConverter pieces(converter, write);
  bool at_nul = false;
  while (!at_nul) {
    std::ptrdiff_t n = read(bytes.data() + held, kPiece);
    if (n < 0) return false;
    if (n == 0) break;
    std::size_t size = held + static_cast<std::size_t>(n);
    if (const void* nul = std::memchr(bytes.data() + held, 0, static_cast<std::size_t>(n))) {
      size = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data());
      at_nul = true;
    }
    // Whole characters only, unless the text ends here. Any byte that is no
    // lead byte ends a character, so only the lead-byte run at the end needs
    // pairing up from there.
    auto lead = [&](std::size_t i) {
      return platform::IsAnsiLeadByte(static_cast<unsigned char>(bytes[i]));
    };
    std::size_t whole = size;
    while (whole > 0 && lead(whole - 1)) --whole;
    while (whole < size) {
      if (whole + 1 == size) {
        if (at_nul) ++whole;
        break;
      }
      whole += 2;
    }
    if (!pieces.Convert(std::string_view(bytes.data(), whole), false)) return false;
    held = size - whole;
    if (held) bytes[0] = bytes[whole];
  }
  return pieces.Convert(std::string_view(bytes.data(), held), true);
} catch (const std::runtime_error&) {
  return false;  // scratch data kept for a long tag could not be read back
}
