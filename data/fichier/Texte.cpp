#include "data/fichier/Texte.h"

#include "data/fichier/Erreurs.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

QString majusculesAZ(const QString& texte) {
    QString resultat = texte;
    for (QChar& c : resultat)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    return resultat;
}

QString partieNomFichier(const QString& chemin) {
    qsizetype position = -1;
    for (QChar separateur : {QChar(u'\\'), QChar(u'/'), QChar(u':')})
        position = std::max(position, chemin.lastIndexOf(separateur));
    return chemin.mid(position + 1);
}

QString repertoireDe(const QString& chemin) {
    return QDir::cleanPath(QFileInfo(chemin).absolutePath());
}

QString extensionDe(const QString& chemin) {
    const QString nom = partieNomFichier(chemin);
    const auto point = nom.lastIndexOf(u'.');
    return point < 0 ? QString() : nom.mid(point);
}

bool anneeDe(const QString& date, int& annee) {
    if (date.size() < 4) return false;
    const QString quatre = date.right(4);
    if (quatre.front() == u' ') return false; // a blank is a stray character
    return lireEntier(quatre, annee);
}

bool dateAcceptable(const QString& date) {
    if (date.isEmpty()) return true;
    if (date.size() < 8) return false;
    int annee = 0;
    return anneeDe(date, annee) && annee >= 1000 && annee <= 2050;
}

bool anneeDeOctets(const std::uint8_t* octets, int longueur, int& annee) {
    if (longueur < 4) return false;
    const std::uint8_t* p = octets + longueur - 4;
    int i = 0;
    bool negatif = false;
    if (p[0] == '+' || p[0] == '-') {
        negatif = p[0] == '-';
        i = 1;
    }
    int valeur = 0;
    for (; i < 4; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        valeur = valeur * 10 + (p[i] - '0');
    }
    annee = negatif ? -valeur : valeur;
    return true;
}

QLatin1StringView ligatureDepliee(QChar c) {
    switch (c.unicode()) {
    case u'œ':
        return QLatin1StringView("oe");
    case u'Œ':
        return QLatin1StringView("OE");
    case u'æ':
        return QLatin1StringView("ae");
    case u'Æ':
        return QLatin1StringView("AE");
    case u'ß':
        return QLatin1StringView("ss");
    default:
        return {};
    }
}

QString nombreEnFrancais(std::int64_t n) {
    return QLocale(QLocale::French, QLocale::France).toString(static_cast<qlonglong>(n));
}

QString reduireTexte(const QString& texte) {
    QString sortie;
    sortie.reserve(texte.size());
    for (const QChar c : texte.normalized(QString::NormalizationForm_KD)) {
        if (c.isMark()) continue;
        if (const QLatin1StringView l = ligatureDepliee(c); !l.isEmpty())
            sortie += QString(l).toCaseFolded();
        else
            sortie += c == u'’' ? QChar(u'\'') : c.toCaseFolded();
    }
    return sortie;
}
