#include "gedcom/CreateIndexForm.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "table/EZadarirError.h"
#include "table/Host.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Counts the questions the engine asks instead of showing them.
class CountingHost : public HHost {
public:
    bool AskYesNo(const std::string&, const std::string&, bool safeAnswer) override {
        ++questions;
        return safeAnswer;
    }
    int questions = 0;
};

class CreateIndexFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        GedcomState().Decoding = gedcom::TextDecoding::Utf8;
        GedcomState().BuildCancelled = false;
        shown_.reset();
        gedcom_ = dir_.Write("family.ged", "0 HEAD\n0 @I1@ INDI\n1 NAME John /Smith/\n0 TRLR\n");
        lookup_ = dir_.File("QBTEST.DBF");
        index_ = dir_.File("QBTEST.CDX");
    }
    void TearDown() override {
        GedcomState().Decoding = gedcom::TextDecoding::Utf8;
        GedcomState().BuildCancelled = false;
        InstallHost(nullptr);
    }

    // Keeps the error message `form` would show instead of showing it.
    void Capture(TCreateIndexForm& form) {
        form.ShowBuildError = [this](const QString& message) { shown_ = message; };
    }

    // A dialog with its inputs set and `build` in place of the builder.
    std::unique_ptr<TCreateIndexForm> MakeForm(TCreateIndexBuild build) {
        auto form = std::make_unique<TCreateIndexForm>(nullptr, std::move(build));
        Capture(*form);
        form->SetGedcomPath(gedcom_);
        form->SetLookupPath(lookup_);
        return form;
    }

    // Creates the table through the dialog's own components, as the builder does, and opens it.
    static void CreateTable(const std::string& lookupPath, HCreateTable& creator, HTable& table) {
        const std::filesystem::path path(lookupPath);
        table.SetDBFPath(path.parent_path().string());
        table.SetDBFName(path.filename().string());
        ASSERT_TRUE(creator.Execute());
        table.SetActive(true);
    }

    // Appends `count` individuals and builds both index tags in the ".CDX" file.
    static void FillAndIndex(const std::string& lookupPath, HTable& table, int count) {
        for (int i = 1; i <= count; ++i) {
            table.Append();
            table.StringPut("RTYPE", "I");
            table.StringPut("POINTER", "I" + std::to_string(i));
            table.IntegerPut("OFFSET", i * 10);
            table.StringPut("NAME", "Name" + std::to_string(count - i) + ", Given");
            table.Post();
        }
        const std::string cdx =
            std::filesystem::path(lookupPath).replace_extension(".CDX").string();
        table.IndexOn(cdx, "NAME", 7, 1, "", "RTYPE-UPPER(NAME)");
        table.IndexOn(cdx, "POINTER", 7, 1, "", "POINTER");
    }

    static void WriteStaleFiles(const std::string& lookup, const std::string& index) {
        std::ofstream(lookup, std::ios::binary) << "an older lookup table";
        std::ofstream(index, std::ios::binary) << "its index";
    }

    TempDir dir_;
    std::optional<QString> shown_;
    std::string gedcom_;
    std::string lookup_;
    std::string index_;
};

TEST_F(CreateIndexFormTest, OpensWaitingWithItsTextsAndEmptyProgressLabels) {
    TCreateIndexForm form;
    EXPECT_EQ(form.windowTitle(), "Create Lookup Table");
    EXPECT_EQ(form.size(), QSize(427, 310));
    EXPECT_EQ(form.IntroLabel->text(),
              "We need to create a fast lookup table for the GEDCOM file. \n"
              "This will not change the GEDCOM file in any way.\n\n"
              "This could take a few minutes\n\n"
              "Press Create to start creating the lookup table, or cancel to quit.");
    EXPECT_TRUE(form.IntroLabel->wordWrap());
    EXPECT_EQ(form.IntroLabel->pos(), QPoint(25, 21));
    EXPECT_EQ(form.IntroLabel->width(), 378);
    EXPECT_GE(form.IntroLabel->height(), 95);
    EXPECT_EQ(form.CreateButton->text(), "Create");
    EXPECT_EQ(form.Cancelbutton->text(), "Cancel");
    EXPECT_EQ(form.Cancelindexbutton->text(), "Cancel Lookup Table Building");
    EXPECT_EQ(form.Cancelindexbutton->geometry(), QRect(70, 199, 234, 25));
    EXPECT_EQ(form.CreateButton->pos(), QPoint(27, 262));
    EXPECT_EQ(form.Cancelbutton->pos(), QPoint(328, 262));
    EXPECT_EQ(form.activity->pos(), QPoint(69, 136));
    EXPECT_EQ(form.status->pos(), QPoint(69, 155));
    EXPECT_EQ(form.individuals->pos(), QPoint(69, 174));
    EXPECT_TRUE(form.activity->text().isEmpty());
    EXPECT_TRUE(form.status->text().isEmpty());
    EXPECT_TRUE(form.individuals->text().isEmpty());
    EXPECT_TRUE(form.CreateButton->isEnabled());
    EXPECT_TRUE(form.Cancelbutton->isEnabled());
    EXPECT_FALSE(form.Cancelindexbutton->isEnabled());
}

