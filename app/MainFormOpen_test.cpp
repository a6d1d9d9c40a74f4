// The open-file flow of the main window: when the Create Lookup Table dialog appears, what the
// master table records, the reopen at start, the rebuild command and the caption. Lookup tables
// are built by the real builder into a temporary folder; the dialog is driven without a modal
// loop of its own.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <utility>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/FileDialog.h"
#include "app/MainForm.h"
#include "app/TestFolders.h"
#include "dbcontrols/HDBPickList.h"
#include "gedcom/CreateIndexForm.h"
#include "gedcom/FilePaths.h"
#include "gedcom/LookupFiles.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LookupTableBuilder.h"
#include "gedcom/MasterIndex.h"
#include "person/GedcomPerson.h"
#include "person/PickPerson.h"
#include "person/SurnamesForm.h"
#include "widgets/MessageBox.h"
#include "widgets/TJLabel.h"

#include <gtest/gtest.h>

namespace {

const char kFamily[] =
    "0 HEAD\n"
    "1 CHAR ANSI\n"
    "0 @I1@ INDI\n"
    "1 NAME John /Smith/\n"
    "1 SEX M\n"
    "1 FAMS @F1@\n"
    "0 @I2@ INDI\n"
    "1 NAME Mary /Brown/\n"
    "1 SEX F\n"
    "1 FAMS @F1@\n"
    "0 @I3@ INDI\n"
    "1 NAME Peter /Smith/\n"
    "1 SEX M\n"
    "1 FAMC @F1@\n"
    "0 @F1@ FAM\n"
    "1 HUSB @I1@\n"
    "1 WIFE @I2@\n"
    "1 CHIL @I3@\n"
    "0 TRLR\n";

const QString kCaptionGap = QStringLiteral("          ");

std::string ReadFileBytesOf(const std::string& path) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

// How the next Create Lookup Table dialog is answered.
enum class DialogAnswer {
    Create,            // press Create and let the build finish
    Cancel,            // press Cancel before building
    CancelDuringScan,  // press Create, then Cancel Lookup Table Building during the scan
};

// What one showing of the dialog was given and how it ended.
struct DialogRecord {
    std::string gedcomPath;
    std::string lookupPath;
    QString title;
    int result = -1;
    QString activity;
    QString status;
    QString individuals;
};

// Answers the Create Lookup Table dialog as told, records every showing, and stands in for the
// recent-files list.
class OpenFlowMainForm : public TMainForm {
public:
    DialogAnswer answer = DialogAnswer::Create;
    std::vector<DialogRecord> dialogs;
    // The builder the dialog runs; empty: the real one.
    TCreateIndexBuild build;
    QStringList recent;
    QStringList added;

    const TGedcomPerson& Person() const { return CurrentPerson(); }
    QString MainName() const {
        return findChild<TJLabel*>(QStringLiteral("MainNameButton"))->text();
    }
    bool PagesShown() const { return !findChild<QTabWidget*>(QStringLiteral("Tabs"))->isHidden(); }
    bool PersonCommandsEnabled() const {
        return findChild<QAction*>(QStringLiteral("mnuSelectPerson"))->isEnabled() &&
               findChild<QAction*>(QStringLiteral("mnuRebuildIndex"))->isEnabled() &&
               findChild<QToolButton*>(QStringLiteral("btnSelectPerson"))->isEnabled();
    }

protected:
    void ExecCreateIndexForm(TCreateIndexForm& dialog) override {
        DialogRecord record;
        record.gedcomPath = dialog.GedcomPath();
        record.lookupPath = dialog.LookupPath();
        record.title = dialog.windowTitle();
        switch (answer) {
            case DialogAnswer::Create:
                dialog.CreateButtonClick();
                break;
            case DialogAnswer::Cancel:
                dialog.CancelbuttonClick();
                break;
            case DialogAnswer::CancelDuringScan:
                running_ = &dialog;
                dialog.CreateButtonClick();
                running_ = nullptr;
                break;
        }
        record.result = dialog.result();
        record.activity = dialog.activity->text();
        record.status = dialog.status->text();
        record.individuals = dialog.individuals->text();
        dialogs.push_back(record);
    }
    TCreateIndexBuild CreateIndexBuild() const override {
        if (answer != DialogAnswer::CancelDuringScan) return build;
        // The user presses Cancel Lookup Table Building when the first progress of the scan is
        // on screen.
        return [this](const std::string& gedcomPath, const std::string& lookupPath,
                      HCreateTable& creator, HTable& table, TLookupBuildProgress& progress) {
            ClickCancelOnFirstStatus clicking(progress, running_);
            gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, table, clicking);
        };
    }
    QStringList RecentFiles() const override { return recent; }
    void AddRecentFile(const QString& path) override { added << path; }

public:
    // Answers the Select Person dialog, which is shown but not run modally; null cancels it.
    std::function<int(TPickPerson&)> pick;
    int pickShown = 0;

protected:
    int ExecPickPerson(TPickPerson& dialog) override {
        ++pickShown;
        if (!pick) return QDialog::Rejected;
        dialog.show();
        const int result = pick(dialog);
        dialog.hide();
        return result;
    }

public:
    // Answers the Find Surname dialog after its first activation; null cancels it.
    std::function<int(TSurnamesForm&)> findSurname;

protected:
    int ExecSurnamesForm(TSurnamesForm& dialog) override {
        if (!findSurname) return QDialog::Rejected;
        dialog.show();
        dialog.FormActivate();
        const int result = findSurname(dialog);
        dialog.hide();
        return result;
    }

private:
    // Passes the builder's progress on and clicks the dialog's cancel button on the first
    // scan status.
    class ClickCancelOnFirstStatus : public TLookupBuildProgress {
    public:
        ClickCancelOnFirstStatus(TLookupBuildProgress& inner, TCreateIndexForm* dialog)
            : inner_(inner), dialog_(dialog) {}
        void SetActivity(std::string_view text) override { inner_.SetActivity(text); }
        void SetIndividuals(std::string_view text) override { inner_.SetIndividuals(text); }
        void SetStatus(std::string_view text) override {
            inner_.SetStatus(text);
            if (dialog_ != nullptr && !clicked_) {
                clicked_ = true;
                dialog_->Cancelindexbutton->click();
            }
        }
        void ProcessPendingEvents() override { inner_.ProcessPendingEvents(); }

    private:
        TLookupBuildProgress& inner_;
        TCreateIndexForm* dialog_;
        bool clicked_ = false;
    };

    TCreateIndexForm* running_ = nullptr;
};

class MainFormOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        GedcomState() = TGedcomState();
        FileDialog::ClearLastRequest();
        MessageBox::ClearLastShown();
        char pattern[] = "/tmp/lineatum-open-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = QString::fromLocal8Bit(pattern) + QLatin1Char('/');
        lookupFolder_ = dir_ + "Index/";
        TMainForm::SetFileFolders(lookupFolder_, dir_);
    }
    void TearDown() override {
        UseTestRunFolders();
        GedcomState() = TGedcomState();
        QDir(dir_).removeRecursively();
    }

    // Writes `bytes` as `name` below the test folder (creating its folders) and returns the
    // path.
    QString WriteGedcom(const QString& name, const std::string& bytes = kFamily) {
        const QString path = dir_ + "data/" + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }

    // The window after its first activation, with the open dialog at start cancelled.
    static void Activate(OpenFlowMainForm& form) {
        FileDialog::SetNextFileName(QString());
        form.FormActivate();
        ASSERT_FALSE(form.FirstActivation());
    }

    QStringList LookupFiles() const {
        return QDir(lookupFolder_).entryList(QDir::Files, QDir::Name);
    }

    static int32_t MasterRows(OpenFlowMainForm& form) {
        HTable& master = form.MasterIndex().MasterIndexTable;
        return master.Active() ? master.RecordCount() : -1;
    }

    static std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

    static std::string LastUsedOf(OpenFlowMainForm& form, const QString& path) {
        const int32_t row = form.MasterIndex().FindFile(Bytes(path));
        if (row <= 0) return "<no row>";
        return form.MasterIndex().MasterIndexTable.StringGet("LASTUSED");
    }

    // Makes the GEDCOM file at `path` look changed `age` after its lookup table `lookupPath`
    // was written, as touching it would (the table's date goes back, so that a rebuild now is
    // newer again).
    template <typename Duration>
    static void MakeNewerThan(const QString& path, const std::string& lookupPath, Duration age) {
        namespace fs = std::filesystem;
        fs::last_write_time(lookupPath, fs::last_write_time(Bytes(path)) - age);
    }

    static std::string IndexOf(const std::string& lookupPath) {
        return gedcom::ReplaceExtension(lookupPath, ".CDX");
    }

    QString dir_;
    QString lookupFolder_;
};

std::string ManyIndividuals(int count) {
    std::string bytes = "0 HEAD\n1 CHAR ANSI\n";
    for (int i = 1; i <= count; ++i) {
        bytes += "0 @I" + std::to_string(i) + "@ INDI\n1 NAME Person" + std::to_string(i) +
                 " /Many/\n1 SEX M\n";
    }
    return bytes + "0 TRLR\n";
}

// --- First open ---------------------------------------------------------------------------

TEST_F(MainFormOpenTest, FirstOpenShowsTheDialogAndRecordsTheBuiltTable) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);

    ASSERT_EQ(form.dialogs.size(), 1u);
    const DialogRecord& dialog = form.dialogs[0];
    EXPECT_EQ(dialog.gedcomPath, Bytes(path));
    EXPECT_EQ(dialog.title, QStringLiteral("Create Lookup Table"));
    EXPECT_EQ(dialog.result, QDialog::Accepted);
    const std::string folder = Bytes(lookupFolder_);
    ASSERT_EQ(dialog.lookupPath.rfind(folder + "QB", 0), 0u) << dialog.lookupPath;
    EXPECT_EQ(dialog.lookupPath.substr(dialog.lookupPath.size() - 4), ".DBF");
    EXPECT_TRUE(gedcom::RegularFileExists(dialog.lookupPath));
    EXPECT_TRUE(gedcom::RegularFileExists(IndexOf(dialog.lookupPath)));

    const int32_t row = form.MasterIndex().FindFile(Bytes(path));
    ASSERT_GT(row, 0);
    EXPECT_EQ(form.CurrentMasterRow(), row);
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(form.MasterIndex().LookupPathOfRow(row), dialog.lookupPath);
    HTable& master = form.MasterIndex().MasterIndexTable;
    EXPECT_EQ(gedcom::Trim(master.StringGet("GEDFILE")), "family.ged");
    EXPECT_EQ(gedcom::Trim(master.StringGet("GEDPATH")), Bytes(dir_ + "data/"));
    EXPECT_TRUE(gedcom::IsBlank(master.StringGet("LASTUSED")));

    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_EQ(form.GedTable.FullName(), dialog.lookupPath);
    ASSERT_NE(form.GedTable.Table(), nullptr);
    EXPECT_EQ(form.GedTable.Table()->OrderName(), "NAME");
    EXPECT_EQ(form.windowTitle(), "Lineatum" + kCaptionGap + "family.ged");
    EXPECT_TRUE(form.PersonCommandsEnabled());
    EXPECT_EQ(form.added, QStringList{path});
    // No person was viewed before: the Select Person command has the choice.
    EXPECT_TRUE(form.MainName().isEmpty());
    EXPECT_EQ(GedcomState().CurrentGedcomPath, Bytes(path));
}

TEST_F(MainFormOpenTest, OpenedTableFeedsThePersonViews) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I3");
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, Peter"));
    EXPECT_EQ(form.findChild<TJLabel*>(QStringLiteral("FatherNameButton"))->text(),
              QStringLiteral("Smith, John"));
    EXPECT_TRUE(form.PagesShown());
    EXPECT_EQ(LastUsedOf(form, path), "I3" + std::string(18, ' '));
}

TEST_F(MainFormOpenTest, OpenViewAndOpenAgainSkipsTheDialogAndShowsTheSamePerson) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I2");
    form.LoadIndividual("I1");

    form.OpenGedcomFile(path, false);
    EXPECT_EQ(form.dialogs.size(), 1u);
    EXPECT_EQ(form.Person().Pointer(), "I1");
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, John"));
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(form.added, (QStringList{path, path}));
}

TEST_F(MainFormOpenTest, KnownFileOpensDirectlyInALaterSession) {
    const QString path = WriteGedcom("family.ged");
    {
        OpenFlowMainForm form;
        Activate(form);
        form.OpenGedcomFile(path, false);
        form.LoadIndividual("I2");
    }
    OpenFlowMainForm later;
    Activate(later);
    later.OpenGedcomFile(path, false);
    EXPECT_TRUE(later.dialogs.empty());
    EXPECT_EQ(later.MainName(), QStringLiteral("Brown, Mary"));
    EXPECT_EQ(later.windowTitle(), "Lineatum" + kCaptionGap + "family.ged");
}

TEST_F(MainFormOpenTest, PathDifferingOnlyInCaseFromAGoneFileFindsItsRow) {
    const QString path = WriteGedcom("Family.GED");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I2");
    const QString renamed = dir_ + "data/family.ged";
    ASSERT_TRUE(QFile::rename(path, renamed));

    form.OpenGedcomFile(renamed, false);
    EXPECT_EQ(form.dialogs.size(), 1u);
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(form.MainName(), QStringLiteral("Brown, Mary"));
}

