#pragma once

#include "data/FichierGenea.h"
#include "data/TFiche.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

// What the reports read of the file: they change nothing, and a damaged file
// (links past the end, loops) ends a walk with a note, never in a loop.

// ---------------------------------------------------------------- ancestors

struct AncetreSosa {
    std::int32_t fiche = -1;
    TFiche personne;
    std::vector<std::uint64_t> numeros; // every Sosa number it holds, the smallest first
};

struct AscendanceSosa {
    // Generation by generation, each ancestor once, at its first generation.
    std::vector<std::vector<AncetreSosa>> generations;
    QStringList notes; // links to absent records, loops, a walk cut short
};

// The person is 1, a father 2n, a mother 2n + 1, up to `generations`
// generations (the person's own counted as the first).
AscendanceSosa ascendanceSosa(FichierEnregistrements& fichier, std::int32_t personne,
                              int generations);

// ---------------------------------------------------------------- descendants

struct DescendantAboville {
    QString numero; // "1", "1.2", "1.2.1"…
    std::int32_t fiche = -1;
    TFiche personne;
    std::int32_t conjoint = -1; // as the spouse command finds it
    TFiche personneConjoint;
    QString dejaCite; // the number under which this person was already listed
};

struct DescendanceAboville {
    std::vector<DescendantAboville> descendants; // in reading order
    QStringList notes;
};

// The person is 1, the children 1.1, 1.2… in rank order, their children
// 1.1.1 and so on, up to `generations` generations. A child entered in two
// slots is listed once; a person reached again is named with a reference.
DescendanceAboville descendanceAboville(FichierEnregistrements& fichier, std::int32_t personne,
                                        int generations);

// ---------------------------------------------------------------- kinship

struct LienDeParente {
    bool trouve = false;
    QString deAVersB; // "A est le cousin germain de B"
    QString deBVersA;
    // The path through the nearest common ancestors: from A up, then down to B.
    std::vector<std::int32_t> cheminA; // A, its parent, … up to the common ancestor
    std::vector<std::int32_t> cheminB; // B, its parent, … up to the common ancestor
    std::vector<std::int32_t> ancetresCommuns;
    int generationsA = 0; // from A up to the common ancestor
    int generationsB = 0;
    QStringList notes;
};

// The nearest common ancestors of A and B through the father and mother
// links, and the relationship named in French both ways. A person is their
// own "ancestor" at zero generations: a parent is found as such.
LienDeParente lienDeParente(FichierEnregistrements& fichier, std::int32_t a, std::int32_t b);

// The French name of a relationship, seen from the person `generationsDe`
// generations below the common ancestor, towards the one `generationsVers`
// below it: "père", "grand-tante", "cousin issu de germain"…; `demi` for a
// single common ancestor where a couple would be expected.
QString nomDuLien(int generationsDe, int generationsVers, bool feminin, bool demi);

// ---------------------------------------------------------------- statistics

struct Statistiques {
    std::int64_t fiches = 0;
    std::array<std::int64_t, 4> parQualite{}; // Monsieur, Madame, Mademoiselle, other
    std::vector<std::pair<QString, std::int64_t>> nomsFrequents;  // at most 20
    std::vector<std::pair<QString, std::int64_t>> lieuxFrequents; // at most 20
    std::map<int, std::int64_t> naissancesParDecennie;            // 1850 → births 1850 to 1859
    std::int64_t viesMesurees = 0;
    double dureeDeVieMoyenne = 0;             // years, over the lives measured
    int premiereAnnee = 0, derniereAnnee = 0; // 0 when no year reads
    std::int64_t sansAucunLien = 0;
};

// One pass over the whole file, in blocks.
Statistiques statistiques(FichierEnregistrements& fichier);
