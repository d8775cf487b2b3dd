// The store read: a person's entries, the couples, the walks of the export,
// the entries the records no longer match.
#include "data/complements/Complements.h"

#include "data/complements/Requete.h"
#include "data/complements/StockageStructures.h"

#include <algorithm>

using namespace magasin;
using structures::Sorte;

namespace {

// What the tables hold of one root, as the GEDCOM text the export and the
// views read.
void versTexte(const structures::StructuresDUneRacine& r, EntreePersonne& p) {
    for (const structures::Element& champ : r.champs) {
        std::string gedcom;
        structures::ecrireStructure(gedcom, champ, 1);
        p.champs.push_back({champ.champ, champ.ecrit, std::move(gedcom)});
    }
    p.structures += structures::texteDe(r.structures, 1);
}

} // namespace

std::unique_ptr<EntreePersonne> Complements::personne(std::int32_t fiche, const TFiche& actuelle) {
    Requete chercher(m_base, "SELECT id, note FROM personne WHERE fiche = ? AND "
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
        lireStructuresDe(chercher.entier(0), *p);
    }
    return p;
}

void Complements::lireStructuresDe(std::int64_t id, EntreePersonne& p) {
    versTexte(structures::lireRacine(m_base, Sorte::Personne, id), p);
}

std::vector<NomStocke> Complements::noms(std::int32_t fiche, const TFiche& actuelle) {
    Requete r(m_base, "SELECT n.valeur, n.type, n.prenoms, n.patronyme FROM nom n JOIN personne p "
                      "ON p.id = n.racine WHERE n.racine_sorte = 'P' AND n.sorte_proprietaire = "
                      "'P' AND p.fiche = ? AND p.empreinte = ? AND p.detachee = 0 ORDER BY "
                      "p.id, n.champ IS NOT 'NAME', n.ordre");
    r.lier(1, fiche).lier(2, empreinteDe(actuelle));
    std::vector<NomStocke> noms;
    while (r.ligne()) {
        NomStocke n{r.texte(0), r.texte(1), r.texte(2), r.texte(3)};
        // "Ivan /Зыков/ Jr": the surname between the slashes, the given names before.
        const std::size_t barre = n.complet.find('/');
        if (n.patronyme.empty() && barre != std::string::npos)
            n.patronyme = n.complet.substr(barre + 1, n.complet.find('/', barre + 1) - barre - 1);
        if (n.prenoms.empty()) n.prenoms = n.complet.substr(0, barre);
        while (!n.prenoms.empty() && n.prenoms.back() == ' ')
            n.prenoms.pop_back();
        noms.push_back(std::move(n));
    }
    return noms;
}

void Complements::parcourirNoms(
    const std::function<void(std::int32_t, const std::string&, const std::string&)>& visiter) {
    Requete r(m_base, "SELECT p.fiche, p.empreinte, n.valeur, n.prenoms, n.patronyme FROM nom n "
                      "JOIN personne p ON p.id = n.racine WHERE n.racine_sorte = 'P' AND "
                      "n.sorte_proprietaire = 'P' AND p.detachee = 0");
    while (r.ligne()) {
        std::string nom = r.texte(2);
        if (nom.empty()) nom = r.texte(3) + ' ' + r.texte(4);
        visiter(fiche32(r.entier(0)), r.texte(1), nom);
    }
}

std::unique_ptr<EntreePersonne> Complements::entree(std::int64_t id) {
    Requete chercher(m_base, "SELECT fiche, empreinte, note FROM personne WHERE id = ?");
    chercher.lier(1, id);
    if (!chercher.ligne()) return nullptr;
    auto p = std::make_unique<EntreePersonne>();
    p->id = id;
    p->fiche = fiche32(chercher.entier(0));
    p->empreinte = chercher.texte(1);
    p->note = chercher.texte(2);
    lireStructuresDe(id, *p);
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
    return c;
}

// A child of a couple, what its link says beyond its kind read when there is some.
EntreeCouple::Enfant enfantLu(sqlite3* base, const Requete& r, int premiere) {
    EntreeCouple::Enfant e{
        fiche32(r.entier(premiere + 1)), r.texte(premiere + 2), r.texte(premiere + 3), {}};
    if (r.entier(premiere + 4))
        e.gedcom = structures::texteDe(
            structures::lireRacine(base, Sorte::Enfant, r.entier(premiere)).structures, 2);
    return e;
}

// The couples' own structures, one walk in the couples' order.
void lireStructuresDesCouples(sqlite3* base, std::vector<EntreeCouple>& couples) {
    for (EntreeCouple& c : couples)
        c.gedcom =
            structures::texteDe(structures::lireRacine(base, Sorte::Union, c.id).structures, 1);
}

const char* const ColonnesCouple = "SELECT id, mari, femme, empreinte_mari, empreinte_femme, "
                                   "ordre_mari, ordre_femme, ecrit_mari, ecrit_femme "
                                   "FROM couple";

} // namespace

