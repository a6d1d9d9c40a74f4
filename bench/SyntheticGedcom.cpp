#include "bench/SyntheticGedcom.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

const char* const kMaleNames[] = {
    "John", "William", "James", "George", "Charles", "Thomas", "Henry", "Robert", "Edward",
    "Joseph", "Samuel", "David", "Frederick", "Albert", "Walter", "Arthur", "Jos\xE9",
    "Fran\xE7ois", "J\xFCrgen", "S\xF8ren", "\xC9tienne", "Andr\xE9", "Bj\xF6rn", "Ra\xFAl",
    "Nicol\xE1s", "Ignacio", "Pierre", "Hans", "Karl", "Olaf", "Mikael", "Luis",
};
const char* const kFemaleNames[] = {
    "Mary", "Elizabeth", "Sarah", "Ann", "Margaret", "Jane", "Catherine", "Emma", "Alice",
    "Eliza", "Martha", "Hannah", "Ellen", "Louisa", "Harriet", "Agnes", "Ren\xE9\x65",
    "H\xE9l\xE8ne", "Ang\xE9lique", "Zo\xEB", "M\xE4rta", "Ingrid", "Bj\xF8rg", "In\xE9s",
    "Luc\xED" "a", "Mar\xED" "a", "Fran\xE7oise", "Gr\xE9ta", "Sophie", "Anna", "Clara", "Rosa",
};
const char* const kSurnames[] = {
    "Smith", "Jones", "Taylor", "Brown", "Williams", "Wilson", "Johnson", "Davies", "Robinson",
    "Wright", "Thompson", "Evans", "Walker", "White", "Roberts", "Green", "Hall", "Wood",
    "Jackson", "Clarke", "M\xFCller", "Schr\xF6\x64\x65r", "Gr\xE4\x66", "Bj\xF6rk",
    "\xC5str\xF6m", "N\xFA\xF1\x65z", "Fran\xE7ois", "L\xE9v\xEAque", "O'Brien", "MacDonald",
    "de la Cruz", "van der Berg", "St. John", "Ho\xDF", "\xD8stergaard", "Dvo\xF8\xE1k",
    "Pe\xF1\x61", "Garc\xED" "a", "L\xF3pez", "Fern\xE1ndez", "Martin", "Bernard", "Dubois",
    "Lef\xE8vre", "Moreau", "Rossi", "Russo", "Ferrari", "Esposito", "Bianchi",
};
const char* const kPlaces[] = {
    "London, England", "York, Yorkshire, England", "Dublin, Ireland", "Paris, France",
    "Lyon, Rh\xF4ne, France", "M\xFCnchen, Bayern, Germany", "K\xF6ln, Germany",
    "Stockholm, Sweden", "G\xF6teborg, Sweden", "Oslo, Norway", "Madrid, Spain",
    "C\xF3rdoba, Spain", "Boston, Massachusetts, USA", "Qu\xE9\x62\x65\x63, Canada",
    "Edinburgh, Scotland", "Cardiff, Wales",
};
const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

template <typename T, size_t N>
const T& Pick(const T (&list)[N], uint64_t value) {
    return list[value % N];
}

struct Person {
    bool male = false;
    int32_t birthFamily = -1;           // family in which the person is a child
    int32_t families[2] = {-1, -1};     // families in which the person is a spouse
    int32_t birthYear = 1700;
    int32_t surname = 0;
};

struct Family {
    int32_t husband = -1;
    int32_t wife = -1;
    int32_t firstChild = -1;
    int32_t childCount = 0;
    int32_t year = 1720;
};

class Writer {
public:
    Writer(std::ostream& out, SyntheticGedcomCounts& counts) : out_(out), counts_(counts) {}
    void Line(const std::string& text) {
        out_ << text << "\r\n";
        ++counts_.lines;
    }

private:
    std::ostream& out_;
    SyntheticGedcomCounts& counts_;
};

std::string Date(std::mt19937_64& random, int year) {
    std::string date;
    uint64_t kind = random() % 10;
    if (kind == 0) date = "ABT ";
    if (kind >= 2) date += std::to_string(1 + random() % 28) + " ";
    if (kind >= 1) date += std::string(Pick(kMonths, random())) + " ";
    return date + std::to_string(year);
}

}  // namespace

std::string SyntheticSortName(int64_t number) {
    std::mt19937_64 random(static_cast<uint64_t>(number) * 0x9E3779B97F4A7C15ull + 7);
    bool male = random() % 2 == 0;
    std::string given = male ? Pick(kMaleNames, random()) : Pick(kFemaleNames, random());
    if (random() % 3 == 0) given += std::string(" ") + Pick(kMaleNames, random());
    return std::string(Pick(kSurnames, random())) + ", " + given;
}

