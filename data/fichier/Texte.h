#pragma once

#include <QString>

#include <cstdint>

// Small text rules shared by the commands.

// The letters a ligature stands for, in its case ("œ" gives "oe", "Æ" gives
// "AE", "ß" gives "ss"); empty for any other character.
QLatin1StringView ligatureDepliee(QChar c);

// A text without accents or case, ligatures opened: what searches compare.
QString reduireTexte(const QString& texte);

// Capitalises only the letters a to z; accented letters stay as they are.
QString majusculesAZ(const QString& texte);

// A count as French writes it: "4 194 302".
QString nombreEnFrancais(std::int64_t n);

// The file-name part of a stored path: what follows its last "\", "/" or ":",
// so that a path written on Windows still yields its file name here.
QString partieNomFichier(const QString& chemin);

// The directory of a path, absolute, without a final separator.
QString repertoireDe(const QString& chemin);

// The extension with its dot (".jpg"), empty when there is none.
QString extensionDe(const QString& chemin);

// The year of a date text: its last four characters read as a whole number,
// with no blank or other stray character among them. False when there is none.
bool anneeDe(const QString& date, int& annee);

// The same reading on the stored bytes of a date, without building any text:
// the scans read it for every record of the file.
bool anneeDeOctets(const std::uint8_t* octets, int longueur, int& annee);

// The date check of the save: empty is valid; otherwise at least 8 characters
// whose last four are a year from 1000 to 2050.
bool dateAcceptable(const QString& date);
