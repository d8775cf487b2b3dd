// The rules that compare persons: parents and children, brothers and
// sisters, spouses, and the links between records.
#include "data/coherence/ReglesCoherence.h"

#include <QDate>

#include <algorithm>
#include <map>

namespace coherence {

void Verification::verifierLesParents(std::int32_t n) {
    const Personne& p = m_personnes[static_cast<std::size_t>(n)];
    if (p.pere >= 0 && p.pere != n && personne(p.pere)) verifierUnParent(n, p.pere, true);
    if (p.mere >= 0 && p.mere != n && personne(p.mere)) verifierUnParent(n, p.mere, false);
}

// A parent's sex, age and death against the child's birth.
void Verification::verifierUnParent(std::int32_t enfant, std::int32_t parent, bool pere) {
    const Personne& e = m_personnes[static_cast<std::size_t>(enfant)];
    const Personne& p = m_personnes[static_cast<std::size_t>(parent)];
    if (pere && p.sexe == 'F')
        signaler(enfant, "PERE_DE_SEXE_FEMININ",
                 QStringLiteral("%1 a pour père %2, dont la fiche est celle d'une femme")
                     .arg(qui(enfant), qui(parent)),
                 std::to_string(parent));
    if (!pere && p.sexe == 'M')
        signaler(enfant, "MERE_DE_SEXE_MASCULIN",
                 QStringLiteral("%1 a pour mère %2, dont la fiche est celle d'un homme")
                     .arg(qui(enfant), qui(parent)),
                 std::to_string(parent));
    if (!e.naissance.connu()) return;
    // The texts are made only for a finding: most children have none.
    const auto ne = [&] { return enClair(e.naissance); };
    const auto neParent = [&] { return enClair(p.naissance); };
    const auto mortParent = [&] { return enClair(p.deces); };
    const QString role = pere ? QStringLiteral("son père") : QStringLiteral("sa mère");
    if (e.naissance.avant(p.naissance)) {
        signaler(enfant, "PARENT_NE_APRES_ENFANT",
                 QStringLiteral("%1, né(e) le %2, a pour %3 %4, né(e) après lui le %5")
                     .arg(qui(enfant), ne(), pere ? QStringLiteral("père") : QStringLiteral("mère"),
                          qui(parent), neParent()),
                 valeurs({ne(), neParent()}));
        return;
    }
    if (p.naissance.connu()) {
        // The youngest and the oldest the parent can have been.
        const auto moinsDe = [&](int ans) {
            return e.naissance.dernier < plusAnnees(p.naissance.premier, ans);
        };
        const auto plusDe = [&](int ans) {
            return e.naissance.premier > plusAnnees(p.naissance.dernier, ans);
        };
        const Seuil minE = pere ? Seuil::AgeMinPereErreur : Seuil::AgeMinMereErreur;
        const Seuil minA = pere ? Seuil::AgeMinPereAvertissement : Seuil::AgeMinMereAvertissement;
        const Seuil maxA = pere ? Seuil::AgeMaxPereAvertissement : Seuil::AgeMaxMereAvertissement;
        const Seuil maxE = pere ? Seuil::AgeMaxPereErreur : Seuil::AgeMaxMereErreur;
        const int jeuneE = m_seuils[minE], jeuneA = m_seuils[minA], ageA = m_seuils[maxA],
                  ageE = m_seuils[maxE];
        const char* regle = nullptr;
        int seuil = 0;
        bool jeune = true;
        if (moinsDe(jeuneE)) {
            regle = pere ? "PERE_TROP_JEUNE" : "MERE_TROP_JEUNE", seuil = jeuneE;
        } else if (moinsDe(jeuneA)) {
            regle = pere ? "PERE_JEUNE" : "MERE_JEUNE", seuil = jeuneA;
        } else if (plusDe(ageE)) {
            regle = pere ? "PERE_TROP_AGE" : "MERE_TROP_AGEE", seuil = ageE, jeune = false;
        } else if (plusDe(ageA)) {
            regle = pere ? "PERE_AGE" : "MERE_AGEE", seuil = ageA, jeune = false;
        }
        if (regle)
            signaler(enfant, regle,
                     QStringLiteral("%1, né(e) le %2 : %3 %4, né(e) le %5, avait %6 %7 ans")
                         .arg(qui(enfant), ne(), role, qui(parent), neParent(),
                              jeune ? QStringLiteral("moins de") : QStringLiteral("plus de"))
                         .arg(seuil),
                     valeurs({ne(), neParent()}));
    }
    if (!pere && p.deces.avant(e.naissance))
        signaler(enfant, "MERE_DECEDEE_AVANT_NAISSANCE",
                 QStringLiteral("%1, né(e) le %2 : sa mère %3 est décédée avant, le %4")
                     .arg(qui(enfant), ne(), qui(parent), mortParent()),
                 valeurs({ne(), mortParent()}));
    const int jours = m_seuils[Seuil::JoursPereDecedeAvantNaissance];
    if (pere && p.deces.connu() && p.deces.dernier + jours < e.naissance.premier)
        signaler(enfant, "PERE_DECEDE_AVANT_CONCEPTION",
                 QStringLiteral("%1, né(e) le %2 : son père %3 est décédé le %4, plus de %5 jours "
                                "avant")
                     .arg(qui(enfant), ne(), qui(parent), mortParent())
                     .arg(jours),
                 valeurs({ne(), mortParent()}));
}

// A parent's children: listed back, not too close, not too many, not over
// too many years; twins are fine.
void Verification::verifierLaFratrie(std::int32_t n, const std::uint8_t* fiche) {
    const Personne& parent = m_personnes[static_cast<std::size_t>(n)];
    const int nbEnfants = fiche[decalage::NbEnfants];
    if (nbEnfants == 0) return;
    auto& naissances = m_naissances; // kept from one parent to the next: no allocation
    naissances.clear();
    for (int k = 0; k < std::min<int>(nbEnfants, NbEmplacementsEnfants); ++k) {
        const std::int32_t e = brut::entier(fiche + decalage::Enfants + 4 * k);
        const Personne* enfant = personne(e);
        if (!enfant || e == n) continue;
        const bool parSonPere = enfant->pere == n, parSaMere = enfant->mere == n;
        if (parSonPere) m_listes[static_cast<std::size_t>(e)] |= 1;
        if (parSaMere) m_listes[static_cast<std::size_t>(e)] |= 2;
        const std::int32_t nomme = parent.sexe == 'F' ? enfant->mere : enfant->pere;
        if (!parSonPere && !parSaMere)
            signaler(n, "PARENT_NON_RECIPROQUE",
                     nomme >= 0
                         ? QStringLiteral("%1 compte %2 parmi ses enfants, dont la fiche donne "
                                          "pour parent %3")
                               .arg(qui(n), qui(e), qui(nomme))
                         : QStringLiteral("%1 compte %2 parmi ses enfants, dont la fiche ne le "
                                          "nomme pas")
                               .arg(qui(n), qui(e)),
                     std::to_string(e) + '|' + std::to_string(nomme));
        if (enfant->naissance.connu() && (parSonPere || parSaMere))
            naissances.push_back({enfant->naissance, e});
    }
    // Counted for the mother, or for the father when none is known.
    const int nombre = m_seuils[Seuil::NombreEnfants];
    if (parent.sexe != 'M' && nbEnfants > nombre)
        signaler(
            n, "TROP_D_ENFANTS",
            QStringLiteral("%1 a %2 enfants, plus de %3").arg(qui(n)).arg(nbEnfants).arg(nombre),
            std::to_string(nbEnfants));
    std::sort(naissances.begin(), naissances.end(),
              [](const auto& a, const auto& b) { return a.first.premier < b.first.premier; });
    const int jumeaux = m_seuils[Seuil::JoursJumeaux], ecart = m_seuils[Seuil::JoursEntreEnfants];
    for (std::size_t k = 1; k < naissances.size(); ++k) {
        const Jours& a = naissances[k - 1].first;
        const Jours& b = naissances[k].first;
        // Closer than possible whatever days the dates stand for, yet not twins.
        if (b.dernier - a.premier < ecart && b.premier - a.dernier > jumeaux)
            signaler(naissances[k].second, "ENFANTS_TROP_PROCHES",
                     QStringLiteral("%1, né(e) le %2, et %3, né(e) le %4 : moins de %5 jours "
                                    "entre deux enfants de %6")
                         .arg(qui(naissances[k].second), enClair(b), qui(naissances[k - 1].second),
                              enClair(a))
                         .arg(ecart)
                         .arg(qui(n)),
                     valeurs({enClair(a), enClair(b)}));
    }
    const int annees = m_seuils[Seuil::AnneesEntreEnfants];
    if (naissances.size() >= 2 && parent.sexe != 'M' &&
        naissances.back().first.premier > plusAnnees(naissances.front().first.dernier, annees))
        signaler(n, "FAMILLE_TROP_LONGUE",
                 QStringLiteral("%1 : plus de %2 ans entre son premier enfant (%3) et son dernier "
                                "(%4)")
                     .arg(qui(n))
                     .arg(annees)
                     .arg(enClair(naissances.front().first), enClair(naissances.back().first)),
                 valeurs({enClair(naissances.front().first), enClair(naissances.back().first)}));
}

// A child who names a parent whose record does not list it, though it has room.
void Verification::verifierLaReciprocite(std::int32_t n) {
    const Personne& e = m_personnes[static_cast<std::size_t>(n)];
    for (const auto& [parent, marque] : {std::pair{e.pere, 1}, std::pair{e.mere, 2}}) {
        const Personne* p = personne(parent);
        if (!p || parent == n || (m_listes[static_cast<std::size_t>(n)] & marque) ||
            p->nbEnfants >= NbEmplacementsEnfants)
            continue;
        signaler(n, "ENFANT_NON_RECIPROQUE",
                 QStringLiteral("%1 a pour %2 %3, dont la fiche ne le (la) compte pas parmi ses "
                                "enfants")
                     .arg(qui(n), marque == 1 ? QStringLiteral("père") : QStringLiteral("mère"),
                          qui(parent)),
                 std::to_string(parent));
    }
}

// A person their own ancestor: the parents' links walked once, a cycle
// told on each person in it.
void Verification::verifierLesAncetres() {
    enum : std::uint8_t { Blanc, Gris, Noir };
    std::vector<std::uint8_t> couleur(m_personnes.size(), Blanc);
    std::vector<std::pair<std::int32_t, int>> pile;
    for (std::size_t depart = 0; depart < m_personnes.size(); ++depart) {
        if (couleur[depart] != Blanc) continue;
        pile.push_back({static_cast<std::int32_t>(depart), 0});
        couleur[depart] = Gris;
        while (!pile.empty()) {
            auto& [n, etape] = pile.back();
            const Personne& p = m_personnes[static_cast<std::size_t>(n)];
            if (etape == 2) {
                couleur[static_cast<std::size_t>(n)] = Noir;
                pile.pop_back();
                continue;
            }
            const std::int32_t parent = etape == 0 ? p.pere : p.mere;
            ++etape;
            if (!personne(parent) || parent == n) continue;
            if (couleur[static_cast<std::size_t>(parent)] == Gris) {
                signaler(
                    parent, "PROPRE_ANCETRE",
                    QStringLiteral("%1 est son propre ancêtre, par %2").arg(qui(parent), qui(n)),
                    std::to_string(n));
            } else if (couleur[static_cast<std::size_t>(parent)] == Blanc) {
                couleur[static_cast<std::size_t>(parent)] = Gris;
                pile.push_back({parent, 0});
            }
        }
    }
}

bool Verification::estAscendant(std::int32_t ancetre, std::int32_t de, int generations) const {
    if (generations == 0) return false;
    const Personne* p = personne(de);
    if (!p) return false;
    for (const std::int32_t parent : {p->pere, p->mere})
        if (parent >= 0 && parent != de &&
            (parent == ancetre || estAscendant(ancetre, parent, generations - 1)))
            return true;
    return false;
}

// Spouses: their ages, the marriage against each one's life, one union
// begun before the previous ended, an ancestor married.
void Verification::verifierLesUnions() {
    // Each person's unions, as pairs sorted by person: no node per person.
    std::vector<std::pair<std::int32_t, const UnionConnue*>> parPersonne;
    parPersonne.reserve(m_unions.size() * 2);
    const int ecart = m_seuils[Seuil::EcartAgeEpoux];
    for (const UnionConnue& u : m_unions) {
        const Personne* h = personne(u.mari);
        const Personne* f = personne(u.femme);
        if (h && f) {
            const auto plusVieux = [&](const Personne& a, const Personne& b) {
                return a.naissance.connu() && b.naissance.connu() &&
                       plusAnnees(a.naissance.dernier, ecart) < b.naissance.premier;
            };
            if (plusVieux(*h, *f) || plusVieux(*f, *h))
                signaler(u.mari, "ECART_D_AGE_EPOUX",
                         QStringLiteral("%1, né le %2, et son épouse %3, née le %4 : plus de %5 "
                                        "ans d'écart")
                             .arg(qui(u.mari), enClair(h->naissance), qui(u.femme),
                                  enClair(f->naissance))
                             .arg(ecart),
                         valeurs({enClair(h->naissance), enClair(f->naissance)}));
            if (estAscendant(u.mari, u.femme, 4) || estAscendant(u.femme, u.mari, 4))
                signaler(u.mari, "UNION_AVEC_UN_ASCENDANT",
                         QStringLiteral("%1 et %2 sont unis, l'un ascendant de l'autre")
                             .arg(qui(u.mari), qui(u.femme)),
                         std::to_string(u.femme));
        }
        for (const auto& [moi, lui] : {std::pair{u.mari, u.femme}, std::pair{u.femme, u.mari}}) {
            const Personne* p = personne(moi);
            if (!p) continue;
            parPersonne.push_back({moi, &u});
            const Personne* conjoint = personne(lui);
            const auto date = [&] { return enClair(u.mariage); };
            if (conjoint && conjoint->deces.avant(u.mariage))
                signaler(moi, "MARIAGE_APRES_DECES_DU_CONJOINT",
                         QStringLiteral("%1 : marié(e) le %2 à %3, décédé(e) avant, le %4")
                             .arg(qui(moi), date(), qui(lui), enClair(conjoint->deces)),
                         valeurs({date(), enClair(conjoint->deces)}));
            // A marriage the store dates, beside the record's own.
            if (!u.dateMariage.empty() && u.mariage.connu() &&
                (u.mariage.premier != p->mariage.premier ||
                 u.mariage.dernier != p->mariage.dernier)) {
                if (u.mariage.avant(p->naissance))
                    signaler(moi, "MARIAGE_AVANT_NAISSANCE",
                             QStringLiteral("%1 : marié(e) le %2, avant sa naissance le %3")
                                 .arg(qui(moi), date(), enClair(p->naissance)),
                             valeurs({date(), enClair(p->naissance)}));
                if (p->deces.avant(u.mariage))
                    signaler(moi, "MARIAGE_APRES_DECES",
                             QStringLiteral("%1 : marié(e) le %2, après son décès le %3")
                                 .arg(qui(moi), date(), enClair(p->deces)),
                             valeurs({date(), enClair(p->deces)}));
                verifierLAgeAuMariage(moi, u.mariage, date);
            }
        }
    }
    std::stable_sort(parPersonne.begin(), parPersonne.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const UnionConnue*> datees;
    for (std::size_t debut = 0, fin = 0; debut < parPersonne.size(); debut = fin) {
        const std::int32_t moi = parPersonne[debut].first;
        datees.clear();
        for (fin = debut; fin < parPersonne.size() && parPersonne[fin].first == moi; ++fin)
            if (parPersonne[fin].second->mariage.connu()) datees.push_back(parPersonne[fin].second);
        if (datees.size() < 2) continue;
        std::sort(datees.begin(), datees.end(), [](const auto* a, const auto* b) {
            return a->mariage.premier < b->mariage.premier;
        });
        for (std::size_t k = 1; k < datees.size(); ++k) {
            const UnionConnue& avant = *datees[k - 1];
            const UnionConnue& apres = *datees[k];
            if (!avant.mariage.avant(apres.mariage)) continue;
            const std::int32_t premier = avant.mari == moi ? avant.femme : avant.mari;
            const Personne* conjoint = personne(premier);
            if (avant.divorce.connu()) {
                if (apres.mariage.avant(avant.divorce))
                    signaler(moi, "UNIONS_QUI_SE_CHEVAUCHENT",
                             QStringLiteral("%1 : remarié(e) le %2, avant son divorce du %3")
                                 .arg(qui(moi), enClair(apres.mariage), enClair(avant.divorce)),
                             valeurs({enClair(apres.mariage), enClair(avant.divorce)}));
            } else if (conjoint && apres.mariage.avant(conjoint->deces)) {
                signaler(moi, "REMARIAGE_DU_VIVANT_DU_CONJOINT",
                         QStringLiteral("%1 : remarié(e) le %2, du vivant de %3 (décédé(e) le %4), "
                                        "sans divorce connu")
                             .arg(qui(moi), enClair(apres.mariage), qui(premier),
                                  enClair(conjoint->deces)),
                         valeurs({enClair(apres.mariage), enClair(conjoint->deces)}));
            }
        }
    }
}

} // namespace coherence
