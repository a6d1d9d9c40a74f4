// The About box: its window, its contents, "Ok" and the link to the maker's web site.
#include "person/SplashForm.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QUrl kWebSite(QStringLiteral("https://www.veltrane.example/"));

class SplashFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_.SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return true;
        });
    }

    static QColor TextColour(const QWidget* widget) {
        return widget->palette().color(widget->foregroundRole());
    }

    TSplashform form_{kWebSite, QStringLiteral("0.1")};
    QList<QUrl> opened_;
};

TEST_F(SplashFormTest, IsAFixedOnTopBoxCaptionedAboutLineatum) {
    EXPECT_EQ(form_.windowTitle(), QStringLiteral("About Lineatum"));
    EXPECT_EQ(form_.size(), QSize(455, 262));
    EXPECT_EQ(form_.minimumSize(), QSize(455, 262));
    EXPECT_EQ(form_.maximumSize(), QSize(455, 262));
    const Qt::WindowFlags flags = form_.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(form_.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(form_.font().pointSize(), 8);
}

TEST_F(SplashFormTest, ShowsTheProductNameInBoldWhiteOnBlue) {
    EXPECT_EQ(form_.ProductLabel->text(), QStringLiteral("Lineatum\nVersion 0.1"));
    EXPECT_TRUE(form_.ProductLabel->font().bold());
    EXPECT_EQ(form_.ProductLabel->font().pointSize(), 16);
    EXPECT_EQ(TextColour(form_.ProductLabel), QColor(Qt::white));
    EXPECT_TRUE(form_.ProductPanel->autoFillBackground());
    EXPECT_EQ(form_.ProductPanel->palette().color(QPalette::Window), QColor(0, 0, 255));
}

TEST(SplashFormVersionTest, WithoutAVersionTheSecondLineNamesTheProgram) {
    TSplashform form(kWebSite);
    EXPECT_EQ(form.ProductLabel->text(), QStringLiteral("Lineatum\nGEDCOM viewer"));
}

TEST_F(SplashFormTest, UrlPanelIsShownWithTheWebAddressAsLink) {
    EXPECT_FALSE(form_.URLPanel->isHidden());
    EXPECT_EQ(form_.findChild<QFrame*>(QStringLiteral("URLPanel")), form_.URLPanel);
    EXPECT_EQ(form_.VisitLabel->text(), QStringLiteral("Visit our online store:"));
    EXPECT_EQ(form_.VisitLabel->font().pointSize(), 10);
    EXPECT_EQ(form_.UrlLabel->parentWidget(), form_.URLPanel);
    EXPECT_EQ(form_.UrlLabel->text(), QStringLiteral("https://www.veltrane.example/"));
    EXPECT_EQ(form_.UrlLabel->font().pointSize(), 10);
    EXPECT_EQ(form_.UrlLabel->font().family(), QStringLiteral("Arial"));
    EXPECT_TRUE(form_.UrlLabel->font().underline());
    EXPECT_EQ(TextColour(form_.UrlLabel), QColor(0, 0, 255));

    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    EXPECT_TRUE(form_.UrlLabel->isVisible());
    EXPECT_TRUE(form_.URLPanel->geometry().contains(
        form_.URLPanel->mapTo(&form_, form_.UrlLabel->geometry().bottomRight())));
}

TEST_F(SplashFormTest, ClickingTheAddressOpensItThroughTheOpener) {
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QTest::mouseClick(form_.UrlLabel, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0], kWebSite);
    EXPECT_TRUE(form_.isVisible());
}

TEST_F(SplashFormTest, OkClosesWithAccepted) {
    EXPECT_TRUE(form_.Okbutton->isDefault());
    EXPECT_EQ(form_.Okbutton->text(), QStringLiteral("Ok"));
    EXPECT_FALSE(form_.Okbutton->icon().isNull());
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QTest::mouseClick(form_.Okbutton, Qt::LeftButton);
    EXPECT_FALSE(form_.isVisible());
    EXPECT_EQ(form_.result(), QDialog::Accepted);
    EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(SplashFormTest, EnterPressesOk) {
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QTest::keyClick(&form_, Qt::Key_Return);
    EXPECT_FALSE(form_.isVisible());
    EXPECT_EQ(form_.result(), QDialog::Accepted);
}

}  // namespace
