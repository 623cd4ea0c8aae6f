// File access on top of Qt: QFile for reading, QSaveFile for writing, so an
// output only ever replaces its target when it is complete.
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include "platform/files.h"

namespace zelmor {
namespace {

thread_local std::optional<OutputFault> output_fault;

QString ToQString(const std::string& path) {
  return QString::fromUtf8(path.data(), path.size());
}

FileError::Cause CauseOf(QFileDevice::FileError error) {
  // Qt reports a full disk (and a quota) as a resource error.
  return error == QFileDevice::ResourceError ? FileError::Cause::kDiskFull
                                             : FileError::Cause::kOther;
}

class QtInputFile final : public InputFile {
 public:
  QtInputFile(const QString& path, std::string userPath)
      : file_(path), user_path_(std::move(userPath)) {}

  bool open() { return file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered); }

  uint64_t Length() override {
    const qint64 size = file_.size();
    if (size < 0) {
      throw FileError(FileError::Cause::kOther, user_path_);
    }
    return static_cast<uint64_t>(size);
  }

  std::size_t Read(uint8_t* buffer, std::size_t count) override {
    std::size_t done = 0;
    while (done < count) {
      const qint64 got =
          file_.read(reinterpret_cast<char*>(buffer) + done, static_cast<qint64>(count - done));
      if (got < 0) {
        throw FileError(CauseOf(file_.error()), user_path_);
      }
      if (got == 0) {
        break;
      }
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  bool Seek(uint64_t offset) override {
    return offset <= Length() && file_.seek(static_cast<qint64>(offset));
  }

 private:
  QFile file_;
  std::string user_path_;
};

class QtOutputFile final : public OutputFile {
 public:
  QtOutputFile(const QString& path, std::string userPath)
      : file_(path), user_path_(std::move(userPath)), fault_(output_fault) {}

  bool open() { return file_.open(QIODevice::WriteOnly); }

  void Write(const uint8_t* data, std::size_t size) override {
    if (fault_ && written_ + size > fault_->failAfterBytes) {
      const std::size_t allowed = static_cast<std::size_t>(fault_->failAfterBytes - written_);
      file_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(allowed));
      written_ += allowed;
      throw FileError(fault_->cause, user_path_);
    }
    const qint64 put = file_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    if (put < 0 || static_cast<std::size_t>(put) != size) {
      // A short write means the device took no more: a full disk.
      throw FileError(put < 0 ? CauseOf(file_.error()) : FileError::Cause::kDiskFull, user_path_);
    }
    written_ += size;
  }

  void Commit() override {
    // QSaveFile::commit() does not notice a failure while it flushes its
    // buffer and would move a cut-off file over the target; flushing here
    // first turns that failure into an error and leaves the target alone.
    if (!file_.flush() || !file_.commit()) {
      throw FileError(CauseOf(file_.error()), user_path_);
    }
  }

 private:
  QSaveFile file_;
  std::string user_path_;
  std::optional<OutputFault> fault_;
  uint64_t written_ = 0;
};

}  // namespace

FileError::FileError(Cause cause, std::string path)
    : std::runtime_error(cause == Cause::kDiskFull ? "disk full" : "file error"),
      cause_(cause),
      path_(std::move(path)) {}

std::string FileError::UserText() const {
  return cause_ == Cause::kDiskFull ? "访问 " + path_ + " 时磁盘已满。"
                                    : "访问 " + path_ + " 时发生了未知错误。";
}

bool PathExists(const std::string& path) {
  return !path.empty() && QFileInfo::exists(ToQString(path));
}

bool IsSameFile(const std::string& a, const std::string& b) {
  const QString ca = QFileInfo(ToQString(a)).canonicalFilePath();
  return !ca.isEmpty() && ca == QFileInfo(ToQString(b)).canonicalFilePath();
}

std::unique_ptr<InputFile> InputFile::Open(const std::string& path) {
  const QString qpath = ToQString(path);
  if (path.empty() || QFileInfo(qpath).isDir()) {
    return nullptr;
  }
  auto file = std::make_unique<QtInputFile>(qpath, path);
  if (!file->open()) {
    return nullptr;
  }
  return file;
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path) {
  const QString qpath = ToQString(path);
  if (path.empty() || QFileInfo(qpath).isDir()) {
    return nullptr;
  }
  auto file = std::make_unique<QtOutputFile>(qpath, path);
  if (!file->open()) {
    return nullptr;
  }
  return file;
}

void SetOutputFaultForTesting(std::optional<OutputFault> fault) {
  output_fault = fault;
}

}  // namespace zelmor
