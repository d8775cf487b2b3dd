#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QString>
#include <QStringList>

#include <functional>

// Writes the child's number into slot `rang` of the parent's children; from
// the third rank on, the empty slots before it get the child too, and the
// declared number of children is raised to cover the rank.
void inscrireEnfant(TFiche& parent, int rang, std::int32_t enfant);

// A parent born 13 to 89 years before the child.
inline bool anneeDeParentPossible(int anneeParent, int anneeEnfant) {
    const int ecart = anneeEnfant - anneeParent;
    return anneeParent < anneeEnfant && ecart > 12 && ecart < 90;
}

// One candidate line: "DUPONT Jean né le 12/03/1900", " née le " for a mother,
// "??/??/????" for the date of an undated person.
QString ligneCandidat(const TFiche& fiche, bool pere);

// The birth dates a scan could not read: how many, and the first few named
// ("fiche 12 (DUPONT Jean, « vers 18xx »)").
struct DatesIllisibles {
    std::int64_t nombre = 0;
    QStringList premieres;
    // "Date(s) de naissance inconnue(s) ou contenant une erreur : …"
    QString message() const;
};

// Scans the whole file for possible parents of a child born in `anneeEnfant`.
// Undated persons, and those whose date holds no readable year, are always
// candidates. Title 0 goes to the fathers, every other title to the mothers.
DatesIllisibles parcourirCandidatsParents(
    FichierEnregistrements& fichier, int anneeEnfant,
    const std::function<void(bool pere, std::int32_t numero, const TFiche& fiche)>& retenir);

// Why a candidate's own dates rule out the parenthood of a child born on
// `naissanceEnfant`, empty when nothing does: a mother dead before the
// birth, a father dead more than 300 days before it.
QString parenteImpossible(const TFiche& parent, bool pere, const QString& naissanceEnfant);

// Walks up the father and mother links of persons 0 to `nombre` - 1, each
// person once, and calls `surBoucle(enfant, pere, parent)` for each link
// that leads back to a person on the way (a loop: someone their own
// ancestor). `lien(n, pere)` gives the father or the mother of n, -1 for none.
void chercherBoucles(std::int32_t nombre,
                     const std::function<std::int32_t(std::int32_t, bool)>& lien,
                     const std::function<void(std::int32_t, bool, std::int32_t)>& surBoucle);

// Whether `descendant` descends from `ancetre` in the file: going up its
// father and mother links reaches `ancetre`, or going down the children slots
// of `ancetre` reaches it. Links outside the file are ignored, and each record
// is read once at most, so a damaged file with loops still ends.
bool descendDe(FichierEnregistrements& fichier, std::int32_t descendant, std::int32_t ancetre);
