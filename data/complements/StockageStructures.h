#pragma once

#include "data/fichier/IntervalleDate.h"
#include "data/fichier/NumerosDeTextes.h"

// The structures in their tables. Every table of structures has the same
// first columns:
//   id                  its own number
//   sorte_proprietaire  what it belongs to ('P' a person entry, 'U' a couple,
//   proprietaire        'L' a child's link, '0' the file for a record, or
//                       the sorte of another structure) and that one's id
//   ordre               its place among its owner's structures
//   racine_sorte,       the person entry, couple, child's link or file
//   racine              (0, 0) at the top of its owner chain: one walk reads
//                       a person's whole genealogy
//   champ, ecrit        the record's field it gives ("NAME", "BIRT"…), and
//                       what the import wrote in the record for it
//   etiquette, xref,    its GEDCOM tag, a record's identifier, its value
//   valeur
// then the columns of its Description, and `verbatim`: its lines, when
// their canonical writing would differ. Events also have `lieu_id` (the
// place in the places' table) and `jour_debut`, `jour_fin`: the Julian days
// the date may stand for, to search and check by date.
// Internal to the companion store.

#include "data/complements/Requete.h"
#include "data/complements/Structures.h"

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>

namespace structures {

// The SQL that creates the tables of structures and places.
std::string schemaStructures();

// Writes structures, each under its owner, with their own below them.
class EcrivainStructures {
public:
    explicit EcrivainStructures(sqlite3* base);
    ~EcrivainStructures();
    void ecrire(Sorte sorteProprietaire, std::int64_t proprietaire, Sorte sorteRacine,
                std::int64_t racine, int ordre, const Element& e);
    // A list under one owner, `ordre` counted from `premier`.
    void ecrireTous(Sorte sorteProprietaire, std::int64_t proprietaire,
                    const std::vector<Element>& elements, int premier = 0);

private:
    std::int64_t lieu(const std::string& nom, const std::optional<std::string>& latitude,
                      const std::optional<std::string>& longitude);
    sqlite3* m_base;
    std::map<Sorte, std::unique_ptr<magasin::Requete>> m_insertions;
    std::unique_ptr<magasin::Requete> m_chercherLieu, m_creerLieu, m_coordonnees;
    NumerosDeTextes m_lieux; // this writing's places, by their whole name
    // The store held no place when this writing began: a place not met yet
    // is new, and is not looked for in the table.
    bool m_lieuxTousConnus = false;
    // The days of each date text met, read once: a file repeats its dates.
    std::unordered_map<std::string, IntervalleDate> m_jours;
    IntervalleDate joursDe(const std::string& date);
};

// For a store still without events, the events' indexes by day and by
// place are made once at the end of a bulk writing, sorted in one pass,
// instead of entry by entry at random places of their trees.
class IndexDifferes {
public:
    explicit IndexDifferes(sqlite3* base);
    ~IndexDifferes() noexcept(false);

private:
    sqlite3* m_base;
    bool m_differes = false;
};

// The structures of one root (a person entry, a couple, a child's link, or
// the file's records), assembled under their owners in order.
struct StructuresDUneRacine {
    std::vector<Element> champs;     // the record's fields, in their order
    std::vector<Element> structures; // every other structure, in order
};
StructuresDUneRacine lireRacine(sqlite3* base, Sorte sorte, std::int64_t id);

struct FluxDeTable;

// Reads the structures of many roots as one walk per table, the roots in the
// order of `ordreDesRacines`: an SQL expression over the table `r` of the
// roots alone (`r.fiche, r.id` for persons), their structures joined as
// `r.id = e.racine`. Roots that come in the order of their ids (the common
// case) are read along each table's own index instead.
class CurseurRacines {
public:
    CurseurRacines(sqlite3* base, Sorte sorte, const std::string& tableDesRacines,
                   const std::string& conditionDesRacines, const std::string& ordreDesRacines);
    ~CurseurRacines();
    // The structures of root `id`; roots must be asked in the walk's order.
    StructuresDUneRacine lire(std::int64_t id);

private:
    Sorte m_sorte;
    std::vector<std::unique_ptr<FluxDeTable>> m_flux;
};

// A field of the record with its structure as the source had it: one
// structure, or its lines kept as they are.
Element elementDuChamp(const std::string& champ, const std::string& ecrit,
                       const std::string& gedcom);
// A child's link as GEDCOM's PEDI says it ("birth", "adopted"…), in French.
std::string lienEnFrancais(const std::string& filiation);

// Records of the file are roots of their own, ('0', n) for the n-th.
std::int64_t prochaineRacineDeFichier(sqlite3* base);
// The root of the record of that identifier, 0 when there is none.
std::int64_t racineDuRecord(sqlite3* base, const std::string& xref);
void supprimerEnregistrement(sqlite3* base, const std::string& xref);
// Every record, in the order they came.
void parcourirRecords(sqlite3* base, const std::function<void(const Element&)>& visiter);

// Every structure under a root removed.
void supprimerRacine(sqlite3* base, Sorte sorte, std::int64_t id);
// Every structure of one root given to another, after its own, as plain
// facts: none stands any more for a field of the record.
void deplacerRacine(sqlite3* base, Sorte sorte, std::int64_t de, std::int64_t vers);
// The largest id of every table of structures and of the places, and the
// removal of every row added since (an import taken back).
std::map<std::string, std::int64_t> plusGrandsIdentifiants(sqlite3* base);
void supprimerApres(sqlite3* base, const std::map<std::string, std::int64_t>& plusGrands);

} // namespace structures
