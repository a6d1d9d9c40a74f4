#include "table/EZadarirError.h"

#include "table/HStatus.h"

#include <gtest/gtest.h>

TEST(ZadarirMessageTest, AccessDeniedNamesTheFile) {
    EXPECT_EQ(ZadarirMessage(5, 1107, "/DATA/QUILBET.DBF"),
              "File /DATA/QUILBET.DBF access is denied");
    EXPECT_EQ(ZadarirMessage(32, 1204, "/X.DBF"), "File /X.DBF access is denied");
}

TEST(ZadarirMessageTest, LockViolationIgnoresSubCodeAndText) {
    EXPECT_EQ(ZadarirMessage(33, 1112, "/X.DBF"), "Record is locked by another user");
}

TEST(ZadarirMessageTest, OtherCodesShowCodeSubCodeAndText) {
    EXPECT_EQ(ZadarirMessage(1001, 1204, "/TMP/LOOKUP.DBF"),
              "Zadarir Error 1001, SubCode 1204.\r/TMP/LOOKUP.DBF");
}

TEST(ZadarirMessageTest, NoSubCodeLeavesItOut) {
    EXPECT_EQ(ZadarirMessage(1004, -7, "Invalid date in field L->D (20260230)"),
              "Zadarir Error 1004.\rInvalid date in field L->D (20260230)");
}

TEST(ZadarirMessageTest, NoTextEndsWithCarriageReturn) {
    EXPECT_EQ(ZadarirMessage(221, 1101, ""), "Zadarir Error 221, SubCode 1101.\r");
}

TEST(DefaultZadarirHandlerTest, ThrowsTheMessage) {
    try {
        DefaultZadarirHandler(33, 1112, "x");
        FAIL() << "no exception";
    } catch (const EZadarirError& e) {
        EXPECT_STREQ(e.what(), "Record is locked by another user");
    }
}

TEST(DefaultZadarirHandlerTest, CodeZeroIsNoError) {
    EXPECT_NO_THROW(DefaultZadarirHandler(0, 1101, "x"));
}

TEST(DefaultZadarirHandlerTest, InternalConsistencyErrorEndsTheProcess) {
    EXPECT_EXIT(DefaultZadarirHandler(213, -1, ""), testing::ExitedWithCode(213),
                "Zadarir Error 213");
}
