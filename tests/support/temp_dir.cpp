#include "tests/support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace zelmor::testing {

TempDir::TempDir() {
  std::random_device device;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("zelmor-test-" + std::to_string(device()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
  const auto u8 = (path_ / std::filesystem::u8path(name)).u8string();
  return std::string(u8.begin(), u8.end());
}

std::vector<std::string> TempDir::List() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    const auto u8 = entry.path().filename().u8string();
    names.emplace_back(u8.begin(), u8.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace zelmor::testing
