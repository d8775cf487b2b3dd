// The store read: a person's entries, the couples, the walks of the export,
// the entries the records no longer match.
#include "data/complements/Complements.h"

#include "data/complements/Requete.h"

#include <algorithm>

using namespace magasin;

std::unique_ptr<EntreePersonne> Complements::personne(std::int32_t fiche, const TFiche& actuelle) {
    Requete chercher(m_base, "SELECT id, note, gedcom FROM personne WHERE fiche = ? AND "
                             "empreinte = ? AND detachee = 0 ORDER BY id");
    chercher.lier(1, fiche).lier(2, empreinteDe(actuelle));
    std::unique_ptr<EntreePersonne> p;
    while (chercher.ligne()) {
        if (!p) {
            p = std::make_unique<EntreePersonne>();
            p->id = chercher.entier(0);
            p->fiche = fiche;
            p->empreinte = empreinteDe(actuelle);
        }
        // Several entries of one person (two imports, a note) read as one.
        if (!chercher.texte(1).empty()) p->note = chercher.texte(1);
        p->structures += chercher.texte(2);
        lireChamps(chercher.entier(0), *p);
    }
    return p;
}

void Complements::lireChamps(std::int64_t id, EntreePersonne& p) {
    Requete champs(m_base, "SELECT nom, ecrit, gedcom FROM champ WHERE personne = ? ORDER BY "
                           "ordre");
    champs.lier(1, id);
    while (champs.ligne())
        p.champs.push_back({champs.texte(0), champs.texte(1), champs.texte(2)});
}

std::unique_ptr<EntreePersonne> Complements::entree(std::int64_t id) {
    Requete chercher(m_base, "SELECT fiche, empreinte, note, gedcom FROM personne WHERE id = ?");
    chercher.lier(1, id);
    if (!chercher.ligne()) return nullptr;
    auto p = std::make_unique<EntreePersonne>();
    p->id = id;
    p->fiche = fiche32(chercher.entier(0));
    p->empreinte = chercher.texte(1);
    p->note = chercher.texte(2);
    p->structures = chercher.texte(3);
    lireChamps(id, *p);
    return p;
}

namespace {

EntreeCouple coupleLu(Requete& r) {
    EntreeCouple c;
    c.id = r.entier(0);
    c.mari = fiche32(r.entier(1));
    c.femme = fiche32(r.entier(2));
    c.empreinteMari = r.texte(3);
    c.empreinteFemme = r.texte(4);
    c.ordreMari = static_cast<int>(r.entier(5));
    c.ordreFemme = static_cast<int>(r.entier(6));
    c.ecritMari = r.texte(7);
    c.ecritFemme = r.texte(8);
    c.gedcom = r.texte(9);
    return c;
}

void lireEnfants(sqlite3* base, std::vector<EntreeCouple>& couples) {
    Requete enfants(base, "SELECT fiche, empreinte, filiation, gedcom FROM enfant WHERE "
                          "couple = ? ORDER BY rang");
    for (EntreeCouple& c : couples) {
        enfants.lier(1, c.id);
        while (enfants.ligne())
            c.enfants.push_back(
                {fiche32(enfants.entier(0)), enfants.texte(1), enfants.texte(2), enfants.texte(3)});
        enfants.recommencer();
    }
}

const char* const ColonnesCouple = "SELECT id, mari, femme, empreinte_mari, empreinte_femme, "
                                   "ordre_mari, ordre_femme, ecrit_mari, ecrit_femme, gedcom "
                                   "FROM couple";

} // namespace

std::vector<EntreeCouple> Complements::couples(bool tousLesEnfants) {
    std::vector<EntreeCouple> liste;
    Requete r(m_base, (std::string(ColonnesCouple) + " ORDER BY id").c_str());
    while (r.ligne())
        liste.push_back(coupleLu(r));
    // Both in the order of the couples: one walk joins them.
    Requete enfants(m_base, tousLesEnfants
                                ? "SELECT couple, fiche, empreinte, filiation, gedcom FROM enfant "
                                  "ORDER BY couple, rang"
                                : "SELECT couple, fiche, empreinte, filiation, gedcom FROM enfant "
                                  "WHERE filiation != 'birth' OR gedcom != '' ORDER BY couple, "
                                  "rang");
    std::size_t i = 0;
    while (enfants.ligne()) {
        const std::int64_t couple = enfants.entier(0);
        while (i < liste.size() && liste[i].id < couple)
            ++i;
        if (i < liste.size() && liste[i].id == couple)
            liste[i].enfants.push_back(
                {fiche32(enfants.entier(1)), enfants.texte(2), enfants.texte(3), enfants.texte(4)});
    }
    return liste;
}