// --- Stale and missing lookup tables ------------------------------------------------------

TEST_F(MainFormOpenTest, TouchedFileBringsTheDialogBackAndCancelKeepsTheOldTable) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I2");
    const std::string lookupPath = form.dialogs[0].lookupPath;
    const std::string before = ReadFileBytesOf(lookupPath);
    MakeNewerThan(path, lookupPath, std::chrono::seconds(2));

    form.answer = DialogAnswer::Cancel;
    form.OpenGedcomFile(path, false);
    ASSERT_EQ(form.dialogs.size(), 2u);
    EXPECT_EQ(form.dialogs[1].lookupPath, lookupPath);
    EXPECT_EQ(form.dialogs[1].result, QDialog::Rejected);
    EXPECT_EQ(ReadFileBytesOf(lookupPath), before);
    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_EQ(form.MainName(), QStringLiteral("Brown, Mary"));
    EXPECT_EQ(form.windowTitle(), "Lineatum" + kCaptionGap + "family.ged");
    EXPECT_EQ(MasterRows(form), 1);
}

TEST_F(MainFormOpenTest, TouchedFileWithinTheSameSecondStillCountsAsChanged) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    const std::string lookupPath = form.dialogs[0].lookupPath;
    MakeNewerThan(path, lookupPath, std::chrono::milliseconds(1));

    form.OpenGedcomFile(path, false);
    EXPECT_EQ(form.dialogs.size(), 2u);
}

TEST_F(MainFormOpenTest, TouchedFileRebuiltKeepsItsRowAndLastPerson) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I3");
    const std::string lookupPath = form.dialogs[0].lookupPath;
    MakeNewerThan(path, lookupPath, std::chrono::seconds(2));

    form.OpenGedcomFile(path, false);
    ASSERT_EQ(form.dialogs.size(), 2u);
    EXPECT_EQ(form.dialogs[1].lookupPath, lookupPath);
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, Peter"));
    // Fresh again: the next open goes straight through.
    form.OpenGedcomFile(path, false);
    EXPECT_EQ(form.dialogs.size(), 2u);
}

TEST_F(MainFormOpenTest, DeletedIndexFileBringsTheDialogBackWithoutDuplicatingTheRow) {
    const QString path = WriteGedcom("family.ged");
    std::string lookupPath;
    {
        OpenFlowMainForm form;
        Activate(form);
        form.OpenGedcomFile(path, false);
        form.LoadIndividual("I2");
        lookupPath = form.dialogs[0].lookupPath;
    }
    ASSERT_TRUE(gedcom::RemoveRegularFile(IndexOf(lookupPath)));

    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    ASSERT_EQ(form.dialogs.size(), 1u);
    EXPECT_EQ(form.dialogs[0].lookupPath, lookupPath);
    EXPECT_TRUE(gedcom::RegularFileExists(IndexOf(lookupPath)));
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(form.MainName(), QStringLiteral("Brown, Mary"));
}

// A build killed between putting its index and its table in place leaves a pair of two
// builds: it counts as missing and is built again.
TEST_F(MainFormOpenTest, AnIndexFromAnotherBuildBringsTheDialogBack) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    const std::string lookupPath = form.dialogs[0].lookupPath;
    const std::string indexPath = gedcom::ReplaceExtension(lookupPath, ".CDX");
    const std::string firstIndex = ReadFileBytesOf(indexPath);
    form.ReindexGedcomFile(path);
    ASSERT_EQ(form.dialogs.size(), 2u);
    form.GedTable.SetActive(false);
    std::ofstream(indexPath, std::ios::binary | std::ios::trunc) << firstIndex;
    ASSERT_FALSE(gedcom::LookupFilesBelongTogether(lookupPath, indexPath));

    form.OpenGedcomFile(path, false);
    ASSERT_EQ(form.dialogs.size(), 3u);
    EXPECT_EQ(form.dialogs[2].lookupPath, lookupPath);
    EXPECT_TRUE(gedcom::LookupFilesBelongTogether(lookupPath, indexPath));
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_TRUE(form.GedTable.Active());
}

// A file changed since its table was built, with an older time: clicking a relative finds
// another record at the stored offset. Nobody is shown under the wrong name; the question
// comes, and Yes rebuilds the table, after which the relative is the right one.
TEST_F(MainFormOpenTest, AChangedFileClearsTheViewsAndOffersToRebuild) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I3");
    ASSERT_EQ(form.MainName(), QStringLiteral("Smith, Peter"));
    const std::string lookupPath = form.dialogs[0].lookupPath;
    std::string changed = kFamily;
    changed.insert(changed.find("0 @I1@"), "0 @N1@ NOTE a note added in place\n");
    std::ofstream(Bytes(path), std::ios::binary | std::ios::trunc) << changed;
    std::filesystem::last_write_time(Bytes(path), std::filesystem::last_write_time(lookupPath) -
                                                      std::chrono::hours(24));

    MessageBox::SetNextAnswer(QMessageBox::No);
    form.LoadIndividual("I1");
    ASSERT_TRUE(MessageBox::LastShown().has_value());
    EXPECT_EQ(MessageBox::LastShown()->text,
              QStringLiteral("family.ged has changed since its lookup table was built. Rebuild it now?"));
    EXPECT_FALSE(form.PagesShown());
    EXPECT_FALSE(form.Person().Known());
    EXPECT_EQ(form.dialogs.size(), 1u);

    MessageBox::SetNextAnswer(QMessageBox::Yes);
    form.LoadIndividual("I1");
    ASSERT_EQ(form.dialogs.size(), 2u);
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, Peter"));  // the person shown last
    form.LoadIndividual("I1");
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, John"));
}

TEST_F(MainFormOpenTest, DeletedTableGetsANewLookupTableInTheSameRow) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    const std::string first = form.dialogs[0].lookupPath;
    ASSERT_TRUE(gedcom::RemoveRegularFile(first));

    form.OpenGedcomFile(path, false);
    ASSERT_EQ(form.dialogs.size(), 2u);
    const std::string second = form.dialogs[1].lookupPath;
    EXPECT_NE(second, first);
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(form.MasterIndex().LookupPathOfRow(form.CurrentMasterRow()), second);
    EXPECT_EQ(form.GedTable.FullName(), second);
}

// --- Cancelled and failed builds ----------------------------------------------------------

