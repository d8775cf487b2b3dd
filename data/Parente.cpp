#include "data/Parente.h"

#include "data/Texte.h"

void inscrireEnfant(TFiche& parent, int rang, std::int32_t enfant) {
    parent.Enfants[static_cast<std::size_t>(rang)] = enfant;
    if (rang >= 2)
        for (int i = 0; i < rang; ++i)
            if (parent.Enfants[static_cast<std::size_t>(i)] == -1)
                parent.Enfants[static_cast<std::size_t>(i)] = enfant;
    if (parent.NbEnfants < rang + 1) parent.NbEnfants = static_cast<std::uint8_t>(rang + 1);
}

QString ligneCandidat(const TFiche& fiche, bool pere) {
    QString ligne = fiche.Nom.texte() + u' ' + fiche.Prenom.texte() +
                    (pere ? QStringLiteral(" né le ") : QStringLiteral(" née le ")) +
                    fiche.DateNaissance.texte();
    if (fiche.DateNaissance.vide()) ligne += QStringLiteral("?\?/?\?/?\?\?\?");
    return ligne;
}

bool parcourirCandidatsParents(
    FichierEnregistrements& fichier, int anneeEnfant,
    const std::function<void(bool pere, std::int32_t numero, const TFiche& fiche)>& retenir) {
    bool dateIllisible = false;
    parcourirFiches(fichier, [&](std::int32_t numero, const TFiche& fiche) {
        bool retenu = fiche.DateNaissance.vide();
        if (!retenu) {
            int annee = 0;
            if (anneeDeOctets(fiche.DateNaissance.octets.data(),
                              fiche.DateNaissance.longueurSignificative(), annee)) {
                retenu = anneeDeParentPossible(annee, anneeEnfant);
            } else {
                dateIllisible = true;
                retenu = true;
            }
        }
        if (retenu) retenir(fiche.Qualite == 0, numero, fiche);
        return true;
    });
    return dateIllisible;
}
