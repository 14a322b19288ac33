// The settings file's two profile-file routines.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// The integer stored under `key` in `section`, or `fallback` when missing.
// Throws OverflowError when it lies outside -32768..32767.
std::int16_t ReadIniInt(const std::u16string& path, const std::u16string& section,
                        const std::u16string& key, std::int32_t fallback);

// Writes `value` under `key` in `section`. False when the file was not written.
bool WriteIniString(const std::u16string& path, const std::u16string& section,
                    const std::u16string& key, const std::u16string& value);

}  // namespace engine