TEST_F(CreateIndexFormTest, IntroTextIsNotCutOffByALargerFont) {
    TCreateIndexForm form;
    EXPECT_GE(form.IntroLabel->height(), form.IntroLabel->heightForWidth(378));
    EXPECT_LT(form.IntroLabel->geometry().bottom(), form.activity->y());
}

TEST_F(CreateIndexFormTest, ComponentsAreFoundByName) {
    TCreateIndexForm form;
    EXPECT_EQ(form.findChild<QLabel*>("IntroLabel"), form.IntroLabel);
    EXPECT_EQ(form.findChild<QLabel*>("activity"), form.activity);
    EXPECT_EQ(form.findChild<QLabel*>("status"), form.status);
    EXPECT_EQ(form.findChild<QLabel*>("individuals"), form.individuals);
    EXPECT_EQ(form.findChild<QPushButton*>("CreateButton"), form.CreateButton);
    EXPECT_EQ(form.findChild<QPushButton*>("Cancelbutton"), form.Cancelbutton);
    EXPECT_EQ(form.findChild<QPushButton*>("Cancelindexbutton"), form.Cancelindexbutton);
}

TEST_F(CreateIndexFormTest, TableComponentsAreSetUpForTheLookupTable) {
    TCreateIndexForm form;
    EXPECT_TRUE(form.GedTable.Exclusive());
    EXPECT_EQ(form.HCreateTable1.DBFTable(), &form.GedTable);
    EXPECT_EQ(form.HCreateTable1.DBFType(), HDBFTypes::FoxPro2);
    EXPECT_TRUE(form.HCreateTable1.AutoOverwrite());
    EXPECT_FALSE(form.HCreateTable1.KeepOpen());
    EXPECT_EQ(form.HCreateTable1.CreateFields(),
              (std::vector<std::string>{"RTYPE;C;1;0", "NAME;C;70;0", "POINTER;C;20;0",
                                        "OFFSET;N;10;0"}));
}

TEST_F(CreateIndexFormTest, TransliterateFollowsTheIbmPcFlag) {
    GedcomState().Decoding = gedcom::TextDecoding::CodePage437;
    EXPECT_TRUE(TCreateIndexForm().GedTable.Transliterate());
    GedcomState().Decoding = gedcom::TextDecoding::Utf8;
    EXPECT_FALSE(TCreateIndexForm().GedTable.Transliterate());
}

