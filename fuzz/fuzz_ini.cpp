// Any settings file reads without a crash, and a value written reads back.
#include "data/fichier/FichierIni.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static QTemporaryDir dossier;
    const QString chemin = dossier.filePath(QStringLiteral("VELMOR.INI"));
    {
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly)) return 0;
        f.write(reinterpret_cast<const char*>(donnees), static_cast<qint64>(taille));
    }
    ini::lireValeur(chemin, QStringLiteral("FICHIER"), QStringLiteral("NomFic"));
    const QString valeur = QStringLiteral("C:\\GENEALOGIE\\Famille é.FIC");
    ini::ecrireValeur(chemin, QStringLiteral("FICHIER"), QStringLiteral("NomFic"), valeur);
    if (ini::lireValeur(chemin, QStringLiteral("FICHIER"), QStringLiteral("NomFic")) != valeur)
        std::abort();
    return 0;
}
