#include "data/gedcom/FamillesProuvees.h"

#include "data/recherche/Recherches.h"

#include <algorithm>
#include <set>

namespace exportation {

namespace {

// The fingerprints of the records the store's couples name, taken as the
// records are read in order.
class EmpreintesRequises {
public:
    EmpreintesRequises(const std::vector<EntreeCouple>& couples, std::int64_t nombre)
        : m_requise(couples.empty() ? 0 : static_cast<std::size_t>(nombre), 0) {
        auto demander = [&](std::int32_t n) {
            if (n >= 0 && n < nombre) m_requise[static_cast<std::size_t>(n)] = 1;
        };
        for (const EntreeCouple& c : couples) {
            demander(c.mari);
            demander(c.femme);
            for (const EntreeCouple::Enfant& e : c.enfants)
                demander(e.fiche);
        }
    }
    void lire(std::int32_t n, const TFiche& fiche) {
        if (static_cast<std::size_t>(n) < m_requise.size() &&
            m_requise[static_cast<std::size_t>(n)])
            m_empreintes.emplace(n, empreinteDe(fiche));
    }
    const std::unordered_map<std::int32_t, std::string>& empreintes() const { return m_empreintes; }

private:
    std::vector<std::uint8_t> m_requise;
    std::unordered_map<std::int32_t, std::string> m_empreintes;
};

// The couples of the store whose persons still are those the records hold.
void verifierCouples(std::vector<EntreeCouple>& couples,
                     const std::unordered_map<std::int32_t, std::string>& empreintes) {
    // A family the source gave with no known parent stays one, with its children.
    std::erase_if(couples, [](const EntreeCouple& c) {
        return c.mari < 0 && c.femme < 0 && c.enfants.empty();
    });
    std::vector<bool> sansParent;
    for (const EntreeCouple& c : couples)
        sansParent.push_back(c.mari < 0 && c.femme < 0);
    auto valide = [&](std::int32_t n, const std::string& empreinte) {
        const auto i = empreintes.find(n);
        return i != empreintes.end() && i->second == empreinte;
    };
    for (EntreeCouple& c : couples) {
        if (!valide(c.mari, c.empreinteMari)) c.mari = -1;
        if (!valide(c.femme, c.empreinteFemme)) c.femme = -1;
        std::erase_if(c.enfants,
                      [&](const EntreeCouple::Enfant& e) { return !valide(e.fiche, e.empreinte); });
    }
    std::size_t i = 0;
    std::erase_if(couples, [&](const EntreeCouple& c) {
        const bool garde = sansParent[i++] ? !c.enfants.empty() : c.mari >= 0 || c.femme >= 0;
        return !garde;
    });
}

// The couples whose children the records cannot tell apart: a second union
// of the same two persons (or of the same single parent), and a family of
// no known parent. Their children are read whole.
void lireLesEnfantsDesUnionsRepetees(Complements& complements, std::vector<EntreeCouple>& couples) {
    std::set<std::pair<std::int32_t, std::int32_t>> vus;
    std::vector<EntreeCouple*> aLire;
    for (EntreeCouple& c : couples)
        if (!vus.insert({c.mari, c.femme}).second || (c.mari < 0 && c.femme < 0))
            aLire.push_back(&c);
    if (!aLire.empty()) complements.lireTousLesEnfants(std::move(aLire));
}

} // namespace

const MariageDeFiche* mariageDe(const Familles& f, std::int32_t n) {
    const auto i =
        std::lower_bound(f.mariages.begin(), f.mariages.end(), n,
                         [](const MariageDeFiche& m, std::int32_t v) { return m.fiche < v; });
    return i != f.mariages.end() && i->fiche == n ? &*i : nullptr;
}

bool memeLieu(const MariageDeFiche& a, const MariageDeFiche& b) {
    return a.lieu.vide() || b.lieu.vide() || a.lieu.texte() == b.lieu.texte();
}

namespace {

// The steps that find the families, over what one pass of the file keeps:
// every child's father and mother, every parent's slots, each sex.
class Analyse {
public:
    Analyse(FichierEnregistrements& fichier, ResultatExport& r, Complements* complements)
        : m_r(r), m_nombre(fichier.nombreFiches()), m_parents(static_cast<std::size_t>(m_nombre)),
          m_enfants(static_cast<std::size_t>(m_nombre)),
          m_qualite(static_cast<std::size_t>(m_nombre)),
          m_epoux(static_cast<std::size_t>(m_nombre), 0) {
        if (complements) {
            m_f.couples = complements->couples(false);
            lireLesEnfantsDesUnionsRepetees(*complements, m_f.couples);
        }
        lireLesFiches(fichier);
    }

