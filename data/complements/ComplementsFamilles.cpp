// The store's couples and children as the windows and reports use them.
#include "data/complements/Complements.h"

#include "data/fichier/Dates.h"

#include <algorithm>

bool FamillesDesComplements::estToujours(std::int32_t fiche, const std::string& empreinte) {
    if (fiche < 0 || fiche >= m_fichier.nombreFiches()) return false;
    TFiche lue;
    m_fichier.positionner(fiche);
    m_fichier.lire(lue);
    return empreinteDe(lue) == empreinte;
}

std::vector<EntreeCouple> FamillesDesComplements::couplesVerifies(std::int32_t fiche,
                                                                  const TFiche& personne) {
    const std::string empreinte = empreinteDe(personne);
    std::vector<EntreeCouple> couples = m_base.couplesDe(fiche);
    std::erase_if(couples, [&](const EntreeCouple& c) {
        return (c.mari == fiche ? c.empreinteMari : c.empreinteFemme) != empreinte;
    });
    for (EntreeCouple& c : couples) {
        std::int32_t& conjoint = c.mari == fiche ? c.femme : c.mari;
        const std::string& sienne = c.mari == fiche ? c.empreinteFemme : c.empreinteMari;
        if (conjoint >= 0 && !estToujours(conjoint, sienne)) conjoint = -1;
        std::erase_if(c.enfants, [&](const EntreeCouple::Enfant& e) {
            return !estToujours(e.fiche, e.empreinte);
        });
    }
    return couples;
}

std::vector<std::int32_t> FamillesDesComplements::conjoints(std::int32_t fiche,
                                                            const TFiche& personne) {
    std::vector<std::int32_t> liste;
    for (const EntreeCouple& c : couplesVerifies(fiche, personne))
        if (const std::int32_t conjoint = c.mari == fiche ? c.femme : c.mari;
            conjoint >= 0 && std::find(liste.begin(), liste.end(), conjoint) == liste.end())
            liste.push_back(conjoint);
    return liste;
}

std::vector<std::int32_t> FamillesDesComplements::enfantsEnPlus(std::int32_t fiche,
                                                                const TFiche& personne) {
    std::vector<std::int32_t> liste;
    for (const EntreeCouple& c : couplesVerifies(fiche, personne))
        for (const EntreeCouple::Enfant& e : c.enfants)
            // Descendants by birth only: adoptions are told in the Compléments window.
            if (e.filiation == "birth" &&
                std::find(personne.Enfants.begin(), personne.Enfants.end(), e.fiche) ==
                    personne.Enfants.end() &&
                std::find(liste.begin(), liste.end(), e.fiche) == liste.end())
                liste.push_back(e.fiche);
    return liste;
}

namespace {

// The value of a level 2 line under the family's first marriage.
std::string valeurDuMariage(const std::string& gedcom, std::string_view etiquette) {
    bool dansMariage = false;
    std::string valeur;
    parcourirLignes(gedcom, [&](std::string_view ligne) {
        if (ligne.starts_with("1 ")) {
            if (dansMariage) return false;
            dansMariage = ligne == "1 MARR" || ligne.starts_with("1 MARR ");
        } else if (dansMariage && ligne.starts_with("2 ") &&
                   ligne.substr(2).starts_with(etiquette) && ligne.size() > 3 + etiquette.size() &&
                   ligne[2 + etiquette.size()] == ' ') {
            valeur = ligne.substr(3 + etiquette.size());
            return false;
        }
        return true;
    });
    return valeur;
}

QString filiationEnClair(const std::string& filiation) {
    if (filiation == "birth" || filiation == "other-birth" || filiation.empty()) return {};
    if (filiation == "adopted") return QStringLiteral("adopté(e)");
    if (filiation == "foster") return QStringLiteral("accueilli(e)");
    if (filiation == "step") return QStringLiteral("enfant du conjoint");
    return QString::fromStdString(filiation);
}

} // namespace

// A pointer to a record of the file: a person's ("@I12@", a witness, a
// godparent) as a record text with the name the record holds, any other
// from the store.
std::function<std::string(const std::string&)>
enregistrementsEtPersonnes(Complements& base, FichierEnregistrements& fichier) {
    return [&base, &fichier](const std::string& xref) -> std::string {
        if (xref.size() > 3 && xref[1] == 'I') {
            bool nombre = false;
            const std::int64_t n =
                QString::fromStdString(xref.substr(2, xref.size() - 3)).toLongLong(&nombre);
            if (!nombre || n < 0 || n >= fichier.nombreFiches()) return {};
            TFiche f;
            fichier.positionner(n);
            fichier.lire(f);
            return "0 " + xref + " INDI\n1 NAME " + f.Prenom.texte().toStdString() + " /" +
                   f.Nom.texte().toStdString() + "/\n";
        }
        return base.enregistrement(xref);
    };
}

// A union's own structures but the links and identifiers, readable; a
// pointer to a person (a witness) is told by the name the record holds.
QStringList FamillesDesComplements::evenementsLisibles(const std::string& gedcom) {
    QStringList lignes;
    const auto enregistrement = enregistrementsEtPersonnes(m_base, m_fichier);
    for (const std::string& structure : structuresDe(gedcom)) {
        const std::string_view etiquette =
            std::string_view(structure).substr(2, structure.find_first_of(" \n", 2) - 2);
        if (etiquette == "HUSB" || etiquette == "WIFE" || etiquette == "CHIL" ||
            etiquette == "_UID" || etiquette == "RIN" || etiquette == "CHAN" ||
            etiquette == "EXID" || etiquette == "REFN")
            continue;
        lignes << texteLisible(structure, enregistrement);
    }
    return lignes;
}

std::vector<UnionConnue> FamillesDesComplements::unions(std::int32_t fiche,
                                                        const TFiche& personne) {
    std::vector<UnionConnue> liste;
    for (const EntreeCouple& c : couplesVerifies(fiche, personne)) {
        UnionConnue u;
        u.conjoint = c.mari == fiche ? c.femme : c.mari;
        const std::string date = valeurDuMariage(c.gedcom, "DATE");
        // As the record would hold it when it can, to sort by; else in words.
        // Told as the source wrote it, its calendar named; sorted by the day
        // the record would hold.
        const QString commeFiche = dateDepuisGedcom(QString::fromStdString(date)).fiche;
        u.date = dateGedcomEnClair(date);
        u.cleDate = commeFiche.isEmpty() ? -1 : cleDeTriDate(commeFiche);
        u.lieu = QString::fromStdString(valeurDuMariage(c.gedcom, "PLAC"));
        for (const EntreeCouple::Enfant& e : c.enfants)
            u.enfants.push_back({e.fiche, filiationEnClair(e.filiation)});
        u.evenements = evenementsLisibles(c.gedcom);
        liste.push_back(std::move(u));
    }
    return liste;
}
