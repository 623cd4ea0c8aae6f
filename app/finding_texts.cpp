#include "app/finding_texts.h"

#include <array>
#include <utility>

namespace zelmor {
namespace {

constexpr std::array<std::pair<std::string_view, const char*>, 16> kFindingTexts = {{
    {"not-an-icon", "不是图标文件：文件太短、类型不是 1、没有图像，或目录超出文件末尾"},
    {"entry-outside-file", "图像数据超出文件末尾"},
    {"entry-undecodable", "图像无法解码：既不是可读的 PNG，也不是可读的位图"},
    {"entries-overlap", "两个图像共用同一段字节"},
    {"size-mismatch", "目录中的宽度或高度与图像本身不符"},
    {"png-not-rgba", "PNG 图像不是 8 位 RGBA（颜色类型 6）"},
    {"reserved-not-zero", "保留字段不是 0"},
    {"planes-not-one", "颜色平面数（wPlanes）不是 1"},
    {"bits-mismatch", "目录中的位数或颜色数与图像不符"},
    {"duplicate-entry", "有两个尺寸和色深都相同的图像"},
    {"not-square", "图像的宽度和高度不同"},
    {"no-256", "没有 256×256 的图像，electron-builder 需要它"},
    {"png-small-entry", "小于 256×256 的图像以 PNG 存储，Windows XP 等无法读取"},
    {"over-1mib", "文件大于 1 MiB"},
    {"ascending-order", "第一个图像比后面的图像小，应从大到小排列"},
    {"unused-bytes", "文件中有目录和图像都未用到的字节"},
}};

}  // namespace

QString FindingText(std::string_view code) {
  for (const auto& [known, text] : kFindingTexts) {
    if (known == code) {
      return QString::fromUtf8(text);
    }
  }
  return {};
}

}  // namespace zelmor
