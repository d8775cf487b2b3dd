// The store's couples and children as the windows and reports use them.
#include "data/Complements.h"

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
