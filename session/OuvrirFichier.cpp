#include "session/OuvrirFichier.h"

#include "data/fichier/FichiersSurs.h"
#include "data/journal/Journal.h"
#include "platform/Dialogues.h"

bool OuvrirFichier(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues) {
    if (!fichierExiste(chemin)) {
        dialogues.message(QStringLiteral("Le fichier est introuvable"));
        return false;
    }
    // A command a crash cut short is undone before anything reads the file.
    const QString rejoue = journal::rejouerSiPresent(chemin);
    if (!rejoue.isEmpty()) dialogues.message(rejoue);
    fichier.ouvrir(chemin);
    return true;
}

void EcrireFiche(FichierEnregistrements& fichier, const QString& chemin, Dialogues& dialogues,
                 std::int32_t numero, const TFiche& fiche) {
    if (!OuvrirFichier(fichier, chemin, dialogues)) return;
    FermetureGarantie fermeture(fichier);
    fichier.positionner(numero);
    fichier.ecrire(fiche);
    fichier.fermer();
}