TEST_F(CreateIndexFormTest, HasNoCloseBoxAndRefusesToCloseFromTheTitleBar) {
    TCreateIndexForm form;
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    form.setModal(true);
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(CreateIndexFormTest, CancelClosesWithCancelAndLeavesAnExistingTableUntouched) {
    WriteStaleFiles(lookup_, index_);
    const std::string before = ReadFileBytes(lookup_);
    bool built = false;
    auto form = MakeForm([&](auto&&...) { built = true; });
    form->show();
    QTest::mouseClick(form->Cancelbutton, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_FALSE(built);
    EXPECT_EQ(ReadFileBytes(lookup_), before);
    EXPECT_TRUE(Exists(index_));
}

TEST_F(CreateIndexFormTest, CreateWithoutGedcomPathDoesNothing) {
    bool built = false;
    auto form = MakeForm([&](auto&&...) { built = true; });
    form->SetGedcomPath("");
    form->show();
    QTest::mouseClick(form->CreateButton, Qt::LeftButton);
    EXPECT_FALSE(built);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->CreateButton->isEnabled());
    EXPECT_FALSE(form->Cancelindexbutton->isEnabled());
}

TEST_F(CreateIndexFormTest, OnlyCancelBuildingIsEnabledWhileBuilding) {
    std::optional<bool> create, cancel, cancelIndex;
    std::string gedcomSeen, lookupSeen;
    TCreateIndexForm* seen = nullptr;
    auto form = MakeForm([&](const std::string& gedcom, const std::string& lookup,
                             HCreateTable& creator, HTable& table, TLookupBuildProgress& progress) {
        gedcomSeen = gedcom;
        lookupSeen = lookup;
        EXPECT_EQ(creator.DBFTable(), &table);
        progress.SetActivity("Creating index files...");
        progress.SetIndividuals("200 individuals found");
        progress.SetStatus("37% done");
        progress.ProcessPendingEvents();
        create = seen->CreateButton->isEnabled();
        cancel = seen->Cancelbutton->isEnabled();
        cancelIndex = seen->Cancelindexbutton->isEnabled();
    });
    seen = form.get();
    form->show();
    QTest::mouseClick(form->CreateButton, Qt::LeftButton);
    EXPECT_EQ(gedcomSeen, gedcom_);
    EXPECT_EQ(lookupSeen, lookup_);
    EXPECT_EQ(create, false);
    EXPECT_EQ(cancel, false);
    EXPECT_EQ(cancelIndex, true);
    EXPECT_EQ(form->activity->text(), "Creating index files...");
    EXPECT_EQ(form->individuals->text(), "200 individuals found");
    EXPECT_EQ(form->status->text(), "37% done");
}

TEST_F(CreateIndexFormTest, ProgressTextsAreConvertedFromWindows1252) {
    auto form = MakeForm([](const std::string&, const std::string&, HCreateTable&, HTable&,
                            TLookupBuildProgress& progress) { progress.SetActivity("\xC9t\xE9"); });
    form->CreateButtonClick();
    EXPECT_EQ(form->activity->text(), QString::fromUtf8("\u00C9t\u00E9"));
}

TEST_F(CreateIndexFormTest, FinishedBuildClosesTheModalDialogByItself) {
    auto form = MakeForm([](const std::string&, const std::string& lookup, HCreateTable& creator,
                            HTable& table, TLookupBuildProgress&) {
        CreateTable(lookup, creator, table);
        FillAndIndex(lookup, table, 3);
        table.SetActive(false);
    });
    QTimer::singleShot(0, form.get(),
                       [&] { QTest::mouseClick(form->CreateButton, Qt::LeftButton); });
    EXPECT_EQ(form->exec(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(Exists(lookup_));
    EXPECT_TRUE(Exists(index_));
    EXPECT_FALSE(shown_.has_value());
    EXPECT_FALSE(form->GedTable.Active());
}

TEST_F(CreateIndexFormTest, EngineStatusReportsOfARealIndexBuildReachTheLabels) {
    QStringList activities;
    TCreateIndexForm* seen = nullptr;
    auto form = MakeForm([&](const std::string&, const std::string& lookup, HCreateTable& creator,
                             HTable& table, TLookupBuildProgress&) {
        CreateTable(lookup, creator, table);
        const auto before = table.OnStatus;
        table.OnStatus = [&, before](int a, int b, int c) {
            before(a, b, c);
            if (activities.isEmpty() || activities.back() != seen->activity->text())
                activities << seen->activity->text();
        };
        FillAndIndex(lookup, table, 250);
        table.OnStatus = before;
        table.SetActive(false);
    });
    seen = form.get();
    form->CreateButtonClick();
    EXPECT_EQ(activities, (QStringList{"Index 1 Sort Progress", "Index 2 Sort Progress"}));
    EXPECT_EQ(form->status->text(), "Finished");
    EXPECT_TRUE(Exists(index_));
}

// Files are the builder's business (a cancelled or failed build of the real builder leaves them
// as they were); the dialog closes without a message.
TEST_F(CreateIndexFormTest, CancelDuringTheBuildClosesTheDialogWithoutAMessage) {
    int rounds = 0;
    TCreateIndexForm* seen = nullptr;
    auto form = MakeForm([&](const std::string&, const std::string& lookup, HCreateTable& creator,
                             HTable& table, TLookupBuildProgress& progress) {
        CreateTable(lookup, creator, table);
        GedcomState().BuildCancelled = false;
        while (rounds < 1000) {
            ++rounds;
            if (rounds == 3) QTest::mouseClick(seen->Cancelindexbutton, Qt::LeftButton);
            progress.ProcessPendingEvents();
            if (GedcomState().BuildCancelled) break;
        }
        progress.SetStatus("100% done");
        FillAndIndex(lookup, table, 2);
        table.SetActive(false);
    });
    seen = form.get();
    form->show();
    QTest::mouseClick(form->CreateButton, Qt::LeftButton);
    EXPECT_EQ(rounds, 3);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(shown_.has_value());
}

TEST_F(CreateIndexFormTest, CancelDuringARebuildKeepsThePreviousTable) {
    WriteStaleFiles(lookup_, index_);
    auto form = MakeForm([](auto&&...) { GedcomState().BuildCancelled = true; });
    form->CreateButtonClick();
    EXPECT_EQ(ReadFileBytes(lookup_), "an older lookup table");
    EXPECT_EQ(ReadFileBytes(index_), "its index");
}

TEST_F(CreateIndexFormTest, StaleCancelFlagDoesNotDeleteAFreshBuild) {
    GedcomState().BuildCancelled = true;
    auto form = MakeForm([](const std::string&, const std::string& lookup, HCreateTable& creator,
                            HTable& table, TLookupBuildProgress&) {
        CreateTable(lookup, creator, table);
        FillAndIndex(lookup, table, 1);
        table.SetActive(false);
    });
    form->CreateButtonClick();
    EXPECT_TRUE(Exists(lookup_));
    EXPECT_TRUE(Exists(index_));
}

TEST_F(CreateIndexFormTest, ErrorIsShownAndTheDialogCloses) {
    auto form = MakeForm([](const std::string&, const std::string& lookup, HCreateTable& creator,
                            HTable& table, TLookupBuildProgress&) {
        CreateTable(lookup, creator, table);
        FillAndIndex(lookup, table, 2);
        throw EZadarirError("Zadarir Error 5, SubCode 1102.\r\xC9tude.CDX");
    });
    form->show();
    QTest::mouseClick(form->CreateButton, Qt::LeftButton);
    ASSERT_TRUE(shown_.has_value());
    EXPECT_EQ(*shown_, QString::fromUtf8("Zadarir Error 5, SubCode 1102.\r\u00C9tude.CDX"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->GedTable.Active());
}

TEST_F(CreateIndexFormTest, ErrorIsShownInACriticalMessageBoxByDefault) {
    TCreateIndexForm form(nullptr, [](auto&&...) { throw std::runtime_error("Disk full"); });
    form.SetGedcomPath(gedcom_);
    form.SetLookupPath(lookup_);
    std::optional<QString> title, text;
    std::optional<QMessageBox::Icon> icon;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        }
    });
    closer.start(10);
    form.CreateButtonClick();
    EXPECT_EQ(title, "Lineatum");
    EXPECT_EQ(text, "Disk full");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST_F(CreateIndexFormTest, ErrorWithoutAMessageIsShown) {
    auto form = MakeForm([](const std::string&, const std::string& lookup, HCreateTable& creator,
                            HTable& table, TLookupBuildProgress&) {
        CreateTable(lookup, creator, table);
        FillAndIndex(lookup, table, 1);
        throw 42;
    });
    form->CreateButtonClick();
    ASSERT_TRUE(shown_.has_value());
    EXPECT_EQ(*shown_, "An unexpected error occurred.");
}

TEST_F(CreateIndexFormTest, ErrorWithAnUnsavedRecordClosesTheTableWithoutAsking) {
    CountingHost host;
    InstallHost(&host);
    auto form = MakeForm([](const std::string&, const std::string& lookup, HCreateTable& creator,
                            HTable& table, TLookupBuildProgress&) {
        CreateTable(lookup, creator, table);
        table.Append();
        table.StringPut("POINTER", "I1");
        table.IntegerPut("OFFSET", 7);
        throw std::runtime_error("Disk full");
    });
    form->CreateButtonClick();
    EXPECT_EQ(host.questions, 0);
    EXPECT_FALSE(form->GedTable.Active());
    ASSERT_TRUE(shown_.has_value());
    EXPECT_EQ(*shown_, "Disk full");
}

TEST_F(CreateIndexFormTest, StatusCaptionsFollowTheIndexPhases) {
    TCreateIndexForm form;
    form.GedTableStatus(-1, 1, 250);
    EXPECT_EQ(form.activity->text(), "Index 1 Sort Progress");
    form.GedTableStatus(1, 100, 0);
    EXPECT_EQ(form.status->text(), "40% done");
    form.GedTableStatus(1, 200, 0);
    EXPECT_EQ(form.status->text(), "80% done");
    form.GedTableStatus(0, 0, 0);
    EXPECT_EQ(form.status->text(), "Finished");
    form.GedTableStatus(-1, 2, 250);
    EXPECT_EQ(form.activity->text(), "Index 1 Sort Progress");
    form.GedTableStatus(2, 100, 0);
    EXPECT_EQ(form.status->text(), "Finished");
    form.GedTableStatus(0, 0, 0);
    form.GedTableStatus(-1, 1, 250);
    EXPECT_EQ(form.activity->text(), "Index 2 Sort Progress");
    form.GedTableStatus(-1, 1, 250);
    EXPECT_EQ(form.activity->text(), "Index 2 Sort Progress");
}

TEST_F(CreateIndexFormTest, PackProgressUsesThePackTotal) {
    TCreateIndexForm form;
    form.GedTableStatus(-1, 11, 1000);
    EXPECT_EQ(form.activity->text(), "Pack Progress");
    form.GedTableStatus(11, 300, 0);
    EXPECT_EQ(form.status->text(), "30% done");
}

TEST_F(CreateIndexFormTest, ProgressNotAMultipleOfHundredLeavesStatusAlone) {
    TCreateIndexForm form;
    form.GedTableStatus(-1, 1, 1000);
    form.GedTableStatus(1, 100, 0);
    EXPECT_EQ(form.status->text(), "10% done");
    form.GedTableStatus(1, 199, 0);
    form.GedTableStatus(11, 250, 0);
    EXPECT_EQ(form.status->text(), "10% done");
}

TEST_F(CreateIndexFormTest, EachBuildStartsAgainAtIndexOne) {
    auto form = MakeForm([](auto&&...) {});
    form->GedTableStatus(-1, 1, 10);
    form->CreateButtonClick();
    form->GedTableStatus(-1, 1, 10);
    EXPECT_EQ(form->activity->text(), "Index 1 Sort Progress");
}

TEST_F(CreateIndexFormTest, PercentageIsExactWhereFloatingPointFallsShort) {
    TCreateIndexForm form;
    form.GedTableStatus(-1, 1, 10000);
    form.GedTableStatus(1, 2900, 0);  // 2900 / 10000 * 100 is 28.999... in binary floating point
    EXPECT_EQ(form.status->text(), "29% done");
    EXPECT_EQ(PercentDone(2900, 10000), "29% done");
    EXPECT_EQ(PercentDone(100, 300), "33% done");
    EXPECT_EQ(PercentDone(2147483600, 2147483647), "99% done");
}

TEST_F(CreateIndexFormTest, ProgressWithoutATotalDoesNotDivideByZero) {
    TCreateIndexForm form;
    form.GedTableStatus(1, 100, 0);
    EXPECT_TRUE(form.status->text().isEmpty());
    form.GedTableStatus(-1, 11, 0);
    form.GedTableStatus(11, 100, 0);
    EXPECT_TRUE(form.status->text().isEmpty());
    EXPECT_EQ(PercentDone(5, 0), "");
}

// A clock on which each reading comes a redraw interval after the one before, as if the build
// ran slowly: every progress point is due for a redraw.
std::function<std::chrono::steady_clock::time_point()> SlowClock() {
    return [now = std::chrono::steady_clock::time_point()]() mutable {
        return now += TCreateIndexForm::kRedrawInterval;
    };
}

// A GEDCOM file of `count` named individuals: two counted lines each.
std::string ManyIndividuals(int count) {
    std::string text = "0 HEAD\n";
    for (int i = 1; i <= count; ++i) {
        text += "0 @I" + std::to_string(i) + "@ INDI\n1 NAME Given" + std::to_string(i) +
                " /Surname/\n";
    }
    return text + "0 TRLR\n";
}

TEST_F(CreateIndexFormTest, RealBuildOfASmallFileWritesTheTableAndClosesTheDialog) {
    const std::string gedcom =
        dir_.Write("small.ged", "0 @I1@ INDI\n1 NAME John /Smith/\n0 @F1@ FAM\n0 TRLR\n");
    TCreateIndexForm form;
    Capture(form);
    form.SetGedcomPath(gedcom);
    form.SetLookupPath(lookup_);
    QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.CreateButton, Qt::LeftButton); });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_FALSE(shown_.has_value());
    EXPECT_EQ(form.activity->text(), "Index 2 Sort Progress");
    EXPECT_EQ(form.status->text(), "Finished");
    ASSERT_TRUE(Exists(lookup_));
    ASSERT_TRUE(Exists(index_));

    HTable table;
    table.SetDBFPath(dir_.Path());
    table.SetDBFName("QBTEST.DBF");
    table.SetActive(true);
    EXPECT_EQ(table.RecordCount(), 2);
    ASSERT_TRUE(table.IndexOpen("\"" + index_ + "\"", "POINTER"));
    ASSERT_TRUE(table.Find("F1"));
    EXPECT_EQ(table.IntegerGet("OFFSET"), 32);
}

