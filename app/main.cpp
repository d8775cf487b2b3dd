#include "app/Demarrage.h"
#include "app/LigneDeCommande.h"
#include "forms/UVelmorS.h"
#include "platform/DialoguesQt.h"

#include <QApplication>
#include <QDir>

namespace {

QStringList argumentsDe(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char* argv[]) {
    const DemandeLigneDeCommande demande = analyserLigneDeCommande(argumentsDe(argc, argv));
    // Conversions and help run without any window.
    if (demande.genre != DemandeLigneDeCommande::Genre::Fenetre) {
        QCoreApplication application(argc, argv);
        return executerSansFenetre(demande);
    }
    QString fichier = demande.fichier;
    if (demande.bureau) allerAuDossierDeTravailDuBureau(fichier);
    appliquerTailleAffichage(QDir::current().filePath(QStringLiteral("VELMOR.INI")));
    QApplication application(argc, argv);
    preparerApplication();
    DialoguesQt dialogues;
    Fenetres fenetres(dialogues, std::make_unique<FichierDisque>(), fichier);
    dialogues.definirParent(&fenetres.principale());
    fenetres.principale().show();
    return application.exec();
}
