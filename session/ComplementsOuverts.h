#pragma once

#include "data/complements/Complements.h"
#include "data/journal/Journal.h"

#include <QString>

#include <functional>
#include <memory>

// The companion store as the genealogy file's commands see it: found beside
// the file at first use, created only when there is something to keep,
// moved with the file, and never a reason for the records to stop.

// The store of the open genealogy file, opened the first time a command
// needs it. A store that cannot serve is told once for that file, through
// `avertir`; the commands then work on the records alone.
class ComplementsOuverts {
public:
    using Avertir = std::function<void(const QString& message)>;
    explicit ComplementsOuverts(Avertir avertir) : m_avertir(std::move(avertir)) {}

    // The store of `cheminFichier`: null when it has none (and `creer` is
    // false) or when it cannot serve.
    Complements* de(const QString& cheminFichier, bool creer = false);
    // Runs a write on the store; false, once told, when it could not be done.
    bool ecrire(const QString& cheminFichier, bool creer,
                const std::function<void(Complements&)>& ecriture);
    // The store's part of a command kept by the journal and the history:
    // empty when the file has no store that can take it.
    EtapeComplements etape(const QString& cheminFichier, bool creer,
                           std::function<void(Complements&)> ecriture);
    // The store's part of an undo or a redo.
    void revenir(const QString& cheminFichier, const QByteArray& changements);
    // Closed, to be found again at the next use (another file, a copy).
    void fermer();

private:
    void avertir(const QString& cheminFichier, const QString& message);
    Avertir m_avertir;
    std::unique_ptr<Complements> m_base;
    QString m_cheminFichier;
    QString m_dejaAverti; // the file whose store was told unusable
};
