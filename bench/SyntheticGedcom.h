// A generator of synthetic GEDCOM files for benchmarks: deterministic for a given size and
// seed, with families over several generations, births, deaths, marriages (some persons marry
// twice), inline and record notes with CONT/CONC lines, and Windows-1252 accented names.
//
// Surnames are as real files have them: children carry their father's, and over the whole file
// they follow a long-tailed curve, a few surnames of about 1 % of the individuals each and, for
// a million individuals, about 50,000 in all, half of them borne once. Real common surnames come
// first, made-up ones from syllables of several languages fill the tail. Accented and plain
// spellings stand side by side (Müller and Muller, Groß and Gross, Æ beside AE), some records
// write the surname in capitals ("MÜLLER") or a particle capitalised ("Van der Berg"), and
// surnames at the ends of letters (Szabó, Zwick) and a few beginning with no letter A to Z (Ø,
// an apostrophe, a digit) occur. No surname uses a letter with a caron or the oe ligature.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

struct SyntheticGedcomOptions {
    int64_t individuals = 1000;
    uint64_t seed = 1;
};

struct SyntheticGedcomCounts {
    int64_t individuals = 0;
    int64_t families = 0;
    int64_t notes = 0;
    int64_t records = 0;  // level-0 records with a pointer
    int64_t lines = 0;
    // Distinct surnames, counted upper-cased, and the most common one (upper-cased) with the
    // number of individuals who bear it.
    int64_t surnames = 0;
    std::string commonestSurname;
    int64_t commonestSurnameIndividuals = 0;
};

// Writes a whole GEDCOM file (CR LF line ends, header declaring ANSI) to `out` and returns
// what it wrote. About 0.3 families per individual and one note record per 50 individuals.
SyntheticGedcomCounts WriteSyntheticGedcom(std::ostream& out, const SyntheticGedcomOptions& options);
// The same into the file `path` (replaced), with a line naming the file and its counts on
// stdout. Throws std::runtime_error when the file cannot be written.
SyntheticGedcomCounts WriteSyntheticGedcomFile(const std::string& path,
                                               const SyntheticGedcomOptions& options);

// A realistic individual name as the lookup table stores it ("Surname, Given Names"), for
// benchmarks that need names without a GEDCOM file: its surname is drawn from the same curve as
// the file's, independently for each number. Deterministic for `number`.
std::string SyntheticSortName(int64_t number);
