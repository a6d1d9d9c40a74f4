#include "bench/SyntheticGedcom.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "gedcom/Windows1252.h"
#include "table/CharServices.h"

namespace {

// The name tables stay dense.
// clang-format off
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
const char* const kPlaces[] = {
    "London, England", "York, Yorkshire, England", "Dublin, Ireland", "Paris, France",
    "Lyon, Rh\xF4ne, France", "M\xFCnchen, Bayern, Germany", "K\xF6ln, Germany",
    "Stockholm, Sweden", "G\xF6teborg, Sweden", "Oslo, Norway", "Madrid, Spain",
    "C\xF3rdoba, Spain", "Boston, Massachusetts, USA", "Qu\xE9\x62\x65\x63, Canada",
    "Edinburgh, Scotland", "Cardiff, Wales",
};
const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Surnames are written here in UTF-8 for legibility and converted to Windows-1252 once, when
// the pool is made. None uses a letter with a caron or the oe ligature.

// Real surnames, most common first: they take the first ranks of the frequency curve. Spellings
// that differ only by accents or by ß and "ss" are separate surnames and both occur.
const char* const kCommonSurnames[] = {
    "Smith", "Müller", "García", "Jones", "Martin", "Johnson", "Schmidt", "Williams", "Brown",
    "Taylor", "Hansen", "Fernández", "Schneider", "Rossi", "Davies", "Bernard", "Andersson",
    "Wilson", "López", "Fischer", "Nagy", "Evans", "Dubois", "Thomas", "Jensen", "Weber",
    "Rodríguez", "Roberts", "Meyer", "Thompson", "Johansson", "González", "Wagner", "Walker",
    "Moreau", "Wright", "Nilsson", "Becker", "Martínez", "Robinson", "Lefèvre", "Hoffmann", "Russo",
    "White", "Kovács", "Schulz", "Pérez", "Hughes", "Larsen", "Schäfer", "Sánchez", "Green",
    "Laurent", "Koch", "Hall", "Muller", "Svensson", "Bauer", "Ferrari", "Clarke", "Richter",
    "Gómez", "Jackson", "Simon", "Klein", "Wood", "Pedersen", "Wolf", "Díaz", "Harris", "Schröder",
    "Michel", "Lewis", "Neumann", "Esposito", "Hernández", "Miller", "Karlsson", "Murphy", "Tóth",
    "Young", "Schwarz", "Eriksson", "Bianchi", "King", "Zimmermann", "Szabó", "Scott", "Kelly",
    "Jiménez", "Nielsen", "Baker", "Lefebvre", "Krüger", "Sullivan", "Adams", "Horváth", "Larsson",
    "Romano", "Campbell", "Braun", "Olsson", "Ruiz", "Anderson", "Fournier", "Hofmann", "Colombo",
    "Mitchell", "Nowak", "Persson", "Moreno", "Allen", "Hartmann", "Girard", "O'Brien", "Varga",
    "Álvarez", "Cook", "Lange", "Christensen", "Ricci", "Bailey", "Werner", "Bonnet", "Byrne",
    "Kiss", "Romero", "Parker", "Köhler", "Pettersson", "Marino", "Walsh", "Krause", "Dupont",
    "Kowalski", "Jönsson", "Muñoz", "Davis", "Lehmann", "Lambert", "Ryan", "Molnár", "Greco",
    "MacDonald", "Schmitt", "Fontaine", "Sørensen", "Alonso", "Stewart", "Schulze", "Rousseau",
    "O'Connor", "Németh", "Bruno", "Szymanski", "Mueller", "Maier", "Vincent", "Lindström",
    "Gutiérrez", "Swift", "Köhler-Braun", "Rasmussen", "Gallo", "Farkas", "Mercier", "Navarro",
    "Groß", "Jørgensen", "Zwick", "Kowalczyk", "Gross", "McDonald", "Torres", "Conti", "Balogh",
    "Lévesque", "Strauß", "Domínguez", "Huber", "Kristensen", "Lindqvist", "Papp", "O'Neill",
    "Vázquez", "Kaiser", "Côté", "De Luca", "Åström", "Wójcik", "Weiß", "Ramos", "Fuchs", "Gagné",
    "Mortensen", "Takács", "Öberg", "Gonçalves", "Weiss", "Mancini", "Peters", "Bélanger",
    "Sjöberg", "Juhász", "Gil", "Núñez", "Vogel", "Hébert", "Costa", "Lewandowski", "Møller",
    "Ramírez", "Voß", "Lakatos", "Gauthier", "Strauss", "Åberg", "Giordano", "Serrano", "Jäger",
    "Pelletier", "Mészáros", "Rizzo", "Blanco", "Böhm", "Zielinski", "Peña", "Ström", "Voss",
    "Ménard", "Lombardi", "Suárez", "Fröhlich", "Bergström", "Simões", "Moretti", "Molina",
    "Günther", "Ibáñez", "Szilágyi", "Araújo", "Castro", "Lévêque", "Schütz", "Ortega", "de Vries",
    "Hübner", "Rubio", "van den Berg", "Kühn", "Marín", "van Dijk", "Brandão", "Sanz", "Bakker",
    "Magalhães", "Öztürk", "Janssen", "Çelik", "Visser", "Özdemir", "de Jong", "Émond", "Szekeres",
    "de Boer", "Éthier", "van der Meer", "Nuñez", "Fernandez", "Garcia", "Lopez", "Perez", "Gomez",
    "Lefevre", "Schroder", "Kruger", "Szabo", "Tellier", "Zwingli", "Zweig", "Zylstra",
    "Sutherland", "Sweeney", "Sykes", "Szalai", "Szántó", "Szász", "Szép", "Szénási", "Symons",
    "Swann", "Sørlie", "Østby",
};

// Rare spellings placed far down the curve, so that each has a few bearers in a large file:
// initials that are no letter of A to Z (Ø, an apostrophe, a digit), Æ and Þ, Ñ.
const char* const kRareSurnames[] = {
    "Østergaard", "'t Hooft", "Ødegaard", "0'Brien", "Ñíguez", "'s Gravesande", "Øverland",
    "1st Baron Grey", "Þórsson", "'t Hart", "Ærboe", "Øvergaard", "0'Neill", "Ñañez",
    "Þórðardóttir", "'t Lam", "Østvold", "2nd Earl Spencer", "Ødegård", "'s Jacob", "Æbelø", "Øie",
    "3 Unknown", "Ñeco", "Ørsted", "Ølgaard", "'t Jong", "Þorláksson", "Østli", "Ørum",
};

// clang-format on

// Syllables of made-up surnames, by style: a stem, an optional middle and an ending, with an
// optional prefix in front ("van ", "Mac", "O'").
struct SurnameStyle {
    int weight;         // share of the made-up surnames, in percent
    int prefixPercent;  // share of this style's surnames with a prefix
    std::vector<const char*> prefixes;
    std::vector<const char*> stems;
    std::vector<const char*> middles;
    std::vector<const char*> endings;
};

const std::vector<SurnameStyle>& SurnameStyles() {
    // clang-format off
    static const std::vector<SurnameStyle> styles = {
        // English
        {30,
         0,
         {},
         {"Ab", "Ald", "Ash", "Ath", "Bar", "Bel", "Ben", "Birk", "Black", "Bram", "Bren",
          "Brook", "Bur", "Cal", "Carl", "Chad", "Chal", "Ches", "Clay", "Cor", "Cran", "Dal",
          "Dar", "Den", "Dun", "Ed", "Ell", "Fair", "Far", "Fen", "Gar", "Gil", "Glad", "Gold",
          "Ham", "Har", "Hart", "Haw", "Hol", "Hun", "Kel", "Ken", "Kir", "Lang", "Lid", "Lind",
          "Lock", "Mar", "Mel", "Mid", "Mor", "Nor", "Oak", "Ol", "Pal", "Pen", "Pres", "Rad",
          "Ram", "Red", "Rid", "Ros", "Rush", "Sal", "San", "Saw", "Sed", "Shel", "Sher", "Slo",
          "Spen", "Stan", "Stock", "Stra", "Sut", "Swin", "Sy", "Sw", "Tal", "Thorn", "Thur",
          "Tow", "Up", "Wal", "War", "Wes", "Whit", "Wil", "Win", "Wy", "Yar", "Yor",
          "Sand", "Stam", "Stur", "Shep", "Sel", "Cap", "Bick", "Pick", "Hadd"},
         {"", "", "", "", "er", "en", "ing", "el", "a", "i", "es", "an"},
         {"by", "croft", "den", "don", "er", "field", "ford", "gate", "ham", "hill", "hurst",
          "ley", "ling", "low", "man", "more", "ridge", "sby", "son", "stead", "ston", "ton",
          "well", "wick", "wood", "worth", "combe", "shaw", "thorpe", "ey", "ins", "ett", "cott",
          "ney"}},
        // German and Dutch
        {20,
         8,
         {"van ", "van der ", "van ", "ter ", "von "},
         {"Alt", "Bach", "Baum", "Beck", "Berg", "Bött", "Brand", "Brück", "Dorn", "Eber",
          "Eich", "Engel", "Feld", "Fisch", "Fried", "Fuchs", "Gärt", "Gold", "Grün", "Haber",
          "Hahn", "Hart", "Heil", "Hof", "Holz", "Horn", "Jä", "Kalt", "Kessel", "Kirch", "Klee",
          "Knapp", "Köh", "König", "Kraus", "Krüg", "Kuh", "Lang", "Lieb", "Lind", "Löw", "Mai",
          "Mohr", "Moos", "Mü", "Neu", "Ober", "Ost", "Pfeif", "Rein", "Ritt", "Roth", "Sauer",
          "Schön", "Schul", "Schwarz", "Seel", "Sieg", "Sonn", "Stein", "Stock", "Strau",
          "Tann", "Theil", "Ul", "Vog", "Wald", "Weiß", "Wend", "Wies", "Wolf", "Zeh", "Ziegl",
          "Zimm", "Zwick", "Zwing", "Schaf", "Scherr", "Schlü", "Spreng", "Stü", "Süß", "Sell",
          "Hüb", "Bär", "Gröb", "Nuß"},
         {"", "", "", "e", "en", "el", "er", "ig", "i"},
         {"bach", "bauer", "berg", "brand", "brunner", "dorf", "egger", "er", "feld", "gruber",
          "hardt", "hauser", "heim", "huber", "inger", "kamp", "ke", "ler", "mann", "meier",
          "ner", "reiter", "ritter", "schmid", "stein", "thal", "wald", "wirth", "mayr",
          "müller", "häuser", "stra", "sma", "ink", "ema", "hoff", "kötter", "bröker"}},
        // Spanish, Portuguese, Italian and French
        {24,
         10,
         {"de ", "di ", "da ", "Di ", "de la ", "Le ", "dos ", "Del "},
         {"Abr", "Agu", "Alb", "Alc", "Alm", "Arr", "Bal", "Bar", "Bel", "Ben", "Bor", "Cab",
          "Cal", "Cam", "Car", "Cas", "Cerv", "Cor", "Cre", "Del", "Esc", "Esp", "Fer", "Fig",
          "Gal", "Gar", "Gir", "Gon", "Gu", "Her", "Ib", "Iz", "Lar", "Leg", "Lor", "Mal", "Man",
          "Mar", "Med", "Mend", "Mir", "Mon", "Mor", "Nav", "Ol", "Or", "Pal", "Par", "Pas",
          "Per", "Pin", "Pla", "Pon", "Quin", "Ram", "Riv", "Rom", "Sal", "San", "Seg", "Sol",
          "Tor", "Val", "Ver", "Vid", "Vill", "Zam", "Zub", "Zur", "Cé", "Fé", "Bé", "Hé", "Mé",
          "Ré", "Ár", "Éch", "Ét", "Ór", "Úr", "Íñ"},
         {"a", "e", "i", "o", "u", "á", "é", "í", "ó", "ú", "an", "en", "ar", "ol", "ñ", "ç",
          "ri", "li", "ti", "", ""},
         {"ado", "aga", "ales", "ano", "ardo", "ares", "ario", "eda", "edo", "ego", "eira",
          "ela", "elli", "ero", "es", "etti", "ez", "ino", "ini", "ito", "iz", "o", "ola", "one",
          "ón", "ález", "énez", "íguez", "ães", "ão", "eau", "ier", "ière", "ois", "ot", "et",
          "and", "ard", "ès", "ère", "ñez", "ña", "ço", "ção", "uzzi", "acci", "ault", "eux"}},
        // Scandinavian
        {11,
         0,
         {},
         {"Ahl", "Alm", "Ber", "Björ", "Blå", "Dahl", "Ek", "Eng", "Fjäll", "Fors", "Grän",
          "Hag", "Hed", "Hell", "Holm", "Kjær", "Lj", "Lund", "Lind", "Malm", "Nord", "Ny",
          "Rå", "Sand", "Sjö", "Sköld", "Stjärn", "Ström", "Sund", "Söder", "Tor", "Vall",
          "Ves", "Wik", "Ås", "Åker", "Öst", "Öhr", "Sæ", "Sol", "Stav", "Skog", "Sten", "Svan",
          "Berg", "Bø", "Dø", "Frø", "Hø", "Lø", "Mø", "Nø", "Rø"},
         {"", "", "", "e", "a", "er"},
         {"berg", "blad", "bom", "dahl", "gren", "holm", "lund", "qvist", "quist", "ström",
          "stedt", "sson", "sen", "vik", "by", "gaard", "rud", "heim", "strand", "ås", "näs",
          "fors", "lin", "man", "ell", "stad"}},
        // Hungarian and Polish
        {8,
         0,
         {},
         {"Sz", "Szal", "Szeg", "Szil", "Szom", "Szy", "Kov", "Kor", "Kis", "Tak", "Tót", "Hor",
          "Var", "Fek", "Bal", "Mol", "Pap", "Lak", "Vad", "Bog", "Dob", "Gor", "Jab", "Kam",
          "Kow", "Kras", "Lew", "Mal", "Nowa", "Pol", "Rut", "Sob", "Wal", "Wit", "Zab", "Zaj",
          "Zel", "Zw", "Zy", "Zyg", "Sze", "Szu", "Szó", "Cs", "Gy", "Ny", "Zs"},
         {"", "a", "e", "i", "o", "ó", "á", "é", "ar", "ow", "el"},
         {"ács", "ai", "ák", "ár", "ási", "cki", "czak", "dy", "ek", "ényi", "i", "ik",
          "inski", "ka", "ki", "ko", "ky", "ló", "ny", "ó", "os", "owski", "ski", "szky", "uk",
          "wicz", "yi", "ewski", "ecki"}},
        // Irish and Scottish
        {7,
         80,
         {"Mac", "Mc", "O'"},
         {"Al", "Bren", "Car", "Con", "Cor", "Dar", "Don", "Dou", "Fad", "Fin", "Gall", "Gil",
          "Gor", "Ken", "Kin", "Lach", "Lean", "Len", "Mur", "Neil", "Quill", "Rae", "Shan",
          "Sull", "Tav", "Kee", "Lough", "Mah", "Cart", "Dow", "Hal", "Sween"},
         {"", "", "", "l", "r", "n"},
         {"an", "ane", "ain", "ey", "ie", "in", "och", "on", "y", "ery", "ivan", "ahan", "ney",
          "agh", "aine", "ish", "aid", "ogue"}},
    };
    // clang-format on
    return styles;
}

// How common the surnames of the pool are: weights fall as (rank + kRankOffset) ^ -kExponent
// (Zipf-Mandelbrot), which gives the first few surnames about 1 % of the individuals each, and
// for a million individuals about 50,000 surnames, half of them borne once.
constexpr size_t kPoolSize = 110000;
constexpr double kRankOffset = 40;
constexpr double kExponent = 1.4;
// Where the rare spellings go: from this rank on, one every kRareSpacing ranks, which gives
// each from about a hundred bearers down to a few in a million individuals.
constexpr size_t kFirstRareRank = 1000;
constexpr size_t kRareSpacing = 400;

// Fisher-Yates with the generator's own draws, so that every standard library shuffles alike.
template <typename T>
void Shuffle(std::vector<T>& items, std::mt19937_64& random) {
    for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[random() % i]);
}

