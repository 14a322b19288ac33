// The text settings dialog: the seven readable-text check boxes, the width
// lines wrap at (a check box, a number box with its arrows and a label on one
// row), the output encoding's option buttons in their frame, RUBY's in
// theirs, and OK and Cancel at the bottom
// right, in twips, laid out with a dialog's margins (180 twips, 12 pixels
// at 96 DPI) and its buttons' size (75 by 23 pixels).
#pragma once

#include "platform/forms/form_definition.h"

namespace resources {

using forms::Kind;

inline constexpr forms::ControlDef kFrmTextSettingControls[] = {
    {u"chkSCRIPT", Kind::kCheckBox, u"", u"スクリプト・スタイルと表示されない部分を除く", 180, 180,
     4920, 270, 0},
    {u"chkENTITY", Kind::kCheckBox, u"", u"文字参照をすべて文字に戻す", 180, 510, 4920, 270, 1},
    {u"chkSPACE", Kind::kCheckBox, u"", u"空白と改行をブラウザーのように詰める", 180, 840, 4920,
     270, 2},
    {u"chkBLOCK", Kind::kCheckBox, u"", u"段落・見出し・リスト・表を行に分ける", 180, 1170, 4920,
     270, 3},
    {u"chkTABLE", Kind::kCheckBox, u"", u"表の列を文字幅でそろえる", 180, 1500, 4920, 270, 4},
    {u"chkLINKS", Kind::kCheckBox, u"", u"リンク先を番号付きで末尾にまとめる", 180, 1830, 4920, 270,
     5},
    {u"chkMAIN", Kind::kCheckBox, u"", u"本文だけを取り出す (メニューや広告を除く)", 180, 2160,
     4920, 270, 6},
    {u"chkWIDTH", Kind::kCheckBox, u"", u"行を折り返す", 180, 2542, 1560, 270, 7},
    {u"txtWIDTH", Kind::kTextBox, u"", u"", 1800, 2520, 630, 315, 8},
    {.name = u"udWIDTH",
     .kind = Kind::kSpin,
     .left = 2430,
     .top = 2520,
     .width = 255,
     .height = 315,
     .tab_index = 9,
     .minimum = 20,
     .maximum = 1000},
    {u"lblWIDTH", Kind::kLabel, u"", u"桁 (全角の文字は 2 桁)", 2790, 2565, 2310, 255, 10},
    {u"Frame1", Kind::kFrame, u"", u"出力の文字コード", 180, 2955, 4920, 1500, 11},
    {u"opt_OUTPUT0", Kind::kOptionButton, u"Frame1", u"入力に合わせる", 240, 315, 4440, 255, 12},
    {u"opt_OUTPUT1", Kind::kOptionButton, u"Frame1", u"シフトJIS (ANSI)", 240, 585, 4440, 255, 13},
    {u"opt_OUTPUT2", Kind::kOptionButton, u"Frame1", u"UTF-8", 240, 855, 4440, 255, 14},
    {u"opt_OUTPUT3", Kind::kOptionButton, u"Frame1", u"UTF-8 (BOM付き)", 240, 1125, 4440, 255, 15},
    {u"Frame2", Kind::kFrame, u"", u"ルビ (ふりがな)", 180, 4575, 4920, 1500, 16},
    {u"opt_RUBY0", Kind::kOptionButton, u"Frame2", u"本文に続ける (漢字かんじ)", 240, 315, 4440,
     255, 17},
    {u"opt_RUBY1", Kind::kOptionButton, u"Frame2", u"かっこに入れる (漢字（かんじ）)", 240, 585,
     4440, 255, 18},
    {u"opt_RUBY2", Kind::kOptionButton, u"Frame2", u"青空文庫の形式 (漢字《かんじ》)", 240, 855,
     4440, 255, 19},
    {u"opt_RUBY3", Kind::kOptionButton, u"Frame2", u"書かない (漢字)", 240, 1125, 4440, 255, 20},
    {u"Btn_OK", Kind::kButton, u"", u"OK", 2730, 6285, 1125, 345, 21},
    {u"Btn_Cancel", Kind::kButton, u"", u"Cancel", 3975, 6285, 1125, 345, 22},
};

inline constexpr forms::FormDef kFrmTextSetting{
    .name = u"frmTextSetting",
    .caption = u"frmTextSetting",
    .client_width = 5280,
    .client_height = 6810,
    .border = forms::Border::kFixedDialog,
    .in_taskbar = false,
    .controls = kFrmTextSettingControls,
    .default_button = u"Btn_OK",
    .cancel_button = u"Btn_Cancel",
};

}  // namespace resources
