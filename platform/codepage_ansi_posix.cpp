#include "platform/codepage.h"

namespace platform {

std::u16string DecodeAnsi(std::string_view bytes) {
  return DecodeCp932(bytes);
}
std::string EncodeAnsi(std::u16string_view text) {
  return EncodeCp932(text);
}
bool IsAnsiLeadByte(unsigned char byte) {
  return IsCp932LeadByte(byte);
}

}  // namespace platform
