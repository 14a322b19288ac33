// The errors the converter raises to its callers. Messages are Japanese, in
// UTF-8, ready to be shown to the user.
#pragma once

#include <stdexcept>
#include <string>

#include "text/errors.h"

namespace engine {

// A number outside the 16-bit range -32768..32767.
class OverflowError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that does not read as a number.
class TypeMismatchError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace engine
