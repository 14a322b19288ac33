// The main window: controls, captions and geometry in twips, and its menu.
#pragma once

#include "platform/forms/form_definition.h"
#include "resources/resource_ids.h"

namespace resources {

using forms::Kind;

inline constexpr forms::ControlDef kForm1Controls[] = {
    {u"Label1", Kind::kLabel, u"", u"InputFile", 120, 0, 1815, 255, 6},
    {u"txtInput", Kind::kTextBox, u"", u"", 120, 240, 3615, 270, 1},
    {u"Btn_Open", Kind::kButton, u"", u"...", 3840, 240, 255, 280, 3},
    {u"Label2", Kind::kLabel, u"", u"OutputFile", 120, 600, 1935, 255, 7},
    {u"txtOutput", Kind::kTextBox, u"", u"", 120, 840, 3615, 270, 2},
    {u"Btn_Save", Kind::kButton, u"", u"...", 3840, 840, 255, 280, 4},
    {u"Btn_Start", Kind::kButton, u"", u"Start", 120, 1320, 1935, 855, 0},
    {u"Btn_Close", Kind::kButton, u"", u"Close", 2160, 1320, 1935, 855, 5},
};

inline constexpr forms::MenuItemDef kForm1Menu[] = {
    {u"mnuFile", u"&File", u"mnuExit", u"E&xit"},
    {u"mnuTool", u"&Tool", u"mnuOption", u"&Option"},
    {u"mnuTool", u"&Tool", u"mnuText", u"&Text..."},
    {u"mnuHelp", u"&Help", u"mnuAbout", u"&About"},
};

inline constexpr forms::FormDef kForm1{
    .name = u"Form1",
    .caption = u"Quillmere",
    .client_width = 4230,
    .client_height = 2310,
    .border = forms::Border::kFixedSingle,
    .in_taskbar = true,
    .controls = kForm1Controls,
    .menu = kForm1Menu,
    .icon = kProgramIcon,
};

}  // namespace resources
