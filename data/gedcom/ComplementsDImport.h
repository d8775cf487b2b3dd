#pragma once

#include "data/complements/Complements.h"
#include "data/gedcom/Gedcom.h"
#include "data/journal/Journal.h"

#include <QString>

#include <memory>

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
    void garder(const ResultatImport& import);
    // The same for an import appended, as the journal's step: taken back
    // with the records when they are. `import` lives until the step has run.
    EtapeComplements etape(const ResultatImport& import);
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
