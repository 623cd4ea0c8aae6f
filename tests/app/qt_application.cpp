// One QApplication for the whole test program, made before the first test.
#include <gtest/gtest.h>
#include <QApplication>

namespace {

class QtApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override { application_ = new QApplication(argc_, argv_); }
  void TearDown() override {
    delete application_;
    application_ = nullptr;
  }

 private:
  int argc_ = 1;
  char name_[7] = "Zelmor";
  char* argv_[2] = {name_, nullptr};
  QApplication* application_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