TEST_F(MainFormOpenTest, CancelBeforeBuildingLeavesNoTableAndNoRow) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.answer = DialogAnswer::Cancel;
    form.OpenGedcomFile(path, false);

    ASSERT_EQ(form.dialogs.size(), 1u);
    EXPECT_EQ(form.dialogs[0].result, QDialog::Rejected);
    EXPECT_TRUE(LookupFiles().isEmpty());
    EXPECT_EQ(form.MasterIndex().FindFile(Bytes(path)), -1);
    EXPECT_EQ(MasterRows(form), 0);
    EXPECT_FALSE(form.GedTable.Active());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_FALSE(form.PagesShown());
    EXPECT_FALSE(form.PersonCommandsEnabled());
    EXPECT_TRUE(form.added.isEmpty());
    // The failed open still names the file it tried.
    EXPECT_EQ(GedcomState().CurrentGedcomPath, Bytes(path));
}

TEST_F(MainFormOpenTest, CancelDuringTheScanLeavesNoFilesAndNoRow) {
    const QString path = WriteGedcom("many.ged", ManyIndividuals(400));
    OpenFlowMainForm form;
    Activate(form);
    form.answer = DialogAnswer::CancelDuringScan;
    form.OpenGedcomFile(path, false);

    ASSERT_EQ(form.dialogs.size(), 1u);
    EXPECT_TRUE(GedcomState().BuildCancelled);
    EXPECT_EQ(form.dialogs[0].result, QDialog::Accepted);
    EXPECT_TRUE(LookupFiles().isEmpty()) << LookupFiles().join(' ').toStdString();
    EXPECT_EQ(MasterRows(form), 0);
    EXPECT_FALSE(form.GedTable.Active());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_FALSE(form.PersonCommandsEnabled());
}

TEST_F(MainFormOpenTest, CancelledOpenOfAnotherFileClosesTheFileShownBefore) {
    const QString shown = WriteGedcom("shown.ged");
    const QString other = WriteGedcom("other.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(shown, false);
    form.LoadIndividual("I1");
    ASSERT_TRUE(form.PagesShown());

    form.answer = DialogAnswer::Cancel;
    form.OpenGedcomFile(other, false);
    EXPECT_FALSE(form.GedTable.Active());
    EXPECT_FALSE(form.PagesShown());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_EQ(GedcomState().CurrentGedcomPath, Bytes(other));
}

TEST_F(MainFormOpenTest, BuildErrorIsShownAndRegistersNothing) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    // Fails after the rows have been written, before the index.
    struct FailingProgress : TLookupBuildProgress {
        explicit FailingProgress(TLookupBuildProgress& inner) : inner(inner) {}
        void SetActivity(std::string_view text) override { inner.SetActivity(text); }
        void SetIndividuals(std::string_view text) override { inner.SetIndividuals(text); }
        void SetStatus(std::string_view text) override {
            if (text == "100% done") throw std::runtime_error("Disk full while writing the lookup table.");
            inner.SetStatus(text);
        }
        void ProcessPendingEvents() override { inner.ProcessPendingEvents(); }
        TLookupBuildProgress& inner;
    };
    form.build = [](const std::string& gedcomPath, const std::string& lookupPath,
                    HCreateTable& creator, HTable& table, TLookupBuildProgress& progress) {
        FailingProgress failing(progress);
        gedcom::BuildLookupTable(gedcomPath, lookupPath, creator, table, failing);
    };
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    form.OpenGedcomFile(path, false);

    const auto shown = MessageBox::LastShown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->icon, QMessageBox::Critical);
    EXPECT_EQ(shown->title, QStringLiteral("Lineatum"));
    EXPECT_EQ(shown->text, QStringLiteral("Disk full while writing the lookup table."));
    ASSERT_EQ(form.dialogs.size(), 1u);
    EXPECT_EQ(form.dialogs[0].result, QDialog::Accepted);
    EXPECT_TRUE(LookupFiles().isEmpty());
    EXPECT_EQ(MasterRows(form), 0);
    EXPECT_FALSE(form.GedTable.Active());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_FALSE(form.PersonCommandsEnabled());
}

// --- Several files ------------------------------------------------------------------------

TEST_F(MainFormOpenTest, SameNameInTwoFoldersGetsTwoRowsAndTwoLookupTables) {
    const QString first = WriteGedcom("one/family.ged");
    const QString second = WriteGedcom("two/family.ged", ManyIndividuals(3));
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(first, false);
    form.LoadIndividual("I3");
    form.OpenGedcomFile(second, false);
    form.LoadIndividual("I2");

    ASSERT_EQ(form.dialogs.size(), 2u);
    EXPECT_NE(form.dialogs[0].lookupPath, form.dialogs[1].lookupPath);
    EXPECT_EQ(MasterRows(form), 2);
    EXPECT_EQ(LookupFiles().size(), 4);
    const int32_t rowOne = form.MasterIndex().FindFile(Bytes(first));
    const int32_t rowTwo = form.MasterIndex().FindFile(Bytes(second));
    EXPECT_GT(rowOne, 0);
    EXPECT_GT(rowTwo, 0);
    EXPECT_NE(rowOne, rowTwo);

    form.OpenGedcomFile(first, false);
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, Peter"));
    EXPECT_EQ(form.GedTable.FullName(), form.dialogs[0].lookupPath);
    form.OpenGedcomFile(second, false);
    EXPECT_EQ(form.MainName(), QStringLiteral("Many, Person2"));
    EXPECT_EQ(form.GedTable.FullName(), form.dialogs[1].lookupPath);
    EXPECT_EQ(form.dialogs.size(), 2u);
}

// --- Start-up: tidying and the reopen -----------------------------------------------------

TEST_F(MainFormOpenTest, StartRemovesRowsWhoseFileOrLookupTableVanishedWithTheirFiles) {
    const QString gone = WriteGedcom("gone.ged");
    const QString lost = WriteGedcom("lost.ged");
    const QString kept = WriteGedcom("kept.ged");
    std::string goneTable, lostTable, keptTable;
    {
        OpenFlowMainForm form;
        Activate(form);
        for (const QString& path : {gone, lost, kept}) form.OpenGedcomFile(path, false);
        ASSERT_EQ(form.dialogs.size(), 3u);
        goneTable = form.dialogs[0].lookupPath;
        lostTable = form.dialogs[1].lookupPath;
        keptTable = form.dialogs[2].lookupPath;
        EXPECT_EQ(MasterRows(form), 3);
    }
    ASSERT_TRUE(QFile::remove(gone));
    ASSERT_TRUE(gedcom::RemoveRegularFile(lostTable));

    OpenFlowMainForm form;
    FileDialog::SetNextFileName(QString());
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&form] { return !form.FirstActivation(); }, 5000));
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(form.MasterIndex().FindFile(Bytes(gone)), -1);
    EXPECT_EQ(form.MasterIndex().FindFile(Bytes(lost)), -1);
    EXPECT_GT(form.MasterIndex().FindFile(Bytes(kept)), 0);
    EXPECT_FALSE(gedcom::RegularFileExists(goneTable));
    EXPECT_FALSE(gedcom::RegularFileExists(IndexOf(goneTable)));
    EXPECT_FALSE(gedcom::RegularFileExists(IndexOf(lostTable)));
    EXPECT_TRUE(gedcom::RegularFileExists(keptTable));
    EXPECT_TRUE(gedcom::RegularFileExists(IndexOf(keptTable)));
    EXPECT_TRUE(form.dialogs.empty());

    // The file whose lookup table was lost is indexed afresh.
    form.OpenGedcomFile(lost, false);
    ASSERT_EQ(form.dialogs.size(), 1u);
    EXPECT_NE(form.dialogs[0].lookupPath, lostTable);
    EXPECT_EQ(MasterRows(form), 2);
}

