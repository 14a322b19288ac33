// The progress window of a run over many files: files done of all, the
// file at hand, a bar, and the button that stops the run, in twips.
#pragma once

#include "platform/forms/form_definition.h"

namespace resources {

using forms::Kind;

inline constexpr forms::ControlDef kFrmProgressControls[] = {
    {u"lblFiles", Kind::kLabel, u"", u"", 180, 180, 5040, 255, 1},
    {u"lblCurrent", Kind::kLabel, u"", u"", 180, 480, 5040, 255, 2},
    {u"prgFiles", Kind::kProgressBar, u"", u"", 180, 825, 5040, 300, 3},
    {u"Btn_Stop", Kind::kButton, u"", u"中止", 4095, 1305, 1125, 345, 0},
};

inline constexpr forms::FormDef kFrmProgress{
    .name = u"frmProgress",
    .caption = u"Sanvelle",
    .client_width = 5400,
    .client_height = 1830,
    .border = forms::Border::kFixedDialog,
    .in_taskbar = false,
    .controls = kFrmProgressControls,
    .cancel_button = u"Btn_Stop",
};

}  // namespace resources
