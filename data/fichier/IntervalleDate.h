#pragma once

#include "data/fichier/Dates.h"

#include <QString>

#include <cstdint>
#include <limits>

// The days a date may stand for, as Julian day numbers: "12/03/1890" is
// one day, "1890" the whole year, "vers 1850" ten years either side, "av.
// 1900" every day before 1900. Two dates are compared by their ranges, so
// that an approximate date never contradicts a close exact one.
struct IntervalleDate {
    static constexpr std::int64_t Illimite = std::numeric_limits<std::int64_t>::max() / 4;
    std::int64_t premier = 0;
    std::int64_t dernier = -1; // before premier: no day known
    bool connu() const { return premier <= dernier; }
    // Every day of this range comes before every day of the other, by more than `jours`.
    bool avant(const IntervalleDate& autre, std::int64_t jours = 0) const {
        return connu() && autre.connu() && dernier + jours < autre.premier;
    }
};

// How far an approximate date ("vers", "est.", "calc.") may be from its year.
constexpr int AnneesDApproximation = 10;

IntervalleDate intervalleDe(const DateLue& date);
IntervalleDate intervalleDe(const QString& date);

// The range in whole years, for messages and ages: the first and last year it may be.
int premiereAnnee(const IntervalleDate& i);
int derniereAnnee(const IntervalleDate& i);