std::vector<EntreeCouple> Complements::couplesDe(std::int32_t fiche) {
    std::vector<EntreeCouple> liste;
    Requete r(m_base,
              (std::string(ColonnesCouple) + " WHERE mari = ?1 OR femme = ?1 ORDER BY id").c_str());
    r.lier(1, fiche);
    while (r.ligne())
        liste.push_back(coupleLu(r));
    lireEnfants(m_base, liste);
    std::stable_sort(liste.begin(), liste.end(), [fiche](const auto& a, const auto& b) {
        return (a.mari == fiche ? a.ordreMari : a.ordreFemme) <
               (b.mari == fiche ? b.ordreMari : b.ordreFemme);
    });
    return liste;
}

std::vector<EntreeCouple> Complements::couplesDeLEnfant(std::int32_t fiche) {
    std::vector<EntreeCouple> liste;
    Requete r(m_base, (std::string(ColonnesCouple) +
                       " WHERE id IN (SELECT couple FROM enfant WHERE fiche = ?) ORDER BY id")
                          .c_str());
    r.lier(1, fiche);
    while (r.ligne())
        liste.push_back(coupleLu(r));
    lireEnfants(m_base, liste);
    return liste;
}

namespace {

// Two walks in step, each in record order: no query per person.
class CurseurSql : public CurseurPersonnes {
public:
    explicit CurseurSql(sqlite3* base)
        : m_personnes(base, "SELECT id, fiche, empreinte, note, gedcom FROM personne WHERE "
                            "detachee = 0 ORDER BY fiche, id"),
          m_champs(base, "SELECT p.id, c.nom, c.ecrit, c.gedcom FROM champ c JOIN personne p ON "
                         "p.id = c.personne WHERE p.detachee = 0 ORDER BY p.fiche, p.id, c.ordre") {
        m_champ = m_champs.ligne();
    }
    bool suivante(EntreePersonne& p) override {
        if (!m_personnes.ligne()) return false;
        p.id = m_personnes.entier(0);
        p.fiche = fiche32(m_personnes.entier(1));
        p.empreinte = m_personnes.texte(2);
        p.note = m_personnes.texte(3);
        p.champs.clear();
        p.structures = m_personnes.texte(4);
        for (; m_champ && m_champs.entier(0) == p.id; m_champ = m_champs.ligne())
            p.champs.push_back({m_champs.texte(1), m_champs.texte(2), m_champs.texte(3)});
        return true;
    }

private:
    Requete m_personnes, m_champs;
    bool m_champ = false;
};

} // namespace

std::unique_ptr<CurseurPersonnes> Complements::curseurPersonnes() {
    return std::make_unique<CurseurSql>(m_base);
}

void Complements::parcourirPersonnes(const std::function<bool(const EntreePersonne&)>& visiter) {
    CurseurSql curseur(m_base);
    EntreePersonne p;
    while (curseur.suivante(p))
        if (!visiter(p)) return;
}

void Complements::parcourirEnregistrements(
    const std::function<void(const EnregistrementComplement&)>& visiter) {
    Requete r(m_base, "SELECT xref, gedcom FROM enregistrement ORDER BY rowid");
    while (r.ligne())
        visiter({r.texte(0), r.texte(1)});
}

std::string Complements::enregistrement(const std::string& xref) {
    Requete r(m_base, "SELECT gedcom FROM enregistrement WHERE xref = ?");
    r.lier(1, xref);
    return r.ligne() ? r.texte(0) : std::string();
}

std::vector<EntreeDetachee>
Complements::detachees(std::int64_t nombreFiches,
                       const std::function<TFiche(std::int32_t)>& fiche) {
    std::vector<EntreeDetachee> liste;
    Requete r(m_base, "SELECT p.id, p.fiche, p.empreinte, p.detachee, (p.gedcom != '') + "
                      "(SELECT COUNT(*) FROM champ c WHERE c.personne = p.id) FROM personne p "
                      "ORDER BY p.fiche, p.id");
    while (r.ligne()) {
        EntreeDetachee d{r.entier(0), fiche32(r.entier(1)), r.texte(2), {}, r.entier(4)};
        if (r.entier(3))
            d.raison = QStringLiteral("détachée quand une autre personne a été saisie à sa place "
                                      "ou quand la fiche a été supprimée");
        else if (d.fiche < 0 || d.fiche >= nombreFiches)
            d.raison = QStringLiteral("sa fiche n'existe plus : le fichier compte %1 fiche(s)")
                           .arg(nombreFiches);
        else if (empreinteDe(fiche(d.fiche)) != d.empreinte)
            d.raison = QStringLiteral("la fiche %1 ne contient plus la même personne (modifiée "
                                      "par un autre programme, ou remplacée)")
                           .arg(d.fiche);
        else
            continue;
        liste.push_back(std::move(d));
    }
    return liste;
}
