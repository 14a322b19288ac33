// Section TEXT of the settings file as the text settings dialog shows and
// writes it: the six readable-text switches, MAIN (the main content only),
// RUBY (how ruby is written) and OUTPUT, the output's
// encoding (same, ansi, utf-8 or utf-8-bom; the batch converter's other
// names work too). The switches are read for a conversion by clsQuillmere
// with the ten options; OUTPUT is the run's, read here.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/conversion_run.h"

namespace conversion {

// The switches' keys, in the dialog's order and the order they are written.
inline constexpr std::array<std::u16string_view, 7> kTextSwitches = {
    u"SCRIPT", u"ENTITY", u"SPACE", u"BLOCK", u"TABLE", u"LINKS", u"MAIN"};

struct TextSettings {
  std::array<bool, 7> on{};         // by kTextSwitches; any value but 0 is on
  std::u16string output = u"same";  // as written in the file
  int ruby = 0;                     // RUBY: 0 to 3; any other value is 0, as a conversion reads it
  int width = 0;                    // WIDTH as the file holds it: 0 (no wrapping) or 20 to 1000
                                    // columns; a conversion refuses any other value
};

// What the file holds; a missing file, section or key reads as 0 and "same".
TextSettings ReadTextSettings(const std::u16string& path);

// Writes the seven switches as 0 or 1, OUTPUT, RUBY and WIDTH with the profile
// functions, changing nothing else in the file; all of them or none. False
// when the file could not be written.
bool WriteTextSettings(const std::u16string& path, const TextSettings& settings);

// The output encoding a name stands for, in any case: same, ansi,
// shift_jis, utf-8, utf-8-bom, utf-16le; nothing for any other.
std::optional<OutputChoice> OutputChoiceNamed(std::u16string_view name);

// The output encoding the settings file at `path` chooses (same when it
// names none); nothing when OUTPUT holds a name that is none of them.
std::optional<OutputChoice> ReadOutputChoice(const std::u16string& path);

}  // namespace conversion
