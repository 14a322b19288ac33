// An overflow (the scratch space a byte session keeps long text in) held in
// memory for tests, read back in blocks of a chosen size; it can refuse
// what it is given, as a full disk would.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/clsQuillmere.h"

namespace testing_support {

class MemoryOverflow final : public clsQuillmere::Overflow {
 public:
  explicit MemoryOverflow(std::size_t block = 4096, bool refuses = false)
      : block_(block), refuses_(refuses) {}
  bool Append(std::string_view bytes) override {
    if (refuses_) return false;
    kept_ += bytes;
    appended_ = true;
    return true;
  }
  bool ReadAll(const std::function<bool(std::string_view)>& take) override {
    for (std::size_t at = 0; at < kept_.size(); at += block_)
      if (!take(std::string_view(kept_).substr(at, block_))) return true;
    return true;
  }
  void Clear() override { kept_.clear(); }
  bool appended() const { return appended_; }
  const std::string& kept() const { return kept_; }

 private:
  std::size_t block_;
  bool refuses_;
  std::string kept_;
  bool appended_ = false;
};

}  // namespace testing_support
