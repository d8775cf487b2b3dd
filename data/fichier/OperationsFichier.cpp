#include "data/fichier/OperationsFichier.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <vector>

void copierLesFiches(FichierEnregistrements& source,
                     const std::function<void(const char*, std::int64_t)>& ecrire) {
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(FichesParBloc * TailleFiche));
    const std::int64_t total = source.nombreFiches();
    for (std::int64_t debut = 0; debut < total; debut += FichesParBloc) {
        const std::int64_t voulu = std::min(FichesParBloc, total - debut);
        if (source.lireBloc(debut, voulu, bloc.data()) < voulu)
            throw ErreurES(ErreurES::LectureFinFichier);
        ecrire(reinterpret_cast<const char*>(bloc.data()), voulu * TailleFiche);
    }
}

void copierFiches(FichierEnregistrements& source, const QString& cible) {
    EcritureAtomique copie(cible);
    copierLesFiches(source,
                    [&](const char* octets, std::int64_t taille) { copie.ecrire(octets, taille); });
    copie.valider();
}

QString refusNomFichierGenealogie(const QString& chemin, const QString& cheminIni) {
    if (chemin.contains(u'\n') || chemin.contains(u'\r'))
        return QStringLiteral("Le nom « %1 » contient un saut de ligne : le fichier de paramètres "
                              "ne pourrait pas le garder. Choisissez un autre nom.")
            .arg(chemin);
    if (!chemin.isEmpty() && chemin.back().isSpace())
        return QStringLiteral("Le nom « %1 » se termine par un blanc : le fichier de paramètres "
                              "ne pourrait pas le garder tel quel. Choisissez un nom sans blanc "
                              "final.")
            .arg(chemin);
    const bool memeNom =
        QFileInfo(chemin).absoluteFilePath() == QFileInfo(cheminIni).absoluteFilePath();
    if (memeNom || memeFichier(chemin, cheminIni))
        return QStringLiteral("« %1 » est le fichier de paramètres du programme : il ne peut pas "
                              "servir de fichier de généalogie. Choisissez un autre nom.")
            .arg(chemin);
    return {};
}
