#include "mainwindow/piece_conversion.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ansi_normal_form.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace {

constexpr std::size_t kPiece = 1 << 20;

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

// Whole characters of input, in normal form where the code page has one:
// the first `length` of `bytes`. The buffer keeps its size from piece to
// piece, so that it is not filled again each time.
struct Piece {
  std::string bytes;
  std::size_t length = 0;
  bool last = false;          // the text ends with this piece
  bool failed = false;        // reading failed; no more pieces come
  std::exception_ptr thrown;  // ... because of this
};

// Hands pieces from the reading thread to the converting one, two at most
// in waiting, and their buffers back for reuse.
class PieceQueue {
 public:
  // False when the converting side has stopped taking pieces.
  bool Push(Piece piece) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || pieces_.size() < 2; });
    if (closed_) return false;
    pieces_.push_back(std::move(piece));
    changed_.notify_all();
    return true;
  }
  Piece Pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !pieces_.empty(); });
    Piece piece = std::move(pieces_.front());
    pieces_.pop_front();
    changed_.notify_all();
    return piece;
  }
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }
  void GiveBack(std::string buffer) {
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(buffer));
  }
  std::string TakeBuffer() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return std::string();
    std::string buffer = std::move(free_.back());
    free_.pop_back();
    return buffer;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> pieces_;
  std::vector<std::string> free_;
  bool closed_ = false;
};

// The reading side: reads, cuts at the first NUL and after the last whole
// character, and puts the bytes in normal form.
class PieceReader {
 public:
  PieceReader(const std::function<std::ptrdiff_t(char*, std::size_t)>& read,
              const platform::AnsiNormalForm* normal)
      : read_(read), normal_(normal) {}

  // The next piece, in `buffer` (a used one, or empty).
  Piece Next(std::string buffer) {
    Piece piece;
    piece.bytes = std::move(buffer);
    std::string& bytes = piece.bytes;
    if (bytes.size() < want_ + 1) bytes.resize(want_ + 1);
    if (holding_) bytes[0] = held_;
    const std::size_t start = holding_ ? 1 : 0;
    const std::ptrdiff_t n = at_nul_ ? 0 : read_(bytes.data() + start, want_);
    if (n < 0) {
      piece.failed = true;
      return piece;
    }
    if (n == static_cast<std::ptrdiff_t>(want_)) want_ = std::min(want_ * 2, kPiece);
    std::size_t size = start + static_cast<std::size_t>(n);
    if (const void* nul = std::memchr(bytes.data() + start, 0, static_cast<std::size_t>(n))) {
      size = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data());
      at_nul_ = true;
    }
    piece.last = n == 0;
    // Whole characters only, unless the text ends here. Any byte that is no
    // lead byte ends a character, so only the lead-byte run at the end needs
    // pairing up from there.
    std::size_t whole = size;
    if (!piece.last) {
      auto lead = [&](std::size_t i) {
        return platform::IsAnsiLeadByte(static_cast<unsigned char>(bytes[i]));
      };
      while (whole > 0 && lead(whole - 1)) --whole;
      while (whole + 1 < size) whole += 2;
    }
    holding_ = whole < size;
    if (holding_) held_ = bytes[whole];
    piece.length = whole;
    if (normal_) {
      const std::string_view form =
          normal_->Normalize(std::string_view(bytes.data(), whole), scratch_);
      if (form.data() != bytes.data()) {
        bytes.swap(scratch_);
        piece.length = bytes.size();
      }
    }
    return piece;
  }

  // On a second thread: the pieces that follow, until the last, a failure,
  // or the converting side stops.
  void ReadAhead(PieceQueue& queue) {
    Piece failure;
    failure.failed = true;
    try {
      for (;;) {
        Piece piece = Next(queue.TakeBuffer());
        const bool end = piece.last || piece.failed;
        if (!queue.Push(std::move(piece)) || end) return;
      }
    } catch (...) {
      failure.thrown = std::current_exception();
    }
    queue.Push(std::move(failure));
  }

 private:
  const std::function<std::ptrdiff_t(char*, std::size_t)>& read_;
  const platform::AnsiNormalForm* normal_;
  std::string scratch_;
  // Pieces of 64 KiB to start with, growing to 1 MiB while the reads fill
  // them: a small file or a slow reader needs no large buffer.
  std::size_t want_ = kPiece / 16;
  char held_ = 0;  // a lead byte waiting for its trail byte in the next piece
  bool holding_ = false;
  bool at_nul_ = false;
};

// The converting side: one session over all the pieces. The bytes are
// worked on directly where the code page allows it (the normal form keeps
// the output byte for byte what the text conversion gives), else decoded,
// converted as text and encoded.
class PieceConverter {
 public:
  PieceConverter(const clsQuillmere& converter, const platform::AnsiNormalForm* normal,
                 const std::function<bool(std::string_view)>& write)
      : write_(write) {
    if (normal)
      bytes_.emplace(converter, codec_, &overflow_);
    else
      text_.emplace(converter);
  }

  bool Convert(std::string_view piece, bool last) {
    output_.clear();
    if (bytes_) {
      bytes_->Feed(piece, output_);
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
  const std::function<bool(std::string_view)>& write_;
  AnsiCodec codec_;
  ScratchOverflow overflow_;
  std::optional<clsQuillmere::ByteSession> bytes_;
  std::optional<clsQuillmere::Session> text_;
  std::string output_;
  bool failed_ = false;
};

}  // namespace

bool ConvertPieces(const clsQuillmere& converter,
                   const std::function<std::ptrdiff_t(char*, std::size_t)>& read,
                   const std::function<bool(std::string_view)>& write, bool as_text) try {
  const platform::AnsiNormalForm* normal = as_text ? nullptr : platform::AnsiNormalForm::System();
  PieceConverter pieces(converter, normal, write);
  PieceReader reader(read, normal);
  // The first 256 KiB on this thread alone: most files end there, and need
  // no second one.
  std::string buffer;
  for (std::size_t done = 0; done < (kPiece >> 2);) {
    Piece piece = reader.Next(std::move(buffer));
    if (piece.failed) return false;
    const std::string_view text(piece.bytes.data(), piece.length);
    if (!pieces.Convert(text, piece.last)) return false;
    if (piece.last) return true;
    done += text.size();
    buffer = std::move(piece.bytes);
  }

  PieceQueue queue;
  queue.GiveBack(std::move(buffer));
  std::thread ahead(&PieceReader::ReadAhead, &reader, std::ref(queue));
  std::exception_ptr thrown;
  bool ok = false;
  try {
    for (;;) {
      Piece piece = queue.Pop();
      if (piece.failed) {
        thrown = piece.thrown;
        break;
      }
      if (!pieces.Convert(std::string_view(piece.bytes.data(), piece.length), piece.last)) break;
      if (piece.last) {
        ok = true;
        break;
      }
      queue.GiveBack(std::move(piece.bytes));
    }
  } catch (const std::runtime_error&) {
    // Scratch data kept for a long tag could not be read back.
  } catch (...) {
    thrown = std::current_exception();
  }
  queue.Close();
  ahead.join();
  if (thrown) std::rethrow_exception(thrown);
  return ok;
} catch (const std::runtime_error&) {
  return false;  // scratch data kept for a long tag could not be read back
}
