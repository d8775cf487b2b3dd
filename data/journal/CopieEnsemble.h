#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// A genealogy file and its companion store replaced together by a copy of
// another pair ("Restaurer une sauvegarde", "Enregistrer sous"): whole or not
// at all, even across a crash or a power cut.
//
// Both copies are first written and synced beside their targets under fixed
// names ("FAMILLE.FIC-copie", "FAMILLE - compléments.sqlite-copie"). Then an
// intent is written in the file's journal ("FAMILLE.FIC-journal") and synced
// with its folder: that is the commit point. Both copies are renamed over
// their targets (a target store with no store in the copy is removed, and so
// is the old store's own journal, which would otherwise be played into the
// new one), the folder is synced, and the intent removed.
//
// At the next open, a whole intent is finished (the renames are done again
// where they were not) and copies left without a whole intent are removed:
// the pair is then the copy, or what it was before, never one of each.
//
// The intent, little-endian like the records:
//   "VELMCOP1"                     magic and version, 8 bytes
//   int64  avecComplements         1 when a store comes with the copy
//   int64  n, then n bytes         what the change was, in UTF-8
//   uint64 checksum                FNV-1a of every byte before it
// It holds no path: every name is derived from the journal's own.
namespace journal {

// Receives the bytes of the copied records, in order.
using EcrireCopie = std::function<void(const char* octets, std::int64_t taille)>;

// `libelle` names the change for the user ("la restauration de la sauvegarde
// du 3 mai 2026 à 10:12:00"); `ecrireFiches` hands the records of the copy to
// the writer it is given; `complementsSource` is the store that comes with
// them, empty when none (the target then keeps none). Raises the
// input/output error, and leaves the pair as it was, when anything fails
// before the commit point.
void remplacerParUneCopie(const QString& cible, const QString& libelle,
                          const std::function<void(const EcrireCopie&)>& ecrireFiches,
                          const QString& complementsSource);

// Whether a journal's bytes are an intent of such a copy.
bool estUneCopie(const QByteArray& journal);

// Finishes the copy a whole intent describes, then removes it; the message
// for the user. An intent that is not whole is removed with the copies.
QString finirCopie(const QString& cheminFichier, const QByteArray& intention);

// Copies left beside a file without a whole intent (a crash before the
// commit point) are removed; the message for the user, empty when none.
QString retirerCopiesPreparees(const QString& cheminFichier);

} // namespace journal
