#include "data/complements/FichierComplements.h"

#include "data/complements/Complements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString journalDe(const QString& base) {
    return base + QStringLiteral("-journal");
}

} // namespace

namespace {

QString raisonES(const ErreurES& e) {
    QString raison = avecPointFinal(e.texte());
    raison.chop(1);
    return raison.toLower();
}

} // namespace

void copierComplements(const QString& source, const QString& cible) {
    const QString depuis = Complements::cheminPour(source), vers = Complements::cheminPour(cible);
    if (memeFichier(depuis, vers)) return;
    try {
        if (!QFileInfo(depuis).isFile()) {
            // The replaced file's store would otherwise pass for the copy's.
            for (const QString& chemin : {vers, journalDe(vers)})
                if (QFileInfo::exists(chemin) && !QFile::remove(chemin))
                    throw ErreurES(ErreurES::AccesRefuse);
            return;
        }
        // A write cut short by a crash is finished or undone by the engine first.
        if (QFileInfo::exists(journalDe(depuis))) try {
                Complements::ouvrir(source, false);
            } catch (const ErreurComplements&) {
                // Copied as it is: the copy is no worse than the original.
            }
        copierFichierEnSurete(depuis, vers, QStringLiteral("Le fichier de compléments"));
        QFile::remove(journalDe(vers));
    } catch (const ErreurES& e) {
        throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » n'a pas pu être "
                                               "copié en « %2 » : %3")
                                    .arg(depuis, vers, raisonES(e)));
    }
}

QString complementsACopier(const QString& source) {
    const QString chemin = Complements::cheminPour(source);
    if (!QFileInfo(chemin).isFile()) return {};
    if (QFileInfo::exists(journalDe(chemin))) try {
            Complements::ouvrir(source, false);
        } catch (const ErreurComplements&) {
            // Copied as it is: the copy is no worse than the original.
        }
    return chemin;
}

QString ecarterComplementsOrphelins(const QString& cheminFichier) {
    const QString chemin = Complements::cheminPour(cheminFichier);
    if (!QFileInfo::exists(chemin)) return {};
    const QFileInfo info(chemin);
    const QString base = info.dir().filePath(QFileInfo(cheminFichier).completeBaseName() +
                                             QStringLiteral(" - compléments (ancien"));
    QString ecarte = base + QStringLiteral(").sqlite");
    for (int n = 2; QFileInfo::exists(ecarte); ++n)
        ecarte = base + QStringLiteral(" %1).sqlite").arg(n);
    if (!QFile::rename(chemin, ecarte))
        throw ErreurComplements(QStringLiteral("Un ancien fichier de compléments « %1 » ne peut "
                                               "pas être mis de côté : le nouveau fichier de "
                                               "généalogie ne peut pas avoir les siens")
                                    .arg(chemin));
    if (QFileInfo::exists(journalDe(chemin))) QFile::rename(journalDe(chemin), journalDe(ecarte));
    return ecarte;
}
