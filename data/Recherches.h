#pragma once

#include "data/FichierGenea.h"
#include "data/TFiche.h"

#include <QString>

// The one-line description of a person in the pick list: surname, given
// names and birth date, each followed by one blank but the last.
QString lignePersonne(const TFiche& fiche);

// Whether `candidat` is the spouse of `fiche`: a shared child number in the
// same slot among the first NbEnfants slots, or, for a childless `fiche`, the
// same non-empty marriage date text.
bool estConjoint(const TFiche& fiche, const TFiche& candidat);

// The first record in file order, other than `courant`, that is the spouse of
// `fiche`; -1 when there is none. `trouve` receives its record.
std::int32_t chercherConjoint(FichierEnregistrements& fichier, const TFiche& fiche,
                              std::int32_t courant, TFiche& trouve);

// The number of child slots to walk for a declared count: never past the ten slots.
inline int emplacementsEnfants(std::uint8_t nbEnfants) {
    return nbEnfants < NbEmplacementsEnfants ? nbEnfants : NbEmplacementsEnfants;
}
