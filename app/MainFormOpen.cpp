// TMainForm's open-file flow: finding or building the lookup table of a GEDCOM file through the
// master table and the Create Lookup Table dialog, then opening it for the person views, or
// leaving the window without a file view.
#include <string>
#include <sys/stat.h>

#include <QFileInfo>
#include <QScopeGuard>
#include <QTabWidget>

#include "app/MainForm.h"
#include "app/MainFormShared.h"
#include "gedcom/CreateIndexForm.h"
#include "gedcom/FileErrors.h"
#include "gedcom/FilePaths.h"
#include "gedcom/GedcomFileCheck.h"
#include "gedcom/GedcomState.h"
#include "gedcom/GedcomStrings.h"
#include "gedcom/LookupFiles.h"
#include "gedcom/MasterIndex.h"
#include "gedcom/TextDecoding.h"
#include "table/EZadarirError.h"
#include "widgets/MessageBox.h"

using mainform::PathBytes;

namespace {

// True when both files exist and `older` was last modified strictly before `newer`. The full
// resolution of the file system's clock is used: a file touched within the same second as its
// lookup table was built still counts as changed.
bool ModifiedBefore(const std::string& older, const std::string& newer) {
    struct stat olderInfo;
    struct stat newerInfo;
    if (::stat(older.c_str(), &olderInfo) != 0 || ::stat(newer.c_str(), &newerInfo) != 0) {
        return false;
    }
    if (olderInfo.st_mtim.tv_sec != newerInfo.st_mtim.tv_sec) {
        return olderInfo.st_mtim.tv_sec < newerInfo.st_mtim.tv_sec;
    }
    return olderInfo.st_mtim.tv_nsec < newerInfo.st_mtim.tv_nsec;
}

// A lookup table can be used when both its table file and its index file are there.
// A table and an index of different builds (a build killed between putting the two in place)
// count as missing: the table is built again.
bool LookupFilesExist(const std::string& lookupPath, const std::string& indexPath) {
    return gedcom::RegularFileExists(lookupPath) && gedcom::RegularFileExists(indexPath) &&
           gedcom::LookupFilesBelongTogether(lookupPath, indexPath);
}

}  // namespace

void TMainForm::OpenGedcomFile(const QString& path, bool onlyIfAlreadyIndexed) {
    OpenOrBuild(path, onlyIfAlreadyIndexed, false);
}

void TMainForm::ReindexGedcomFile(const QString& path) { OpenOrBuild(path, false, true); }

