#pragma once

#include "data/fichier/FichierGenea.h"
#include "data/fichier/Modification.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Commands that write several records go through a rollback journal beside
// the genealogy file ("FAMILLE.FIC-journal"): the bytes the command will
// change, and the file's length, are written and synced first; then the
// records; then the journal is removed, which is the moment the command
// counts as done. A journal found at the next open is played back, so that
// a crash or a power cut leaves the file as it was before the command or as
// the command left it, never between. A damaged journal (its checksum says
// so) is never played: it was not complete, so no record had been written.

// Some bytes of the file, at their offset.
struct BlocOctets {
    std::int64_t decalage = 0;
    QByteArray octets;
    // For a large append, only the length and a fingerprint are kept: the
    // bytes can be checked, not written again.
    std::int64_t longueur = 0;
    std::uint64_t empreinte = 0;
    bool garde() const { return octets.size() == longueur; }
};

// What a part of the file holds: its length and the bytes of some ranges.
struct ImageOctets {
    std::int64_t taille = 0;
    std::vector<BlocOctets> blocs;
    bool complete() const; // every block's bytes kept
};

// One command as the history keeps it: the file before and after, and how
// the companion store goes back and forth.
struct EntreeHistorique {
    QString libelle;            // "le chaînage de DURAND Pierre"
    std::int32_t personne = -1; // shown once undone or redone
    std::int32_t personneApres = -1;
    ImageOctets avant;
    ImageOctets apres;
    QByteArray complementsRetour; // undoes the store's change
    QByteArray complementsAller;  // does it again; empty when it cannot be
};

// The companion store's part of a command: run after the records are
// written, inside its own transaction; `avantValidation` receives what
// undoes it before the transaction is committed. Returns what redoes it.
using EtapeComplements = std::function<QByteArray(
    const std::function<void(const QByteArray& retour)>& avantValidation, QByteArray& retour)>;

// What a change keeps in memory to be redone, at most: the bytes appended
// by an import, or its companion entries. Beyond, it can only be undone.
constexpr std::int64_t ChangementGardeMax = 64LL << 20;

namespace journal {

QString cheminPour(const QString& cheminFichier);

// Called before each step of the journal's own writes ("écrire le journal",
// "synchroniser le journal", "synchroniser le dossier", "compléments",
// "supprimer le journal"); the crash tests stop the process from it.
extern void (*etapeObservee)(const char* etape);

// A step of a write, given to the observer when there is one.
inline void observer(const char* etape) {
    if (etapeObservee) etapeObservee(etape);
}

// The checksum of the journal's and the copy's files: 64-bit FNV-1a, from
// `h` to go on over several pieces.
inline std::uint64_t fnv1a(const char* octets, std::int64_t taille,
                           std::uint64_t h = 14695981039346656037ull) {
    for (std::int64_t i = 0; i < taille; ++i) {
        h ^= static_cast<unsigned char>(octets[i]);
        h *= 1099511628211ull;
    }
    return h;
}

// Plays back a journal left beside the file, when there is a whole one:
// the message for the user, empty when there was nothing to undo.
QString rejouerSiPresent(const QString& cheminFichier);

} // namespace journal

// Writes a change through the journal when it touches more than one record
// (or the store with it), directly otherwise: whole or not at all, even
// across a crash. Returns the change as the history keeps it.
EntreeHistorique appliquerEnSurete(FichierEnregistrements& fichier, const QString& cheminFichier,
                                   const Modification& modification,
                                   const EtapeComplements& complements = {});

// Records appended at the end (an import): the same promise, the appended
// bytes kept for a redo only while they are small.
EntreeHistorique ajouterEnSurete(FichierEnregistrements& fichier, const QString& cheminFichier,
                                 const std::vector<TFiche>& fiches, const QString& libelle,
                                 const EtapeComplements& complements = {});

// Puts the file back into `cible` (an undo or a redo), through the journal,
// after checking that it still holds `attendu`: when another program changed
// those bytes since, raises a French error and writes nothing.
void revenirA(const QString& cheminFichier, const ImageOctets& attendu, const ImageOctets& cible,
              const std::function<void()>& complements = {});

// The image of the same ranges as `modele` as the file holds them now.
ImageOctets lireImage(const QString& cheminFichier, const ImageOctets& modele);
