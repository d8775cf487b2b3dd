#pragma once

// The families the GEDCOM export writes: those the records prove (a child
// and its father and mother), the couples of the companion store, the
// childless couples two records can form, and a family of one for a
// marriage whose spouse no record names; where each record's marriage
// goes. Internal to the export.
#include "data/complements/Complements.h"
#include "data/fichier/FichierGenea.h"
#include "data/gedcom/Gedcom.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace exportation {

struct Couple {
    std::int32_t pere, mere;
    bool operator<(const Couple& a) const { return pere != a.pere ? pere < a.pere : mere < a.mere; }
    bool operator==(const Couple& a) const { return pere == a.pere && mere == a.mere; }
};

// One child of a family: the family, the child's rank there, the child.
struct Lien {
    Couple couple;
    int rang;
    std::int32_t enfant;
    bool operator<(const Lien& a) const {
        if (!(couple == a.couple)) return couple < a.couple;
        return rang != a.rang ? rang < a.rang : enfant < a.enfant;
    }
};

// The marriage a record holds: its date and place fields as stored.
struct MariageDeFiche {
    std::int32_t fiche;
    ChampTexte<10> date;
    ChampTexte<30> lieu;
    bool memeDate(const MariageDeFiche& autre) const {
        return !date.vide() && date.longueurSignificative() == autre.date.longueurSignificative() &&
               std::equal(date.octets.begin(), date.octets.begin() + date.longueurSignificative(),
                          autre.date.octets.begin());
    }
};

// A family of the export: a couple the records prove, or one person's
// marriage whose spouse no record names. Each marriage of a record is
// written in exactly one family.
struct FamilleEcrite {
    Couple couple{-1, -1};
    std::int32_t complement = -1; // the couple of the companion store it is, by index
    std::int32_t seul = -1;       // the person of a marriage without a known spouse
    std::int32_t duPere = -1;     // whose record's marriage goes in this family
    std::int32_t deLaMere = -1;
    // Another union of the same couple (or of the same single parent, or of
    // no known parent) than the first: 1 for the second… Its children are
    // those the store gives it.
    int rang = 0;
    bool operator<(const FamilleEcrite& a) const {
        if (seul != a.seul) return seul < a.seul;
        if (!(couple == a.couple)) return couple < a.couple;
        return rang < a.rang;
    }
    bool enfantsDuMagasin() const { return rang > 0 || (couple.pere < 0 && couple.mere < 0); }
    std::int32_t conjoint(std::int32_t n) const {
        return couple.pere == n ? couple.mere : couple.pere;
    }
};

// The families the records prove, and where each record's marriage goes.
struct Familles {
    std::vector<Lien> liens;              // children, by family then rank
    std::vector<FamilleEcrite> familles;  // sorted
    std::vector<MariageDeFiche> mariages; // by record number
    std::int64_t sansConjoint = 0;
    // The couples of the companion store, their persons checked: a spouse or
    // a child whose record no longer holds its fingerprint is left out.
    std::vector<EntreeCouple> couples;
    // Children of a couple the records do not name as their parents
    // (adopted, or a second birth family): child, family index, pedigree.
    struct FamcEnPlus {
        std::int32_t enfant;
        std::uint32_t famille;
        std::string filiation, gedcom;
        bool operator<(const FamcEnPlus& autre) const {
            return std::tie(enfant, famille) < std::tie(autre.enfant, autre.famille);
        }
    };
    std::vector<FamcEnPlus> famcEnPlus;
    // What the source said of a child's link to its birth family, by child,
    // for the couple it was said of.
    std::unordered_map<std::int32_t, std::pair<Couple, std::string>> famcNaissance;
    // Birth children another union of their parents than the first claims
    // (or a family of no known parent): child → the family and what the
    // source said of the link.
    std::unordered_map<std::int32_t, std::pair<std::uint32_t, std::string>> reclames;
};

const MariageDeFiche* mariageDe(const Familles& f, std::int32_t n);
bool memeLieu(const MariageDeFiche& a, const MariageDeFiche& b);

// The whole file read once more for its families; links past the end are
// counted in `r`.
Familles famillesProuvees(FichierEnregistrements& fichier, ResultatExport& r,
                          Complements* complements);

} // namespace exportation
