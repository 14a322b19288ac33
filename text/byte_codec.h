// What the conversion needs to know of the encoding it works in, and where
// it keeps what grows past memory. Below every stage: the classic scan, the
// tokenizer and the layout all write their text in the output's form.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace engine {

// What a conversion that works on the bytes of a code page needs to know of
// it: how its characters begin, and the bytes of the few texts the
// conversion adds.
class ByteCodec {
 public:
  virtual ~ByteCodec() = default;
  virtual bool IsLeadByte(unsigned char byte) const = 0;
  virtual std::string Encode(std::u16string_view text) const = 0;
  // The same bytes, for text that may never be written: what the codec
  // cannot encode is not counted. This and Holds may be called from another
  // thread (the main content's recorder) while Encode is: they change
  // nothing.
  virtual std::string EncodeUncounted(std::u16string_view text) const { return Encode(text); }
  // Whether the output can hold the character. A space that a decoded
  // reference gives (a no-break space, say) and the output cannot hold is
  // written as a plain space.
  virtual bool Holds(char32_t) const { return true; }
};

// Where a byte session keeps what grows past what it holds in memory (a tag
// whose ">" is far away, the list of links). The methods are those of
// platform::ScratchFile.
class Overflow {
 public:
  virtual ~Overflow() = default;
  virtual bool Append(std::string_view bytes) = 0;  // all or nothing
  virtual bool ReadAll(const std::function<bool(std::string_view)>& take) = 0;
  virtual void Clear() = 0;
};

}  // namespace engine
