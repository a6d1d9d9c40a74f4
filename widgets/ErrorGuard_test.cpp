#include "widgets/ErrorGuard.h"

#include <stdexcept>

#include "widgets/MessageBox.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorGuardTest, CommandWithoutErrorShowsNothing) {
    MessageBox::ClearLastShown();
    bool ran = false;
    RunGuarded(nullptr, [&ran] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(MessageBox::LastShown().has_value());
}

TEST(ErrorGuardTest, EngineErrorIsShownWithItsMessage) {
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    RunGuarded(nullptr, [] { throw std::runtime_error("Unable to open M\xFCller.ged"); });
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->icon, QMessageBox::Critical);
    EXPECT_EQ(shown->title, QStringLiteral("Lineatum"));
    EXPECT_EQ(shown->text, QString::fromUtf8("Unable to open M\u00FCller.ged"));
}

TEST(ErrorGuardTest, AMessageNamingAUtf8PathIsShownAsUtf8) {
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    RunGuarded(nullptr, [] {
        throw std::runtime_error("Unable to write to /home/J\xC3\xBCrgen/Quilbet.ini");
    });
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, QString::fromUtf8("Unable to write to /home/J\u00FCrgen/Quilbet.ini"));
}

TEST(ErrorGuardTest, UnknownExceptionIsStillCaught) {
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    RunGuarded(nullptr, [] { throw 42; });
    ASSERT_TRUE(MessageBox::LastShown().has_value());
    EXPECT_EQ(MessageBox::LastShown()->icon, QMessageBox::Critical);
}

}  // namespace
