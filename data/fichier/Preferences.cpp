#include "data/fichier/Preferences.h"

#include "data/fichier/FichierIni.h"

namespace preferences {
namespace {

const QString SectionAffichage = QStringLiteral("AFFICHAGE");
const QString CleTaille = QStringLiteral("Taille");
const QString SectionRecents = QStringLiteral("FICHIERS RECENTS");

QString cleRecent(int i) {
    return QStringLiteral("Fichier%1").arg(i + 1);
}

} // namespace

const QStringList& taillesAffichage() {
    static const QStringList tailles = {QStringLiteral("Automatique"), QStringLiteral("100"),
                                        QStringLiteral("125"), QStringLiteral("150"),
                                        QStringLiteral("200")};
    return tailles;
}

QString lireTailleAffichage(const QString& cheminIni) {
    const QString taille = ini::lireValeur(cheminIni, SectionAffichage, CleTaille);
    return taillesAffichage().contains(taille) ? taille : taillesAffichage().front();
}

void ecrireTailleAffichage(const QString& cheminIni, const QString& taille) {
    ini::ecrireValeur(cheminIni, SectionAffichage, CleTaille, taille);
}

double facteurAffichage(const QString& taille) {
    bool ok = false;
    const int pourcent = taille.toInt(&ok);
    return ok ? pourcent / 100.0 : 0.0;
}

QStringList lireFichiersRecents(const QString& cheminIni) {
    QStringList fichiers;
    for (int i = 0; i < NombreFichiersRecents; ++i) {
        const QString chemin = ini::lireValeur(cheminIni, SectionRecents, cleRecent(i));
        if (!chemin.isEmpty() && !fichiers.contains(chemin)) fichiers << chemin;
    }
    return fichiers;
}

void ecrireFichiersRecents(const QString& cheminIni, const QStringList& fichiers) {
    QList<std::pair<QString, QString>> valeurs;
    for (int i = 0; i < NombreFichiersRecents; ++i)
        valeurs.push_back({cleRecent(i), fichiers.value(i)});
    ini::ecrireValeurs(cheminIni, SectionRecents, valeurs);
}

QStringList avecRecent(QStringList fichiers, const QString& chemin) {
    fichiers.removeAll(chemin);
    fichiers.prepend(chemin);
    return fichiers.mid(0, NombreFichiersRecents);
}

} // namespace preferences