    Familles familles() {
        famillesDesEnfants();
        couplesDuMagasin();
        couplesSansEnfant();
        std::sort(m_f.familles.begin(), m_f.familles.end());
        mariagesDesFiches();
        enfantsDuMagasin();
        return std::move(m_f);
    }

private:
    using CoupleDe = std::pair<std::int32_t, std::uint32_t>;

    bool existe(std::int32_t n) const { return n >= 0 && n < m_nombre; }

    // One pass: every child's parents, every parent's children slots, the
    // marriages the records hold, each person's sex; links past the end counted.
    void lireLesFiches(FichierEnregistrements& fichier) {
        EmpreintesRequises requises(m_f.couples, m_nombre);
        parcourirFiches(fichier, [&](std::int32_t n, const TFiche& fiche) {
            Couple c{fiche.Pere, fiche.Mere};
            for (std::int32_t* lien : {&c.pere, &c.mere})
                if (*lien != -1 && !existe(*lien)) {
                    ++m_r.liensPendants;
                    *lien = -1;
                }
            m_parents[static_cast<std::size_t>(n)] = c;
            m_enfants[static_cast<std::size_t>(n)] = fiche.Enfants;
            m_qualite[static_cast<std::size_t>(n)] = fiche.Qualite;
            for (int s = 0; s < emplacementsEnfants(fiche.NbEnfants); ++s) {
                const std::int32_t v = fiche.Enfants[static_cast<std::size_t>(s)];
                if (v != -1 && !existe(v)) ++m_r.liensPendants;
            }
            if (!fiche.DateMariage.vide() || !fiche.LieuMariage.vide())
                m_f.mariages.push_back({n, fiche.DateMariage, fiche.LieuMariage});
            requises.lire(n, fiche);
            return true;
        });
        verifierCouples(m_f.couples, requises.empreintes());
    }

    // The families of the children's links, children by rank; their parents
    // have a spouse the children prove.
    void famillesDesEnfants() {
        auto rang = [&](std::int32_t parent, std::int32_t enfant) {
            if (parent < 0) return NbEmplacementsEnfants;
            const auto& s = m_enfants[static_cast<std::size_t>(parent)];
            const auto i = std::find(s.begin(), s.end(), enfant);
            return i == s.end() ? NbEmplacementsEnfants : static_cast<int>(i - s.begin());
        };
        for (std::int32_t n = 0; n < m_nombre; ++n) {
            const Couple c = m_parents[static_cast<std::size_t>(n)];
            if (c.pere == -1 && c.mere == -1) continue;
            m_f.liens.push_back({c, std::min(rang(c.pere, n), rang(c.mere, n)), n});
        }
        m_enfants = {};
        std::sort(m_f.liens.begin(), m_f.liens.end());
        for (const Lien& l : m_f.liens) {
            if (!m_f.familles.empty() && m_f.familles.back().couple == l.couple) continue;
            FamilleEcrite famille;
            famille.couple = l.couple;
            m_f.familles.push_back(famille);
            marquerEpoux(l.couple);
        }
    }

    void marquerEpoux(const Couple& c) {
        if (c.pere >= 0 && c.mere >= 0)
            m_epoux[static_cast<std::size_t>(c.pere)] = m_epoux[static_cast<std::size_t>(c.mere)] =
                1;
    }

