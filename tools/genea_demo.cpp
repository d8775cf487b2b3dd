// Makes the demonstration folder: genea_demo SOURCE DOSSIER
// (VELMORIS.FIC from the family's text, and its PHOTOS folder beside it).
#include "data/fichier/Erreurs.h"
#include "tools/Demo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList a = application.arguments();
    if (a.size() != 3) {
        std::fprintf(stderr, "usage : genea_demo FAMILLE.txt DOSSIER\n");
        return 2;
    }
    try {
        const std::vector<TFiche> fiches = lireFamilleDemo(a[1]);
        QDir dossier(a[2]);
        dossier.mkpath(QStringLiteral("PHOTOS"));
        QFile sortie(dossier.filePath(QStringLiteral("VELMORIS.FIC")));
        if (!sortie.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw ErreurES(ErreurES::AccesRefuse);
        for (const TFiche& f : fiches) {
            std::uint8_t octets[TailleFiche];
            encoderFiche(f, octets);
            sortie.write(reinterpret_cast<const char*>(octets), TailleFiche);
        }
        const QDir photos(QFileInfo(a[1]).dir().filePath(QStringLiteral("PHOTOS")));
        for (const QString& nom : photos.entryList(QDir::Files)) {
            QFile::remove(dossier.filePath(QStringLiteral("PHOTOS/") + nom));
            QFile::copy(photos.filePath(nom), dossier.filePath(QStringLiteral("PHOTOS/") + nom));
        }
    } catch (const ErreurVelmoris& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
