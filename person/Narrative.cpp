#include "person/Narrative.h"

#include "gedcom/GedcomStrings.h"

namespace {

constexpr size_t kGivenNamesLength = 250;

// A relative's name ready for a sentence.
std::string NameOf(const TGedcomPerson& person) { return DisplayName(person.Name()); }

// "Born ... . Died ... . " with whichever parts the person has.
std::string FactsOf(const TGedcomPerson& person) {
    std::string facts;
    std::string born = BornText(person);
    if (!born.empty()) facts += born + ". ";
    std::string died = DiedText(person);
    if (!died.empty()) facts += died + ". ";
    return facts;
}

std::string EventText(const char* word, const std::string& date, const std::string& place) {
    if (date.empty() && place.empty()) return std::string();
    if (date.empty()) return word + place;
    return word + date + " " + place;
}

bool IsKnown(const std::unique_ptr<TGedcomPerson>& person) { return person && person->Known(); }

}  // namespace

std::string DisplayName(std::string_view name) {
    size_t comma = name.find(',');
    if (comma == std::string_view::npos) return std::string(name);
    std::string_view surname = gedcom::Trim(name.substr(0, comma));
    std::string_view given =
        gedcom::Trim(gedcom::Utf8Substr(name.substr(comma + 1), 0, kGivenNamesLength));
    std::string result(given);
    result += ' ';
    result += surname;
    return result;
}

std::string BornText(const TGedcomPerson& person) {
    return EventText("Born ", person.FBirthDate, person.FBirthPlace);
}

std::string DiedText(const TGedcomPerson& person) {
    return EventText("Died ", person.FDeathDate, person.FDeathPlace);
}

void BuildNarrative(const TGedcomPerson& person, std::vector<std::string>& lines) {
    lines.clear();
    const bool female = person.FSex == "F";
    const std::string pronoun = female ? "She" : "He";
    const std::string relation = female ? "daughter" : "son";
    const std::string name = NameOf(person);

    std::string opening = name + ". " + FactsOf(person);
    const bool fatherKnown = IsKnown(person.FFather);
    const bool motherKnown = IsKnown(person.FMother);
    if (fatherKnown || motherKnown) {
        opening += pronoun + " was the " + relation + " of ";
        if (fatherKnown) opening += NameOf(*person.FFather);
        if (fatherKnown && motherKnown) opening += " and ";
        if (motherKnown) opening += NameOf(*person.FMother);
        opening += ". ";
    }
    lines.push_back(opening);
    lines.emplace_back();

    for (const auto& spouse : person.FSpouses) {
        const std::string spouseName = NameOf(*spouse);
        std::string line = pronoun + " married " + spouseName;
        if (gedcom::NotBlank(spouse->FMarriageDate)) line += " " + spouse->FMarriageDate;
        if (gedcom::NotBlank(spouse->FMarriagePlace)) line += " in " + spouse->FMarriagePlace;
        line += ". " + FactsOf(*spouse);
        const bool hasChildren = !spouse->FChildren.empty();
        if (hasChildren) line += "Children of " + name + " and " + spouseName + " are:";
        lines.push_back(line);
        lines.emplace_back();
        if (!hasChildren) continue;
        int number = 0;
        for (const auto& child : spouse->FChildren) {
            lines.push_back(std::to_string(++number) + ". " + NameOf(*child) + ". " +
                            FactsOf(*child));
        }
        lines.emplace_back();
    }

    lines.emplace_back();
    if (!person.FSiblings.empty()) lines.push_back("Siblings of " + name);
    lines.emplace_back();
    int number = 0;
    for (const auto& sibling : person.FSiblings) {
        lines.push_back(std::to_string(++number) + ". " + NameOf(*sibling) + ". " +
                        FactsOf(*sibling));
    }
}
