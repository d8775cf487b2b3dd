// Any bytes found beside a genealogy file as its companion store are opened
// defensively and read as text: a French error, or entries, never a crash.
#include "data/complements/Complements.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static QTemporaryDir dossier;
    const QString fichier = QDir(dossier.path()).filePath(QStringLiteral("F.FIC"));
    const QString chemin = Complements::cheminPour(fichier);
    QFile::remove(chemin + QStringLiteral("-journal"));
    {
        QFile sortie(chemin);
        if (!sortie.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        sortie.write(reinterpret_cast<const char*>(donnees), static_cast<qint64>(taille));
    }
    try {
        const auto base = Complements::ouvrir(fichier, false);
        auto enregistrement = [&](const std::string& xref) { return base->enregistrement(xref); };
        std::size_t lignes = 0;
        base->parcourirPersonnes([&](const EntreePersonne& e) {
            for (const EntreePersonne::Champ& c : e.champs)
                lignes += static_cast<std::size_t>(texteLisible(c.gedcom, enregistrement).size());
            for (const std::string& s : structuresDe(e.structures))
                lignes += static_cast<std::size_t>(texteLisible(s, enregistrement).size());
            empreinteLisible(e.empreinte);
            return lignes < 100000;
        });
        base->parcourirEnregistrements(
            [&](const EnregistrementComplement& e) { texteLisible(e.gedcom, enregistrement); });
        for (const EntreeCouple& c : base->couples())
            texteLisible(c.gedcom, enregistrement);
        base->couplesDe(0);
        base->couplesDeLEnfant(1);
        base->entree(1);
        TFiche vide;
        ViderFiche(vide);
        base->personne(0, vide);
        base->detachees(4, [&](std::int32_t) { return vide; });
    } catch (const ErreurVelmoris&) {
    }
    return 0;
}
