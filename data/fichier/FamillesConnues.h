#pragma once

#include "data/fichier/TFiche.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// A child of a union, and how it belongs to it: empty for a birth,
// "adopté(e)", "accueilli(e)"… otherwise.
struct EnfantDUnion {
    std::int32_t fiche = -1;
    QString filiation;
    bool operator==(const EnfantDUnion&) const = default;
};

// One union of a person: the spouse (-1 unknown), the marriage as whole as
// it is known, and the children.
struct UnionConnue {
    std::int32_t conjoint = -1;
    QString date;              // readable: "12 mars 1836", "vers 1850"
    QString lieu;              // whole
    std::int64_t cleDate = -1; // to sort by; -1 when no year is known
    std::vector<EnfantDUnion> enfants;
    // The union's events and what the source said of each (sources,
    // witnesses, notes), readable, one line each, details indented.
    QStringList evenements;
};

// What is known of a person's family beyond the record's own links: the
// couples and children a companion store holds, checked against the
// records. The spouse command, the chart and the reports ask it first, and
// fall back on the records' own search where it knows nothing.
class FamillesConnues {
public:
    virtual ~FamillesConnues() = default;
    // The person's spouses, first marriage first; empty when none is known.
    virtual std::vector<std::int32_t> conjoints(std::int32_t fiche, const TFiche& personne) = 0;
    // The person's children the record's ten slots do not hold, in the
    // order the source gave them.
    virtual std::vector<std::int32_t> enfantsEnPlus(std::int32_t fiche, const TFiche& personne) = 0;
    // The person's unions as the source gave them, each with its marriage
    // and children; empty when none is known.
    virtual std::vector<UnionConnue> unions(std::int32_t fiche, const TFiche& personne) = 0;
};
