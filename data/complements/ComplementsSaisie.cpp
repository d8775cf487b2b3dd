// What the user enters in Velmoris beyond the record: an act's events with
// their citations and witnesses, its unions, its sources. Each is written
// as the store's own structures, as an import writes them, so that every
// view and the export read them the same way.
#include "data/complements/Faits.h"
#include "data/complements/Requete.h"
#include "data/complements/StockageStructures.h"

#include <algorithm>

using namespace magasin;
using structures::Element;
using structures::Sorte;

std::int64_t Complements::entreeDe(std::int32_t fiche, const TFiche& personne) {
    Requete chercher(m_base, "SELECT id FROM personne WHERE fiche = ? AND empreinte = ? AND "
                             "detachee = 0 ORDER BY id LIMIT 1");
    chercher.lier(1, fiche).lier(2, empreinteDe(personne));
    if (chercher.ligne()) return chercher.entier(0);
    Requete creer(m_base, "INSERT INTO personne(fiche, empreinte) VALUES(?, ?)");
    creer.lier(1, fiche).lier(2, empreinteDe(personne)).executer();
    return sqlite3_last_insert_rowid(m_base);
}

void Complements::reecrireEntree(std::int64_t id, const EntreePersonne& entree) {
    using namespace structures;
    supprimerRacine(m_base, Sorte::Personne, id);
    EcrivainStructures ecrivain(m_base);
    std::vector<Element> champs;
    for (const EntreePersonne::Champ& c : entree.champs)
        champs.push_back(elementDuChamp(c.nom, c.ecrit, c.gedcom));
    ecrivain.ecrireTous(Sorte::Personne, id, champs);
    ecrivain.ecrireTous(Sorte::Personne, id, lireStructures(entree.structures, Sorte::Personne, 1),
                        static_cast<int>(champs.size()));
}

void Complements::ajouterALaPersonne(std::int32_t fiche, const TFiche& personne,
                                     const std::string& gedcom, const std::string& champ) {
    enTransaction(*this, [&] {
        const std::int64_t id = entreeDe(fiche, personne);
        EntreePersonne entree;
        lireStructuresDe(id, entree);
        if (champ.empty()) {
            entree.structures += gedcom;
        } else {
            // A field the record held before, no longer as it was written:
            // its structure stays, as an event of its own.
            const auto ancien = std::find_if(entree.champs.begin(), entree.champs.end(),
                                             [&](const auto& c) { return c.nom == champ; });
            if (ancien != entree.champs.end()) {
                entree.structures += ancien->gedcom;
                entree.champs.erase(ancien);
            }
            entree.champs.push_back({champ, ecritDe(personne, champ), gedcom});
        }
        reecrireEntree(id, entree);
    });
}

