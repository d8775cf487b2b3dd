#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/Modification.h"
#include "data/fichier/TFiche.h"
#include "data/gedcom/Gedcom.h"

#include <QStringList>

#include <cstdint>
#include <functional>

class Complements;

// The commands that change the genealogy file, as plain functions: each
// builds the change (every record it writes, named for the Edit menu) and
// the store's part of it; the session applies them whole.

// The store's part of a change to the store, run inside its transaction.
using PartDuMagasin = std::function<void(Complements&)>;

// A person saved at `numero` (appended when it is `nombre`, the record count):
// created, saved again, or typed over another person (`remplacement`).
Modification enregistrementDeLaFiche(std::int32_t numero, std::int64_t nombre, const TFiche& avant,
                                     const TFiche& apres, bool remplacement);
// Its store's entries follow the record to its new content; typed over by
// another person, they are detached. Nothing for a record appended.
PartDuMagasin suiviDesComplements(std::int32_t numero, std::int64_t nombre, const TFiche& avant,
                                  const TFiche& apres, bool remplacement);

// The last record removed: every link to its number in the rest of the
// file becomes -1 in the same change, so that the next person saved at that
// number inherits none of them.
Modification suppressionDeLaDerniere(FichierEnregistrements& fichier, std::int32_t numero);
// Its store's entries go with it, or are detached.
PartDuMagasin complementsDeLaSupprimee(std::int32_t numero, bool supprimer);

// The child `enfant`, as `ficheEnfant` holds it with its new father and
// mother, entered in the slot `rang…` of each parent (-1: none).
Modification chainage(FichierEnregistrements& fichier, std::int32_t enfant,
                      const TFiche& ficheEnfant, std::int32_t pere, int rangPere, std::int32_t mere,
                      int rangMere);

// A child entered with a parent in `modification`: the child names the
// parent when it names none (otherwise it stays, and `remarques` says so),
// the parent lists the child in a free slot; beyond ten, the store has to
// keep the link.
enum class LienFait { Fait, Refuse, HorsDeLaFiche };
LienFait lienAuParent(FichierEnregistrements& fichier, Modification& modification,
                      std::int32_t enfant, std::int32_t parent, bool pere, QStringList& remarques);

// A record's own links cleared; `desDeuxCotes`, the person also leaves the
// slots of its parents, and its children no longer name it.
Modification suppressionDesChainages(FichierEnregistrements& fichier, std::int32_t numero,
                                     const TFiche& avant, bool desDeuxCotes);

// A new genealogy file made of an import's persons, its store beside it
// with their entries; returns empty, or why the store could not keep them
// (the records stay).
QString creationDepuisImport(const QString& cible, const ResultatImport& resultat);