void TMainForm::OpenOrBuild(const QString& path, bool onlyIfAlreadyIndexed, bool rebuild) {
    if (!QFileInfo(path).isFile()) return;
    // A file handed over by another start waits until this open is over.
    ++busy_;
    const auto done = qScopeGuard([this] { --busy_; });
    const std::string gedcomPath = PathBytes(path);
    // Nothing is built or remembered for a file that is not GEDCOM; the file shown stays.
    const std::string notGedcom = gedcom::WhyNotGedcom(gedcomPath);
    if (!notGedcom.empty()) {
        if (!LookupTableActive()) CloseFileView();  // Rebuild has closed the table already
        MessageBox::Warning(this, kCaption,
                            QStringLiteral("%1 is not a GEDCOM file: %2.")
                                .arg(path, QString::fromUtf8(notGedcom)));
        return;
    }
    // The header is read before anything changes, so that a file that cannot be read leaves
    // the window as it was.
    const gedcom::TextDecoding decoding = gedcom::ChooseTextDecoding(gedcomPath);
    const int32_t row = masterIndex_->FindFile(gedcomPath);
    TGedcomState& state = GedcomState();
    // Back and Forward stay within one file.
    if (state.CurrentGedcomPath != gedcomPath) history_.Clear();
    state.CurrentGedcomPath = gedcomPath;
    state.Decoding = decoding;
    // The person on screen belongs to the file that was current: its pointer means nothing, or
    // someone else, in this one.
    ForgetPersonShown();

    bool indexed = false;
    std::string lookupPath;
    if (row > 0) {
        lookupPath = masterIndex_->LookupPathOfRow(row);
        if (gedcom::NotBlank(lookupPath)) indexed = gedcom::RegularFileExists(lookupPath);
    }
    // The reopen at start and a reopen that must not build leave an unknown file alone.
    if (!indexed && (firstActivation_ || onlyIfAlreadyIndexed)) {
        state.CurrentGedcomPath.clear();
        return;
    }
    if (!indexed) lookupPath = masterIndex_->NewLookupPath();
    const std::string indexPath = gedcom::ReplaceExtension(lookupPath, ".CDX");

    const bool stale = ModifiedBefore(lookupPath, gedcomPath);
    state.BuildCancelled = false;
    const bool missing = !LookupFilesExist(lookupPath, indexPath);
    if (rebuild || stale || missing) {
        // The build may overwrite the very table GedTable has open; every way on from here
        // opens GedTable afresh or leaves it closed.
        GedTable.SetActive(false);
        RunCreateIndexForm(gedcomPath, lookupPath);
    }

    const bool usable = LookupFilesExist(lookupPath, indexPath);
    try {
        if (usable && !indexed) masterIndex_->RecordPair(gedcomPath, lookupPath);
    } catch (...) {
        // A lookup table the master table does not name would never be found or tidied.
        try {
            HTable& master = masterIndex_->MasterIndexTable;
            if (master.State() == HTableState::Edit || master.State() == HTableState::Insert) {
                master.Cancel();
            }
        } catch (...) {
        }
        gedcom::RemoveRegularFile(lookupPath);
        gedcom::RemoveRegularFile(indexPath);
        CloseFileView();
        throw;
    }
    currentMasterRow_ = masterIndex_->FindFile(gedcomPath);
    std::string lastUsed;
    if (currentMasterRow_ > 0) {
        try {
            HTable& master = masterIndex_->MasterIndexTable;
            if (master.Go(currentMasterRow_)) {
                lastUsed = std::string(gedcom::Trim(master.StringGet("LASTUSED")));
            }
        } catch (...) {
            // Without the person shown last the user picks one.
        }
    }

    if (!usable) {
        CloseFileView();
        return;
    }
    try {
        ShowLookupTable(path, lookupPath, indexPath, lastUsed);
    } catch (const EZadarirError& e) {
        CloseFileView();
        if (e.Code() == 0) throw;
        // Said in words, naming the file as it is written.
        throw EZadarirError(gedcom::DescribeEngineError(e.Code(), e.SubCode(), e.Text(),
                                                        {{lookupPath, ""}, {indexPath, ""}}),
                            e.Code(), e.SubCode(), e.Text());
    } catch (...) {
        CloseFileView();
        throw;
    }
}

void TMainForm::RunCreateIndexForm(const std::string& gedcomPath, const std::string& lookupPath) {
    TCreateIndexForm dialog(this, CreateIndexBuild());
    dialog.SetGedcomPath(gedcomPath);
    dialog.SetLookupPath(lookupPath);
    dialog.ShowBuildError = [&dialog](const QString& message) {
        MessageBox::Critical(&dialog, kCaption, message);
    };
    ExecCreateIndexForm(dialog);
}

void TMainForm::ShowLookupTable(const QString& path, const std::string& lookupPath,
                                const std::string& indexPath, const std::string& lastUsed) {
    GedTable.SetActive(false);
    GedTable.SetDBFPath(gedcom::DirectoryPart(lookupPath));
    GedTable.SetDBFName(gedcom::NamePart(lookupPath));
    GedTable.SetActive(true);
    try {
        GedTable.IndexOpen("\"" + indexPath + "\"", "NAME");
    } catch (...) {
        // The table is used in record order then.
    }
    GedTable.First();
    // The caption names the new file before Select Person asks for one of its persons.
    setWindowTitle(kCaption + QString(10, QLatin1Char(' ')) + QFileInfo(path).fileName());
    SetButtons();
    if (lastUsed.empty()) {
        mnuSelectPersonClick();
        SetButtons();
    } else {
        LoadIndividual(lastUsed, true);
    }
    AddRecentFile(path);
}

void TMainForm::CloseFileView() {
    setWindowTitle(kCaption);
    Tabs->hide();
    try {
        GedTable.SetActive(false);
    } catch (...) {
        // The table is only read; there is nothing to save.
    }
    SetButtons();
}