    // The store's couples joined to the families of the children's links.
    void couplesDuMagasin() {
        std::unordered_map<std::uint64_t, std::size_t> parCouple;
        auto cle = [](const Couple& c) {
            return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(c.pere)) << 32) |
                   static_cast<std::uint32_t>(c.mere);
        };
        if (!m_f.couples.empty())
            for (std::size_t i = 0; i < m_f.familles.size(); ++i)
                parCouple.emplace(cle(m_f.familles[i].couple), i);
        for (std::size_t i = 0; i < m_f.couples.size(); ++i) {
            const EntreeCouple& c = m_f.couples[i];
            const Couple couple{c.mari, c.femme};
            const auto [trouvee, nouvelle] = parCouple.emplace(cle(couple), m_f.familles.size());
            if (nouvelle) {
                m_f.familles.push_back({});
                m_f.familles.back().couple = couple;
            }
            FamilleEcrite* famille = &m_f.familles[trouvee->second];
            if (famille->complement >= 0) {
                // Another union of the same couple: a family of its own.
                FamilleEcrite autre;
                autre.couple = couple;
                autre.rang = ++m_unionsEnPlus[cle(couple)];
                m_f.familles.push_back(autre);
                famille = &m_f.familles.back();
            }
            famille->complement = static_cast<std::int32_t>(i);
            marquerEpoux(couple);
        }
    }

    // A childless couple: the same marriage date in exactly two records, a
    // man and a woman, neither with a spouse proven elsewhere. Where more
    // records hold the date, nobody is paired: each marriage goes out alone.
    void couplesSansEnfant() {
        std::unordered_map<std::string, std::vector<std::int32_t>> parDate;
        for (const MariageDeFiche& m : m_f.mariages)
            if (!m.date.vide())
                parDate[std::string(reinterpret_cast<const char*>(m.date.octets.data()),
                                    static_cast<std::size_t>(m.date.longueurSignificative()))]
                    .push_back(m.fiche);
        for (auto& [date, fiches] : parDate) {
            if (fiches.size() != 2) continue;
            std::int32_t a = fiches[0], b = fiches[1];
            if (m_epoux[static_cast<std::size_t>(a)] || m_epoux[static_cast<std::size_t>(b)])
                continue;
            const std::uint8_t qa = m_qualite[static_cast<std::size_t>(a)],
                               qb = m_qualite[static_cast<std::size_t>(b)];
            const bool hommeA = qa == 0, hommeB = qb == 0;
            const bool femmeA = qa == 1 || qa == 2, femmeB = qb == 1 || qb == 2;
            if ((hommeA && hommeB) || (femmeA && femmeB)) continue;
            if (hommeB || femmeA) std::swap(a, b);
            FamilleEcrite famille;
            famille.couple = {a, b};
            m_f.familles.push_back(famille);
        }
    }

    // Each record's marriage goes to the one family it belongs to: the store's
    // couple whose marriage the import wrote in it, its only couple, or the
    // couple whose other record holds the same date; a marriage that fits
    // none goes out as a family of its own.
    void mariagesDesFiches() {
        std::vector<CoupleDe> couplesDe;
        for (std::uint32_t i = 0; i < m_f.familles.size(); ++i) {
            const Couple& c = m_f.familles[i].couple;
            // A family of one known spouse is only the store's: the source had it so.
            if ((c.pere < 0 || c.mere < 0) && m_f.familles[i].complement < 0) continue;
            for (const std::int32_t conjoint : {c.pere, c.mere})
                if (conjoint >= 0) couplesDe.push_back({conjoint, i});
        }
        std::sort(couplesDe.begin(), couplesDe.end());
        std::vector<FamilleEcrite> seules;
        for (const MariageDeFiche& m : m_f.mariages) {
            const auto debut =
                std::lower_bound(couplesDe.begin(), couplesDe.end(), CoupleDe{m.fiche, 0});
            auto fin = debut;
            while (fin != couplesDe.end() && fin->first == m.fiche)
                ++fin;
            const CoupleDe* premier = couplesDe.data() + (debut - couplesDe.begin());
            const std::int64_t choisie = familleDuMariage(m, premier, premier + (fin - debut));
            if (choisie < 0) {
                seules.push_back(familleSeule(m.fiche));
                ++m_f.sansConjoint;
                continue;
            }
            FamilleEcrite& famille = m_f.familles[static_cast<std::size_t>(choisie)];
            (famille.couple.pere == m.fiche ? famille.duPere : famille.deLaMere) = m.fiche;
        }
        m_f.familles.insert(m_f.familles.end(), seules.begin(), seules.end());
    }

