#pragma once

#include <QString>

// Text as a field of the genealogy file can hold it. Characters Windows-1252
// holds stay as they are ("Hélène"); a word holding any it cannot is
// romanised by ICU to the nearest plain Latin letters ("Zieliński" becomes
// "Zielinski", "Łódź" "Lodz", "Иван" "Ivan"); what has no Latin form
// becomes "?". The save and the GEDCOM import both store text this way.
QString versCp1252(const QString& texte);

// Control characters (C0, DEL and C1), which no field should hold.
bool estCaractereDeControle(QChar c);
