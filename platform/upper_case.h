// Upper case as the platform maps it: one UTF-16 unit at a time, the same in
// every locale, in every script that has cases ("ｐｕｂ" becomes "ＰＵＢ",
// "сервер" "СЕРВЕР"; "ß", which has no upper-case unit, stays).
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string UpperCase(std::u16string_view text);

}  // namespace platform
