#include "widgets/TJLabel.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Style = TJLabel::FontStyle;

constexpr QPoint kLabelAt(20, 20);
constexpr int kLabelWidth = 100;
constexpr int kLabelHeight = 16;

// A window holding one hover label at (20, 20), 100 x 16, with a blue normal look and a black,
// bold and underlined hover look. The pointer starts in the window's empty corner.
class TJLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.setGeometry(100, 100, 200, 100);
        label_ = new TJLabel(&host_);
        label_->setGeometry(QRect(kLabelAt, QSize(kLabelWidth, kLabelHeight)));
        label_->setText(QStringLiteral("Smith, John"));
        QPalette pal = label_->palette();
        pal.setColor(label_->foregroundRole(), Qt::blue);
        label_->setPalette(pal);
        label_->SetFontOverColor(Qt::black);
        label_->SetFontOverStyle(Style::Bold | Style::Underline);
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
        Activate(&host_);
        MoveTo(QPoint(190, 90));
    }

    static void Activate(QWidget* window) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    // Moves the pointer to `at` in the host window's coordinates.
    void MoveTo(QPoint at) { QTest::mouseMove(&host_, at); }
    // Moves the pointer to `at` in the label's coordinates.
    void MoveToLabel(QPoint at) { MoveTo(at + kLabelAt); }

    QColor TextColor() const { return label_->palette().color(label_->foregroundRole()); }
    TJLabel::FontStyles Styles() const { return TJLabel::StylesOf(label_->font()); }
    bool NormalLook() const { return TextColor() == Qt::blue && Styles() == TJLabel::FontStyles(); }
    bool HoverLook() const {
        return TextColor() == Qt::black && Styles() == (Style::Bold | Style::Underline);
    }

    QWidget host_;
    TJLabel* label_ = nullptr;
};

TEST_F(TJLabelTest, HoverAppliesLookAndLeavingRestoresIt) {
    QSignalSpy enter(label_, &TJLabel::OnMouseEnter);
    QSignalSpy leave(label_, &TJLabel::OnMouseLeave);
    EXPECT_TRUE(NormalLook());

    MoveToLabel(QPoint(10, 5));
    EXPECT_TRUE(HoverLook());
    ASSERT_EQ(enter.count(), 1);
    EXPECT_EQ(enter[0][0].value<TJLabel*>(), label_);
    EXPECT_EQ(leave.count(), 0);

    MoveToLabel(QPoint(30, 8));
    EXPECT_EQ(enter.count(), 1);

    MoveTo(QPoint(5, 5));
    EXPECT_TRUE(NormalLook());
    ASSERT_EQ(leave.count(), 1);
    EXPECT_EQ(leave[0][0].value<TJLabel*>(), label_);
    EXPECT_FALSE(label_->IsInside());
}

TEST_F(TJLabelTest, RightAndBottomEdgesCountAsInside) {
    QSignalSpy leave(label_, &TJLabel::OnMouseLeave);
    MoveToLabel(QPoint(50, 8));
    ASSERT_TRUE(label_->IsInside());

    MoveToLabel(QPoint(kLabelWidth, 8));
    EXPECT_TRUE(label_->IsInside());
    EXPECT_TRUE(HoverLook());
    MoveToLabel(QPoint(50, kLabelHeight));
    EXPECT_TRUE(label_->IsInside());
    MoveToLabel(QPoint(kLabelWidth, kLabelHeight));
    EXPECT_TRUE(label_->IsInside());
    EXPECT_EQ(leave.count(), 0);

    MoveToLabel(QPoint(kLabelWidth + 1, 8));
    EXPECT_EQ(leave.count(), 1);
    EXPECT_TRUE(NormalLook());
}

TEST_F(TJLabelTest, BeyondTheBottomEdgeIsOutside) {
    QSignalSpy leave(label_, &TJLabel::OnMouseLeave);
    MoveToLabel(QPoint(50, 8));
    MoveToLabel(QPoint(50, kLabelHeight + 1));
    EXPECT_EQ(leave.count(), 1);
}

TEST_F(TJLabelTest, LeftAndTopEdgesEndAtZero) {
    QSignalSpy leave(label_, &TJLabel::OnMouseLeave);
    MoveToLabel(QPoint(0, 0));
    EXPECT_TRUE(label_->IsInside());
    MoveToLabel(QPoint(-1, 0));
    EXPECT_EQ(leave.count(), 1);
    MoveToLabel(QPoint(5, 0));
    MoveToLabel(QPoint(5, -1));
    EXPECT_EQ(leave.count(), 2);
}