std::int64_t Complements::coupleEntre(const Partenaire& mari, const Partenaire& femme) {
    const std::string empreinteMari = mari.fiche ? empreinteDe(*mari.fiche) : std::string();
    const std::string empreinteFemme = femme.fiche ? empreinteDe(*femme.fiche) : std::string();
    if (mari.numero >= 0 && femme.numero >= 0) {
        Requete chercher(m_base, "SELECT id FROM couple WHERE mari = ? AND femme = ? AND "
                                 "empreinte_mari = ? AND empreinte_femme = ? ORDER BY id LIMIT 1");
        chercher.lier(1, mari.numero)
            .lier(2, femme.numero)
            .lier(3, empreinteMari)
            .lier(4, empreinteFemme);
        if (chercher.ligne()) return chercher.entier(0);
    }
    // The new union comes after every union the partner already has.
    auto ordreSuivant = [&](std::int32_t numero) -> std::int64_t {
        if (numero < 0) return 0;
        Requete r(m_base,
                  "SELECT COALESCE(MAX(CASE WHEN mari = ?1 THEN ordre_mari ELSE ordre_femme END) "
                  "+ 1, 0) FROM couple WHERE mari = ?1 OR femme = ?1");
        r.lier(1, numero);
        r.ligne();
        return r.entier(0);
    };
    // The record's marriage is this union's when it is the partner's first
    // one; a record without a marriage holds none of it.
    auto ecritDuMariage = [](const TFiche* f, std::int64_t ordre) {
        if (!f || ordre > 0 || (f->DateMariage.vide() && f->LieuMariage.vide()))
            return std::string();
        return ecritDe(*f, "MARR");
    };
    const std::int64_t ordreMari = ordreSuivant(mari.numero),
                       ordreFemme = ordreSuivant(femme.numero);
    Requete creer(m_base, "INSERT INTO couple(mari, femme, empreinte_mari, empreinte_femme, "
                          "ordre_mari, ordre_femme, ecrit_mari, ecrit_femme) "
                          "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    creer.lier(1, mari.numero)
        .lier(2, femme.numero)
        .lier(3, empreinteMari)
        .lier(4, empreinteFemme)
        .lier(5, ordreMari)
        .lier(6, ordreFemme)
        .lier(7, ecritDuMariage(mari.fiche, ordreMari))
        .lier(8, ecritDuMariage(femme.fiche, ordreFemme))
        .executer();
    return sqlite3_last_insert_rowid(m_base);
}

void Complements::ajouterAuCouple(const Partenaire& mari, const Partenaire& femme,
                                  const std::string& gedcom) {
    enTransaction(*this, [&] {
        const std::int64_t id = coupleEntre(mari, femme);
        if (gedcom.empty()) return;
        Requete dernier(m_base, "SELECT COALESCE(MAX(ordre) + 1, 0) FROM evenement WHERE "
                                "racine_sorte = 'U' AND racine = ? AND sorte_proprietaire = 'U'");
        dernier.lier(1, id);
        dernier.ligne();
        // After every structure of the union, whatever its table.
        int premier = static_cast<int>(dernier.entier(0));
        for (Sorte s : structures::sortesStockees()) {
            Requete r(m_base, (std::string("SELECT COALESCE(MAX(ordre) + 1, 0) FROM ") +
                               structures::descriptionDe(s).table +
                               " WHERE racine_sorte = 'U' AND racine = ? AND "
                               "sorte_proprietaire = 'U'")
                                  .c_str());
            r.lier(1, id);
            r.ligne();
            premier = std::max(premier, static_cast<int>(r.entier(0)));
        }
        structures::EcrivainStructures ecrivain(m_base);
        ecrivain.ecrireTous(Sorte::Union, id, structures::lireStructures(gedcom, Sorte::Union, 1),
                            premier);
    });
}

void Complements::ajouterEnfantAuCouple(const Partenaire& pere, const Partenaire& mere,
                                        std::int32_t enfant, const TFiche& ficheEnfant) {
    enTransaction(
        *this, [&] { ajouterEnfantAUnion(coupleEntre(pere, mere), enfant, ficheEnfant, "birth"); });
}

void Complements::ajouterEnfantAUnion(std::int64_t couple, std::int32_t enfant,
                                      const TFiche& ficheEnfant, const std::string& filiation,
                                      const std::string& lien) {
    enTransaction(*this, [&] {
        Requete deja(m_base, "SELECT 1 FROM enfant WHERE couple = ? AND fiche = ?");
        deja.lier(1, couple).lier(2, enfant);
        if (deja.ligne()) return;
        Requete rang(m_base, "SELECT COALESCE(MAX(rang) + 1, 0) FROM enfant WHERE couple = ?");
        rang.lier(1, couple);
        rang.ligne();
        const std::string mot = lien.empty() ? structures::lienEnFrancais(filiation) : lien;
        Requete(m_base, "INSERT INTO enfant(couple, rang, fiche, empreinte, filiation, lien_pere, "
                        "lien_mere) VALUES(?, ?, ?, ?, ?, ?, ?)")
            .lier(1, couple)
            .lier(2, rang.entier(0))
            .lier(3, enfant)
            .lier(4, empreinteDe(ficheEnfant))
            .lier(5, filiation)
            .lier(6, mot)
            .lier(7, mot)
            .executer();
    });
}

void Complements::ecrireEnregistrement(const std::string& xref, const std::string& gedcom) {
    enTransaction(*this, [&] {
        structures::EcrivainStructures ecrivain(m_base);
        ajouterEnregistrement(ecrivain, {xref, gedcom},
                              structures::prochaineRacineDeFichier(m_base));
    });
}

std::string Complements::valeurMeta(const std::string& cle) {
    Requete r(m_base, "SELECT valeur FROM meta WHERE cle = ?");
    r.lier(1, cle);
    return r.ligne() ? r.texte(0) : std::string();
}

void Complements::definirMeta(const std::string& cle, const std::string& valeur) {
    Requete(m_base, "INSERT OR REPLACE INTO meta(cle, valeur) VALUES(?, ?)")
        .lier(1, cle)
        .lier(2, valeur)
        .executer();
}

std::string Complements::nouvelIdentifiant(const std::string& prefixe) {
    // "@VS12@": one more than the largest of that prefix the store holds.
    std::int64_t plusGrand = 0;
    parcourirEnregistrements([&](const EnregistrementComplement& e) {
        if (!e.xref.starts_with("@" + prefixe) || e.xref.size() < prefixe.size() + 3) return;
        const std::string chiffres =
            e.xref.substr(prefixe.size() + 1, e.xref.size() - prefixe.size() - 2);
        if (chiffres.empty() || !std::all_of(chiffres.begin(), chiffres.end(), ::isdigit) ||
            chiffres.size() > 12)
            return;
        plusGrand = std::max<std::int64_t>(plusGrand, std::stoll(chiffres));
    });
    return "@" + prefixe + std::to_string(plusGrand + 1) + "@";
}

std::vector<SourceConnue> Complements::sources() {
    std::vector<SourceConnue> liste;
    parcourirEnregistrements([&](const EnregistrementComplement& e) {
        std::vector<Element> lus = structures::lireStructures(e.gedcom, Sorte::Fichier, 0);
        if (lus.size() != 1 || lus.front().sorte != Sorte::Source) return;
        const Element& s = lus.front();
        std::string titre;
        for (const char* c : {"titre", "abreviation", "auteur"})
            if (titre.empty()) titre = s.colonne(c).value_or("");
        liste.push_back({e.xref, QString::fromStdString(titre.empty() ? e.xref : titre)});
    });
    std::sort(liste.begin(), liste.end(), [](const SourceConnue& a, const SourceConnue& b) {
        return QString::localeAwareCompare(a.titre, b.titre) < 0;
    });
    return liste;
}

std::string Complements::creerSource(const std::string& titre) {
    std::string xref;
    enTransaction(*this, [&] {
        xref = nouvelIdentifiant("VS");
        ecrireEnregistrement(xref, "0 " + xref + " SOUR\n1 TITL " + titre + '\n');
    });
    return xref;
}

void Complements::remplacerFaits(std::int32_t fiche, const TFiche& personne,
                                 const std::vector<EntreePersonne::Champ>& champs,
                                 const std::string& faits) {
    enTransaction(*this, [&] {
        const std::int64_t id = entreeDe(fiche, personne);
        EntreePersonne entree;
        entree.champs = champs;
        entree.structures = faits;
        reecrireEntree(id, entree);
    });
}

void Complements::remplacerFaitsDuCouple(std::int64_t couple, const std::string& faits) {
    enTransaction(*this, [&] {
        structures::StructuresDUneRacine avant =
            structures::lireRacine(m_base, Sorte::Union, couple);
        structures::supprimerRacine(m_base, Sorte::Union, couple);
        structures::EcrivainStructures ecrivain(m_base);
        ecrivain.ecrireTous(Sorte::Union, couple, avant.champs);
        ecrivain.ecrireTous(Sorte::Union, couple,
                            structures::lireStructures(faits, Sorte::Union, 1),
                            static_cast<int>(avant.champs.size()));
    });
}

void Complements::retirerEnfantDuCouple(std::int64_t couple, std::int32_t enfant) {
    enTransaction(*this, [&] {
        Requete r(m_base, "SELECT id FROM enfant WHERE couple = ? AND fiche = ?");
        r.lier(1, couple).lier(2, enfant);
        while (r.ligne())
            structures::supprimerRacine(m_base, Sorte::Enfant, r.entier(0));
        Requete(m_base, "DELETE FROM enfant WHERE couple = ? AND fiche = ?")
            .lier(1, couple)
            .lier(2, enfant)
            .executer();
    });
}

void Complements::supprimerCouple(std::int64_t couple) {
    enTransaction(*this, [&] {
        Requete enfants(m_base, "SELECT fiche FROM enfant WHERE couple = ?");
        enfants.lier(1, couple);
        std::vector<std::int32_t> liste;
        while (enfants.ligne())
            liste.push_back(fiche32(enfants.entier(0)));
        for (const std::int32_t e : liste)
            retirerEnfantDuCouple(couple, e);
        structures::supprimerRacine(m_base, Sorte::Union, couple);
        Requete(m_base, "DELETE FROM couple WHERE id = ?").lier(1, couple).executer();
    });
}

std::string lienEnFrancaisDe(const std::string& filiation) {
    return structures::lienEnFrancais(filiation);
}

namespace {

// The first union of a person whose entry still holds them, -1 when none.
std::int64_t premiereUnion(Complements& c, std::int32_t fiche, const TFiche& personne) {
    const std::string empreinte = empreinteDe(personne);
    for (const EntreeCouple& u : c.couplesDe(fiche))
        if ((u.mari == fiche && u.empreinteMari == empreinte) ||
            (u.femme == fiche && u.empreinteFemme == empreinte))
            return u.id;
    return -1;
}

} // namespace

bool Complements::ecrireDateDuPremierMariage(std::int32_t fiche, const TFiche& personne,
                                             const std::string& date) {
    bool ecrite = false;
    enTransaction(*this, [&] {
        const std::int64_t id = premiereUnion(*this, fiche, personne);
        if (id < 0) return;
        std::string faits;
        bool mariage = false;
        for (const EntreeCouple& u : couplesDe(fiche))
            if (u.id == id)
                for (std::string s : structuresDe(u.gedcom)) {
                    if (!mariage && s.starts_with("1 MARR")) {
                        FaitSaisi f = lireFait(s);
                        f.date = date;
                        s = ecrireFait(f, s);
                        mariage = true;
                    }
                    faits += s;
                }
        if (!mariage) faits += "1 MARR\n2 DATE " + date + '\n';
        remplacerFaitsDuCouple(id, faits);
        suivreMariage(id, fiche, personne);
        ecrite = true;
    });
    return ecrite;
}

std::string Complements::dateDuPremierMariage(std::int32_t fiche, const TFiche& personne) {
    const std::int64_t id = premiereUnion(*this, fiche, personne);
    for (const EntreeCouple& u : couplesDe(fiche))
        if (u.id == id)
            for (const std::string& s : structuresDe(u.gedcom))
                if (s.starts_with("1 MARR")) return lireFait(s).date;
    return {};
}

void Complements::suivreMariage(std::int64_t couple, std::int32_t fiche, const TFiche& personne) {
    const std::string ecrit = ecritDe(personne, "MARR");
    Requete(m_base, "UPDATE couple SET ecrit_mari = CASE WHEN mari = ?3 THEN ?1 ELSE ecrit_mari "
                    "END, ecrit_femme = CASE WHEN femme = ?3 THEN ?1 ELSE ecrit_femme END "
                    "WHERE id = ?2")
        .lier(1, ecrit)
        .lier(2, couple)
        .lier(3, fiche)
        .executer();
}
