#include "widgets/TUrlLabel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "widgets/HandCursor.h"
#include "widgets/MessageBox.h"
#include "widgets/ScreenCursors.h"

#include <gtest/gtest.h>

namespace {

constexpr QPoint kLabelAt(20, 20);
constexpr int kLabelWidth = 160;
constexpr int kLabelHeight = 16;
constexpr QPoint kOnLabel(10, 5);
constexpr QPoint kOffLabel(kLabelWidth + 10, 5);
const QColor kPurple(128, 0, 128);

// A window holding one link label at (20, 20), 160 x 16, whose opener records the addresses it
// is given instead of starting a browser.
class TUrlLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.setGeometry(100, 100, 260, 100);
        label_ = new TUrlLabel(QStringLiteral("https://www.veltrane.example/"), &host_);
        label_->setGeometry(QRect(kLabelAt, QSize(kLabelWidth, kLabelHeight)));
        label_->SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return true;
        });
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    }

    void TearDown() override {
        // A menu left open would grab the mouse in the next test.
        label_->ContextMenu()->hide();
    }

    static QImage ImageOf(const QCursor& cursor) { return cursor.pixmap().toImage(); }

    QWidget host_;
    TUrlLabel* label_ = nullptr;
    QList<QUrl> opened_;
};

TEST_F(TUrlLabelTest, IsBlueUnderlinedWithTheHandOfItsSlot) {
    EXPECT_EQ(label_->FontColor(), QColor(0, 0, 255));
    EXPECT_EQ(label_->palette().color(QPalette::Inactive, label_->foregroundRole()),
              QColor(0, 0, 255));
    EXPECT_TRUE(label_->font().underline());
    EXPECT_EQ(label_->ActiveColor(), kPurple);

    ASSERT_TRUE(HasScreenCursor(kCrHand));
    const QCursor cursor = label_->cursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor, ScreenCursor(kCrHand));
    EXPECT_EQ(cursor.hotSpot(), QPoint(kLinkHandHotX, kLinkHandHotY));
    EXPECT_EQ(ImageOf(cursor), ImageOf(LinkHandCursor()));
}

TEST_F(TUrlLabelTest, LeavesTheButtonsHandSlotAlone) {
    SetScreenCursor(kCrHandPoint, QCursor(Qt::CrossCursor));
    TUrlLabel other(QStringLiteral("www.veltrane.example"));
    EXPECT_EQ(ScreenCursor(kCrHandPoint).shape(), Qt::CrossCursor);
}

TEST(LinkCursorTest, HotSpotIsOnTheFingertip) {
    const QCursor cursor = LinkHandCursor();
    const QImage image = cursor.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    // The hot spot lies on the drawn outline, and nothing is drawn above the fingertip.
    const QPoint hot = cursor.hotSpot();
    EXPECT_GT(qAlpha(image.pixel(hot)), 0);
    EXPECT_GT(qAlpha(image.pixel(hot + QPoint(0, 2))), 0);
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(qAlpha(image.pixel(x, 0)), 0) << "x = " << x;
    }
}

TEST_F(TUrlLabelTest, ClickOpensTheCaptionThroughTheOpener) {
    QTest::mouseClick(label_, Qt::LeftButton, {}, kOnLabel);
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0], QUrl(QStringLiteral("https://www.veltrane.example/")));
}

TEST_F(TUrlLabelTest, AddressWithoutSchemeAndBlanksAroundOpensAsWebAddress) {
    label_->setText(QStringLiteral("  www.veltrane.example  "));
    QTest::mouseClick(label_, Qt::LeftButton, {}, kOnLabel);
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0], QUrl(QStringLiteral("http://www.veltrane.example")));
}

