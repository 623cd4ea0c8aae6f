// The dialogs as data. Rows are created in order, so each group box lies
// behind the controls drawn over it and Tab visits the controls in this order.
#include "app/dialog_template.h"

#include <array>

#include "app/control_ids.h"

namespace zelmor {
namespace {

using enum ControlKind;
using namespace control_style;

constexpr uint32_t kSizeBox = kTabStop;
constexpr uint32_t kCountBox = kNumber | kBorder | kTabStop;
constexpr uint32_t kPathBox = kBorder | kAutoHScroll | kTabStop;

constexpr std::array kMainControls = {
    ControlTemplate{
        kStatic, IDC_STATIC,
        "ICO 图标生成器  -  拖拽图片到下方区域，或点击\"选择图片\"，设置参数后点击\"生成 ICO\"", 7,
        5, 366, 10, kGroup},
    ControlTemplate{kGroupBox, IDC_STATIC, "1. 图标尺寸", 7, 18, 180, 84, 0},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE16, "16*16", 14, 32, 36, 12, kSizeBox},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE24, "24*24", 54, 32, 36, 12, kSizeBox},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE32, "32*32", 94, 32, 36, 12, kSizeBox},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE48, "48*48", 134, 32, 36, 12, kSizeBox},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE64, "64*64", 14, 50, 36, 12, kSizeBox},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE96, "96*96", 54, 50, 36, 12, kSizeBox},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE128, "128*128", 94, 50, 38, 12, kSizeBox},
    ControlTemplate{kCheckBox, IDC_CHECK_SIZE256, "256*256", 134, 50, 38, 12, kSizeBox},
    ControlTemplate{kPushButton, IDC_BUTTON_SELECT_ALL, "全选", 14, 68, 40, 14, kTabStop},
    ControlTemplate{kPushButton, IDC_BUTTON_CLEAR_SIZES, "清空", 60, 68, 40, 14, kTabStop},
    ControlTemplate{kGroupBox, IDC_STATIC, "2. 色深", 194, 18, 80, 84, 0},
    ControlTemplate{kRadioButton, IDC_RADIO_DEPTH4, "4位", 201, 34, 28, 12, kGroup},
    ControlTemplate{kRadioButton, IDC_RADIO_DEPTH8, "8位", 234, 34, 28, 12, 0},
    ControlTemplate{kRadioButton, IDC_RADIO_DEPTH24, "24位", 201, 54, 32, 12, 0},
    ControlTemplate{kRadioButton, IDC_RADIO_DEPTH32, "32位", 234, 54, 32, 12, 0},
    ControlTemplate{kGroupBox, IDC_STATIC, "3. 随机画线", 282, 18, 91, 84, 0},
    ControlTemplate{kCheckBox, IDC_CHECK_LINES, "启用画线", 289, 34, 56, 12, kTabStop},
    ControlTemplate{kStatic, IDC_STATIC_COLOR_SWATCH, "", 352, 31, 14, 16, kSunken | kGroup},
    ControlTemplate{kStatic, IDC_STATIC, "数量", 289, 52, 24, 8, kGroup},
    ControlTemplate{kEdit, IDC_EDIT_MIN_LINES, "", 316, 50, 20, 12, kCountBox},
    ControlTemplate{kStatic, IDC_STATIC, "~", 339, 52, 8, 8, kGroup},
    ControlTemplate{kEdit, IDC_EDIT_MAX_LINES, "", 347, 50, 18, 12, kCountBox},
    ControlTemplate{kPushButton, IDC_BUTTON_COLOR, "颜色", 289, 70, 60, 14, kTabStop},
    ControlTemplate{kGroupBox, IDC_STATIC, "4. 拖拽图片到此处（支持 PNG / JPG / BMP）", 7, 108, 366,
                    76, 0},
    ControlTemplate{kStatic, IDC_STATIC, "将图片文件拖入此区域", 14, 140, 352, 14,
                    kCenter | kCenterImage | kGroup},
    ControlTemplate{kStatic, IDC_STATIC, "输入文件:", 7, 194, 36, 10, kGroup},
    ControlTemplate{kEdit, IDC_EDIT_INPUT, "", 46, 192, 250, 14, kPathBox},
    ControlTemplate{kPushButton, IDC_BUTTON_CHOOSE_PICTURE, "选择图片...", 301, 192, 72, 14,
                    kTabStop},
    ControlTemplate{kStatic, IDC_STATIC, "输出到:", 7, 214, 36, 10, kGroup},
    ControlTemplate{kEdit, IDC_EDIT_OUTPUT, "", 46, 212, 250, 14, kPathBox},
    ControlTemplate{kPushButton, IDC_BUTTON_CHOOSE_OUTPUT, "浏览...", 301, 212, 72, 14, kTabStop},
    ControlTemplate{kStatic, IDC_STATIC_STATUS, "", 7, 238, 250, 10, kGroup},
    ControlTemplate{kPushButton, IDC_BUTTON_GENERATE, "生成 ICO", 270, 234, 103, 18,
                    kDefault | kTabStop},
};

constexpr std::array kAboutControls = {
    ControlTemplate{kIcon, IDC_STATIC, "", 14, 14, 21, 20, 0},
    ControlTemplate{kStatic, IDC_STATIC, "Zelmor，版本 1.0", 42, 14, 114, 8, kNoPrefix | kGroup},
    ControlTemplate{kPushButton, IDOK, "确定", 113, 41, 50, 14, kDefault | kTabStop | kGroup},
};

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate kTemplate{IDD_ZELMOR_DIALOG, "", 380, 258, kMainControls};
  return kTemplate;
}

const DialogTemplate& AboutDialogTemplate() {
  static const DialogTemplate kTemplate{IDD_ABOUTBOX, "关于 Zelmor", 170, 62, kAboutControls};
  return kTemplate;
}

}  // namespace zelmor
