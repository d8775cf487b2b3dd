#include "tools/Demo.h"

#include "data/fichier/Erreurs.h"

#include <QFile>
#include <QStringList>

namespace {

ErreurVelmoris erreurLigne(int numero, const QString& pourquoi) {
    return ErreurVelmoris(
        QStringLiteral("famille de démonstration, ligne %1 : %2").arg(numero).arg(pourquoi));
}

int entier(const QString& texte, int ligne) {
    int valeur = 0;
    if (!lireEntier(texte, valeur))
        throw erreurLigne(ligne, QStringLiteral("« %1 » n'est pas un nombre").arg(texte));
    return valeur;
}

void lier(std::vector<TFiche>& fiches, int parent, int rang, int enfant, int ligne) {
    if (parent < 0) return;
    if (parent >= static_cast<int>(fiches.size()) || rang < 1 || rang > NbEmplacementsEnfants)
        throw erreurLigne(ligne, QStringLiteral("lien impossible"));
    TFiche& p = fiches[static_cast<std::size_t>(parent)];
    p.Enfants[static_cast<std::size_t>(rang - 1)] = enfant;
    if (p.NbEnfants < rang) p.NbEnfants = static_cast<std::uint8_t>(rang);
}

} // namespace

std::vector<TFiche> lireFamilleDemo(const QString& source) {
    QFile fichier(source);
    if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text))
        throw ErreurVelmoris(QStringLiteral("famille de démonstration introuvable : ") + source);
    std::vector<TFiche> fiches;
    struct Lien {
        int parent, rang, enfant, ligne;
    };
    std::vector<Lien> liens;
    int numeroLigne = 0;
    while (!fichier.atEnd()) {
        const QString ligne = QString::fromUtf8(fichier.readLine()).trimmed();
        ++numeroLigne;
        if (ligne.isEmpty() || ligne.startsWith(u'#')) continue;
        const QStringList c = ligne.split(u'|');
        if (c[0] == u"L" && c.size() == 4) {
            liens.push_back({entier(c[1], numeroLigne), entier(c[2], numeroLigne),
                             entier(c[3], numeroLigne), numeroLigne});
            continue;
        }
        if (c[0] != u"P" || c.size() != 17)
            throw erreurLigne(numeroLigne, QStringLiteral("ligne mal formée"));
        if (entier(c[1], numeroLigne) != static_cast<int>(fiches.size()))
            throw erreurLigne(numeroLigne, QStringLiteral("les numéros doivent se suivre"));
        TFiche f;
        ViderFiche(f);
        f.Qualite = static_cast<std::uint8_t>(entier(c[2], numeroLigne));
        f.Nom.definir(c[3]);
        f.Prenom.definir(c[4]);
        f.Profession.definir(c[5]);
        f.DateNaissance.definir(c[6]);
        f.LieuNaissance.definir(c[7]);
        f.DateMariage.definir(c[8]);
        f.LieuMariage.definir(c[9]);
        f.DateDeces.definir(c[10]);
        f.LieuDeces.definir(c[11]);
        f.Pere = entier(c[12], numeroLigne);
        f.Mere = entier(c[13], numeroLigne);
        if (!c[16].isEmpty()) f.Photo.definir(QStringLiteral("PHOTOS/") + c[16]);
        const int numero = static_cast<int>(fiches.size());
        fiches.push_back(f);
        liens.push_back({f.Pere, entier(c[14], numeroLigne), numero, numeroLigne});
        liens.push_back({f.Mere, entier(c[15], numeroLigne), numero, numeroLigne});
    }
    for (const Lien& l : liens)
        lier(fiches, l.parent, l.rang, l.enfant, l.ligne);
    return fiches;
}
