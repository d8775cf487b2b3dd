#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the character set of every text stored in a genealogy file.
namespace cp1252 {

// One byte to its Unicode character. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of
// the same value, so every byte round-trips.
char16_t versUnicode(unsigned char octet);

// One Unicode character to its byte; false when the code page cannot hold it.
bool depuisUnicode(char16_t caractere, unsigned char& octet);

QString decoder(const unsigned char* octets, int longueur);
QString decoder(const QByteArray& octets);

// Characters the code page cannot hold become "?".
QByteArray encoder(const QString& texte);

// True when every character of the text has a Windows-1252 byte.
bool representable(const QString& texte);

} // namespace cp1252
