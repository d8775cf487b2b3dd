// The store following two records merged into one and the file kept dense.
//
// The entries of both persons (those whose fingerprint still matches their
// record: a detached entry is someone else's and stays apart) become one
// entry; a field's structure with its sources stays tied to the record on
// the side whose value the merged record took, the other side's turns into
// a plain fact, another version; two unions with the same spouse become one,
// their events and children together.
#include "data/complements/Complements.h"

#include "data/complements/Requete.h"
#include "data/complements/StockageStructures.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

using namespace magasin;
using structures::Sorte;

std::vector<std::int64_t> entreesDe(sqlite3* base, std::int32_t fiche, const TFiche& personne) {
    std::vector<std::int64_t> ids;
    Requete r(base, "SELECT id FROM personne WHERE fiche = ? AND empreinte = ? ORDER BY id");
    r.lier(1, fiche).lier(2, empreinteDe(personne));
    while (r.ligne())
        ids.push_back(r.entier(0));
    return ids;
}

// A person's structure that stands for a field of the record.
struct StructureLiee {
    const char* table;
    std::int64_t id;
    std::string champ;
};

std::vector<StructureLiee> structuresLiees(sqlite3* base,
                                           const std::vector<std::int64_t>& entrees) {
    std::vector<StructureLiee> liees;
    for (const std::int64_t entree : entrees)
        for (const Sorte s : structures::sortesStockees()) {
            const char* table = structures::descriptionDe(s).table;
            Requete r(base, (std::string("SELECT id, champ FROM ") + table +
                             " WHERE racine_sorte = 'P' AND racine = ? AND sorte_proprietaire = "
                             "'P' AND champ IS NOT NULL ORDER BY ordre")
                                .c_str());
            r.lier(1, entree);
            while (r.ligne())
                liees.push_back({table, r.entier(0), r.texte(1)});
        }
    return liees;
}

void lierAuChamp(sqlite3* base, const StructureLiee& s, bool liee) {
    Requete r(base, (std::string("UPDATE ") + s.table + " SET champ = ? WHERE id = ?").c_str());
    if (liee)
        r.lier(1, s.champ);
    else
        r.lierNul(1);
    r.lier(2, s.id).executer();
}

// Each field's structure from the side its value was chosen from; the
// other side's, and a second of the chosen side, as plain facts.
void lierLesChamps(sqlite3* base, const std::vector<StructureLiee>& premier,
                   const std::vector<StructureLiee>& second,
                   const std::vector<std::string>& champsDuSecond) {
    std::vector<std::string> dejaLies;
    const auto suivre = [&](const std::vector<StructureLiee>& cote, bool choisi) {
        for (const StructureLiee& s : cote) {
            const bool lier =
                choisi && std::find(dejaLies.begin(), dejaLies.end(), s.champ) == dejaLies.end();
            if (lier) dejaLies.push_back(s.champ);
            lierAuChamp(base, s, lier);
        }
    };
    const auto duSecond = [&](const std::string& champ) {
        return std::find(champsDuSecond.begin(), champsDuSecond.end(), champ) !=
               champsDuSecond.end();
    };
    std::vector<StructureLiee> premierChoisi, premierAutre, secondChoisi, secondAutre;
    for (const StructureLiee& s : premier)
        (duSecond(s.champ) ? premierAutre : premierChoisi).push_back(s);
    for (const StructureLiee& s : second)
        (duSecond(s.champ) ? secondChoisi : secondAutre).push_back(s);
    suivre(premierChoisi, true);
    suivre(secondChoisi, true);
    suivre(premierAutre, false);
    suivre(secondAutre, false);
}

// One entry for the merged person: every other's facts after the first's.
void reunirLesEntrees(sqlite3* base, const std::vector<std::int64_t>& entrees) {
    for (std::size_t k = 1; k < entrees.size(); ++k) {
        structures::deplacerRacine(base, Sorte::Personne, entrees[k], entrees.front());
        Requete(base, "UPDATE personne SET note = COALESCE((SELECT group_concat(note, char(10)) "
                      "FROM personne WHERE id IN (?1, ?2) AND note <> ''), '') WHERE id = ?1")
            .lier(1, entrees.front())
            .lier(2, entrees[k])
            .executer();
        Requete(base, "DELETE FROM personne WHERE id = ?").lier(1, entrees[k]).executer();
    }
}

