// The error of a scan that kept part of its text in a scratch file and
// cannot read it back. The message is Japanese, in UTF-8, ready to be shown
// to the user.
#pragma once

#include <stdexcept>

namespace engine {

class OverflowUnreadable : public std::runtime_error {
 public:
  OverflowUnreadable() : std::runtime_error("一時ファイルを読み戻せませんでした。") {}
};

}  // namespace engine