    std::int64_t familleDuMariage(const MariageDeFiche& m, const CoupleDe* debut,
                                  const CoupleDe* fin) const {
        const std::string ecrit =
            m.date.texte().toStdString() + '\x1f' + m.lieu.texte().toStdString();
        for (const CoupleDe* i = debut; i != fin; ++i) {
            const FamilleEcrite& x = m_f.familles[i->second];
            if (x.complement < 0) continue;
            const EntreeCouple& c = m_f.couples[static_cast<std::size_t>(x.complement)];
            if ((c.mari == m.fiche ? c.ecritMari : c.ecritFemme) == ecrit) return i->second;
        }
        if (fin - debut == 1) return debut->second;
        for (const CoupleDe* i = debut; i != fin; ++i) {
            const MariageDeFiche* autre = mariageDe(m_f, m_f.familles[i->second].conjoint(m.fiche));
            if (autre && m.memeDate(*autre)) return i->second;
        }
        return -1;
    }

    FamilleEcrite familleSeule(std::int32_t fiche) const {
        FamilleEcrite seule;
        seule.seul = fiche;
        const std::uint8_t q = m_qualite[static_cast<std::size_t>(fiche)];
        (q == 1 || q == 2 ? seule.deLaMere : seule.duPere) = fiche;
        return seule;
    }

    // The store's children the records do not give: adopted, fostered, or
    // of a second birth family.
    void enfantsDuMagasin() {
        for (std::uint32_t i = 0; i < m_f.familles.size(); ++i) {
            const FamilleEcrite& f = m_f.familles[i];
            if (f.complement < 0) continue;
            for (const EntreeCouple::Enfant& e :
                 m_f.couples[static_cast<std::size_t>(f.complement)].enfants)
                if (e.filiation != "birth")
                    m_f.famcEnPlus.push_back({e.fiche, i, e.filiation, e.gedcom});
                else if (f.enfantsDuMagasin())
                    reclamer(e, i);
                else if (!e.gedcom.empty())
                    m_f.famcNaissance[e.fiche] = {f.couple, e.gedcom};
        }
        m_parents = {};
        std::sort(m_f.famcEnPlus.begin(), m_f.famcEnPlus.end());
    }

    // A birth child of another union of its parents, while its record still
    // names them.
    void reclamer(const EntreeCouple::Enfant& e, std::uint32_t famille) {
        if (!existe(e.fiche) ||
            !(m_parents[static_cast<std::size_t>(e.fiche)] == m_f.familles[famille].couple))
            return;
        m_f.reclames.emplace(e.fiche, std::make_pair(famille, e.gedcom));
    }

    ResultatExport& m_r;
    std::int64_t m_nombre;
    Familles m_f;
    std::vector<Couple> m_parents;
    std::vector<std::array<std::int32_t, NbEmplacementsEnfants>> m_enfants;
    std::vector<std::uint8_t> m_qualite;
    std::vector<std::uint8_t> m_epoux; // a spouse proven by a child or the store
    std::unordered_map<std::uint64_t, int> m_unionsEnPlus; // by couple
};

} // namespace

Familles famillesProuvees(FichierEnregistrements& fichier, ResultatExport& r,
                          Complements* complements) {
    return Analyse(fichier, r, complements).familles();
}

} // namespace exportation