TEST_F(CreateIndexFormTest, RealBuildShowsScanProgressAndIndividualsFound) {
    const std::string gedcom = dir_.Write("many.ged", ManyIndividuals(300));
    QStringList individualsSeen;
    TCreateIndexForm form;
    Capture(form);
    form.Now = SlowClock();
    form.SetGedcomPath(gedcom);
    form.SetLookupPath(lookup_);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (individualsSeen.isEmpty() || individualsSeen.back() != form.individuals->text())
            individualsSeen << form.individuals->text();
    });
    watch.start(0);
    form.CreateButtonClick();
    EXPECT_EQ(individualsSeen, (QStringList{"", "100 individuals found", "200 individuals found",
                                            "300 individuals found"}));
    EXPECT_TRUE(Exists(lookup_));
    EXPECT_TRUE(Exists(index_));
}

TEST_F(CreateIndexFormTest, RealBuildCancelledDuringTheScanLeavesNeitherFile) {
    const std::string gedcom = dir_.Write("many.ged", ManyIndividuals(2000));
    TCreateIndexForm form;
    Capture(form);
    form.Now = SlowClock();
    form.SetGedcomPath(gedcom);
    form.SetLookupPath(lookup_);
    QStringList statusSeen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        statusSeen << form.status->text();
        // The user clicks as soon as the first percentage shows.
        if (!form.status->text().isEmpty() && form.Cancelindexbutton->isEnabled())
            QTest::mouseClick(form.Cancelindexbutton, Qt::LeftButton);
    });
    user.start(0);
    form.show();
    QTest::mouseClick(form.CreateButton, Qt::LeftButton);
    user.stop();
    // The scan stops at its first progress point and nothing is built.
    EXPECT_FALSE(statusSeen.contains("100% done"));
    EXPECT_NE(form.status->text(), "Finished");
    EXPECT_EQ(form.individuals->text(), "100 individuals found");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(Exists(lookup_));
    EXPECT_FALSE(Exists(index_));
    EXPECT_FALSE(shown_.has_value());
}

