#pragma once

#include "data/fichier/FamillesConnues.h"
#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QString>
#include <QStringList>

#include <algorithm>

#include <array>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

// What the reports read of the file: they change nothing, and a damaged file
// (links past the end, loops) ends a walk with a note, never in a loop.

// Generations are counted as Sosa numbers count them, in every report: the
// person is the first generation, the parents the second, the grandparents
// the third…

// ---------------------------------------------------------------- ancestors

// How many of a person's Sosa numbers are shown before "et N autres".
constexpr std::size_t NumerosMontres = 3;

struct AncetreSosa {
    std::int32_t fiche = -1;
    TFiche personne;
    std::vector<std::uint64_t> numeros; // its smallest numbers, at most NumerosMontres
    std::uint64_t nombreDeNumeros = 0;  // all of them
};

struct GenerationSosa {
    // The persons first met in this generation, each once, with all their numbers.
    std::vector<AncetreSosa> ancetres;
    // Persons listed in an earlier generation who hold numbers here too
    // (implex): their numbers of this generation only.
    std::vector<AncetreSosa> dejaCites;
    std::uint64_t numeros = 0;   // the numbers of this generation held by known persons
    std::uint64_t personnes = 0; // the distinct persons they are
};

struct AscendanceSosa {
    std::vector<GenerationSosa> generations; // the person's first
    QStringList notes;                       // links to absent records, loops, a walk cut short
};

// The person is 1, a father 2n, a mother 2n + 1, up to `generations`
// generations. Numbers are counted, never listed path by path: a deeply
// inbred tree gives each person once, with its smallest numbers and how
// many others it holds.
AscendanceSosa ascendanceSosa(FichierEnregistrements& fichier, std::int32_t personne,
                              int generations);

// ---------------------------------------------------------------- descendants

// A person of the list, or one union of the person listed above it (its
// spouse, its marriage), whose children follow it.
struct DescendantAboville {
    QString numero;          // "1", "1.2", "1.2.1"…; a union has its person's
    std::int32_t fiche = -1; // the person; for a union, the spouse (-1 unknown)
    TFiche personne;
    bool estUnion = false;
    int rangUnion = 0; // 1 for the first union in date order
    QString dateUnion, lieuUnion;
    QString dejaCite;              // the number under which this person was already listed
    bool enfantsHorsOrdre = false; // the ranks of its children do not follow their birth dates
    bool dixEnfants = false;       // every slot filled: the record may hold only part of them
};

struct DescendanceAboville {
    std::vector<DescendantAboville> descendants; // in reading order
    QStringList notes;
};

// The person is 1, the children 1.1, 1.2… union after union in the order of
// the marriages, each union's children in the order of the record's slots
// (the birth rank as entered) and of the store, their children 1.1.1 and so
// on, up to `generations` generations. Every spouse is named, each child
// under its own union. A child entered in two slots is listed once; a
// person reached again is named with a reference.
// `connues`, when given, gives the unions and children a companion store
// knows, beyond the ten slots too.
DescendanceAboville descendanceAboville(FichierEnregistrements& fichier, std::int32_t personne,
                                        int generations, FamillesConnues* connues = nullptr);

// Whether the ranks of a person's children follow their birth dates, the
// undated left aside.
bool enfantsDansLOrdreDesDates(FichierEnregistrements& fichier, const TFiche& parent);

// ---------------------------------------------------------------- kinship

// One way two persons are related: through a common ancestor, or a couple of
// them, `generationsA` generations above A and `generationsB` above B.
struct RelationDeParente {
    int generationsA = 0, generationsB = 0;
    std::vector<std::int32_t> ancetresCommuns; // one, or a couple
    std::vector<std::int32_t> cheminA;         // A, its parent, … up to the common ancestor
    std::vector<std::int32_t> cheminB;
    bool demi = false;        // one common ancestor where a couple is known on both sides
    bool double_ = false;     // cousins two ways at this distance, through two couples
    bool parAdoption = false; // one of its ways goes from a child to an adoptive parent
    QString nomDeAVersB;      // "l'oncle à la mode de Bretagne"
    QString nomDeBVersA;      // "le neveu à la mode de Bretagne"
    int degreCivil() const { return generationsA + generationsB; }
    int degreCanonique() const { return std::max(generationsA, generationsB); }
};

struct LienDeParente {
    bool trouve = false;
    bool memePersonne = false;
    QString deAVersB; // "A est le cousin germain de B.", every nearest relation named
    QString deBVersA;
    // Every relation, the nearest first, direct lines first: those at the
    // nearest distance are the relation; the others are told as well.
    std::vector<RelationDeParente> relations;
    int autresRelations = 0; // more distant relations found and not detailed
    QStringList notes;
};

// A child's adoptive parents (and other parents by a link the records do
// not hold), by child.
using ParentsAdoptifs = std::unordered_map<std::int32_t, std::vector<std::int32_t>>;

// How A and B are related through the father and mother links, every way,
// named in French both ways. A person is their own "ancestor" at zero
// generations: a parent is found as such. With `adoptifs`, the links of
// adoption are followed too, and a relation through one says so.
LienDeParente lienDeParente(FichierEnregistrements& fichier, std::int32_t a, std::int32_t b,
                            const ParentsAdoptifs* adoptifs = nullptr);

// The French name of a relationship, seen from the person `generationsDe`
// generations below the common ancestor, towards the one `generationsVers`
// below it: "père", "grand-tante", "neveu à la mode de Bretagne", "cousin
// issu de germain"…; `demi` for half relations, `double_` for double cousins.
QString nomDuLien(int generationsDe, int generationsVers, bool feminin, bool demi,
                  bool double_ = false);

// "de Marc" or "d'Alvarado": the preposition elided before a vowel.
QString deNom(const QString& nom);

// ---------------------------------------------------------------- statistics

struct Statistiques {
    std::int64_t fiches = 0;
    std::array<std::int64_t, 4> parQualite{}; // Monsieur, Madame, Mademoiselle, other
    std::vector<std::pair<QString, std::int64_t>> nomsFrequents;    // at most 20
    std::vector<std::pair<QString, std::int64_t>> prenomsFrequents; // the first given name
    // Places by kind of event: each person counts once for each kind.
    std::vector<std::pair<QString, std::int64_t>> lieuxNaissance, lieuxMariage, lieuxDeces;
    std::map<int, std::int64_t> naissancesParDecennie; // 1850 → 1850 to 1859
    std::map<int, std::int64_t> mariagesParDecennie;
    std::map<int, std::int64_t> decesParDecennie;
    // Lives measured between two years that are known, and apart those whose
    // dates are approximate ("vers", "av.", "ap.", ranges).
    std::int64_t viesMesurees = 0;
    double dureeDeVieMoyenne = 0;
    std::int64_t viesApprochees = 0;
    double dureeDeVieApprochee = 0;
    int premiereAnnee = 0, derniereAnnee = 0; // 0 when no year reads
    std::int64_t sansAucunLien = 0;
};

// One pass over the whole file, in blocks.
Statistiques statistiques(FichierEnregistrements& fichier);
