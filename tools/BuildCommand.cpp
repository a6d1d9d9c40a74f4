// lineatum-tool build FILE.ged LOOKUP.DBF: builds the lookup table of a GEDCOM file and its
// index with the viewer's own builder, showing the Create Lookup Table dialog's texts on stderr.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>

#include "gedcom/GedcomFileCheck.h"
#include "gedcom/GedcomState.h"
#include "gedcom/LookupTableBuilder.h"
#include "gedcom/TextDecoding.h"
#include "table/EZadarirError.h"
#include "table/HCreateTable.h"
#include "table/HTable.h"
#include "tools/Commands.h"

namespace {

const char* const kUsage = "usage: lineatum-tool build FILE.ged LOOKUP.DBF";

// The dialog's three labels as lines on stderr. A label is printed when its text changes;
// the count of individuals, which changes at every progress point, only together with a new
// status text.
class StderrProgress : public TLookupBuildProgress {
public:
    // A new activity shows its own statuses from the start.
    void SetActivity(std::string_view text) override {
        Print(activity_, text);
        status_.clear();
    }
    void SetIndividuals(std::string_view text) override { individuals_ = text; }
    void SetStatus(std::string_view text) override {
        if (text == status_) return;
        if (!individuals_.empty()) Print(printedIndividuals_, individuals_);
        Print(status_, text);
    }
    void ProcessPendingEvents() override {}

    // The table's status events while the index tags are sorted and written, turned into
    // texts as the dialog does: code -1 starts a phase (value 1: an index sort, 11: a pack)
    // announcing its total, 0 ends one, 1 and 11 report a count.
    void TableStatus(int code, int value, int total) {
        if (code == -1) {
            if (value == 1) SetActivity("Index " + std::to_string(indexNumber_) + " Sort Progress");
            if (value == 11) SetActivity("Pack Progress");
            statusTotal_ = total;
            indexNumber_ = 2;
        } else if (code == 0) {
            SetStatus("Finished");
        } else if ((code == 1 || code == 11) && value % 100 == 0 && statusTotal_ > 0) {
            SetStatus(std::to_string(static_cast<int64_t>(value) * 100 / statusTotal_) + "% done");
        }
    }

private:
    static void Print(std::string& last, std::string_view text) {
        if (text == last) return;
        last = text;
        std::fprintf(stderr, "%s\n", last.c_str());
    }

    std::string activity_;
    std::string status_;
    std::string individuals_;
    std::string printedIndividuals_;
    int32_t statusTotal_ = 0;
    int32_t indexNumber_ = 1;
};

}  // namespace

int RunBuild(const ToolArgs& args) {
    if (args.size() != 2) return ToolError(kUsage);
    const std::string& gedcomPath = args[0];
    struct stat info;
    if (::stat(gedcomPath.c_str(), &info) != 0) return ToolError("no such file: " + gedcomPath);
    if (!S_ISREG(info.st_mode)) return ToolError("not a file: " + gedcomPath);
    // The viewer refuses such a file; the tool builds it all the same, for whoever knows better.
    const std::string notGedcom = gedcom::WhyNotGedcom(gedcomPath);
    if (!notGedcom.empty()) {
        std::fprintf(stderr, "lineatum-tool: warning: %s is not a GEDCOM file: %s; building anyway\n",
                     gedcomPath.c_str(), notGedcom.c_str());
    }

    const auto start = std::chrono::steady_clock::now();
    TGedcomState& state = GedcomState();
    state.Decoding = gedcom::ChooseTextDecoding(gedcomPath);

    HTable table;
    table.SetExclusive(true);
    table.SetTransliterate(state.IbmPc());
    // The first error the table reports, said in words once the build tells its files.
    int errorCode = 0;
    int errorSubCode = 0;
    std::string errorText;
    table.OnZadarirError = [&](int code, int subCode, const std::string& text) {
        if (errorCode != 0) return;
        errorCode = code;
        errorSubCode = subCode;
        errorText = text;
    };
    StderrProgress progress;
    table.OnStatus = [&progress](int code, int value, int total) {
        progress.TableStatus(code, value, total);
    };
    HCreateTable creator;
    const gedcom::TLookupBuildResult result =
        gedcom::BuildLookupTable(gedcomPath, args[1], creator, table, progress);
    if (!result.refused.empty()) return ToolError("not built: " + result.refused);
    if (result.failed) {
        return ToolError(errorCode == 0 ? "cannot build " + result.tablePath
                                        : gedcom::DescribeEngineError(errorCode, errorSubCode,
                                                                      errorText, result.files));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %lld rows, %lld individuals, %lld named individuals, %.3f s\n",
                result.tablePath.c_str(), static_cast<long long>(result.rows),
                static_cast<long long>(result.individuals),
                static_cast<long long>(result.namedIndividuals), seconds);
    return 0;
}
