#pragma once

#include "data/fichier/FamillesConnues.h"
#include "data/fichier/FichierGenea.h"
#include "data/fichier/TFiche.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// A person's unions as every view shows them: each spouse with the date and
// place of the marriage, as whole as they are known, and the children of
// that union. What the companion store knows comes first; the records add
// the marriage they hold and the children of their ten slots, each under
// the union with its other parent.

// Builds a person's unions from what the store knows (`duMagasin`, in the
// order the source gave them) and from the records: the record's own
// marriage, with the spouse the records' search found (`conjointDesFiches`,
// -1 for none), when the store knows no union; the children of the record's
// slots under the union with their other parent, a union made for a parent
// known only through a child, and those whose other parent is unknown in a
// last union without spouse. Sorted by the date of the marriage, the
// undated after in their order. `lire` gives a record, or null when the
// number is no record of the file.
std::vector<UnionConnue> unionsDe(std::int32_t numero, const TFiche& personne,
                                  std::vector<UnionConnue> duMagasin,
                                  std::int32_t conjointDesFiches,
                                  const std::function<const TFiche*(std::int32_t)>& lire);

// The same for one person of an open file: the records' spouse search runs
// when the store knows no union.
std::vector<UnionConnue> unionsDe(FichierEnregistrements& fichier, std::int32_t numero,
                                  const TFiche& personne, FamillesConnues* connues);

// "1er mariage", "2e mariage"… or "Union" for one without a known marriage.
QString rangDUnion(int rang);

// A union as a line: "DURAND Anne, mariage le 12 mars 1836 à Morlaix".
QString resumeUnion(const UnionConnue& u, const TFiche* conjoint);
