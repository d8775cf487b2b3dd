#include "data/fichier/Modification.h"

#include <vector>

TFiche Modification::fiche(FichierEnregistrements& fichier, std::int32_t numero) const {
    if (const auto i = fiches.find(numero); i != fiches.end()) return i->second;
    TFiche lue;
    fichier.positionner(numero);
    fichier.lire(lue);
    return lue;
}

void appliquerModification(FichierEnregistrements& fichier, const Modification& modification) {
    const std::int64_t nombre = fichier.nombreFiches();
    // The records written come in number order: the existing ones first.
    std::vector<std::pair<std::int32_t, TFiche>> anciennes;
    for (const auto& [numero, nouvelle] : modification.fiches) {
        if (numero >= nombre) break;
        anciennes.push_back({numero, {}});
        fichier.positionner(numero);
        fichier.lire(anciennes.back().second);
    }
    std::size_t ecrites = 0;
    try {
        for (const auto& [numero, nouvelle] : modification.fiches) {
            fichier.positionner(numero);
            fichier.ecrire(nouvelle);
            ++ecrites;
        }
        if (modification.nombreFinal) {
            fichier.positionner(*modification.nombreFinal);
            fichier.tronquer();
        }
    } catch (...) {
        // The first error is the one the user needs to see.
        try {
            for (std::size_t i = 0; i < anciennes.size() && i < ecrites; ++i) {
                fichier.positionner(anciennes[i].first);
                fichier.ecrire(anciennes[i].second);
            }
            fichier.positionner(nombre);
            if (fichier.nombreFiches() > nombre) fichier.tronquer();
        } catch (...) {
        }
        throw;
    }
}
