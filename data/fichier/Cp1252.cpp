#include "data/fichier/Cp1252.h"

#include <array>

namespace cp1252 {
namespace {

// Bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kPlage80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

char16_t versUnicode(unsigned char octet) {
    if (octet >= 0x80 && octet <= 0x9F) return kPlage80[octet - 0x80];
    return octet;
}

bool depuisUnicode(char16_t caractere, unsigned char& octet) {
    if (caractere < 0x80 || (caractere >= 0xA0 && caractere <= 0xFF)) {
        octet = static_cast<unsigned char>(caractere);
        return true;
    }
    for (std::size_t i = 0; i < kPlage80.size(); ++i) {
        if (kPlage80[i] == caractere) {
            octet = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

QString decoder(const unsigned char* octets, int longueur) {
    QString texte(longueur, Qt::Uninitialized);
    for (int i = 0; i < longueur; ++i)
        texte[i] = QChar(versUnicode(octets[i]));
    return texte;
}

QString decoder(const QByteArray& octets) {
    return decoder(reinterpret_cast<const unsigned char*>(octets.constData()),
                   static_cast<int>(octets.size()));
}

QByteArray encoder(const QString& texte) {
    QByteArray octets;
    octets.reserve(texte.size());
    for (int i = 0; i < texte.size(); ++i) {
        unsigned char octet = '?';
        if (!depuisUnicode(texte[i].unicode(), octet)) octet = '?';
        // A character outside the basic plane is one character: one "?".
        if (texte[i].isHighSurrogate() && i + 1 < texte.size() && texte[i + 1].isLowSurrogate())
            ++i;
        octets.append(static_cast<char>(octet));
    }
    return octets;
}

bool representable(const QString& texte) {
    unsigned char octet = 0;
    for (QChar c : texte)
        if (!depuisUnicode(c.unicode(), octet)) return false;
    return true;
}

} // namespace cp1252
