// The description of a window: its style, its client size and its controls,
// in twips (1440 per inch) as the window definitions give them. Portable
// data; the Windows form runtime realises it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace forms {

enum class Kind {
  kLabel,
  kTextBox,
  kButton,
  kCheckBox,
  kOptionButton,
  kFrame,        // a captioned group box; its children are measured from its top-left corner
  kPanel,        // a borderless area that only groups its children
  kPicture,      // a picture box with a sunken border
  kLine,         // drawn by the form: (left, top) to (width, height) as end points
  kProgressBar,  // a bar from 0 to 1000
  kSpin,         // up and down arrows for the text box before it in tab order, which then
                 // takes only digits; the arrows step it from `minimum` to `maximum`
};

struct ControlDef {
  std::u16string_view name;
  Kind kind = Kind::kLabel;
  std::u16string_view container = {};  // empty: the client area
  std::u16string_view caption = {};
  int left = 0, top = 0, width = 0, height = 0;  // twips, within the container
  int tab_index = -1;                            // -1 for controls that have none (lines)
  std::u16string_view tool_tip = {};
  std::uint32_t line_color = 0;  // lines: system colour index, or an RGB value with kRgbColor
  int line_width = 1;            // lines: pixels at 96 DPI
  std::uint32_t text_color = 0;  // labels: an RGB value with kRgbColor; 0 for the default
  int minimum = 0, maximum = 0;  // spins: the range their arrows step through
};

// Marks a line colour as an RGB value rather than a system colour index.
inline constexpr std::uint32_t kRgbColor = 0x80000000u;

// System colour indexes (as GetSysColor numbers them) that definitions use.
inline constexpr std::uint32_t COLOR_INACTIVECAPTION_INDEX = 3;
inline constexpr std::uint32_t COLOR_CAPTIONTEXT_INDEX = 9;

struct MenuItemDef {
  std::u16string_view menu;          // name of the menu on the menu bar
  std::u16string_view menu_caption;  // with "&" before the access key
  std::u16string_view name;          // name of the item
  std::u16string_view caption;
};

enum class Border { kFixedSingle, kFixedDialog };

struct FormDef {
  std::u16string_view name;
  std::u16string_view caption;
  int client_width, client_height;  // twips
  Border border;
  bool in_taskbar;
  std::span<const ControlDef> controls;
  std::span<const MenuItemDef> menu = {};
  std::u16string_view default_button = {};  // pressed by Enter wherever the focus is
  std::u16string_view cancel_button = {};   // pressed by Escape
  int icon = 0;                             // icon resource, 0 for none
  // Where the client area's top-left corner first stands on the screen, in
  // twips; without it the system places the window (or centres it over its owner).
  bool fixed_position = false;
  int first_left = 0, first_top = 0;
};

// Twips to pixels at `dpi`, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi) {
  long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

}  // namespace forms
