// lineatum-tool surnames LOOKUP.DBF LETTER and surname LOOKUP.DBF SURNAME: the two lists of the
// Find Surname dialog, the surnames under a letter button and the persons of one surname.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "gedcom/StoredText.h"
#include "gedcom/Windows1252.h"
#include "person/SurnameIndex.h"
#include "table/HTable.h"
#include "tools/Commands.h"
#include "tools/OpenLookupTable.h"

namespace {

const char* const kSurnamesUsage = "usage: lineatum-tool surnames LOOKUP.DBF LETTER";
const char* const kSurnameUsage = "usage: lineatum-tool surname LOOKUP.DBF SURNAME";

// True for the caption of a letter button: A to Z in either case, or the button of the others.
bool IsLetterButton(const std::string& text) {
    if (text.size() != 1) return false;
    const char c = text[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == surnames::kOtherInitials;
}

// The entries of a person list whose pointer is looked up again as the dialog looks it up when
// the entry is clicked: every entry of a short list, an even spread of a long one (from the
// first to the last), since each look-up may walk the whole list anew.
constexpr size_t kMostPointerChecks = 64;

bool PointerChecked(size_t n, size_t size) {
    if (size <= kMostPointerChecks) return true;
    const size_t step = (size + kMostPointerChecks - 2) / (kMostPointerChecks - 1);
    return n % step == 0 || n + 1 == size;
}

// Everything a command prints, written at once so that a failing command prints nothing.
void Print(const std::string& out) { std::fwrite(out.data(), 1, out.size(), stdout); }

}  // namespace

int RunSurnames(const ToolArgs& args) {
    if (args.size() != 2) return ToolError(kSurnamesUsage);
    if (!IsLetterButton(args[1])) {
        return ToolError(OneLine("no letter button \"" + args[1] + "\": LETTER is A to Z or " +
                                 surnames::kOtherInitials + "; " + kSurnamesUsage));
    }
    try {
        HTable table;
        const std::string problem = OpenLookupTable(table, args[0]);
        if (!problem.empty()) return ToolError(problem);
        surnames::TSurnameIndex index(table);
        std::string out;
        for (const std::string& surname : index.ListSurnames(args[1][0])) {
            out += gedcom::Windows1252ToUtf8(surname);
            out += '\n';
        }
        Print(out);
    } catch (const std::exception& e) {
        return ToolError(OneLine(e.what()));
    }
    return 0;
}

int RunSurname(const ToolArgs& args) {
    if (args.size() != 2) return ToolError(kSurnameUsage);
    try {
        HTable table;
        const std::string problem = OpenLookupTable(table, args[0]);
        if (!problem.empty()) return ToolError(problem);
        surnames::TSurnameIndex index(table);
        const std::string surname = gedcom::ToStoredText(args[1]);
        const std::vector<surnames::TSurnamePerson> persons = index.ListPersonsOfSurname(surname);
        std::string out;
        for (size_t n = 0; n < persons.size(); ++n) {
            if (PointerChecked(n, persons.size())) {
                const std::string pointer =
                    index.PointerOfPersonOfSurname(surname, static_cast<int>(n));
                if (pointer != persons[n].pointer) {
                    return ToolError(OneLine("entry " + std::to_string(n) +
                                             " of the person list is " +
                                             gedcom::Windows1252ToUtf8(persons[n].pointer) +
                                             ", but the pointer looked up for it is \"" +
                                             gedcom::Windows1252ToUtf8(pointer) + "\""));
                }
            }
            out += gedcom::Windows1252ToUtf8(persons[n].pointer);
            out += '\t';
            out += gedcom::Windows1252ToUtf8(persons[n].name);
            out += '\n';
        }
        const std::string beyond =
            index.PointerOfPersonOfSurname(surname, static_cast<int>(persons.size()));
        if (!beyond.empty()) {
            return ToolError(OneLine("a pointer is looked up after the last of the " +
                                     std::to_string(persons.size()) +
                                     " persons: " + gedcom::Windows1252ToUtf8(beyond)));
        }
        Print(out);
    } catch (const std::exception& e) {
        return ToolError(OneLine(e.what()));
    }
    return 0;
}
