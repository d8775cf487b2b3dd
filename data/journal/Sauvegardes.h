#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

// Automatic backups: before the first change a session makes to a genealogy
// file, a copy of the file as it was (with its companion store) goes into a
// folder beside it, "FAMILLE - sauvegardes", named with the date and time.
// The last 10 are kept, and every one of the last 7 days, within a size cap.
// The settings file's [SAUVEGARDES] section can turn them off, move the
// folder or change the cap.
namespace sauvegardes {

struct Reglages {
    bool actives = true;
    QString dossier;                          // empty: beside the genealogy file
    std::int64_t limiteOctets = 2048LL << 20; // all the copies of one file together
};

Reglages lireReglages(const QString& cheminIni);
QString dossierPour(const QString& cheminFichier, const Reglages& reglages);

struct Sauvegarde {
    QString chemin;
    QDateTime quand;
    int rang = 0; // a second copy within the same second: 2, 3…
    std::int64_t personnes = 0;
    std::int64_t octets = 0; // the copy and its store
};

// The backups of a genealogy file, newest first.
std::vector<Sauvegarde> lister(const QString& cheminFichier, const Reglages& reglages);

// Whether one copy of the file as it is now would exceed the cap by itself.
bool depasseLaLimite(const QString& cheminFichier, const Reglages& reglages);

// Copies the file and its store as they are now; then the old copies beyond
// what is kept are removed. Returns the copy's path; raises a French error
// (an unwritable folder, a full disk) and leaves no partial copy.
QString sauvegarder(const QString& cheminFichier, const Reglages& reglages,
                    const QDateTime& maintenant = QDateTime::currentDateTime());

// Keeps the last 10 and those of the last 7 days, then removes the oldest
// while the copies together exceed the cap (the newest always stays).
void elaguer(const QString& cheminFichier, const Reglages& reglages, const QDateTime& maintenant);

// Puts a backup in the file's place, with its store (or none when it had
// none): both or neither, even across a crash. `libelle` names the change
// for the message told if a crash cuts it short.
void restaurer(const QString& cheminFichier, const Sauvegarde& sauvegarde, const QString& libelle);

} // namespace sauvegardes
