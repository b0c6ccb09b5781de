#include "qt/qt_app.h"

#include <gtest/gtest.h>

namespace corvane::ui {
namespace {

// The application lives from before the first test to after the last one, and is gone before
// the program's own exit handlers run.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = new QApplication(argc_, argv_);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }
  static QApplication* app_;

 private:
  int argc_ = 1;
  char name_[9] = "qt_tests";
  char* argv_[2] = {name_, nullptr};
};

QApplication* QtEnvironment::app_ = nullptr;

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QApplication& TestApp() { return *QtEnvironment::app_; }

}  // namespace corvane::ui
