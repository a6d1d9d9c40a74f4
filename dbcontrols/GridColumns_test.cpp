// Column items of the data-aware grids, the default column list and the text of a data cell.
#include "dbcontrols/GridColumns.h"

#include <gtest/gtest.h>

namespace {

TEST(GridColumnsTest, ProgramItemGivesOneLeftAlignedColumnOfTheGivenWidth) {
    const HGridColumn column = ParseColumnItem(QStringLiteral("NAME;2;Last Name;0;0%324"));
    EXPECT_EQ(column.fieldName, QStringLiteral("NAME"));
    EXPECT_EQ(column.fieldNumber, 2);
    EXPECT_EQ(column.title, QStringLiteral("Last Name"));
    EXPECT_EQ(column.tag, 0);
    EXPECT_EQ(column.alignment, HColumnAlign::Left);
    EXPECT_EQ(column.width, 324);
}

TEST(GridColumnsTest, AlignmentIsReadUpToThePercentSign) {
    const HGridColumn right = ParseColumnItem(QStringLiteral("OFFSET;4;Offset;7;1%80"));
    EXPECT_EQ(right.alignment, HColumnAlign::Right);
    EXPECT_EQ(right.tag, 7);
    EXPECT_EQ(right.width, 80);
    const HGridColumn centred = ParseColumnItem(QStringLiteral("RTYPE;1;T;0;2"));
    EXPECT_EQ(centred.alignment, HColumnAlign::Center);
    EXPECT_EQ(centred.width, HGridColumn::kNoWidth);
    EXPECT_EQ(ParseColumnItem(QStringLiteral("RTYPE;1;T;0;9%5")).alignment, HColumnAlign::Left);
}

TEST(GridColumnsTest, TitleMayHoldAPercentSign) {
    const HGridColumn column = ParseColumnItem(QStringLiteral("NAME;2;100% sure;0;1%50"));
    EXPECT_EQ(column.title, QStringLiteral("100% sure"));
    EXPECT_EQ(column.alignment, HColumnAlign::Right);
    EXPECT_EQ(column.width, 50);
}

TEST(GridColumnsTest, MissingAndBrokenPartsFallBack) {
    const HGridColumn bare = ParseColumnItem(QStringLiteral("POINTER"));
    EXPECT_EQ(bare.fieldName, QStringLiteral("POINTER"));
    EXPECT_EQ(bare.fieldNumber, 0);
    EXPECT_TRUE(bare.title.isEmpty());
    EXPECT_EQ(bare.width, HGridColumn::kNoWidth);

    const HGridColumn broken = ParseColumnItem(QStringLiteral("NAME;x;Name;y;z%wide"));
    EXPECT_EQ(broken.fieldNumber, 0);
    EXPECT_EQ(broken.tag, 0);
    EXPECT_EQ(broken.alignment, HColumnAlign::Left);
    EXPECT_EQ(broken.width, HGridColumn::kNoWidth);
    EXPECT_EQ(ParseColumnItem(QStringLiteral("NAME;2;N;0;0%-5")).width, HGridColumn::kNoWidth);
}

TEST(GridColumnsTest, LongNamesAndTitlesAreCut) {
    const HGridColumn column =
        ParseColumnItem(QStringLiteral("ABCDEFGHIJKLMN;1;") + QString(40, QLatin1Char('t')));
    EXPECT_EQ(column.fieldName, QStringLiteral("ABCDEFGHIJ"));
    EXPECT_EQ(column.title, QString(30, QLatin1Char('t')));
}

TEST(GridColumnsTest, WidthIsReplacedOrAdded) {
    EXPECT_EQ(WithColumnWidth(QStringLiteral("NAME;2;Last Name;0;0%324"), 90),
              QStringLiteral("NAME;2;Last Name;0;0%90"));
    EXPECT_EQ(WithColumnWidth(QStringLiteral("NAME;2;50% off;0;1"), 12),
              QStringLiteral("NAME;2;50% off;0;1%12"));
    EXPECT_EQ(WithColumnWidth(QStringLiteral("NAME"), 7), QStringLiteral("NAME;;;;%7"));
    EXPECT_EQ(ParseColumnItem(WithColumnWidth(QStringLiteral("NAME"), 7)).width, 7);
}

TEST(GridColumnsTest, DefaultListSizesColumnsByFieldLengthOrName) {
    const std::vector<HGridFieldInfo> fields = {{QStringLiteral("RTYPE"), 1},
                                                {QStringLiteral("NAME"), 70}};
    // Seven pixels a character: "O" * (length + 1), or the name and an "O" when wider.
    const auto measure = [](const QString& text) { return 7 * static_cast<int>(text.size()); };
    EXPECT_EQ(DefaultColumnItems(fields, measure, 64),
              QStringList(
                  {QStringLiteral("RTYPE;1;RTYPE;0;0%42"), QStringLiteral("NAME;2;NAME;0;0%497")}));
    EXPECT_EQ(DefaultColumnItems(fields, nullptr, 64),
              QStringList(
                  {QStringLiteral("RTYPE;1;RTYPE;0;0%64"), QStringLiteral("NAME;2;NAME;0;0%64")}));
}

TEST(GridColumnsTest, CellTextIsTrimmedAndConvertedFromOemWhenTransliterating) {
    EXPECT_EQ(CellBytes("  M\x81ller   ", true), "M\xFCller");
    EXPECT_EQ(CellBytes("  M\x81ller   ", false), "M\x81ller");
    EXPECT_EQ(CellBytes("     ", true), "");
}

}  // namespace