TEST_F(TJLabelTest, InactiveWindowKeepsNormalLookButLeaveStillFires) {
    QWidget other;
    other.setGeometry(600, 600, 100, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    Activate(&other);
    ASSERT_FALSE(label_->isActiveWindow());
    QSignalSpy enter(label_, &TJLabel::OnMouseEnter);
    QSignalSpy leave(label_, &TJLabel::OnMouseLeave);

    MoveToLabel(QPoint(10, 5));
    EXPECT_TRUE(label_->IsInside());
    EXPECT_TRUE(NormalLook());
    EXPECT_EQ(enter.count(), 0);

    MoveTo(QPoint(5, 5));
    EXPECT_EQ(leave.count(), 1);
    EXPECT_TRUE(NormalLook());
}

TEST_F(TJLabelTest, DisabledLabelKeepsNormalLook) {
    label_->setEnabled(false);
    QSignalSpy enter(label_, &TJLabel::OnMouseEnter);
    MoveToLabel(QPoint(10, 5));
    EXPECT_EQ(enter.count(), 0);
    EXPECT_EQ(TJLabel::StylesOf(label_->font()), TJLabel::FontStyles());
}

TEST_F(TJLabelTest, FastPassOverLabelDoesNotLeaveHoverLookBehind) {
    // One move onto the label and the next one off it: the label must not stay in its hover look
    // waiting for a second move inside.
    QSignalSpy leave(label_, &TJLabel::OnMouseLeave);
    MoveToLabel(QPoint(10, 5));
    MoveTo(QPoint(190, 90));
    EXPECT_EQ(leave.count(), 1);
    EXPECT_TRUE(NormalLook());
}

TEST_F(TJLabelTest, ColourSetAfterCreationSurvivesHover) {
    // The look restored on leaving is the one the label had when the mouse came, not the one it
    // had when it was constructed.
    TJLabel fresh(&host_);
    fresh.setGeometry(20, 50, 100, 16);
    fresh.setText(QStringLiteral("Jones"));
    QPalette pal = fresh.palette();
    pal.setColor(fresh.foregroundRole(), Qt::darkGreen);
    fresh.setPalette(pal);
    QFont italic = fresh.font();
    italic.setItalic(true);
    fresh.setFont(italic);
    fresh.SetFontOverStyle(Style::Bold);
    fresh.show();

    MoveTo(QPoint(30, 55));
    EXPECT_EQ(TJLabel::StylesOf(fresh.font()), TJLabel::FontStyles(Style::Bold));
    MoveTo(QPoint(190, 90));
    EXPECT_EQ(fresh.palette().color(fresh.foregroundRole()), QColor(Qt::darkGreen));
    EXPECT_EQ(TJLabel::StylesOf(fresh.font()), TJLabel::FontStyles(Style::Italic));
}

TEST_F(TJLabelTest, HidingWhileInsideEndsTheHover) {
    QSignalSpy leave(label_, &TJLabel::OnMouseLeave);
    MoveToLabel(QPoint(10, 5));
    label_->hide();
    EXPECT_EQ(leave.count(), 1);
    EXPECT_TRUE(NormalLook());
}

TEST_F(TJLabelTest, LeftClickEmitsOnClick) {
    QSignalSpy click(label_, &TJLabel::OnClick);
    QTest::mouseClick(label_, Qt::LeftButton, {}, QPoint(10, 5));
    ASSERT_EQ(click.count(), 1);
    EXPECT_EQ(click[0][0].value<TJLabel*>(), label_);
    QTest::mouseClick(label_, Qt::RightButton, {}, QPoint(10, 5));
    EXPECT_EQ(click.count(), 1);
}

// A focused label is clicked from the keyboard; other keys, and keys with modifiers, are not
// clicks. Focus reached with Tab shows as a frame.
TEST_F(TJLabelTest, ReturnEnterAndSpaceOnAFocusedLabelClickIt) {
    QSignalSpy click(label_, &TJLabel::OnClick);
    label_->setFocusPolicy(Qt::StrongFocus);
    const QImage unfocused = label_->grab().toImage();
    QTest::keyClick(&host_, Qt::Key_Tab);
    ASSERT_TRUE(label_->hasFocus());
    EXPECT_NE(label_->grab().toImage(), unfocused);
    QTest::keyClick(label_, Qt::Key_Return);
    QTest::keyClick(label_, Qt::Key_Enter);
    QTest::keyClick(label_, Qt::Key_Space);
    EXPECT_EQ(click.count(), 3);
    QTest::keyClick(label_, Qt::Key_A);
    QTest::keyClick(label_, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(click.count(), 3);
}

TEST_F(TJLabelTest, ReleaseOutsideIsNoClick) {
    QSignalSpy click(label_, &TJLabel::OnClick);
    QTest::mousePress(label_, Qt::LeftButton, {}, QPoint(10, 5));
    QTest::mouseRelease(label_, Qt::LeftButton, {}, QPoint(kLabelWidth + 5, 5));
    EXPECT_EQ(click.count(), 0);
}

TEST_F(TJLabelTest, PropertiesSignalOnlyRealChanges) {
    QSignalSpy color(label_, &TJLabel::FontOverColorChanged);
    QSignalSpy style(label_, &TJLabel::FontOverStyleChanged);
    label_->SetFontOverColor(Qt::black);
    label_->SetFontOverStyle(Style::Bold | Style::Underline);
    EXPECT_EQ(color.count(), 0);
    EXPECT_EQ(style.count(), 0);
    label_->SetFontOverColor(Qt::red);
    label_->SetFontOverStyle(Style::Italic);
    EXPECT_EQ(color.count(), 1);
    EXPECT_EQ(style.count(), 1);
    EXPECT_EQ(label_->property("FontOverColor").value<QColor>(), QColor(Qt::red));
}

TEST(TJLabelTextTest, AmpersandShowsLiterally) {
    // With accelerator handling a lone "&" would be swallowed and nothing drawn.
    TJLabel label;
    label.resize(30, 20);
    label.setText(QStringLiteral("&"));
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) inked += image.pixel(x, y) != qRgb(255, 255, 255);
    }
    EXPECT_GT(inked, 0);
}

TEST(TJLabelTextTest, LabelIsTransparent) { EXPECT_FALSE(TJLabel().autoFillBackground()); }

}  // namespace