std::int64_t rangSuivant(sqlite3* base, std::int64_t couple) {
    Requete r(base, "SELECT COALESCE(MAX(rang), -1) + 1 FROM enfant WHERE couple = ?");
    r.lier(1, couple);
    return r.ligne() ? r.entier(0) : 0;
}

// The second union's events, sources and children given to the first.
void reunirDeuxUnions(sqlite3* base, std::int64_t garde, std::int64_t autre) {
    structures::deplacerRacine(base, Sorte::Union, autre, garde);
    std::vector<std::pair<std::int64_t, std::int64_t>> enfants; // id, record
    {
        Requete r(base, "SELECT id, fiche FROM enfant WHERE couple = ? ORDER BY rang");
        r.lier(1, autre);
        while (r.ligne())
            enfants.push_back({r.entier(0), r.entier(1)});
    }
    for (const auto& [id, fiche] : enfants) {
        Requete deja(base, "SELECT id FROM enfant WHERE couple = ? AND fiche = ?");
        deja.lier(1, garde).lier(2, fiche);
        if (deja.ligne()) {
            structures::deplacerRacine(base, Sorte::Enfant, id, deja.entier(0));
            Requete(base, "DELETE FROM enfant WHERE id = ?").lier(1, id).executer();
        } else {
            Requete(base, "UPDATE enfant SET couple = ?, rang = ? WHERE id = ?")
                .lier(1, garde)
                .lier(2, rangSuivant(base, garde))
                .lier(3, id)
                .executer();
        }
    }
    // The marriage the import wrote in a record, if the first union had none.
    Requete(base, "UPDATE couple SET ecrit_mari = CASE WHEN ecrit_mari = '' THEN (SELECT "
                  "ecrit_mari FROM couple WHERE id = ?2) ELSE ecrit_mari END, ecrit_femme = CASE "
                  "WHEN ecrit_femme = '' THEN (SELECT ecrit_femme FROM couple WHERE id = ?2) "
                  "ELSE ecrit_femme END WHERE id = ?1")
        .lier(1, garde)
        .lier(2, autre)
        .executer();
    Requete(base, "DELETE FROM couple WHERE id = ?").lier(1, autre).executer();
}

// A person's unions numbered again from 0 in their order.
void renumeroterLesUnions(sqlite3* base, std::int32_t fiche) {
    std::vector<std::int64_t> ids;
    {
        Requete r(base, "SELECT id FROM couple WHERE mari = ?1 OR femme = ?1 ORDER BY CASE WHEN "
                        "mari = ?1 THEN ordre_mari ELSE ordre_femme END, id");
        r.lier(1, fiche);
        while (r.ligne())
            ids.push_back(r.entier(0));
    }
    for (std::size_t k = 0; k < ids.size(); ++k)
        Requete(base, "UPDATE couple SET ordre_mari = CASE WHEN mari = ?1 THEN ?2 ELSE ordre_mari "
                      "END, ordre_femme = CASE WHEN femme = ?1 THEN ?2 ELSE ordre_femme END WHERE "
                      "id = ?3")
            .lier(1, fiche)
            .lier(2, static_cast<std::int64_t>(k))
            .lier(3, ids[k])
            .executer();
}

// The merged person's unions with one same spouse made one.
void reunirLesUnions(sqlite3* base, std::int32_t fiche) {
    std::map<std::int64_t, std::vector<std::int64_t>> parConjoint;
    {
        Requete r(base, "SELECT id, CASE WHEN mari = ?1 THEN femme ELSE mari END FROM couple "
                        "WHERE mari = ?1 OR femme = ?1 ORDER BY id");
        r.lier(1, fiche);
        while (r.ligne())
            if (r.entier(1) >= 0 && r.entier(1) != fiche)
                parConjoint[r.entier(1)].push_back(r.entier(0));
    }
    for (const auto& [conjoint, unions] : parConjoint) {
        for (std::size_t k = 1; k < unions.size(); ++k)
            reunirDeuxUnions(base, unions.front(), unions[k]);
        if (unions.size() > 1) renumeroterLesUnions(base, static_cast<std::int32_t>(conjoint));
    }
    renumeroterLesUnions(base, fiche);
}

} // namespace

