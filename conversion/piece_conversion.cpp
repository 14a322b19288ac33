#include "conversion/piece_conversion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/errors.h"
#include "platform/ansi_normal_form.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "text/scan.h"

namespace conversion {
namespace {

using platform::Encoding;

constexpr std::size_t kPiece = 1 << 20;

// Whether `encoding` can write the character `c`.
bool Holds(Encoding encoding, char32_t c) {
  std::string bytes;
  return platform::EncodeAppend(encoding, platform::Utf16Of(c), bytes) == 0;
}

// The code page's bytes. What the conversion adds after its first labels (the
// characters that references stand for) counts towards the characters lost.
class AnsiCodec final : public clsQuillmere::ByteCodec {
 public:
  bool IsLeadByte(unsigned char byte) const override { return platform::IsAnsiLeadByte(byte); }
  std::string Encode(std::u16string_view text) const override {
    std::string bytes;
    lost_ += platform::EncodeAppend(Encoding::kAnsi, text, bytes);
    return bytes;
  }
  std::string EncodeUncounted(std::u16string_view text) const override {
    std::string bytes;
    platform::EncodeAppend(Encoding::kAnsi, text, bytes);
    return bytes;
  }
  bool Holds(char32_t c) const override { return conversion::Holds(Encoding::kAnsi, c); }
  std::size_t lost() const { return lost_; }
  void ForgetLost() { lost_ = 0; }

 private:
  mutable std::size_t lost_ = 0;
};

// No byte of a UTF-8 character other than ASCII is below 0x80. What the
// UTF-8 goes out as decides which characters the output can hold.
class Utf8Codec final : public clsQuillmere::ByteCodec {
 public:
  explicit Utf8Codec(Encoding output) : output_(output) {}
  bool IsLeadByte(unsigned char) const override { return false; }
  std::string Encode(std::u16string_view text) const override { return platform::EncodeUtf8(text); }
  bool Holds(char32_t c) const override { return conversion::Holds(output_, c); }

