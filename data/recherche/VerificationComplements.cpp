#include "data/recherche/VerificationComplements.h"

void verifierComplements(Complements& base, FichierEnregistrements& fichier,
                         RapportVerification& rapport) {
    const auto entrees = base.detachees(fichier.nombreFiches(), [&](std::int32_t n) {
        TFiche f;
        fichier.positionner(n);
        fichier.lire(f);
        return f;
    });
    for (const EntreeDetachee& e : entrees)
        rapport.ajouter(Probleme::ComplementDetache,
                        QStringLiteral("Compléments de %1, écrits pour la fiche %2 : %3 (Outils › "
                                       "Compléments détachés)")
                            .arg(empreinteLisible(e.empreinte))
                            .arg(e.fiche)
                            .arg(e.raison));
}