TEST_F(TUrlLabelTest, EmptyOrBlankCaptionOpensNothing) {
    for (const QString& blank : {QString(), QStringLiteral("   "), QStringLiteral(" \t ")}) {
        label_->setText(blank);
        QTest::mouseClick(label_, Qt::LeftButton, {}, kOnLabel);
    }
    EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(TUrlLabelTest, FailureToOpenIsNotReported) {
    label_->SetUrlOpener([this](const QUrl& url) {
        opened_.push_back(url);
        return false;
    });
    MessageBox::ClearLastShown();
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(label_, Qt::LeftButton, {}, kOnLabel);
    EXPECT_EQ(opened_.size(), 1);
    ASSERT_FALSE(MessageBox::LastShown().has_value());
    // Use up the answer, so that it cannot answer a box of a later test.
    MessageBox::Information(nullptr, QString(), QString());
    MessageBox::ClearLastShown();
}

TEST_F(TUrlLabelTest, LeftButtonHeldShowsActiveColourAndReleaseRestoresIt) {
    QTest::mousePress(label_, Qt::LeftButton, {}, kOnLabel);
    EXPECT_TRUE(label_->IsPressed());
    EXPECT_EQ(label_->FontColor(), kPurple);
    QTest::mouseRelease(label_, Qt::LeftButton, {}, kOnLabel);
    EXPECT_FALSE(label_->IsPressed());
    EXPECT_EQ(label_->FontColor(), QColor(0, 0, 255));
}

TEST_F(TUrlLabelTest, ReleaseOffTheLabelRestoresColourWithoutOpening) {
    QTest::mousePress(label_, Qt::LeftButton, {}, kOnLabel);
    QTest::mouseMove(label_, kOffLabel);
    EXPECT_EQ(label_->FontColor(), kPurple);
    QTest::mouseRelease(label_, Qt::LeftButton, {}, kOffLabel);
    EXPECT_EQ(label_->FontColor(), QColor(0, 0, 255));
    EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(TUrlLabelTest, RestoresTheColourItHadAtThePress) {
    label_->SetFontColor(Qt::darkGreen);
    label_->SetActiveColor(Qt::red);
    QTest::mousePress(label_, Qt::LeftButton, {}, kOnLabel);
    EXPECT_EQ(label_->FontColor(), QColor(Qt::red));
    QTest::mouseRelease(label_, Qt::LeftButton, {}, kOnLabel);
    EXPECT_EQ(label_->FontColor(), QColor(Qt::darkGreen));
}

TEST_F(TUrlLabelTest, HidingWhileHeldRestoresTheColour) {
    QTest::mousePress(label_, Qt::LeftButton, {}, kOnLabel);
    label_->hide();
    EXPECT_FALSE(label_->IsPressed());
    EXPECT_EQ(label_->FontColor(), QColor(0, 0, 255));
}

TEST_F(TUrlLabelTest, ActiveColorNotifiesOnlyOnChange) {
    QSignalSpy changed(label_, &TUrlLabel::ActiveColorChanged);
    label_->SetActiveColor(kPurple);
    EXPECT_EQ(changed.count(), 0);
    label_->setProperty("ActiveColor", QColor(Qt::red));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(label_->ActiveColor(), QColor(Qt::red));
}

TEST_F(TUrlLabelTest, RightButtonOpensTheMenuAndKeepsTheColour) {
    // Through the window, as the platform delivers it, so that the toolkit turns the right
    // button into a context-menu request.
    QWindow* window = host_.windowHandle();
    QTest::mousePress(window, Qt::RightButton, {}, kLabelAt + kOnLabel);
    EXPECT_EQ(label_->FontColor(), QColor(0, 0, 255));
    EXPECT_FALSE(label_->IsPressed());
    QTest::mouseRelease(window, Qt::RightButton, {}, kLabelAt + kOnLabel);
    EXPECT_EQ(label_->FontColor(), QColor(0, 0, 255));
    EXPECT_TRUE(label_->ContextMenu()->isVisible());
    EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(TUrlLabelTest, MenuHasOnlyCopy) {
    QMenu* menu = label_->ContextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->parent(), label_);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0], label_->CopyAction());
    EXPECT_EQ(label_->CopyAction()->text(), QStringLiteral("Copy"));
}

TEST_F(TUrlLabelTest, CopyPutsTheCaptionOnTheClipboard) {
    QApplication::clipboard()->setText(QStringLiteral("something else"));
    label_->CopyAction()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("https://www.veltrane.example/"));
    EXPECT_TRUE(opened_.isEmpty());
}

}  // namespace