 private:
  const Encoding output_;
};

// What the conversion works on: code page bytes as they are, UTF-8 bytes as
// they are, or the UTF-8 of text decoded from any encoding.
enum class Form { kAnsiBytes, kUtf8Bytes, kDecoded };

bool IsAnsi(Encoding e) {
  return e == Encoding::kAnsi || (e == Encoding::kShiftJis && platform::AnsiIsShiftJis());
}

Form FormFor(const PieceEncodings& e) {
  if (e.through_utf8) return Form::kDecoded;
  if (IsAnsi(e.input) && IsAnsi(e.output) && platform::AnsiNormalForm::System())
    return Form::kAnsiBytes;
  return e.input == Encoding::kUtf8 ? Form::kUtf8Bytes : Form::kDecoded;
}

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

// Whole characters of input in the form the conversion works on: the first
// `length` of `bytes`. The buffer keeps its size from piece to piece, so
// that it is not filled again each time.
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
  // No more pieces come: the buffers kept for them go.
  void DropBuffers() {
    std::lock_guard lock(mutex_);
    free_.clear();
    free_.shrink_to_fit();
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

// A digest of the text handed on, whatever the pieces it came in, to tell
// that a second reading gave the same.
class Digest {
 public:
  void Add(std::string_view bytes) {
    size_ += bytes.size();
    if (held_ > 0) {
      const std::size_t n = std::min(bytes.size(), kBlock - held_);
      std::memcpy(pending_ + held_, bytes.data(), n);
      held_ += n;
      bytes.remove_prefix(n);
      if (held_ < kBlock) return;
      Block(pending_);
      held_ = 0;
    }
    for (; bytes.size() >= kBlock; bytes.remove_prefix(kBlock)) Block(bytes.data());
    std::memcpy(pending_, bytes.data(), bytes.size());
    held_ = bytes.size();
  }
  bool operator==(const Digest& other) const {
    return size_ == other.size_ && lanes_ == other.lanes_ && held_ == other.held_ &&
           std::memcmp(pending_, other.pending_, held_) == 0;
  }

 private:
  static constexpr std::size_t kBlock = 32;
  void Block(const char* at) {
    // Four lanes, so that the multiplications overlap.
    for (std::size_t k = 0; k < 4; ++k) {
      std::uint64_t word;
      std::memcpy(&word, at + 8 * k, 8);
      lanes_[k] = (lanes_[k] ^ word) * 0x100000001B3u + (lanes_[k] >> 29);
    }
  }

  std::array<std::uint64_t, 4> lanes_{0xCBF29CE484222325u, 1, 2, 3};
  char pending_[kBlock] = {};
  std::size_t held_ = 0;
  std::size_t size_ = 0;
};

// Where the first NUL unit of `text` is, or its size.
std::size_t FindNul(std::u16string_view text) {
  return engine::scan::FindAny<'\0', '\0', '\0', '\0'>(text, 0);
}

// The reading side: reads, cuts after the last whole character and at the
// first NUL, and puts the text in the form the conversion works on.
class PieceReader {
 public:
  PieceReader(const Reader& read, Form form, Encoding input, Digest* digest)
      : read_(read), form_(form), input_(input), decoder_(input), digest_(digest) {}

  // The next piece, in `buffer` (a used one, or empty).
  Piece Next(std::string buffer) {
    Piece piece = Read(std::move(buffer));
    if (digest_ != nullptr && !piece.failed)
      digest_->Add(std::string_view(piece.bytes.data(), piece.length));
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
  Piece Read(std::string buffer) {
    Piece piece;
    piece.bytes = std::move(buffer);
    // Decoded input is read into a buffer of its own first. Buffers only
    // grow: filling one anew for each piece would cost as much as reading.
    std::string& bytes = form_ == Form::kDecoded ? raw_ : piece.bytes;
    const std::size_t start = carry_.size();
    if (bytes.size() < start + want_) bytes.resize(start + want_);
    std::copy(carry_.begin(), carry_.end(), bytes.begin());
    const std::ptrdiff_t n = at_nul_ ? 0 : read_(bytes.data() + start, want_);
    if (n < 0) {
      piece.failed = true;
      return piece;
    }
    if (n == static_cast<std::ptrdiff_t>(want_)) want_ = std::min(want_ * 2, kPiece);
    std::size_t size = start + static_cast<std::size_t>(n);
    piece.last = n == 0;
    std::size_t taken = size;
    if (form_ == Form::kDecoded) {
      if (units_.size() < size + 1) units_.resize(size + 1);
      std::size_t count =
          decoder_.DecodeTo(std::string_view(bytes.data(), size), piece.last, units_.data(), taken);
      const std::u16string_view text(units_.data(), count);
      // Outside UTF-16 a NUL character is a NUL byte, which is quicker found.
      const bool wide = input_ == Encoding::kUtf16Le || input_ == Encoding::kUtf16Be;
      if (wide || std::memchr(bytes.data(), 0, size)) {
        if (const std::size_t nul = FindNul(text); nul != text.size()) {
          count = nul;
          at_nul_ = true;
          taken = size;  // nothing after it counts
        }
      }
      if (piece.bytes.size() < 3 * count) piece.bytes.resize(3 * count);
      piece.length = platform::EncodeUtf8To(text.substr(0, count), piece.bytes.data());
      carry_.assign(bytes.data() + taken, size - taken);
      return piece;
    }
    // A NUL byte is a NUL character here, and never part of another.
    if (const void* nul = std::memchr(bytes.data() + start, 0, static_cast<std::size_t>(n))) {
      size = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data());
      at_nul_ = true;
    }
    const std::string_view got(bytes.data(), size);
    std::string_view form;
    if (form_ == Form::kUtf8Bytes) {
      form = platform::NormalizeUtf8(got, piece.last, scratch_, taken);
    } else {
      // Whole characters only, unless the text ends here. Any byte that is
      // no lead byte ends a character, so only the lead-byte run at the end
      // needs pairing up from there.
      if (!piece.last) {
        auto lead = [&](std::size_t i) {
          return platform::IsAnsiLeadByte(static_cast<unsigned char>(bytes[i]));
        };
        taken = size;
        while (taken > 0 && lead(taken - 1)) --taken;
        while (taken + 1 < size) taken += 2;
      }
      form = platform::AnsiNormalForm::System()->Normalize(got.substr(0, taken), scratch_);
    }
    carry_.assign(bytes.data() + taken, size - taken);
    piece.length = form.size();
    if (form.data() != bytes.data()) bytes.swap(scratch_);
    return piece;
  }

  const Reader& read_;
  const Form form_;
  const Encoding input_;
  platform::PieceDecoder decoder_;
  std::string scratch_, raw_;
  std::u16string units_;
  // Pieces of 64 KiB to start with, growing to 1 MiB while the reads fill
  // them: a small file or a slow reader needs no large buffer.
  std::size_t want_ = kPiece / 16;
  std::string carry_;  // the start of a character cut by the last piece's end
  bool at_nul_ = false;
  Digest* const digest_;  // of what was handed on, when it is to be checked
};

// The converting side: one session over all the pieces, on code page or
// UTF-8 bytes, and what it gives encoded for the output.
class PieceConverter {
 public:
  PieceConverter(const clsQuillmere& converter, Form form, Encoding output, const Writer& write,
                 bool twice)
      : write_(write),
        utf8_codec_(output),
        session_(converter,
                 form == Form::kAnsiBytes ? static_cast<const clsQuillmere::ByteCodec&>(ansi_codec_)
                                          : utf8_codec_,
                 &overflow_, &links_, &page_),
        transcode_(form != Form::kAnsiBytes && output != Encoding::kUtf8),
        output_encoding_(output) {
    ansi_codec_.ForgetLost();  // the labels, made once, are not the text's
    twice_ = twice && session_.FeedsTwice();
  }
  // The text may be asked for again (and is to be read the same).
  bool twice() const { return twice_; }

  bool Convert(std::string_view piece, bool last) {
    output_.clear();
    session_.Feed(piece, output_);
    if (last) {
      const auto flush = [this](std::string& out) {
        Write(out, false);
        out.clear();
      };
      if (!again_ && session_.FeedAgain(output_, flush)) {
        again_ = true;
        Write(output_, false);
        return !failed_;
      }
      again_ = false;
      session_.Finish(output_, flush);
      output_ += "\r\n";
    }
    Write(output_, last);
    return !failed_;
  }
  // The text is to be read again (after the last piece).
  bool again() const { return again_; }

  std::size_t lost() const { return lost_ + ansi_codec_.lost(); }

 private:
  // The session's UTF-8 goes out in the output's encoding, whole characters
  // at a time.
  void Write(std::string_view bytes, bool last) {
    if (!transcode_) {
      failed_ = failed_ || !write_(bytes);
      return;
    }
    if (!pending_.empty()) {  // the start of a character the last bytes cut
      pending_ += bytes;
      bytes = pending_;
    }
    if (units_.size() < bytes.size() + 1) units_.resize(bytes.size() + 1);
    std::size_t taken = 0;
    const std::size_t count =
        platform::DecodePieceTo(Encoding::kUtf8, bytes, last, units_.data(), taken);
    encoded_.clear();
    lost_ += platform::EncodeAppend(output_encoding_, std::u16string_view(units_.data(), count),
                                    encoded_);
    std::string rest(bytes.substr(taken));  // `bytes` may be pending_ itself
    pending_.swap(rest);
    failed_ = failed_ || !write_(encoded_);
  }

  const Writer& write_;
  AnsiCodec ansi_codec_;
  Utf8Codec utf8_codec_;
  ScratchOverflow overflow_;  // a long tag
  ScratchOverflow links_;     // the list of links
  ScratchOverflow page_;      // the page, while its main content is chosen
  clsQuillmere::ByteSession session_;
  const bool transcode_;
  const Encoding output_encoding_;
  std::string output_, pending_, encoded_;
  std::u16string units_;
  std::size_t lost_ = 0;
  bool failed_ = false;
  bool twice_ = false;
  bool again_ = false;
};

// One reading of the input, piece by piece, into `pieces`: whether it went
// well.
bool ConvertReading(PieceConverter& pieces, PieceReader& reader) {
  // Pieces on this thread alone, until `enough` bytes are done: whether the
  // conversion ended, and how, or nothing if it goes on.
  std::string buffer;
  auto on_this_thread = [&](std::size_t enough) -> std::optional<bool> {
    for (std::size_t done_bytes = 0; done_bytes < enough;) {
      Piece piece = reader.Next(std::move(buffer));
      if (piece.failed) return false;
      const std::string_view text(piece.bytes.data(), piece.length);
      if (!pieces.Convert(text, piece.last)) return false;
      if (piece.last) return true;
      done_bytes += text.size();
      buffer = std::move(piece.bytes);
    }
    return std::nullopt;
  };
  // The first 256 KiB so: most files end there, and need no second thread.
  if (const std::optional<bool> ended = on_this_thread(kPiece >> 2)) return *ended;

  // The rest with a second thread reading ahead; on this thread alone when
  // none can be started (the system out of resources).
  PieceQueue queue;
  queue.GiveBack(std::move(buffer));
  std::thread ahead;
  try {
    ahead = std::thread(&PieceReader::ReadAhead, &reader, std::ref(queue));
  } catch (const std::system_error&) {
    buffer = queue.TakeBuffer();
    return *on_this_thread(SIZE_MAX);
  }
  std::exception_ptr thrown;
  bool ok = false;
  try {
    for (;;) {
      Piece piece = queue.Pop();
      if (piece.failed) {
        thrown = piece.thrown;
        break;
      }
      // The last piece's end writes what was held (the link list, a page
      // held for its main content): the other buffers need not wait for it.
      if (piece.last) queue.DropBuffers();
      if (!pieces.Convert(std::string_view(piece.bytes.data(), piece.length), piece.last)) break;
      if (piece.last) {
        ok = true;
        break;
      }
      queue.GiveBack(std::move(piece.bytes));
    }
  } catch (const engine::OverflowUnreadable&) {
    // Scratch data kept for a long tag could not be read back.
  } catch (...) {
    thrown = std::current_exception();
  }
  queue.Close();
  ahead.join();
  if (thrown) std::rethrow_exception(thrown);
  return ok;
}

}  // namespace

bool ConvertPieces(const clsQuillmere& converter, const Reader& read, const Writer& write,
                   const PieceEncodings& encodings, std::size_t* lost, const Rewind& rewind) try {
  const Form form = FormFor(encodings);
  PieceConverter pieces(converter, form, encodings.output, write, bool(rewind));
  auto done = [&](bool ok) {
    if (lost) *lost = pieces.lost();
    return ok;
  };
  Digest first, second;
  {
    PieceReader reader(read, form, encodings.input, pieces.twice() ? &first : nullptr);
    if (!ConvertReading(pieces, reader)) return done(false);
  }
  if (!pieces.again()) return done(true);
  // The page again, for its main content: from the start, as it was read.
  if (!rewind()) return done(false);
  PieceReader reader(read, form, encodings.input, &second);
  return done(ConvertReading(pieces, reader) && second == first);
} catch (const engine::OverflowUnreadable&) {
  return false;  // scratch data kept for a long tag could not be read back
}

}  // namespace conversion