// The same surname without its accents, or with one accent where it had none: the twin that
// real files hold beside it (Müller and Muller, Groß and Gross). Empty when there is none.
std::string AccentTwin(const std::string& surname, uint64_t choice) {
    std::string plain;
    bool accented = false;
    for (unsigned char c : surname) {
        const char* replacement = nullptr;
        // clang-format off
        switch (c) {
            case 0xE0: case 0xE1: case 0xE2: case 0xE3: case 0xE4: case 0xE5: replacement = "a"; break;
            case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC4: case 0xC5: replacement = "A"; break;
            case 0xE8: case 0xE9: case 0xEA: case 0xEB: replacement = "e"; break;
            case 0xC8: case 0xC9: case 0xCA: case 0xCB: replacement = "E"; break;
            case 0xEC: case 0xED: case 0xEE: case 0xEF: replacement = "i"; break;
            case 0xF2: case 0xF3: case 0xF4: case 0xF5: case 0xF6: case 0xF8: replacement = "o"; break;
            case 0xD2: case 0xD3: case 0xD4: case 0xD5: case 0xD6: case 0xD8: replacement = "O"; break;
            case 0xF9: case 0xFA: case 0xFB: case 0xFC: replacement = "u"; break;
            case 0xF1: replacement = "n"; break;
            case 0xE7: replacement = "c"; break;
            case 0xDF: replacement = "ss"; break;
            case 0xE6: replacement = "ae"; break;
            default: break;
        }
        // clang-format on
        if (replacement != nullptr) {
            plain += replacement;
            accented = true;
        } else {
            plain += static_cast<char>(c);
        }
    }
    if (accented) return plain;
    // Put an accent on one vowel: u -> ü, o -> ö, a -> ä or á, e -> é.
    std::vector<size_t> vowels;
    for (size_t i = 1; i < surname.size(); ++i) {
        if (std::string_view("uoae").find(surname[i]) != std::string_view::npos)
            vowels.push_back(i);
    }
    if (vowels.empty()) return std::string();
    std::string twin = surname;
    const size_t at = vowels[choice % vowels.size()];
    switch (twin[at]) {
        case 'u':
            twin[at] = '\xFC';
            break;
        case 'o':
            twin[at] = '\xF6';
            break;
        case 'a':
            twin[at] = (choice / 7) % 2 ? '\xE4' : '\xE1';
            break;
        default:
            twin[at] = '\xE9';
            break;
    }
    return twin;
}

