// Gives every GUI test a QApplication on the offscreen platform (unless the caller chose
// another one).
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>

namespace {

class QtApplicationEnvironment final : public ::testing::Environment {
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

    int argc_ = 1;
    char name_[16] = "gui-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const registered =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