TEST_F(CreateIndexFormTest, RealBuildOfAMissingFileShowsTheErrorAndLeavesNeitherFile) {
    TCreateIndexForm form;
    Capture(form);
    form.SetGedcomPath(dir_.File("gone.ged"));
    form.SetLookupPath(lookup_);
    form.CreateButtonClick();
    ASSERT_TRUE(shown_.has_value());
    EXPECT_TRUE(shown_->contains("gone.ged")) << shown_->toStdString();
    EXPECT_FALSE(Exists(lookup_));
    EXPECT_FALSE(Exists(index_));
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// --- Redraw throttle ------------------------------------------------------------------------

// A clock that moves only when the test moves it.
struct ManualClock {
    std::chrono::steady_clock::time_point now;
    void Advance(std::chrono::milliseconds by) { now += by; }
};

// Counts the dialog's event pumps and notes the fake time of each.
struct PumpCounter {
    // Takes over `form`'s clock and event pump; `look` runs at each pump before events are
    // processed.
    void Attach(TCreateIndexForm& form, std::function<void()> look = {}) {
        form.Now = [this] { return clock.now; };
        form.PumpEvents = [this, look, pump = form.PumpEvents] {
            ++pumps;
            times.push_back(clock.now);
            if (look) look();
            pump();
        };
    }
    // The longest fake time between two pumps.
    std::chrono::milliseconds LongestGap() const {
        std::chrono::milliseconds longest{0};
        for (size_t i = 1; i < times.size(); ++i) {
            longest = std::max(longest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            times[i] - times[i - 1]));
        }
        return longest;
    }
    ManualClock clock;
    int pumps = 0;
    std::vector<std::chrono::steady_clock::time_point> times;
};

