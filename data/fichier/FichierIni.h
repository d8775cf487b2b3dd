#pragma once

#include <QList>
#include <QString>

#include <utility>

// The settings file, in the INI format Windows programs write. Values are
// taken raw (a path like C:\GENEALOGIE\FAMILLE.FIC reads back unchanged),
// section and key names match without regard to case, and writing one key
// keeps every other line of the file.
namespace ini {

QString lireValeur(const QString& chemin, const QString& section, const QString& cle);

// Writes through a temporary file renamed into place, so an interruption
// leaves the old file or the new one. Raises ErreurES on failure.
void ecrireValeur(const QString& chemin, const QString& section, const QString& cle,
                  const QString& valeur);
// Several keys of one section in a single write.
void ecrireValeurs(const QString& chemin, const QString& section,
                   const QList<std::pair<QString, QString>>& valeurs);

} // namespace ini
