// Gives a GoogleTest program the Qt application its widgets or painters
// need, on the offscreen platform, created before the first test and gone
// after the last.  One line in one test file of the program:
//
//   TARROW_QT_TEST_APPLICATION(QApplication);
#pragma once

#include <memory>

#include <gtest/gtest.h>
#include <QtGlobal>

namespace tarrow {

template <typename QtApplication>
class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Tests never open windows on a real display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QtApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;  // the application keeps a reference to it
  char name_[6] = "tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QtApplication> application_;
};

}  // namespace tarrow

#define TARROW_QT_TEST_APPLICATION(Type)                                     \
  [[maybe_unused]] static ::testing::Environment* const kQtTestEnvironment = \
      ::testing::AddGlobalTestEnvironment(new ::tarrow::QtApplicationEnvironment<Type>)