TEST_F(CreateIndexFormTest, ScanProgressIsRedrawnAtMostOncePerIntervalWithTheLatestTexts) {
    // A fast scan: one progress point per millisecond for 100 seconds. The last point comes
    // less than an interval after the last redraw.
    constexpr int kPoints = 99999;
    PumpCounter counter;
    std::string latest;
    int stale = 0;
    TCreateIndexForm* seen = nullptr;
    auto form = MakeForm([&](const std::string&, const std::string&, HCreateTable&, HTable&,
                             TLookupBuildProgress& progress) {
        progress.SetActivity("Creating index files...");
        progress.ProcessPendingEvents();
        for (int point = 1; point <= kPoints; ++point) {
            counter.clock.Advance(std::chrono::milliseconds(1));
            latest = std::to_string(point) + " individuals found";
            progress.SetIndividuals(latest);
            progress.SetStatus(std::to_string(point / 1000) + "% done");
            progress.ProcessPendingEvents();
        }
    });
    seen = form.get();
    counter.Attach(*form, [&] {
        if (seen->individuals->text().toStdString() != latest) ++stale;
    });
    form->CreateButtonClick();
    // Without the throttle every one of the 100,000 progress points would process events.
    const int interval = static_cast<int>(TCreateIndexForm::kRedrawInterval.count());
    EXPECT_LE(counter.pumps, 1 + kPoints / interval);
    EXPECT_GE(counter.pumps, kPoints / interval);
    // Regular enough for a click on Cancel Lookup Table Building to get through in time.
    EXPECT_LE(counter.LongestGap(), TCreateIndexForm::kRedrawInterval);
    // Each redraw shows what the builder said last, and so do the labels at the end.
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(form->activity->text(), "Creating index files...");
    EXPECT_EQ(form->individuals->text(), "99999 individuals found");
    EXPECT_EQ(form->status->text(), "99% done");
}