TEST_F(MainFormOpenTest, StartReopensTheMostRecentIndexedFileAtItsLastPerson) {
    const QString path = WriteGedcom("family.ged");
    {
        OpenFlowMainForm form;
        Activate(form);
        form.OpenGedcomFile(path, false);
        form.LoadIndividual("I3");
    }
    FileDialog::ClearLastRequest();
    OpenFlowMainForm form;
    form.recent = QStringList{path};
    form.FormActivate();
    EXPECT_FALSE(form.FirstActivation());
    EXPECT_FALSE(FileDialog::LastRequest().has_value());
    EXPECT_TRUE(form.dialogs.empty());
    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, Peter"));
    EXPECT_EQ(form.windowTitle(), "Lineatum" + kCaptionGap + "family.ged");
    EXPECT_TRUE(form.PersonCommandsEnabled());
}

TEST_F(MainFormOpenTest, StartNeverBuildsForTheMostRecentFile) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    form.recent = QStringList{path};
    FileDialog::SetNextFileName(QString());
    form.FormActivate();
    EXPECT_TRUE(form.dialogs.empty());
    EXPECT_TRUE(LookupFiles().isEmpty());
    EXPECT_TRUE(GedcomState().CurrentGedcomPath.empty());
    // Nothing could be reopened: the user is asked for a file.
    EXPECT_TRUE(FileDialog::LastRequest().has_value());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
}

TEST_F(MainFormOpenTest, StartWithTheRecentFilesLookupTableGoneAsksForAFile) {
    const QString path = WriteGedcom("family.ged");
    {
        OpenFlowMainForm form;
        Activate(form);
        form.OpenGedcomFile(path, false);
        ASSERT_TRUE(gedcom::RemoveRegularFile(form.dialogs[0].lookupPath));
    }
    OpenFlowMainForm form;
    form.recent = QStringList{path};
    FileDialog::SetNextFileName(QString());
    form.FormActivate();
    EXPECT_TRUE(form.dialogs.empty());
    EXPECT_EQ(MasterRows(form), 0);
    EXPECT_TRUE(FileDialog::LastRequest().has_value());
    EXPECT_FALSE(form.GedTable.Active());
}

TEST_F(MainFormOpenTest, FileChosenInTheOpenDialogAtStartIsBuilt) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    FileDialog::SetNextFileName(path);
    form.FormActivate();
    EXPECT_EQ(form.dialogs.size(), 1u);
    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_TRUE(form.PersonCommandsEnabled());
}

// --- Rebuild ------------------------------------------------------------------------------

TEST_F(MainFormOpenTest, RebuildAlwaysShowsTheDialogAndReturnsToTheSamePerson) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I2");
    const std::string lookupPath = form.dialogs[0].lookupPath;

    form.findChild<QAction*>(QStringLiteral("mnuRebuildIndex"))->trigger();
    ASSERT_EQ(form.dialogs.size(), 2u);
    EXPECT_EQ(form.dialogs[1].lookupPath, lookupPath);
    EXPECT_EQ(form.dialogs[1].result, QDialog::Accepted);
    EXPECT_EQ(MasterRows(form), 1);
    EXPECT_EQ(LastUsedOf(form, path), "I2" + std::string(18, ' '));
    EXPECT_EQ(form.MainName(), QStringLiteral("Brown, Mary"));
    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_EQ(form.GedTable.FullName(), lookupPath);
}

TEST_F(MainFormOpenTest, RebuildCancelledBeforeBuildingKeepsTheTable) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I1");
    form.answer = DialogAnswer::Cancel;
    form.mnuRebuildIndexClick();
    EXPECT_EQ(form.dialogs.size(), 2u);
    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, John"));
}

TEST_F(MainFormOpenTest, RebuildOfAVanishedFileLeavesNoFileView) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I1");
    ASSERT_TRUE(QFile::remove(path));

    form.mnuRebuildIndexClick();
    EXPECT_EQ(form.dialogs.size(), 1u);
    EXPECT_FALSE(form.GedTable.Active());
    EXPECT_FALSE(form.PagesShown());
    EXPECT_FALSE(form.PersonCommandsEnabled());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
}

// --- Failures around the flow -------------------------------------------------------------

TEST_F(MainFormOpenTest, UnreadableFileIsReportedAndChangesNothing) {
    const QString shown = WriteGedcom("shown.ged");
    // A regular file whose first bytes cannot be read, even by the superuser: the process's
    // memory from address 0, which is never mapped.
    const QString locked = dir_ + "data/locked.ged";
    if (!QFile::link(QStringLiteral("/proc/self/mem"), locked) || !QFileInfo(locked).isFile()) {
        GTEST_SKIP() << "no unreadable regular file available";
    }
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(shown, false);
    form.LoadIndividual("I1");

    FileDialog::SetNextFileName(locked);
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    form.findChild<QAction*>(QStringLiteral("mnuOpenGedcom"))->trigger();
    EXPECT_TRUE(MessageBox::LastShown().has_value());
    EXPECT_EQ(GedcomState().CurrentGedcomPath, Bytes(shown));
    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, John"));
}

TEST_F(MainFormOpenTest, WithoutAMasterTableFilesAreBuiltAndViewedAllTheSame) {
    // A folder that cannot be made: a file stands where a folder on its path should be.
    const QString blocker = WriteGedcom("blocker");
    TMainForm::SetFileFolders(lookupFolder_, blocker + "/master/");
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    EXPECT_FALSE(form.MasterIndex().MasterIndexTable.Active());
    form.OpenGedcomFile(path, false);
    EXPECT_EQ(form.dialogs.size(), 1u);
    EXPECT_EQ(form.CurrentMasterRow(), -1);
    EXPECT_TRUE(form.GedTable.Active());
    form.LoadIndividual("I2");
    EXPECT_EQ(form.MainName(), QStringLiteral("Brown, Mary"));
    EXPECT_FALSE(MessageBox::LastShown().has_value());
}

