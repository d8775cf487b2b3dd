#pragma once

// The persons entered twice: every pair of records whose names sound the
// same and whose dates, places, parents and spouses do not tell them apart,
// scored from 0 to 100. Never a pair whose dates cannot be one life (births
// or deaths that do not overlap, a birth after the other's death), of
// different sexes, or one the other's ancestor.

#include "data/fichier/FichierGenea.h"

#include <cstdint>
#include <functional>
#include <vector>

struct PaireDoublon {
    std::int32_t a = -1, b = -1; // a < b
    int score = 0;
    bool operator==(const PaireDoublon&) const = default;
};

// The score from which a pair is a candidate.
constexpr int ScoreMinimalDoublon = 60;

// Reads the records in blocks; the pairs best first, then by record.
// `progression`, when given, hears the share done (0 to 1).
std::vector<PaireDoublon> chercherDoublons(FichierEnregistrements& fichier,
                                           const std::function<void(double)>& progression = {});
