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

struct PresomptionVivants {
    std::vector<std::uint8_t> vivant; // by record, 1 when presumed living
    // Why a person is presumed living, for the preview.
    QString raison(std::int32_t fiche) const;
    int seuil = 100;
};

// Reads the records in blocks and the store's events, if any.
PresomptionVivants presumerVivants(FichierEnregistrements& fichier, Complements* complements,
                                   int seuil = 100, int anneeCourante = 0);
