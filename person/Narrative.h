// The details narrative: a few English sentences about a loaded central person's birth, death,
// parents, marriages, children and siblings, as shown on the "Details" page and in the Find
// Surname preview.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "person/GedcomPerson.h"

// A stored name "Surname, Given names" in reading order: the given names (text after the first
// comma, at most 250 characters, trimmed), one blank, the surname (text before the comma,
// trimmed). A name without a comma, such as "Unknown", is returned unchanged. An empty surname
// leaves a trailing blank, empty given names a leading one.
std::string DisplayName(std::string_view name);

// "Born <date> <place>", "Born <place>" when there is no date, or empty when there is neither.
// A date without a place ends in a blank.
std::string BornText(const TGedcomPerson& person);
// The same with "Died " and the death date and place.
std::string DiedText(const TGedcomPerson& person);

// Clears `lines` and fills it with the narrative of `person`: the opening line with the facts
// and the parents, then one block per marriage with its numbered children, then the numbered
// siblings, separated by blank lines. Every sentence ends with ". " (its trailing blank kept);
// lines are not trimmed. Pronoun and relation word are "She"/"daughter" when the sex is "F",
// otherwise "He"/"son". REQUIRES: `person` is of kind pkMain.
void BuildNarrative(const TGedcomPerson& person, std::vector<std::string>& lines);