TEST_F(MainFormOpenTest, TableThatCannotBeRecordedIsRemovedAndTheErrorShown) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.MasterIndex().MasterIndexTable.SetReadOnly(true);
    FileDialog::SetNextFileName(path);
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    form.findChild<QAction*>(QStringLiteral("mnuOpenGedcom"))->trigger();

    ASSERT_EQ(form.dialogs.size(), 1u);
    ASSERT_TRUE(MessageBox::LastShown().has_value());
    EXPECT_EQ(MessageBox::LastShown()->icon, QMessageBox::Critical);
    EXPECT_TRUE(LookupFiles().isEmpty());
    EXPECT_FALSE(form.GedTable.Active());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Lineatum"));
    EXPECT_FALSE(form.PersonCommandsEnabled());
    form.MasterIndex().MasterIndexTable.SetReadOnly(false);
    EXPECT_EQ(form.MasterIndex().MasterIndexTable.State(), HTableState::Browse);
    EXPECT_EQ(MasterRows(form), 0);
}

TEST_F(MainFormOpenTest, MasterTableLivesInItsFolder) {
    OpenFlowMainForm form;
    EXPECT_TRUE(QFileInfo::exists(dir_ + "Quilbet.DBF"));
    EXPECT_TRUE(QFileInfo::exists(dir_ + "Quilbet.CDX"));
    HTable& master = form.MasterIndex().MasterIndexTable;
    EXPECT_TRUE(master.Exclusive());
    EXPECT_TRUE(master.UseDeleted());
    EXPECT_TRUE(master.Transliterate());
    EXPECT_FALSE(form.GedTable.Exclusive());
}

// --- The real dialog, modally -------------------------------------------------------------

TEST_F(MainFormOpenTest, ModalCreateBuildsThenModalSelectPersonShowsTheChoice) {
    const QString path = WriteGedcom("family.ged");
    TMainForm form;
    FileDialog::SetNextFileName(QString());
    form.FormActivate();
    QString title;
    QString pickTitle;
    bool centredOverForm = false;
    bool pickCentredOverForm = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<TCreateIndexForm*>(modal); dialog && title.isEmpty()) {
            title = dialog->windowTitle();
            centredOverForm = dialog->parentWidget() == &form;
            dialog->CreateButton->click();
        } else if (auto* pick = qobject_cast<TPickPerson*>(modal); pick && pickTitle.isEmpty()) {
            watch.stop();
            pickTitle = pick->windowTitle();
            pickCentredOverForm = pick->parentWidget() == &form;
            QTest::keyClicks(pick->PickFind, QStringLiteral("smith, p"));
            QTest::keyClick(pick->PickFind, Qt::Key_Return);
        }
    });
    watch.start(10);
    form.OpenGedcomFile(path, false);
    watch.stop();
    EXPECT_EQ(title, QStringLiteral("Create Lookup Table"));
    EXPECT_TRUE(centredOverForm);
    EXPECT_EQ(pickTitle, QStringLiteral("Select Person"));
    EXPECT_TRUE(pickCentredOverForm);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(form.GedTable.Active());
    EXPECT_EQ(form.windowTitle(), "Lineatum" + kCaptionGap + "family.ged");
    EXPECT_EQ(form.findChildren<TCreateIndexForm*>().size(), 0);
    EXPECT_EQ(form.findChildren<TPickPerson*>().size(), 0);
    EXPECT_EQ(form.CurrentPerson().Name(), "Smith, Peter");
}

// --- royal92.ged --------------------------------------------------------------------------

TEST_F(MainFormOpenTest, Royal92BuildsWithItsProgressTextsAndReopensAtTheLastPerson) {
    const QString sample = QStringLiteral(LINEATUM_SAMPLES_DIR "/royal92.ged");
    ASSERT_TRUE(QFileInfo(sample).isFile()) << "royal92.ged missing from the test data";
    const QString path = dir_ + "royal92.ged";
    ASSERT_TRUE(QFile::copy(sample, path));
    {
        OpenFlowMainForm form;
        Activate(form);
        form.OpenGedcomFile(path, false);
        ASSERT_EQ(form.dialogs.size(), 1u);
        const DialogRecord& dialog = form.dialogs[0];
        EXPECT_EQ(dialog.result, QDialog::Accepted);
        EXPECT_EQ(dialog.activity, QStringLiteral("Index 2 Sort Progress"));
        EXPECT_EQ(dialog.status, QStringLiteral("Finished"));
        EXPECT_TRUE(dialog.individuals.contains(QStringLiteral("individuals")))
            << dialog.individuals.toStdString();
        EXPECT_TRUE(form.GedTable.Active());
        EXPECT_GT(form.GedTable.RecordCount(), 3000);
        form.LoadIndividual("I83");
        EXPECT_EQ(form.MainName(), QStringLiteral(", Ernest Louis of_Hesse"));
    }
    OpenFlowMainForm form;
    form.recent = QStringList{path};
    form.FormActivate();
    EXPECT_TRUE(form.dialogs.empty());
    EXPECT_EQ(form.MainName(), QStringLiteral(", Ernest Louis of_Hesse"));
    EXPECT_EQ(form.findChild<TJLabel*>(QStringLiteral("MaternalGrandmotherNameButton"))->text(),
              QStringLiteral("Hanover, Victoria"));
    EXPECT_EQ(form.windowTitle(), "Lineatum" + kCaptionGap + "royal92.ged");
}

// --- Select Person --------------------------------------------------------------------------

const char kStrangers[] =
    "0 HEAD\n"
    "1 CHAR ANSI\n"
    "0 @I1@ INDI\n"
    "1 NAME Walter /Stranger/\n"
    "0 @I2@ INDI\n"
    "1 NAME Wilma /Stranger/\n"
    "0 @I3@ INDI\n"
    "1 NAME Xaver /Other/\n"
    "0 TRLR\n";

// Types `text` into the search box and presses Return, as a user accepting the nearest name.
int TypeAndAccept(TPickPerson& dialog, const QString& text) {
    QTest::keyClicks(dialog.PickFind, text);
    QTest::keyClick(dialog.PickFind, Qt::Key_Return);
    return dialog.result();
}

// Whether the lookup table shows every row again: its NAME order reaches the unnamed records
// ("R") after the individuals once the range is gone.
bool RangeCleared(HTable& table) {
    table.Last();
    return gedcom::Trim(table.StringGet("RTYPE")) == "R";
}

