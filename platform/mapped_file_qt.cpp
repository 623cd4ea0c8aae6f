#include <QByteArray>
#include <QFile>
#include <QString>

#include "platform/mapped_file.h"

namespace zelmor {

struct MappedFile::Impl {
  explicit Impl(const QString& name) : file(name) {}
  QFile file;
  QByteArray copy;
  const uint8_t* data = nullptr;
  std::size_t size = 0;
};

MappedFile::MappedFile(const std::string& path)
    : impl_(std::make_unique<Impl>(
          QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())))) {
  Impl& d = *impl_;
  if (!d.file.open(QIODevice::ReadOnly) || d.file.size() <= 0) {
    return;
  }
  d.data = d.file.map(0, d.file.size());
  if (d.data != nullptr) {
    d.size = static_cast<std::size_t>(d.file.size());
    return;
  }
  d.copy = d.file.readAll();
  d.data = reinterpret_cast<const uint8_t*>(d.copy.constData());
  d.size = static_cast<std::size_t>(d.copy.size());
}

MappedFile::~MappedFile() = default;

std::span<const uint8_t> MappedFile::bytes() const {
  return {impl_->data, impl_->size};
}

}  // namespace zelmor
