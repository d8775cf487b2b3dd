#pragma once

#include "data/TFiche.h"

#include <cstdint>
#include <vector>

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
};
