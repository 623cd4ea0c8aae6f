#pragma once

#include <cstdint>
#include <span>

namespace zelmor {

// What a template row creates.
enum class ControlKind {
  kStatic,       // text
  kIcon,         // the application icon
  kGroupBox,     // a titled frame, drawn behind the controls it surrounds
  kCheckBox,     // toggles itself on click
  kRadioButton,  // selects itself and clears the rest of its group on click
  kPushButton,
  kEdit,
};

// Style bits a row may carry; the names follow the window styles they stand for.
namespace control_style {
constexpr uint32_t kGroup = 1u << 0;        // starts a group (radio buttons)
constexpr uint32_t kTabStop = 1u << 1;      // reached by Tab
constexpr uint32_t kCenter = 1u << 2;       // text centred horizontally
constexpr uint32_t kCenterImage = 1u << 3;  // text centred vertically
constexpr uint32_t kSunken = 1u << 4;       // sunken frame
constexpr uint32_t kNoPrefix = 1u << 5;     // '&' is shown, not a mnemonic
constexpr uint32_t kDefault = 1u << 6;      // the dialog's default push button
constexpr uint32_t kNumber = 1u << 7;       // edit: digits only
constexpr uint32_t kAutoHScroll = 1u << 8;  // edit: scrolls; without it, text stops at the width
constexpr uint32_t kBorder = 1u << 9;       // edit: bordered
}  // namespace control_style

// One control of a dialog template; coordinates in dialog units.
struct ControlTemplate {
  ControlKind kind;
  int id;
  const char* text;  // UTF-8
  int x, y, width, height;
  uint32_t styles;
};

struct DialogTemplate {
  int id;
  const char* caption;  // UTF-8; empty when set at initialisation
  int width, height;    // client area, dialog units
  std::span<const ControlTemplate> controls;
};

// The main dialog: 35 controls in template order, which is also the tab order.
const DialogTemplate& MainDialogTemplate();

// The About box: icon, version text and OK.
const DialogTemplate& AboutDialogTemplate();

// String 101: the About entry of the main dialog's menu.
inline constexpr const char* kAboutMenuText = "关于 Zelmor(&A)...";

}  // namespace zelmor