std::vector<EntreeCouple> Complements::couples(bool tousLesEnfants) {
    std::vector<EntreeCouple> liste;
    Requete r(m_base, (std::string(ColonnesCouple) + " ORDER BY id").c_str());
    while (r.ligne())
        liste.push_back(coupleLu(r));
    {
        structures::CurseurRacines curseur(m_base, Sorte::Union, "couple", "1", "r.id");
        for (EntreeCouple& c : liste)
            c.gedcom = structures::texteDe(curseur.lire(c.id).structures, 1);
    }
    // Both in the order of the couples: one walk joins them.
    Requete enfants(m_base, tousLesEnfants
                                ? "SELECT couple, id, fiche, empreinte, filiation, details FROM "
                                  "enfant ORDER BY couple, rang"
                                : "SELECT couple, id, fiche, empreinte, filiation, details FROM "
                                  "enfant WHERE filiation != 'birth' OR details != 0 ORDER BY "
                                  "couple, rang");
    std::size_t i = 0;
    while (enfants.ligne()) {
        const std::int64_t couple = enfants.entier(0);
        while (i < liste.size() && liste[i].id < couple)
            ++i;
        if (i < liste.size() && liste[i].id == couple)
            liste[i].enfants.push_back(enfantLu(m_base, enfants, 1));
    }
    return liste;
}

void Complements::lireTousLesEnfants(std::vector<EntreeCouple*> couples) {
    Requete enfants(m_base, "SELECT id, fiche, empreinte, filiation, details FROM enfant WHERE "
                            "couple = ? ORDER BY rang");
    for (EntreeCouple* c : couples) {
        c->enfants.clear();
        enfants.lier(1, c->id);
        while (enfants.ligne())
            c->enfants.push_back(enfantLu(m_base, enfants, 0));
        enfants.recommencer();
    }
}

std::vector<EntreeCouple> Complements::couplesDe(std::int32_t fiche) {
    std::vector<EntreeCouple> liste;
    Requete r(m_base,
              (std::string(ColonnesCouple) + " WHERE mari = ?1 OR femme = ?1 ORDER BY id").c_str());
    r.lier(1, fiche);
    while (r.ligne())
        liste.push_back(coupleLu(r));
    lireStructuresDesCouples(m_base, liste);
    {
        std::vector<EntreeCouple*> tous;
        for (EntreeCouple& c : liste)
            tous.push_back(&c);
        lireTousLesEnfants(std::move(tous));
    }
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
    lireStructuresDesCouples(m_base, liste);
    {
        std::vector<EntreeCouple*> tous;
        for (EntreeCouple& c : liste)
            tous.push_back(&c);
        lireTousLesEnfants(std::move(tous));
    }
    return liste;
}

namespace {

// The entries and their structures in step, each in record order: no
// query per person.
class CurseurSql : public CurseurPersonnes {
public:
    explicit CurseurSql(sqlite3* base)
        : m_personnes(base, "SELECT id, fiche, empreinte, note FROM personne WHERE "
                            "detachee = 0 ORDER BY fiche, id"),
          m_structures(base, Sorte::Personne, "personne", "r.detachee = 0", "r.fiche, r.id") {}
    bool suivante(EntreePersonne& p) override {
        if (!m_personnes.ligne()) return false;
        p.id = m_personnes.entier(0);
        p.fiche = fiche32(m_personnes.entier(1));
        p.empreinte = m_personnes.texte(2);
        p.note = m_personnes.texte(3);
        p.champs.clear();
        p.structures.clear();
        versTexte(m_structures.lire(p.id), p);
        return true;
    }

private:
    Requete m_personnes;
    structures::CurseurRacines m_structures;
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
    structures::parcourirRecords(m_base, [&](const structures::Element& e) {
        std::string gedcom;
        structures::ecrireStructure(gedcom, e, 0);
        visiter({e.xref, std::move(gedcom)});
    });
}

std::string Complements::enregistrement(const std::string& xref) {
    const std::int64_t racine = structures::racineDuRecord(m_base, xref);
    if (racine == 0) return {};
    return structures::texteDe(structures::lireRacine(m_base, Sorte::Fichier, racine).structures,
                               0);
}

std::vector<EntreeDetachee>
Complements::detachees(std::int64_t nombreFiches,
                       const std::function<TFiche(std::int32_t)>& fiche) {
    std::vector<EntreeDetachee> liste;
    std::string compte = "0";
    for (Sorte s : structures::sortesStockees())
        compte += std::string(" + (SELECT COUNT(*) FROM ") + structures::descriptionDe(s).table +
                  " e WHERE e.racine_sorte = 'P' AND e.racine = p.id AND "
                  "e.sorte_proprietaire = 'P')";
    Requete r(m_base, ("SELECT p.id, p.fiche, p.empreinte, p.detachee, " + compte +
                       " FROM personne p ORDER BY p.fiche, p.id")
                          .c_str());
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