// The surnames of the synthetic population with their weights. Made once, the same for every
// size and seed: the spellings are distinct as the viewer counts surnames (upper-cased), and
// the seed only changes which of them are drawn how often.
class SurnamePool {
public:
    static const SurnamePool& Shared() {
        static const SurnamePool pool;
        return pool;
    }

    size_t Size() const { return spellings_.size(); }
    const std::string& Spelling(size_t rank) const { return spellings_[rank]; }
    // The weight of `rank` on the frequency curve (the weights of all ranks sum to 1).
    double Share(size_t rank) const { return Weight(rank) / sum_; }
    // The rank at the place `bits` (uniform 64 bits) falls on the frequency curve.
    size_t Draw(uint64_t bits) const { return DrawFrom(cumulative_, bits); }

    // The rank at the place `bits` falls on `cumulative`, running sums of weights by rank.
    static size_t DrawFrom(const std::vector<double>& cumulative, uint64_t bits) {
        const double at = static_cast<double>(bits >> 11) * 0x1.0p-53 * cumulative.back();
        const size_t rank = static_cast<size_t>(
            std::upper_bound(cumulative.begin(), cumulative.end(), at) - cumulative.begin());
        return std::min(rank, cumulative.size() - 1);
    }

private:
    SurnamePool() {
        std::unordered_set<std::string> seen;
        auto add = [&](std::vector<std::string>& to, std::string spelling) {
            for (unsigned char c : spelling) {
                if (c == '?' || c == 0x8A || c == 0x9A || c == 0x8C || c == 0x9C || c == 0x8E ||
                    c == 0x9E) {
                    throw std::logic_error("synthetic surname out of range: " + spelling);
                }
            }
            if (seen.insert(AnsiUpper(spelling)).second) to.push_back(std::move(spelling));
        };
        std::vector<std::string> common;
        for (const char* name : kCommonSurnames) add(common, gedcom::Utf8ToWindows1252(name));
        std::vector<std::string> rare;
        for (const char* name : kRareSurnames) add(rare, gedcom::Utf8ToWindows1252(name));

        // The syllables once in Windows-1252.
        struct Style {
            int weight;
            int prefixPercent;
            std::vector<std::string> prefixes, stems, middles, endings;
        };
        std::vector<Style> styles;
        int totalWeight = 0;
        for (const SurnameStyle& s : SurnameStyles()) {
            Style style{s.weight, s.prefixPercent, {}, {}, {}, {}};
            for (const char* p : s.prefixes) style.prefixes.push_back(gedcom::Utf8ToWindows1252(p));
            for (const char* p : s.stems) style.stems.push_back(gedcom::Utf8ToWindows1252(p));
            for (const char* p : s.middles) style.middles.push_back(gedcom::Utf8ToWindows1252(p));
            for (const char* p : s.endings) style.endings.push_back(gedcom::Utf8ToWindows1252(p));
            totalWeight += s.weight;
            styles.push_back(std::move(style));
        }

        std::mt19937_64 random(0x5EED5u);
        std::vector<std::string> made;
        const size_t wanted = kPoolSize - common.size() - rare.size();
        for (size_t attempt = 0; made.size() < wanted && attempt < 50 * kPoolSize; ++attempt) {
            int pick = static_cast<int>(random() % static_cast<uint64_t>(totalWeight));
            size_t s = 0;
            while (pick >= styles[s].weight) pick -= styles[s++].weight;
            const Style& style = styles[s];
            std::string name;
            if (static_cast<int>(random() % 100) < style.prefixPercent) {
                name = style.prefixes[random() % style.prefixes.size()];
            }
            // A prefix without a blank ("Mac", "O'") runs into the stem, keeping its capital.
            name += style.stems[random() % style.stems.size()];
            name += style.middles[random() % style.middles.size()];
            name += style.endings[random() % style.endings.size()];
            const uint64_t twinChoice = random();
            add(made, name);
            // One in five also has its accent twin: plain beside accented spellings.
            if (twinChoice % 5 == 0) {
                std::string twin = AccentTwin(name, twinChoice / 5);
                if (!twin.empty()) add(made, std::move(twin));
            }
        }
        Shuffle(made, random);

        spellings_ = std::move(common);
        size_t nextRare = 0;
        for (std::string& name : made) {
            const size_t rank = spellings_.size();
            if (nextRare < rare.size() && rank >= kFirstRareRank &&
                (rank - kFirstRareRank) % kRareSpacing == 0) {
                spellings_.push_back(std::move(rare[nextRare++]));
            }
            spellings_.push_back(std::move(name));
        }
        while (nextRare < rare.size()) spellings_.push_back(std::move(rare[nextRare++]));

        cumulative_.reserve(spellings_.size());
        for (size_t rank = 0; rank < spellings_.size(); ++rank) {
            sum_ += Weight(rank);
            cumulative_.push_back(sum_);
        }
    }

