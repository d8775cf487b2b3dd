#include "data/Recherches.h"

#include <algorithm>

QString lignePersonne(const TFiche& fiche) {
    return fiche.Nom.texte() + u' ' + fiche.Prenom.texte() + u' ' + fiche.DateNaissance.texte();
}

namespace {

template <int L> bool memeTexte(const ChampTexte<L>& a, const ChampTexte<L>& b) {
    const int n = a.longueurSignificative();
    return n == b.longueurSignificative() &&
           std::equal(a.octets.begin(), a.octets.begin() + n, b.octets.begin());
}

} // namespace

bool estConjoint(const TFiche& fiche, const TFiche& candidat) {
    if (fiche.NbEnfants != 0) {
        for (int i = 0; i < emplacementsEnfants(fiche.NbEnfants); ++i)
            if (fiche.Enfants[i] != -1 && candidat.Enfants[i] == fiche.Enfants[i]) return true;
        return false;
    }
    return !fiche.DateMariage.vide() && memeTexte(fiche.DateMariage, candidat.DateMariage);
}

std::int32_t chercherConjoint(FichierEnregistrements& fichier, const TFiche& fiche,
                              std::int32_t courant, TFiche& trouve) {
    std::int32_t resultat = -1;
    parcourirFiches(fichier, [&](std::int32_t numero, const TFiche& candidat) {
        if (numero == courant || !estConjoint(fiche, candidat)) return true;
        trouve = candidat;
        resultat = numero;
        return false;
    });
    return resultat;
}