TEST_F(MainFormOpenTest, FirstOpenRunsSelectPersonAndTheChoiceIsShownAndRemembered) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    QString caption;
    QString windowCaption;
    form.pick = [&](TPickPerson& dialog) {
        caption = dialog.windowTitle();
        windowCaption = form.windowTitle();
        return TypeAndAccept(dialog, QStringLiteral("smith, p"));
    };
    form.OpenGedcomFile(path, false);

    EXPECT_EQ(form.pickShown, 1);
    EXPECT_EQ(caption, QStringLiteral("Select Person"));
    // The window names the file the dialog lists.
    EXPECT_EQ(windowCaption, "Lineatum" + kCaptionGap + "family.ged");
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, Peter"));
    EXPECT_TRUE(form.PagesShown());
    EXPECT_EQ(LastUsedOf(form, path), "I3" + std::string(18, ' '));
    EXPECT_TRUE(RangeCleared(form.GedTable));
}

TEST_F(MainFormOpenTest, CancelledSelectPersonShowsNobodyAndClearsTheRange) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    EXPECT_EQ(form.pickShown, 1);
    EXPECT_TRUE(form.MainName().isEmpty());
    EXPECT_FALSE(form.PagesShown());
    EXPECT_TRUE(form.PersonCommandsEnabled());
    EXPECT_TRUE(gedcom::IsBlank(LastUsedOf(form, path)));
    EXPECT_TRUE(RangeCleared(form.GedTable));
}

TEST_F(MainFormOpenTest, SelectPersonOpensOnThePersonShownAndListsOnlyNamedIndividuals) {
    std::string bytes = kFamily;
    // An individual without a name and a note record must never be listed.
    bytes.insert(bytes.find("0 TRLR"), "0 @I9@ INDI\n1 SEX M\n0 @N1@ NOTE nothing\n");
    const QString path = WriteGedcom("family.ged", bytes);
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I2");
    const int32_t shown = form.Person().FRecNo;
    ASSERT_GT(shown, 0);

    int32_t openedOn = -1;
    QStringList listed;
    form.pick = [&](TPickPerson& dialog) {
        openedOn = form.GedTable.RecNo();
        const int row = dialog.PersonGrid->CurrentRow();
        if (row >= 0) listed << dialog.PersonGrid->CellText(row, 1);
        for (size_t r = 0; r < dialog.PersonGrid->RecordWindow().size(); ++r) {
            listed << dialog.PersonGrid->CellText(static_cast<int>(r), 1);
        }
        return static_cast<int>(QDialog::Rejected);
    };
    form.mnuSelectPersonClick();

    EXPECT_EQ(openedOn, shown);
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_EQ(listed.takeFirst().trimmed(), QStringLiteral("Brown, Mary"));
    for (QString& name : listed) name = name.trimmed();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("Brown, Mary"), QStringLiteral("Smith, John"),
                                   QStringLiteral("Smith, Peter")}));
    // Cancel keeps the person shown.
    EXPECT_EQ(form.MainName(), QStringLiteral("Brown, Mary"));
    EXPECT_TRUE(RangeCleared(form.GedTable));
}

TEST_F(MainFormOpenTest, OpeningAnotherFileLeavesNothingOfThePersonShownReachable) {
    const QString first = WriteGedcom("family.ged");
    const QString second = WriteGedcom("strangers.ged", kStrangers);
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(first, false);
    form.LoadIndividual("I3");
    ASSERT_EQ(form.findChild<TJLabel*>(QStringLiteral("FatherNameButton"))->text(),
              QStringLiteral("Smith, John"));
    form.pickShown = 0;

    int32_t personRecNoDuringPick = 0;
    std::string namedDuringPick;
    form.pick = [&](TPickPerson&) {
        personRecNoDuringPick = form.Person().FRecNo;
        namedDuringPick = form.Person().Name();
        return static_cast<int>(QDialog::Rejected);
    };
    form.OpenGedcomFile(second, false);

    // Select Person ran for the new file without the old person to open on.
    EXPECT_EQ(form.pickShown, 1);
    EXPECT_EQ(personRecNoDuringPick, -1);
    EXPECT_EQ(namedDuringPick, "Unknown");
    EXPECT_TRUE(form.Person().Pointer().empty());
    EXPECT_TRUE(form.MainName().isEmpty());
    EXPECT_TRUE(form.findChild<TJLabel*>(QStringLiteral("FatherNameButton"))->text().isEmpty());
    EXPECT_FALSE(form.PagesShown());
    // A click where the old father was shows nobody, and nobody is stored for the new file.
    form.FatherNameButtonClick();
    EXPECT_TRUE(form.MainName().isEmpty());
    EXPECT_TRUE(gedcom::IsBlank(LastUsedOf(form, second)));
    EXPECT_EQ(LastUsedOf(form, first), "I3" + std::string(18, ' '));
}

TEST_F(MainFormOpenTest, Royal92FirstOpenTypingVictoriaShowsTheFirstNameAtOrAfterIt) {
    const QString path = dir_ + "royal92.ged";
    ASSERT_TRUE(QFile::copy(QStringLiteral(LINEATUM_SAMPLES_DIR "/royal92.ged"), path));
    OpenFlowMainForm form;
    Activate(form);
    form.pick = [](TPickPerson& dialog) { return TypeAndAccept(dialog, "VICTORIA"); };
    form.OpenGedcomFile(path, false);
    // VAN_VOLLENHOVEN < VICTORIA < VISCONTI: no surname begins with VICTORIA.
    EXPECT_EQ(form.pickShown, 1);
    EXPECT_EQ(form.MainName(), QStringLiteral("Visconti, Galeazzo"));
    EXPECT_EQ(LastUsedOf(form, path), "I2060" + std::string(15, ' '));
}

// --- Find Surname ---------------------------------------------------------------------------

TEST_F(MainFormOpenTest, FindSurnameOpensOnTheShownSurnameAndOkShowsThePersonPicked) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I3");
    QStringList persons;
    form.findSurname = [&persons](TSurnamesForm& dialog) {
        for (const surnames::TSurnamePerson& p : dialog.Persons()) {
            persons << QString::fromStdString(p.name);
        }
        dialog.PersonList->setCurrentIndex(dialog.PersonList->model()->index(0, 0));
        dialog.OKButton->click();
        return dialog.result();
    };
    form.mnufindSurnameClick();
    EXPECT_EQ(persons, (QStringList{"SMITH, JOHN", "SMITH, PETER"}));
    EXPECT_EQ(form.MainName(), QStringLiteral("Smith, John"));
    EXPECT_EQ(LastUsedOf(form, path), "I1" + std::string(18, ' '));
}

