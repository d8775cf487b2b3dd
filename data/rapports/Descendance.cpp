// The list of descendants, numbered after d'Aboville: each person with every
// union, each child under its own union.
#include "data/rapports/Rapports.h"

#include "data/fichier/Dates.h"
#include "data/fichier/LecteurFiches.h"
#include "data/rapports/Unions.h"
#include "data/recherche/Recherches.h"

#include <QHash>

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace {

// Walks past this many steps are cut short: no real tree comes near it.
constexpr std::size_t DescendantsAuPlus = 500000;

// The ranks of a parent's children against their birth dates, the undated
// and the absent left aside.
bool enOrdreDesDates(LecteurFiches& lecteur, const TFiche& parent) {
    std::int64_t precedente = -1;
    for (const std::int32_t v : parent.Enfants) {
        if (!lecteur.existe(v)) continue;
        const std::int64_t cle = cleDeTriDate(lecteur.fiche(v).DateNaissance.texte());
        if (cle < 0) continue;
        if (cle < precedente) return false;
        precedente = cle;
    }
    return true;
}

bool dixEmplacementsPris(const TFiche& f) {
    return std::none_of(f.Enfants.begin(), f.Enfants.end(), [](std::int32_t e) { return e == -1; });
}

// The spouse each person's record leads to by the spouse command's search
// (a shared child in the same slot, or, without children, the same
// marriage date), for all of them in one pass over the file.
std::unordered_map<std::int32_t, std::int32_t>
conjointsDesFiches(FichierEnregistrements& fichier, LecteurFiches& lecteur,
                   const std::vector<std::int32_t>& personnes) {
    std::unordered_map<std::int32_t, std::int32_t> trouves;
    struct Cle {
        int rang;
        std::int32_t enfant;
        bool operator==(const Cle& a) const { return rang == a.rang && enfant == a.enfant; }
    };
    struct Hachage {
        std::size_t operator()(const Cle& c) const {
            return std::hash<std::int64_t>()(static_cast<std::int64_t>(c.enfant) * 16 + c.rang);
        }
    };
    std::unordered_map<Cle, std::vector<std::int32_t>, Hachage> parEnfant;
    QHash<QString, std::vector<std::int32_t>> parDate;
    for (const std::int32_t p : personnes) {
        const TFiche& f = lecteur.fiche(p);
        if (f.NbEnfants != 0) {
            for (int s = 0; s < emplacementsEnfants(f.NbEnfants); ++s)
                if (f.Enfants[static_cast<std::size_t>(s)] != -1)
                    parEnfant[{s, f.Enfants[static_cast<std::size_t>(s)]}].push_back(p);
        } else if (!f.DateMariage.vide()) {
            parDate[f.DateMariage.texte()].push_back(p);
        }
    }
    if (parEnfant.empty() && parDate.isEmpty()) return trouves;
    auto essayer = [&](const std::vector<std::int32_t>& qui, std::int32_t n) {
        for (const std::int32_t p : qui)
            if (p != n) trouves.try_emplace(p, n);
    };
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        for (int s = 0; s < NbEmplacementsEnfants; ++s) {
            const std::int32_t v = f.Enfants[static_cast<std::size_t>(s)];
            if (v == -1) continue;
            if (const auto i = parEnfant.find({s, v}); i != parEnfant.end()) essayer(i->second, n);
        }
        if (!f.DateMariage.vide())
            if (const auto i = parDate.constFind(f.DateMariage.texte()); i != parDate.constEnd())
                essayer(*i, n);
        return true;
    });
    return trouves;
}

// What the walk needs of each person: its unions, with the children by birth
// the records and the store give, in their order.
class Familles {
public:
    Familles(FichierEnregistrements& fichier, LecteurFiches& lecteur, FamillesConnues* connues)
        : m_fichier(fichier), m_lecteur(lecteur), m_connues(connues) {}

