#pragma once

#include "data/Complements.h"
#include "data/Gedcom.h"
#include "data/Journal.h"
#include "data/Verification.h"

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

// What an import keeps, and where: the store is looked at before the file
// is read, so that the report says "gardé dans les compléments" only for
// what will be.
class ComplementsDImport {
public:
    // For an import into `cheminFichier`, appended to it or a new file.
    ComplementsDImport(const QString& cheminFichier, bool ajout);
    const OptionsImport& options() const { return m_options; }
    // After the records are written: the import's entries go to the store,
    // created when needed. A store that cannot take them is told in
    // avertissement(); the records stay.
    void garder(const ComplementsImport& complements);
    // The same for an import appended, as the journal's step: taken back
    // with the records when they are.
    EtapeComplements etape(const ComplementsImport& complements);
    // Empty, or why the companion could not keep this import.
    const QString& avertissement() const { return m_avertissement; }

private:
    QString m_cheminFichier;
    bool m_ajout = false;
    OptionsImport m_options;
    QString m_avertissement;
};

// The store of a genealogy file for an export, when it has one that can
// serve; when it cannot, `avertissement` says why and the export goes on
// with the records alone.
std::unique_ptr<Complements> complementsPourExporter(const QString& cheminFichier,
                                                     QString& avertissement);

// The file check: every companion entry that is detached, or whose record
// is past the end of the file or holds another person now.
void verifierComplements(Complements& base, FichierEnregistrements& fichier,
                         RapportVerification& rapport);

// "Enregistrer sous": the store of `source` copied beside `cible`, whole or
// not at all. The store of the file replaced goes with it; a source without
// a store leaves none at the target.
void copierComplements(const QString& source, const QString& cible);

// The store a copy of `source` takes with it, settled first (a write a crash
// cut short is finished or undone by the engine); empty when it has none.
QString complementsACopier(const QString& source);

// A store left beside a genealogy file that no longer exists (the file was
// deleted by hand) is moved aside before a new file of that name gets its
// own: "FAMILLE - compléments (ancien).sqlite". Returns its new path, or
// empty when there was none.
QString ecarterComplementsOrphelins(const QString& cheminFichier);
