#include "app/QtHost.h"

#include <QTimer>

#include "widgets/MessageBox.h"
#include "table/Host.h"

#include <gtest/gtest.h>

namespace {

class QtHostTest : public ::testing::Test {
protected:
    void SetUp() override { InstallHost(&host_); }
    void TearDown() override { InstallHost(nullptr); }

    QtHost host_;
};

TEST_F(QtHostTest, ProcessesPendingEvents) {
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    Host().ProcessPendingEvents();
    EXPECT_TRUE(ran);
}

TEST_F(QtHostTest, AsksTheUserInsteadOfTakingTheSafeAnswer) {
    MessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(Host().AskYesNo("Retry?", "Table", false));
    MessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_FALSE(Host().AskYesNo("Retry?", "Table", true));
}

TEST_F(QtHostTest, QuestionTextIsConvertedFromAnsi) {
    MessageBox::SetNextAnswer(QMessageBox::No);
    Host().AskYesNo("Caf\xE9 \x80?", "Gr\xFC\xDF", true);
    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, QString::fromUtf8("Caf\u00E9 \u20AC?"));
    EXPECT_EQ(shown->title, QString::fromUtf8("Gr\u00FC\u00DF"));
    EXPECT_EQ(shown->icon, QMessageBox::Question);
}

}  // namespace