    // Asked once for every person of the tree before unionsDe, so that the
    // records' spouse search runs once for all.
    void preparer(const std::vector<std::int32_t>& personnes) {
        std::vector<std::int32_t> sansUnion;
        for (const std::int32_t p : personnes) {
            auto& duMagasin = m_duMagasin[p];
            if (m_connues) duMagasin = m_connues->unions(p, m_lecteur.fiche(p));
            if (duMagasin.empty()) sansUnion.push_back(p);
        }
        m_conjoints = conjointsDesFiches(m_fichier, m_lecteur, sansUnion);
    }

    std::vector<UnionConnue> unionsDe(std::int32_t p) {
        std::vector<UnionConnue> duMagasin;
        if (const auto i = m_duMagasin.find(p); i != m_duMagasin.end())
            duMagasin = i->second;
        else if (m_connues)
            duMagasin = m_connues->unions(p, m_lecteur.fiche(p));
        const auto c = m_conjoints.find(p);
        return ::unionsDe(p, m_lecteur.fiche(p), std::move(duMagasin),
                          c == m_conjoints.end() ? -1 : c->second,
                          [&](std::int32_t n) -> const TFiche* {
                              return m_lecteur.existe(n) ? &m_lecteur.fiche(n) : nullptr;
                          });
    }

    // Children by birth of a person, in the order of its slots and of the store.
    std::vector<std::int32_t> enfantsDe(std::int32_t p) {
        std::vector<std::int32_t> enfants(m_lecteur.fiche(p).Enfants.begin(),
                                          m_lecteur.fiche(p).Enfants.end());
        if (m_connues)
            for (const UnionConnue& u : m_connues->unions(p, m_lecteur.fiche(p)))
                for (const EnfantDUnion& e : u.enfants)
                    if (e.filiation.isEmpty()) enfants.push_back(e.fiche);
        return enfants;
    }

private:
    FichierEnregistrements& m_fichier;
    LecteurFiches& m_lecteur;
    FamillesConnues* m_connues;
    std::unordered_map<std::int32_t, std::vector<UnionConnue>> m_duMagasin;
    std::unordered_map<std::int32_t, std::int32_t> m_conjoints;
};

struct Etape {
    std::int32_t fiche;
    QString numero;
    int generation;
    std::vector<std::int32_t> branche;   // the ancestors on this branch, for loops
    const UnionConnue* union_ = nullptr; // an entry of a union rather than a person
    int rangUnion = 0;
};

// The children of a person worth listing: in the file, not yet taken by
// another union, never an ancestor on the branch (a loop is told).
bool enfantRetenu(LecteurFiches& lecteur, const Etape& e, std::int32_t v,
                  std::vector<std::int32_t>& dejaPris, QStringList& notes) {
    if (v == -1 || std::find(dejaPris.begin(), dejaPris.end(), v) != dejaPris.end()) return false;
    if (!lecteur.existe(v)) {
        notes << QStringLiteral("%1 compte parmi ses enfants la fiche %2, qui n'existe pas.")
                     .arg(lecteur.qui(e.fiche))
                     .arg(v);
        return false;
    }
    if (v == e.fiche || std::find(e.branche.begin(), e.branche.end(), v) != e.branche.end()) {
        notes << QStringLiteral("Boucle : %1 serait son propre descendant ; la liste s'arrête là "
                                "sur cette branche.")
                     .arg(lecteur.qui(v));
        return false;
    }
    dejaPris.push_back(v);
    return true;
}

// Every person the list will name, in no particular order, so that the
// records' spouse search runs once for all of them.
std::vector<std::int32_t> personnesDeLArbre(LecteurFiches& lecteur, Familles& familles,
                                            std::int32_t personne, int generations) {
    std::vector<std::int32_t> personnes{personne};
    std::unordered_map<std::int32_t, int> vues{{personne, 1}};
    for (std::size_t i = 0; i < personnes.size() && personnes.size() < DescendantsAuPlus; ++i) {
        const std::int32_t p = personnes[i];
        if (vues[p] >= generations) continue;
        for (const std::int32_t v : familles.enfantsDe(p))
            if (lecteur.existe(v) && vues.try_emplace(v, vues[p] + 1).second)
                personnes.push_back(v);
    }
    return personnes;
}

} // namespace

