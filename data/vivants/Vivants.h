#pragma once

// Who is presumed living, to publish a genealogy without exposing them.
// A person is dead when a death, burial or cremation is known (a death
// without a date counts); otherwise presumed living unless an event proves
// the contrary: one of theirs older than the threshold (100 years by
// default), one of a parent older than threshold + 45, of a spouse older
// than threshold + 40, of a child older than threshold − 15, of a
// grandchild older than threshold − 30. An event counts by the latest year
// its date may be; unknown means living.

#include "data/fichier/FichierGenea.h"

#include <QString>

#include <cstdint>
#include <vector>

class Complements;

// What a publication does of the persons presumed living.
enum class TraitementVivants { Garder, Masquer, Exclure };

struct PresomptionVivants {
    // By record: 0 dead, 1 presumed living, 2 marked living by hand.
    std::vector<std::uint8_t> vivant;
    // By record, 1 when a spouse is presumed living: their marriage is kept
    // from a publication too.
    std::vector<std::uint8_t> conjointVivant;
    // Why a person is presumed living, for the preview.
    QString raison(std::int32_t fiche) const;
    int seuil = 100;
    int seuilMineurs = 0;
};

// Reads the records in blocks and the store's events, if any. With
// `seuilMineurs` above `seuil` (the civil registers: 75 years, 100 for
// minors), a person's own event proves them dead after `seuil` years only
// when they were of age at it (their birth known, 18 years before);
// otherwise, and for their relatives' events, after `seuilMineurs`.
PresomptionVivants presumerVivants(FichierEnregistrements& fichier, Complements* complements,
                                   int seuil = 100, int anneeCourante = 0, int seuilMineurs = 0);