    static double Weight(size_t rank) {
        return std::pow(static_cast<double>(rank) + kRankOffset, -kExponent);
    }

    std::vector<std::string> spellings_;
    std::vector<double> cumulative_;
    double sum_ = 0;
};

// The surname as one individual's record writes it: mostly as the pool spells it, sometimes in
// capitals (as some programs and typists store every surname), and a lower-case particle
// ("van der Berg") sometimes with a capital.
std::string WrittenSurname(const std::string& surname, uint64_t bits) {
    if (bits % 100 < 4) return AnsiUpper(surname);
    const unsigned char first = static_cast<unsigned char>(surname[0]);
    if (first >= 'a' && first <= 'z' && (bits / 100) % 4 == 0) {
        std::string written = surname;
        written[0] = static_cast<char>(first - 0x20);
        return written;
    }
    return surname;
}

// 64 well-mixed bits of `a` and `b` (the SplitMix64 finalizer): a draw that depends on its
// inputs only, not on how many draws came before.
uint64_t Mix(uint64_t a, uint64_t b) {
    uint64_t z = a * 0x9E3779B97F4A7C15ull + b + 0x632BE59BD9B4E019ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The surname rank of every lineage (a founder with the descendants who carry the founder's
// surname), given the number of persons of each. Single lineages could grow past the share of
// the most common surnames and put a rare one at the top, so lineages of two or more persons,
// largest first, take a drawn surname that still has room for them on the frequency curve (the
// one with most room when ten draws find none), and the others, mostly wives who married in,
// are drawn from the room that is left.
std::vector<int32_t> AssignSurnames(const std::vector<int32_t>& lineageSizes, uint64_t seed) {
    const SurnamePool& pool = SurnamePool::Shared();
    std::mt19937_64 random(Mix(seed, 0x5A4E));
    int64_t persons = 0;
    for (int32_t size : lineageSizes) persons += size;
    std::vector<double> room(pool.Size());
    for (size_t rank = 0; rank < room.size(); ++rank) {
        room[rank] = static_cast<double>(persons) * pool.Share(rank);
    }

    std::vector<int32_t> surnames(lineageSizes.size(), 0);
    std::vector<int32_t> large;
    for (size_t l = 0; l < lineageSizes.size(); ++l) {
        if (lineageSizes[l] > 1) large.push_back(static_cast<int32_t>(l));
    }
    std::sort(large.begin(), large.end(), [&](int32_t a, int32_t b) {
        return lineageSizes[a] != lineageSizes[b] ? lineageSizes[a] > lineageSizes[b] : a < b;
    });
    constexpr size_t kRoomiestAmong = 5000;  // most room is near the top of the curve
    for (int32_t lineage : large) {
        const double size = lineageSizes[lineage];
        size_t rank = pool.Size();
        for (int attempt = 0; attempt < 10 && rank == pool.Size(); ++attempt) {
            const size_t drawn = pool.Draw(random());
            if (room[drawn] >= size) rank = drawn;
        }
        if (rank == pool.Size()) {
            rank = static_cast<size_t>(
                std::max_element(room.begin(),
                                 room.begin() + std::min(room.size(), kRoomiestAmong)) -
                room.begin());
        }
        room[rank] -= size;
        surnames[lineage] = static_cast<int32_t>(rank);
    }

    std::vector<double> cumulative(room.size());
    double sum = 0;
    for (size_t rank = 0; rank < room.size(); ++rank) {
        sum += std::max(0.0, room[rank]);
        cumulative[rank] = sum;
    }
    for (size_t l = 0; l < lineageSizes.size(); ++l) {
        if (lineageSizes[l] > 1) continue;
        surnames[l] = static_cast<int32_t>(sum > 0 ? SurnamePool::DrawFrom(cumulative, random())
                                                   : pool.Draw(random()));
    }
    return surnames;
}

template <typename T, size_t N>
const T& Pick(const T (&list)[N], uint64_t value) {
    return list[value % N];
}

struct Person {
    bool male = false;
    int32_t birthFamily = -1;        // family in which the person is a child
    int32_t families[2] = {-1, -1};  // families in which the person is a spouse
    int32_t birthYear = 1700;
    int32_t lineage = 0;  // the founder whose surname the person carries
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
    const SurnamePool& pool = SurnamePool::Shared();
    return WrittenSurname(pool.Spelling(pool.Draw(random())), random()) + ", " + given;
}

SyntheticGedcomCounts WriteSyntheticGedcom(std::ostream& out,
                                           const SyntheticGedcomOptions& options) {
    std::mt19937_64 random(options.seed);
    SyntheticGedcomCounts counts;
    const int32_t total = static_cast<int32_t>(options.individuals);

    // Lay out the tree first: founders marry, their children marry into later families.
    std::vector<Person> persons(static_cast<size_t>(total));
    std::vector<Family> families;
    std::vector<int32_t> lineageSizes;
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
                // Surnames are given once the tree stands (AssignSurnames); this draw keeps the
                // tree of each seed as it has been.
                random();
                persons[who].lineage = static_cast<int32_t>(lineageSizes.size());
                lineageSizes.push_back(1);
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
            child.lineage = persons[family.husband].lineage;
            ++lineageSizes[static_cast<size_t>(child.lineage)];
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

    const std::vector<int32_t> surnames = AssignSurnames(lineageSizes, options.seed);
    const SurnamePool& pool = SurnamePool::Shared();
    std::vector<int64_t> bearers(pool.Size(), 0);

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
        const size_t rank = static_cast<size_t>(surnames[static_cast<size_t>(p.lineage)]);
        const std::string& surname = pool.Spelling(rank);
        ++bearers[rank];
        w.Line("1 NAME " + given + " /" + WrittenSurname(surname, Mix(options.seed, i)) + "/");
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

    // The pool's spellings differ once upper-cased, and records change only their case.
    for (size_t rank = 0; rank < bearers.size(); ++rank) {
        if (bearers[rank] == 0) continue;
        ++counts.surnames;
        if (bearers[rank] > counts.commonestSurnameIndividuals) {
            counts.commonestSurname = AnsiUpper(pool.Spelling(rank));
            counts.commonestSurnameIndividuals = bearers[rank];
        }
    }
    return counts;
}

SyntheticGedcomCounts WriteSyntheticGedcomFile(const std::string& path,
                                               const SyntheticGedcomOptions& options) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const SyntheticGedcomCounts counts = WriteSyntheticGedcom(out, options);
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
    std::printf("file: %s, %lld individuals, %lld records, %lld lines, %lld surnames\n",
                path.c_str(), static_cast<long long>(counts.individuals),
                static_cast<long long>(counts.records), static_cast<long long>(counts.lines),
                static_cast<long long>(counts.surnames));
    return counts;
}