TEST_F(CreateIndexFormTest, TextsSkippedByTheThrottleAreShownWhenTheBuildEnds) {
    PumpCounter counter;
    QString shownDuringTheBuild;
    TCreateIndexForm* seen = nullptr;
    auto form = MakeForm([&](const std::string&, const std::string&, HCreateTable&, HTable&,
                             TLookupBuildProgress& progress) {
        progress.SetActivity("Creating index files...");
        progress.ProcessPendingEvents();
        counter.clock.Advance(TCreateIndexForm::kRedrawInterval / 2);
        progress.SetIndividuals("7 individuals found");
        progress.SetStatus("100% done");
        progress.ProcessPendingEvents();
        shownDuringTheBuild = seen->individuals->text();
    });
    seen = form.get();
    counter.Attach(*form);
    form->CreateButtonClick();
    EXPECT_EQ(counter.pumps, 1);
    EXPECT_EQ(shownDuringTheBuild, "");
    EXPECT_EQ(form->individuals->text(), "7 individuals found");
    EXPECT_EQ(form->status->text(), "100% done");
}

TEST_F(CreateIndexFormTest, NewActivityIsShownAtOnce) {
    PumpCounter counter;
    QString shown;
    TCreateIndexForm* seen = nullptr;
    auto form = MakeForm([&](const std::string&, const std::string&, HCreateTable&, HTable&,
                             TLookupBuildProgress& progress) {
        progress.SetActivity("Creating index files...");
        progress.ProcessPendingEvents();
        progress.SetStatus("3% done");
        progress.SetActivity("Next phase");
        shown = seen->activity->text() + " " + seen->status->text();
    });
    seen = form.get();
    counter.Attach(*form);
    form->CreateButtonClick();
    EXPECT_EQ(shown, "Next phase 3% done");
    EXPECT_EQ(counter.pumps, 2);
}

