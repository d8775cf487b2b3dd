// A date typed in Velmoris that the record cannot hold whole: the record has
// what it can, the person's entry keeps the whole date as the field's own
// structure, given back on export while the record still holds it.
#include "data/complements/Complements.h"
#include "data/complements/Requete.h"
#include "data/complements/StockageStructures.h"
#include "data/complements/Structures.h"

#include <sqlite3.h>

#include <algorithm>

using namespace magasin;
using namespace structures;

namespace {

// The lines of a stored structure with its line of level 2 and tag
// `etiquette` given the value `valeur` (added after the first line when it
// has none); the lines under a replaced line go with it when `sansSousLignes`.
std::string avecLigne(const std::string& gedcom, std::string_view etiquette,
                      const std::string& valeur, bool sansSousLignes) {
    std::string sortie;
    bool remplacee = false, sous = false;
    const std::string debut = "2 " + std::string(etiquette);
    parcourirLignes(gedcom, [&](std::string_view ligne) {
        if (sous && !ligne.starts_with("1 ") && !ligne.starts_with("2 ")) return true;
        sous = false;
        if (!remplacee && (ligne == debut || ligne.starts_with(debut + ' '))) {
            (sortie += debut + ' ' + valeur) += '\n';
            remplacee = true;
            sous = sansSousLignes;
            return true;
        }
        (sortie += ligne) += '\n';
        return true;
    });
    if (!remplacee) {
        const std::size_t fin = sortie.find('\n');
        sortie.insert(fin == std::string::npos ? sortie.size() : fin + 1,
                      debut + ' ' + valeur + '\n');
    }
    return sortie;
}

std::string partieLieu(const std::string& ecrit) {
    const std::size_t s = ecrit.find('\x1f');
    return s == std::string::npos ? std::string() : ecrit.substr(s + 1);
}

} // namespace

void Complements::ecrireDateEntiere(std::int32_t fiche, const TFiche& personne,
                                    const std::string& champ, const std::string& date) {
    commencer();
    try {
        const std::int64_t id = entreeDe(fiche, personne);
        EntreePersonne entree;
        lireStructuresDe(id, entree);
        const std::string ecrit = ecritDe(personne, champ);
        const std::string lieu = partieLieu(ecrit);
        auto existant = std::find_if(entree.champs.begin(), entree.champs.end(),
                                     [&](const auto& c) { return c.nom == champ; });
        // A baptism that stood in for the birth stays an event of its own.
        if (existant != entree.champs.end() && !existant->gedcom.starts_with("1 " + champ)) {
            entree.structures += existant->gedcom;
            entree.champs.erase(existant);
            existant = entree.champs.end();
        }
        if (existant == entree.champs.end()) {
            std::string gedcom = "1 " + champ + '\n';
            if (!lieu.empty()) gedcom += "2 PLAC " + lieu + '\n';
            entree.champs.push_back({champ, ecrit, gedcom});
            existant = entree.champs.end() - 1;
        } else if (partieLieu(existant->ecrit) != lieu) {
            // The place was changed too: the record's, the source's details of the old one left.
            existant->gedcom = avecLigne(existant->gedcom, "PLAC", lieu, true);
        }
        existant->gedcom = avecLigne(existant->gedcom, "DATE", date, false);
        existant->ecrit = ecrit;
        reecrireEntree(id, entree);
    } catch (...) {
        annuler();
        throw;
    }
    valider();
}

std::string Complements::dateEntiere(std::int32_t fiche, const TFiche& actuelle,
                                     const std::string& champ) {
    const std::unique_ptr<EntreePersonne> entree = personne(fiche, actuelle);
    if (!entree) return {};
    for (const EntreePersonne::Champ& c : entree->champs) {
        if (c.nom != champ || c.ecrit != ecritDe(actuelle, champ)) continue;
        std::string date;
        parcourirLignes(c.gedcom, [&](std::string_view ligne) {
            if (!ligne.starts_with("2 DATE ")) return true;
            date = std::string(ligne.substr(7));
            return false;
        });
        return date;
    }
    return {};
}
