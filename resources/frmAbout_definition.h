// The About box: icon, title, version, rights notice, separator, disclaimer
// and the OK button, in twips.
#pragma once

#include "platform/forms/form_definition.h"

namespace resources {

using forms::Kind;

inline constexpr std::uint32_t kBlack = forms::kRgbColor | 0x000000;
inline constexpr std::uint32_t kGrey = forms::kRgbColor | 0x808080;
inline constexpr std::uint32_t kWhite = forms::kRgbColor | 0xFFFFFF;

inline constexpr forms::ControlDef kFrmAboutControls[] = {
    {u"picIcon", Kind::kPicture, u"", u"", 240, 240, 540, 540, 1},
    {.name = u"lblTitle",
     .kind = Kind::kLabel,
     .caption = u"Sanvelle",
     .left = 1050,
     .top = 240,
     .width = 3885,
     .height = 480,
     .tab_index = 3,
     .text_color = kBlack},
    {u"lblVersion", Kind::kLabel, u"", u"Ver 1.1.0", 1050, 780, 3885, 225, 4},
    // The rights notice of the version record: one line in the box's font.
    {u"Label1", Kind::kLabel, u"", u"Copyright (C) 2026 Sanvelle", 1080, 1200, 4095, 255, 5},
    // The separator: a grey line, then a white one two pixels wide drawn over it.
    {u"Line1(1)", Kind::kLine, u"", u"", 0, 1680, 5564, 1680, -1, {}, kGrey, 1},
    {u"Line1(0)", Kind::kLine, u"", u"", 0, 1680, 5549, 1680, -1, {}, kWhite, 2},
    {.name = u"lblDisclaimer",
     .kind = Kind::kLabel,
     .caption = u"本ソフトは無保証です。使用によって生じたいかなる損害についても、作者は責任を負い"
                u"ません。",
     .left = 240,
     .top = 1800,
     .width = 3870,
     .height = 615,
     .tab_index = 2,
     .text_color = kBlack},
    {u"cmdOK", Kind::kButton, u"", u"OK", 4200, 1920, 1380, 345, 0},
};

inline constexpr forms::FormDef kFrmAbout{
    .name = u"frmAbout",
    .caption = u"ﾊﾞｰｼﾞｮﾝ情報",
    .client_width = 5730,
    .client_height = 2475,
    .border = forms::Border::kFixedDialog,
    .in_taskbar = false,
    .controls = kFrmAboutControls,
    .default_button = u"cmdOK",
    .cancel_button = u"cmdOK",
    .fixed_position = true,
    .first_left = 2340,
    .first_top = 1935,
};

}  // namespace resources
