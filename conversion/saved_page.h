// Web pages saved in one file (MHTML: Edge's and Chrome's "Web page, single
// file", Internet Explorer's and Word's .mht): a MIME message whose root part
// is the page, the pictures and style sheets in the parts after it. The page
// is read from its part as it streams by, decoded from its transfer encoding
// (quoted-printable, base64, 7bit, 8bit, binary), in bounded memory whatever
// the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "conversion/piece_conversion.h"

namespace conversion {

// Whether `head`, a file's first bytes, begins as a MIME message does: a
// block of header lines from the very start to an empty line, among them a
// Content-Type.
bool LooksLikeMessage(std::string_view head);

class SavedPageReader {
 public:
  enum class Problem { kNone, kNotMessage, kNoPage, kUnreadable };

  explicit SavedPageReader(const Reader& read) : read_(read) {}

  // Reads up to the start of the page's part: its `start` parameter's
  // part, else the first text/html one (or the message itself, when it is
  // one text/html part). False, with the problem, when there is none.
  bool Open();
  Problem problem() const { return problem_; }
  // The charset the page's part names, as written; empty when none.
  const std::string& charset() const { return charset_; }

  // The page's bytes, decoded: as a Reader gives them.
  std::ptrdiff_t Read(char* buffer, std::size_t size);

 private:
  enum class Transfer { kAsIs, kQuotedPrintable, kBase64 };
  // Bytes that grow at their end without being cleared first (a string's
  // resize would clear every byte it adds, which costs as much as reading
  // them).
  class Bytes {
   public:
    char* data() { return data_.get(); }
    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view view() const { return {data_.get(), size_}; }
    char* Room(std::size_t n);                 // for n more bytes at the end
    void Resize(std::size_t n) { size_ = n; }  // no larger than what Room made
    void Append(std::string_view bytes);
    void EraseFront(std::size_t n);
    std::size_t InsertNewline(std::size_t at);

   private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
  };
  struct Part {
    std::string type;  // lower case, "text/html"
    std::string boundary, start, charset, id;
    Transfer transfer = Transfer::kAsIs;
  };

  bool Fill();  // more bytes in buffer_; false at the end or on a failure
  bool ReadHeaders(Part& part, bool first);
  // The next bytes of the body under way, up to its delimiter: false when
  // it has ended.
  bool NextBody(std::string_view& bytes);
  void Decode(std::string_view bytes, bool last);
  std::size_t DecodeQuoted(std::string_view bytes, bool last, bool single = false);

  const Reader& read_;
  Problem problem_ = Problem::kNone;
  Bytes buffer_;
  std::size_t at_ = 0;  // what of buffer_ is read
  bool end_ = false, failed_ = false;
  std::string delimiter_;    // "\n--" and the boundary; empty: the body runs to the end
  bool body_ended_ = false;  // the page's body reached its delimiter
  bool closed_ = false;      // the message's closing delimiter came
  Transfer transfer_ = Transfer::kAsIs;
  std::string charset_;
  Bytes decoded_;
  std::size_t given_ = 0;   // what of decoded_ is given
  std::string pending_;     // the start of an escape or a group of base64 cut off
  std::uint32_t bits_ = 0;  // base64's bits not yet a byte
  int bit_count_ = 0;
};

}  // namespace conversion