// A UTF-8 file: the views show its names as written, Select Person lists the names as the
// table stores them (Windows-1252, never read as another code page), and Find Surname opens on
// the stored surname of the person shown.
TEST_F(MainFormOpenTest, AccentedNamesShowAsWrittenAndAreListedAsStored) {
    const QString path = WriteGedcom(
        "accents.ged", "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Antonín /Dvořák/\n1 FAMC @F1@\n"
                       "0 @I2@ INDI\n1 NAME Anne /Brontë/\n1 FAMS @F1@\n0 @I3@ INDI\n"
                       "1 NAME Ona /Žukas/\n0 @F1@ FAM\n1 WIFE @I2@\n1 CHIL @I1@\n0 TRLR\n");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);
    form.LoadIndividual("I1");
    EXPECT_EQ(form.MainName(), QString::fromUtf8("Dvořák, Antonín"));
    EXPECT_EQ(form.findChild<TJLabel*>(QStringLiteral("MotherNameButton"))->text(),
              QString::fromUtf8("Brontë, Anne"));

    QStringList listed;
    form.pick = [&](TPickPerson& dialog) {
        for (size_t r = 0; r < dialog.PersonGrid->RecordWindow().size(); ++r) {
            listed << dialog.PersonGrid->CellText(static_cast<int>(r), 1).trimmed();
        }
        return static_cast<int>(QDialog::Rejected);
    };
    form.mnuSelectPersonClick();
    EXPECT_EQ(listed, (QStringList{QString::fromUtf8("Brontë, Anne"),
                                   QString::fromUtf8("Dvorák, Antonín"),
                                   QString::fromUtf8("Zukas, Ona")}));

    QStringList surnames;
    form.findSurname = [&surnames](TSurnamesForm& dialog) {
        const QAbstractItemModel* model = dialog.SurnameList->model();
        for (int r = 0; r < model->rowCount(); ++r) surnames << model->index(r, 0).data().toString();
        surnames << dialog.SurnameList->currentIndex().data().toString();
        return static_cast<int>(QDialog::Rejected);
    };
    form.mnufindSurnameClick();
    EXPECT_EQ(surnames, (QStringList{QString::fromUtf8("DVORÁK"), QString::fromUtf8("DVORÁK")}));
}

TEST_F(MainFormOpenTest, FindSurnameWithoutAPersonShownOpensEmptyAndCancelShowsNobody) {
    const QString path = WriteGedcom("family.ged");
    OpenFlowMainForm form;
    Activate(form);
    form.OpenGedcomFile(path, false);  // Select Person cancelled: "Unknown" has no surname
    bool empty = false;
    form.findSurname = [&empty](TSurnamesForm& dialog) {
        empty = dialog.Surnames().empty() && dialog.Persons().empty();
        dialog.OKButton->click();  // nothing previewed: Ok does not end the dialog
        return dialog.result();
    };
    form.mnufindSurnameClick();
    EXPECT_TRUE(empty);
    EXPECT_TRUE(form.MainName().isEmpty());
    EXPECT_TRUE(gedcom::IsBlank(LastUsedOf(form, path)));
}

// --- Recent files ---------------------------------------------------------------------------

// A window with the real recent-files list and settings file that builds every lookup table
// and picks the person typed into Select Person.
class RememberingMainForm : public TMainForm {
public:
    QString typed;
    int createShown = 0;

    QString MainNameText() const {
        return findChild<TJLabel*>(QStringLiteral("MainNameButton"))->text();
    }
    // The entries of File > Reopen as the menu shows them.
    QStringList ReopenEntries() const {
        QStringList entries;
        for (const QAction* item : findChild<QMenu*>(QStringLiteral("mnufile"))->actions()) {
            if (item->text() != QStringLiteral("Reopen") || item->menu() == nullptr) continue;
            for (const QAction* action : item->menu()->actions()) entries << action->text();
        }
        return entries;
    }
    void ClickReopenEntry(int index) const {
        for (const QAction* item : findChild<QMenu*>(QStringLiteral("mnufile"))->actions()) {
            if (item->text() == QStringLiteral("Reopen") && item->menu() != nullptr) {
                item->menu()->actions().at(index)->trigger();
                return;
            }
        }
    }

protected:
    void ExecCreateIndexForm(TCreateIndexForm& dialog) override {
        ++createShown;
        dialog.CreateButtonClick();
    }
    int ExecPickPerson(TPickPerson& dialog) override {
        dialog.show();
        QTest::keyClicks(dialog.PickFind, typed);
        QTest::keyClick(dialog.PickFind, Qt::Key_Return);
        dialog.hide();
        return dialog.result();
    }
};

TEST_F(MainFormOpenTest, ANewStartReopensTheLastFileAtItsPersonAndListsTheRecentFiles) {
    // A configuration folder of this test alone: the settings file starts empty.
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_ + "config"));
    const QString family = WriteGedcom("family.ged");
    const QString strangers = WriteGedcom("strangers.ged", kStrangers);
    {
        RememberingMainForm form;
        FileDialog::SetNextFileName(QString());
        form.FormActivate();
        EXPECT_TRUE(form.ReopenEntries().isEmpty());
        form.typed = QStringLiteral("smith, j");
        form.OpenGedcomFile(family, false);
        EXPECT_EQ(form.createShown, 1);
        EXPECT_EQ(form.MainNameText(), QStringLiteral("Smith, John"));
        EXPECT_EQ(form.ReopenEntries(), QStringList{"&1 " + family});
    }
    const QString settings = dir_ + "config/lineatum/Quilbet.ini";
    EXPECT_TRUE(QFileInfo(settings).isFile());
    {
        RememberingMainForm form;
        form.FormActivate();
        // Reopened at the person shown last, without building anything.
        EXPECT_EQ(form.createShown, 0);
        EXPECT_EQ(GedcomState().CurrentGedcomPath, Bytes(family));
        EXPECT_EQ(form.MainNameText(), QStringLiteral("Smith, John"));
        EXPECT_EQ(form.ReopenEntries(), QStringList{"&1 " + family});
        form.typed = QStringLiteral("stranger, w");
        form.OpenGedcomFile(strangers, false);
        EXPECT_EQ(form.MainNameText(), QStringLiteral("Stranger, Walter"));
        EXPECT_EQ(form.ReopenEntries(), (QStringList{"&1 " + strangers, "&2 " + family}));
        // A click on an entry opens it, and it comes back at the top.
        form.ClickReopenEntry(1);
        EXPECT_EQ(form.MainNameText(), QStringLiteral("Smith, John"));
        EXPECT_EQ(form.ReopenEntries(), (QStringList{"&1 " + family, "&2 " + strangers}))
            << form.ReopenEntries().join(QLatin1Char('|')).toStdString();
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

}  // namespace
