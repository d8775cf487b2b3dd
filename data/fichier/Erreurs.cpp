#include "data/fichier/Erreurs.h"

#include <cerrno>
#include <limits>

ErreurVelmoris::ErreurVelmoris(QString texte)
    : m_texte(std::move(texte)), m_utf8(m_texte.toStdString()) {}

ErreurES::ErreurES(int code) : ErreurVelmoris(texteDuCode(code)), m_code(code) {}

QString ErreurES::texteDuCode(int code) {
    switch (code) {
    case FichierIntrouvable:
        return QStringLiteral("Fichier introuvable");
    case NomIncorrect:
        return QStringLiteral("Nom de fichier incorrect");
    case TropDeFichiers:
        return QStringLiteral("Trop de fichiers ouverts");
    case AccesRefuse:
        return QStringLiteral("Accès au fichier refusé");
    case LectureFinFichier:
        return QStringLiteral("Lecture au-delà de la fin de fichier");
    case DisquePlein:
        return QStringLiteral("Disque plein");
    case SaisieNumerique:
        return QStringLiteral("Saisie numérique incorrecte");
    default:
        return QStringLiteral("Erreur E/S %1").arg(code);
    }
}

int ErreurES::codeDepuisErrno(int numero) {
    switch (numero) {
    case ENOENT:
    case ENOTDIR:
        return FichierIntrouvable;
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
        return NomIncorrect;
    case EMFILE:
    case ENFILE:
        return TropDeFichiers;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
        return AccesRefuse;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DisquePlein;
    default:
        return numero;
    }
}

ErreurConversion::ErreurConversion(const QString& texteFautif)
    : ErreurVelmoris(
          QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(texteFautif)) {}

bool lireEntier(const QString& texte, int& valeur) {
    int i = 0;
    while (i < texte.size() && texte[i] == u' ')
        ++i;
    bool negatif = false;
    if (i < texte.size() && (texte[i] == u'-' || texte[i] == u'+')) negatif = texte[i++] == u'-';
    if (i >= texte.size()) return false;
    long long cumul = 0;
    for (; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        if (c < u'0' || c > u'9') return false;
        cumul = cumul * 10 + (c - u'0');
        if (cumul > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
    }
    if (negatif) cumul = -cumul;
    if (cumul > std::numeric_limits<int>::max() || cumul < std::numeric_limits<int>::min())
        return false;
    valeur = static_cast<int>(cumul);
    return true;
}

int versEntier(const QString& texte) {
    int valeur = 0;
    if (!lireEntier(texte, valeur)) throw ErreurConversion(texte);
    return valeur;
}

QString avecPointFinal(const QString& texte) {
    if (!texte.isEmpty() && texte.back() > QChar(u'.')) return texte + u'.';
    return texte;
}
