#include "data/complements/Requete.h"

#include <limits>

namespace magasin {

namespace {

QString nomDuFichier(sqlite3* base) {
    const char* nom = sqlite3_db_filename(base, "main");
    return nom ? QString::fromUtf8(nom) : QString();
}

} // namespace

ErreurComplements erreur(sqlite3* base, int code, const QString& chemin) {
    const int primaire = code & 0xFF;
    QString raison;
    switch (primaire) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        raison = QStringLiteral("il est verrouillé par un autre programme");
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        raison = QStringLiteral("il ne peut pas être modifié (lecture seule)");
        break;
    case SQLITE_FULL:
        raison = QStringLiteral("le disque est plein");
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        raison = QStringLiteral("il est endommagé, ou ce n'est pas un fichier de compléments");
        break;
    case SQLITE_CANTOPEN:
        raison = QStringLiteral("il ne peut pas être ouvert");
        break;
    case SQLITE_TOOBIG:
        raison = QStringLiteral("il contient un texte démesuré");
        break;
    default:
        raison = QStringLiteral("erreur %1 (%2)")
                     .arg(code)
                     .arg(QString::fromUtf8(base ? sqlite3_errmsg(base) : sqlite3_errstr(code)));
    }
    return ErreurComplements(
        QStringLiteral("Le fichier de compléments « %1 » ne peut pas servir : %2")
            .arg(chemin.isEmpty() ? nomDuFichier(base) : chemin, raison));
}

std::int32_t fiche32(std::int64_t v) {
    return v < -1 || v > std::numeric_limits<std::int32_t>::max() ? -1
                                                                  : static_cast<std::int32_t>(v);
}

} // namespace magasin