void Complements::suivreFusion(const FusionDeFiches& f) {
    const std::int32_t arrivee = f.garde == f.derniere ? f.retire : f.garde;
    // A number no record holds, while the others move.
    constexpr std::int64_t EnAttente = -1000000000;
    const std::string empreinte = empreinteDe(f.fusion);
    const std::string empreintePremier = empreinteDe(f.premier);
    const std::string empreinteSecond = empreinteDe(f.second);
    enTransaction(*this, [&] {
        const std::vector<std::int64_t> entreesPremier = entreesDe(m_base, f.garde, f.premier);
        const std::vector<std::int64_t> entreesSecond = entreesDe(m_base, f.retire, f.second);
        const std::vector<StructureLiee> lieesPremier = structuresLiees(m_base, entreesPremier);
        const std::vector<StructureLiee> lieesSecond = structuresLiees(m_base, entreesSecond);
        const bool ignores = tableExiste(m_base, "coherence_ignoree");
        const bool vies = tableExiste(m_base, "vie_marquee");
        // The findings dismissed compared values the merge changes.
        if (ignores)
            Requete(m_base, "DELETE FROM coherence_ignoree WHERE fiche IN (?, ?)")
                .lier(1, f.garde)
                .lier(2, f.retire)
                .executer();
        if (vies)
            Requete(m_base, "DELETE FROM vie_marquee WHERE fiche = ? AND fiche <> ?")
                .lier(1, f.retire)
                .lier(2, f.garde)
                .executer();
        struct Colonne {
            const char *table, *fiche, *empreinte;
            bool parEmpreinte; // only the entries still the person's
        };
        std::vector<Colonne> colonnes = {{"personne", "fiche", "empreinte", true},
                                         {"couple", "mari", "empreinte_mari", true},
                                         {"couple", "femme", "empreinte_femme", true},
                                         {"enfant", "fiche", "empreinte", true}};
        if (vies) colonnes.push_back({"vie_marquee", "fiche", "empreinte", false});
        if (ignores) colonnes.push_back({"coherence_ignoree", "fiche", nullptr, false});
        const auto sql = [](const Colonne& c, const std::string& reste) {
            return std::string("UPDATE ") + c.table + " SET " + c.fiche + " = ?" + reste;
        };
        for (const Colonne& c : colonnes) {
            if (!c.empreinte) continue;
            const std::string ou =
                std::string(c.fiche) + " = ?3" +
                (c.parEmpreinte ? std::string(" AND ") + c.empreinte + " = ?5" : std::string()) +
                " OR " + c.fiche + " = ?4" +
                (c.parEmpreinte ? std::string(" AND ") + c.empreinte + " = ?6" : std::string());
            Requete r(m_base,
                      sql(c, std::string(", ") + c.empreinte + " = ?2 WHERE " + ou).c_str());
            r.lier(1, EnAttente).lier(2, empreinte).lier(3, f.garde).lier(4, f.retire);
            if (c.parEmpreinte) r.lier(5, empreintePremier).lier(6, empreinteSecond);
            r.executer();
        }
        if (f.derniere != f.retire && f.derniere != f.garde)
            for (const Colonne& c : colonnes)
                Requete(m_base, sql(c, std::string(" WHERE ") + c.fiche + " = ?").c_str())
                    .lier(1, f.retire)
                    .lier(2, f.derniere)
                    .executer();
        for (const Colonne& c : colonnes)
            Requete(m_base, sql(c, std::string(" WHERE ") + c.fiche + " = ?").c_str())
                .lier(1, arrivee)
                .lier(2, EnAttente)
                .executer();
        std::vector<std::int64_t> entrees = entreesPremier;
        entrees.insert(entrees.end(), entreesSecond.begin(), entreesSecond.end());
        reunirLesEntrees(m_base, entrees);
        lierLesChamps(m_base, lieesPremier, lieesSecond, f.champsDuSecond);
        reunirLesUnions(m_base, arrivee);
    });
}
