#pragma once

// The genealogy of the companion store as structures: a name, an event, a
// citation, a source… each a row of its table, its values in columns, its
// own structures below it in order. This file reads GEDCOM lines into that
// model and writes the model back as GEDCOM lines; the store keeps the
// model in its tables.
//
// What no column holds (a tag of another program, a change date, a second
// DATE) stays as its lines, a "reste" in its place among its owner's
// structures. A structure whose canonical writing would differ from the
// lines it came from (its lines in another order, a value cut by CONC)
// keeps those lines verbatim for the export as well, its values still in
// the columns for every view: nothing read is ever lost.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace structures {

// What a structure is, and so the table that keeps it.
enum class Sorte : char {
    Fichier = '0',     // the file itself: owner of its records
    Personne = 'P',    // a person entry of the store
    Union = 'U',       // a couple
    Enfant = 'L',      // a child's link to a couple
    Nom = 'N',         // NAME
    Evenement = 'E',   // BIRT, MARR, OCCU, EVEN…
    Citation = 'C',    // SOUR under a structure
    NoteJointe = 'O',  // NOTE under a structure: a pointer or the text itself
    MediaJoint = 'M',  // OBJE under a structure
    Association = 'A', // ASSO: a related person and the relation (a witness…)
    SourceDepot = 'K', // REPO under a source, with the call number
    Source = 'S',      // 0 @S1@ SOUR
    Depot = 'D',       // 0 @R1@ REPO
    Note = 'T',        // 0 @N1@ NOTE
    Media = 'I',       // 0 @O1@ OBJE
    Reste = 'R',       // lines kept as they are
};

// A column of a structure's table, and the line it comes from: "DATE", or a
// path under the structure ("DATA.DATE", "PLAC.MAP.LATI").
struct Colonne {
    const char* chemin;
    const char* nom;
};

// A table: its name, its columns, and whether its line's value is text
// that CONT lines go on (a note, an address).
struct Description {
    Sorte sorte;
    const char* table;
    std::vector<Colonne> colonnes;
};

const Description& descriptionDe(Sorte sorte);
// Every table of structures, in the order they are created and read.
const std::vector<Sorte>& sortesStockees();

// One structure.
struct Element {
    Sorte sorte = Sorte::Reste;
    std::string etiquette;                            // its tag
    std::string xref;                                 // a record's identifier ("@X1_S0003@")
    std::optional<std::string> valeur;                // its line's value, CONT lines joined by '\n'
    std::vector<std::optional<std::string>> colonnes; // as its Description orders them
    std::vector<Element> enfants;                     // its own structures, in order
    // The lines themselves: all of a Reste, or a structure whose canonical
    // writing would differ from them.
    std::string verbatim;
    // A field the record holds ("NAME", "BIRT"…, empty for any other
    // structure), and what the import wrote in the record: the export
    // overrides the parts the user changed since.
    std::string champ;
    std::string ecrit;

    const std::optional<std::string>& colonne(std::string_view nom) const;
};

// The structures of a GEDCOM text at `niveau` (1 for a person's structures,
// 2 for a child's link, 0 for records), under an owner of sorte `parent`.
std::vector<Element> lireStructures(std::string_view gedcom, Sorte parent, int niveau);
// The GEDCOM lines of a structure, each ended by '\n'.
void ecrireStructure(std::string& sortie, const Element& e, int niveau);
// A line's level as GEDCOM writes it; one digit, the usual case, without a
// temporary string.
void ajouterNiveau(std::string& sortie, int niveau);
std::string texteDe(const std::vector<Element>& elements, int niveau);

// The tags of the events and attributes a person or a couple can have.
bool estEvenement(std::string_view etiquette);

} // namespace structures