TEST_F(CreateIndexFormTest, TableStatusReportsDuringABuildAreThrottled) {
    // An index build of 200,000 keys reporting every record read and every key written, one
    // millisecond per 100 reports: 4 seconds in all.
    constexpr int kKeys = 200000;
    PumpCounter counter;
    std::string latest;
    int stale = 0;
    QStringList activities;
    TCreateIndexForm* seen = nullptr;
    auto form = MakeForm([&](const std::string&, const std::string&, HCreateTable&, HTable& table,
                             TLookupBuildProgress&) {
        const auto report = table.OnStatus;
        for (int tag = 1; tag <= 2; ++tag) {
            report(-1, 1, kKeys);
            for (int record = 1; record <= kKeys; ++record) {
                if (record % 100 == 0) {
                    counter.clock.Advance(std::chrono::milliseconds(1));
                    latest = PercentDone(record, kKeys);
                }
                report(1, record, 0);
            }
            latest = "Finished";
            report(0, 0, 0);
            report(-1, 2, kKeys);
            for (int key = 1; key <= kKeys; ++key) {
                if (key % 100 == 0) counter.clock.Advance(std::chrono::milliseconds(1));
                report(2, key, 0);
            }
            report(0, 0, 0);
            activities << seen->activity->text();
        }
    });
    seen = form.get();
    counter.Attach(*form, [&] {
        if (seen->status->text().toStdString() != latest) ++stale;
    });
    form->CreateButtonClick();
    // Each tag: 4,000 fake milliseconds and its caption, redrawn at once.
    const int interval = static_cast<int>(TCreateIndexForm::kRedrawInterval.count());
    EXPECT_LE(counter.pumps, 2 * (4000 / interval + 1));
    EXPECT_GE(counter.pumps, 2 * (4000 / interval));
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(activities, (QStringList{"Index 1 Sort Progress", "Index 2 Sort Progress"}));
    EXPECT_EQ(form->status->text(), "Finished");
}

// Passes the builder's progress on; at the given individuals count it sets the cancel flag as a
// click on Cancel Lookup Table Building does, between two progress points.
class CancelAtCount : public TLookupBuildProgress {
public:
    CancelAtCount(TLookupBuildProgress& inner, TCreateIndexForm& form, std::string count)
        : inner_(inner), form_(form), count_(std::move(count)) {}
    void SetActivity(std::string_view text) override { inner_.SetActivity(text); }
    void SetIndividuals(std::string_view text) override {
        if (text == count_) form_.CancelindexbuttonClick();
        inner_.SetIndividuals(text);
    }
    void SetStatus(std::string_view text) override { inner_.SetStatus(text); }
    void ProcessPendingEvents() override { inner_.ProcessPendingEvents(); }

private:
    TLookupBuildProgress& inner_;
    TCreateIndexForm& form_;
    std::string count_;
};

TEST_F(CreateIndexFormTest, CancelBetweenRedrawsStopsTheScanAtTheNextProgressPoint) {
    const std::string gedcom = dir_.Write("many.ged", ManyIndividuals(2000));
    PumpCounter counter;
    TCreateIndexForm* seen = nullptr;
    int pumpsAtScanEnd = -1;
    int64_t individualsRead = 0;
    auto form = MakeForm([&](const std::string& gedcomPath, const std::string& lookupPath,
                             HCreateTable& creator, HTable& table, TLookupBuildProgress& progress) {
        CancelAtCount watched(progress, *seen, "700 individuals found");
        individualsRead =
            gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, table, watched).individuals;
        pumpsAtScanEnd = counter.pumps;
    });
    seen = form.get();
    form->SetGedcomPath(gedcom);
    // The clock stands still: after the activity no progress point of the scan is redrawn.
    counter.Attach(*form);
    form->CreateButtonClick();
    EXPECT_EQ(pumpsAtScanEnd, 1);
    EXPECT_EQ(individualsRead, 700);
    EXPECT_EQ(form->individuals->text(), "700 individuals found");
    EXPECT_EQ(form->status->text(), "33% done");
    EXPECT_FALSE(Exists(lookup_));
    EXPECT_FALSE(Exists(index_));
    EXPECT_FALSE(shown_.has_value());
}

TEST_F(CreateIndexFormTest, OpeningRoyal92BuildsItsLookupTable) {
    const std::string sample = LINEATUM_SAMPLES_DIR "/royal92.ged";
    ASSERT_TRUE(Exists(sample)) << "no sample " << sample;
    TCreateIndexForm form;
    Capture(form);
    form.SetGedcomPath(sample);
    form.SetLookupPath(lookup_);
    QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.CreateButton, Qt::LeftButton); });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_FALSE(shown_.has_value());
    EXPECT_EQ(form.activity->text(), "Index 2 Sort Progress");
    EXPECT_EQ(form.status->text(), "Finished");
    EXPECT_TRUE(form.individuals->text().endsWith(" individuals found"));
    EXPECT_TRUE(Exists(lookup_));
    EXPECT_TRUE(Exists(index_));
}

}  // namespace
