// The settings dialog: frames and panels, the option check boxes, the dash
// count, the engraved rule and the link-style option buttons, in twips.
#pragma once

#include "platform/forms/form_definition.h"
#include "resources/resource_ids.h"

namespace resources {

using forms::Kind;

inline constexpr forms::ControlDef kFrmBrackwenSettingControls[] = {
    {u"Label1", Kind::kLabel, u"",
     u"変換して表示するタグにチェックをつけてください。チェックをはずしたタグは、削除されます。",
     360, 120, 3855, 375, 2},
    {u"Frame1", Kind::kFrame, u"", u"", 120, 480, 4455, 4215, 3},
    {u"Picture1", Kind::kPanel, u"Frame1", u"", 120, 240, 4215, 3855, 4},
    {u"chkHR", Kind::kCheckBox, u"Picture1", u"HR", 120, 120, 1455, 255, 6},
    {u"Label2", Kind::kLabel, u"Picture1", u"「-」の数", 360, 480, 855, 255, 14},
    {u"txtHR_NUM", Kind::kTextBox, u"Picture1", u"", 1080, 435, 495, 270, 12},
    {u"chkBR", Kind::kCheckBox, u"Picture1", u"BR", 120, 840, 1335, 255, 5},
    {u"chkP", Kind::kCheckBox, u"Picture1", u"P", 120, 1200, 1575, 255, 7},
    {u"chkIMG", Kind::kCheckBox, u"Picture1", u"IMG", 120, 1560, 1575, 255, 8},
    {u"chkANAME", Kind::kCheckBox, u"Picture1", u"A NAME", 2280, 120, 1575, 255, 9},
    {u"chkAHREF", Kind::kCheckBox, u"Picture1", u"A HREF", 2280, 480, 1695, 255, 10},
    {u"chkAHREFSharp", Kind::kCheckBox, u"Picture1", u"A HREF #", 2280, 840, 1695, 255, 11,
     u"同ページ内リンク"},
    // The engraved rule: two one-pixel lines in the user's caption colours.
    {u"Line2",
     Kind::kLine,
     u"Picture1",
     u"",
     120,
     1905,
     4080,
     1905,
     -1,
     {},
     forms::COLOR_INACTIVECAPTION_INDEX},
    {u"Line1",
     Kind::kLine,
     u"Picture1",
     u"",
     4080,
     1920,
     120,
     1920,
     -1,
     {},
     forms::COLOR_CAPTIONTEXT_INDEX},
    {u"chkENTER", Kind::kCheckBox, u"Picture1", u"複数の改行を単一の改行に変換", 120, 2040, 3855,
     255, 13},
    {u"Frame2", Kind::kFrame, u"Picture1", u"リンクタグ", 120, 2400, 3975, 1335, 15},
    {u"Picture2", Kind::kPanel, u"Frame2", u"", 120, 240, 3735, 975, 16},
    {u"opt_A_LINK_TAG_TYPE0", Kind::kOptionButton, u"Picture2", u"タグを残す", 120, 120, 1455, 255,
     17},
    {u"opt_A_LINK_TAG_TYPE1", Kind::kOptionButton, u"Picture2", u"リンク文字の前に［リンク：URL］",
     120, 360, 3135, 255, 18},
    {u"opt_A_LINK_TAG_TYPE2", Kind::kOptionButton, u"Picture2", u"リンク文字の後に(URL)", 120, 600,
     3375, 255, 19},
    {u"Btn_OK", Kind::kButton, u"", u"OK", 120, 4800, 2175, 615, 0},
    {u"Btn_Cancel", Kind::kButton, u"", u"Cancel", 2400, 4800, 2175, 615, 1},
};

inline constexpr forms::FormDef kFrmBrackwenSetting{
    .name = u"frmBrackwenSetting",
    .caption = u"frmBrackwenSetting",
    .client_width = 4680,
    .client_height = 5505,
    .border = forms::Border::kFixedSingle,
    .in_taskbar = true,
    .controls = kFrmBrackwenSettingControls,
    .icon = kProgramIcon,
};

}  // namespace resources