SyntheticGedcomCounts WriteSyntheticGedcom(std::ostream& out,
                                           const SyntheticGedcomOptions& options) {
    std::mt19937_64 random(options.seed);
    SyntheticGedcomCounts counts;
    const int32_t total = static_cast<int32_t>(options.individuals);

    // Lay out the tree first: founders marry, their children marry into later families.
    std::vector<Person> persons(static_cast<size_t>(total));
    std::vector<Family> families;
    std::vector<int32_t> unmarried;  // children waiting for a spouse, oldest first
    size_t nextUnmarried = 0;
    int32_t next = 0;
    while (next < total) {
        Family family;
        for (int spouse = 0; spouse < 2 && next <= total; ++spouse) {
            int32_t who = -1;
            if (spouse == 0 && nextUnmarried < unmarried.size() && random() % 4 != 0) {
                who = unmarried[nextUnmarried++];
            } else if (next < total) {
                who = next++;
                persons[who].surname = static_cast<int32_t>(random() % 1000);
                persons[who].birthYear = 1650 + static_cast<int32_t>(random() % 40);
            }
            if (who < 0) break;
            Person& person = persons[who];
            person.male = spouse == 0;
            int slot = person.families[0] < 0 ? 0 : 1;
            person.families[slot] = static_cast<int32_t>(families.size());
            (spouse == 0 ? family.husband : family.wife) = who;
            family.year = std::max(family.year, person.birthYear + 20 + int32_t(random() % 10));
        }
        int32_t children = static_cast<int32_t>(random() % 3);  // 0 to 2, mean 1
        if (random() % 3 == 0) children += 1 + static_cast<int32_t>(random() % 3);
        family.firstChild = next;
        for (int32_t c = 0; c < children && next < total; ++c) {
            Person& child = persons[next];
            child.birthFamily = static_cast<int32_t>(families.size());
            child.male = random() % 2 == 0;
            child.birthYear = family.year + 1 + 2 * c;
            child.surname = family.husband >= 0 ? persons[family.husband].surname : 0;
            if (random() % 10 < 8) unmarried.push_back(next);
            ++next;
            ++family.childCount;
        }
        // A widowed husband sometimes marries again.
        if (family.husband >= 0 && persons[family.husband].families[1] < 0 && random() % 10 == 0) {
            unmarried.push_back(family.husband);
        }
        families.push_back(family);
    }

    Writer w(out, counts);
    w.Line("0 HEAD");
    w.Line("1 SOUR LINEATUM-BENCH");
    w.Line("1 SUBM @U1@");
    w.Line("1 GEDC");
    w.Line("2 VERS 5.5");
    w.Line("2 FORM LINEAGE-LINKED");
    w.Line("1 CHAR ANSI");
    w.Line("0 @U1@ SUBM");
    w.Line("1 NAME Benchmark Submitter");
    counts.records = 1;

    int64_t noteRecords = 0;
    for (int32_t i = 0; i < total; ++i) {
        const Person& p = persons[static_cast<size_t>(i)];
        w.Line("0 @I" + std::to_string(i + 1) + "@ INDI");
        std::string given = p.male ? Pick(kMaleNames, random()) : Pick(kFemaleNames, random());
        if (random() % 3 == 0) given += std::string(" ") + Pick(kMaleNames, random());
        w.Line("1 NAME " + given + " /" + Pick(kSurnames, static_cast<uint64_t>(p.surname)) + "/");
        w.Line(std::string("1 SEX ") + (p.male ? "M" : "F"));
        w.Line("1 BIRT");
        w.Line("2 DATE " + Date(random, p.birthYear));
        w.Line(std::string("2 PLAC ") + Pick(kPlaces, random()));
        if (random() % 3 != 0) {
            w.Line("1 DEAT");
            w.Line("2 DATE " + Date(random, p.birthYear + 30 + int(random() % 60)));
            if (random() % 2) w.Line(std::string("2 PLAC ") + Pick(kPlaces, random()));
        }
        if (p.birthFamily >= 0) w.Line("1 FAMC @F" + std::to_string(p.birthFamily + 1) + "@");
        for (int32_t family : p.families) {
            if (family >= 0) w.Line("1 FAMS @F" + std::to_string(family + 1) + "@");
        }
        if (random() % 20 == 0) {
            w.Line("1 NOTE Remembered as a " + std::string(random() % 2 ? "farmer" : "weaver") +
                   " of some standing in the parish,");
            w.Line("2 CONC  and named in the will of a neighbour.");
            w.Line("2 CONT Source: parish register.");
        }
        if (i % 50 == 0) w.Line("1 NOTE @N" + std::to_string(++noteRecords) + "@");
        ++counts.individuals;
        ++counts.records;
    }
    for (size_t f = 0; f < families.size(); ++f) {
        const Family& family = families[f];
        w.Line("0 @F" + std::to_string(f + 1) + "@ FAM");
        if (family.husband >= 0) w.Line("1 HUSB @I" + std::to_string(family.husband + 1) + "@");
        if (family.wife >= 0) w.Line("1 WIFE @I" + std::to_string(family.wife + 1) + "@");
        if (random() % 5 != 0) {
            w.Line("1 MARR");
            w.Line("2 DATE " + Date(random, family.year));
            w.Line(std::string("2 PLAC ") + Pick(kPlaces, random()));
        }
        for (int32_t c = 0; c < family.childCount; ++c) {
            w.Line("1 CHIL @I" + std::to_string(family.firstChild + c + 1) + "@");
        }
        ++counts.families;
        ++counts.records;
    }
    for (int64_t n = 1; n <= noteRecords; ++n) {
        w.Line("0 @N" + std::to_string(n) + "@ NOTE The family kept a bible in which births were");
        w.Line("1 CONC  written down for several generations.");
        w.Line("1 CONT It passed to the eldest daughter.");
        ++counts.notes;
        ++counts.records;
    }
    w.Line("0 TRLR");
    return counts;
}

SyntheticGedcomCounts WriteSyntheticGedcomFile(const std::string& path,
                                               const SyntheticGedcomOptions& options) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const SyntheticGedcomCounts counts = WriteSyntheticGedcom(out, options);
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
    std::printf("file: %s, %lld individuals, %lld records, %lld lines\n", path.c_str(),
                static_cast<long long>(counts.individuals), static_cast<long long>(counts.records),
                static_cast<long long>(counts.lines));
    return counts;
}
