// Any bytes found beside a genealogy file as its journal: played back only
// when whole and plausible, set aside otherwise, never a crash, and never a
// write outside what the file held.
#include "data/fichier/Erreurs.h"
#include "data/journal/Journal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static QTemporaryDir dossier;
    const QString fichier = QDir(dossier.path()).filePath(QStringLiteral("F.FIC"));
    {
        QFile fic(fichier);
        if (!fic.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        fic.write(QByteArray(3 * 380, 'a'));
        QFile journal(journal::cheminPour(fichier));
        if (!journal.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        journal.write(reinterpret_cast<const char*>(donnees), static_cast<qint64>(taille));
    }
    try {
        journal::rejouerSiPresent(fichier);
    } catch (const ErreurVelmoris&) {
    }
    if (QFile(fichier).size() > 3 * 380 + static_cast<qint64>(taille)) __builtin_trap();
    return 0;
}
