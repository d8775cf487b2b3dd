#pragma once

// A fact of a person or of a union as the user edits it in the whole
// file: its kind, date, place, description and the citations that prove
// it. Read from its stored GEDCOM structure and written back into it: the
// parts edited replace their lines, every other line the structure had
// (an address, a note, a quality, a program's own tag) stays.

#include <QString>

#include <string>
#include <vector>

// A kind of fact offered in French: its tag, and the TYPE that tells it
// apart when the tag does not ("EVEN" "Ondoiement", "MARR" "religieux").
struct GenreDeFait {
    std::string etiquette;
    std::string type;
    QString libelle;
};
const std::vector<GenreDeFait>& genresDeFaitsDePersonne();
const std::vector<GenreDeFait>& genresDeFaitsDUnion();

struct CitationSaisie {
    std::string source; // the source record ("@VS1@"), or empty for a citation without one
    std::string page;   // where in it: "vue 34, acte n° 12"
    int origine = -1;   // its rank among the structure's citations, -1 when new
};

struct FaitSaisi {
    std::string etiquette; // "BAPM", "EVEN"…
    std::string type;      // TYPE, for EVEN or a MARR that says which
    std::string valeur;    // the line's own value: a profession, a title, a name
    std::string date;      // GEDCOM date ("ABT 1750", "@#DFRENCH R@ 12 VEND 4")
    std::string lieu;
    std::string note; // a note written in the structure itself
    std::vector<CitationSaisie> citations;
};

FaitSaisi lireFait(const std::string& gedcom);
// The level 1 structure of `fait`; `origine` is the structure it was read
// from (empty for a new fact), whose other lines stay.
std::string ecrireFait(const FaitSaisi& fait, const std::string& origine);

// One line for a list: "Baptême (Ondoiement) — 12 mars 1750, Morlaix — 2 sources".
QString resumeDuFait(const std::string& gedcom);
// The citations of a structure, at any depth, as their sources' identifiers.
std::vector<std::string> sourcesCitees(const std::string& gedcom);

// A source cited by the person itself ("1 SOUR @S1@ / 2 PAGE …"): read, and
// written back keeping what else was under it.
CitationSaisie lireCitation(const std::string& gedcom);
std::string ecrireCitation(const CitationSaisie& citation, const std::string& origine);