bool enfantsDansLOrdreDesDates(FichierEnregistrements& fichier, const TFiche& parent) {
    LecteurFiches lecteur(fichier);
    return enOrdreDesDates(lecteur, parent);
}

DescendanceAboville descendanceAboville(FichierEnregistrements& fichier, std::int32_t personne,
                                        int generations, FamillesConnues* connues) {
    DescendanceAboville r;
    LecteurFiches lecteur(fichier);
    if (!lecteur.existe(personne) || generations < 1) return r;
    Familles familles(fichier, lecteur, connues);
    familles.preparer(personnesDeLArbre(lecteur, familles, personne, generations));
    std::deque<std::vector<UnionConnue>> unionsGardees; // what the union entries point to
    std::unordered_map<std::int32_t, QString> cites;
    std::vector<Etape> pile{{personne, QStringLiteral("1"), 1, {}}};
    while (!pile.empty()) {
        Etape e = std::move(pile.back());
        pile.pop_back();
        DescendantAboville d;
        d.numero = e.numero;
        d.fiche = e.fiche;
        if (e.union_) {
            d.estUnion = true;
            d.rangUnion = e.rangUnion;
            d.dateUnion = e.union_->date;
            d.lieuUnion = e.union_->lieu;
            if (lecteur.existe(e.fiche)) d.personne = lecteur.fiche(e.fiche);
            r.descendants.push_back(std::move(d));
            continue;
        }
        d.personne = lecteur.fiche(e.fiche);
        if (const auto c = cites.find(e.fiche); c != cites.end()) {
            d.dejaCite = c->second;
            r.descendants.push_back(std::move(d));
            continue;
        }
        cites[e.fiche] = e.numero;
        d.enfantsHorsOrdre = !enOrdreDesDates(lecteur, d.personne);
        d.dixEnfants =
            dixEmplacementsPris(d.personne) || d.personne.NbEnfants > NbEmplacementsEnfants;
        r.descendants.push_back(d);
        const bool derniere = e.generation >= generations;
        if (r.descendants.size() >= DescendantsAuPlus) {
            r.notes << QStringLiteral("La liste s'arrête : plus de %1 descendants à lister.")
                           .arg(DescendantsAuPlus);
            break;
        }
        // Each union, then its children by birth; the children numbered in
        // that order, across the unions.
        unionsGardees.push_back(familles.unionsDe(e.fiche));
        const std::vector<UnionConnue>& unions = unionsGardees.back();
        std::vector<Etape> suite;
        std::vector<std::int32_t> pris;
        std::vector<std::int32_t> branche = e.branche;
        branche.push_back(e.fiche);
        int rang = 0;
        std::size_t enfants = 0;
        // The last generation names its spouses, and lists no child.
        for (const UnionConnue& u : unions) {
            if (u.conjoint >= 0 || !u.date.isEmpty() || !u.lieu.isEmpty())
                suite.push_back({u.conjoint, e.numero, e.generation, {}, &u, ++rang});
            if (derniere) continue;
            for (const EnfantDUnion& enfant : u.enfants)
                if (enfant.filiation.isEmpty() &&
                    enfantRetenu(lecteur, e, enfant.fiche, pris, r.notes))
                    suite.push_back({enfant.fiche, e.numero + u'.' + QString::number(++enfants),
                                     e.generation + 1, branche});
        }
        if (enfants > NbEmplacementsEnfants) r.descendants.back().dixEnfants = false;
        // Pushed in reverse, so that the first is read first.
        for (auto i = suite.rbegin(); i != suite.rend(); ++i)
            pile.push_back(std::move(*i));
    }
    r.notes.removeDuplicates();
    return r;
}
