#pragma once

// What the GEDCOM export writes with: a buffer that goes out a megabyte at
// a time, the dates and identifiers of the records, the companion store's
// text line by line, and the parts of a name or an event the user changed.
// Internal to the export.
#include "data/fichier/Cp1252.h"
#include "data/fichier/TFiche.h"
#include "data/fichier/Translitteration.h"
#include "data/gedcom/Gedcom.h"

#include <QString>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace exportation {

// The UTF-8 bytes of each Windows-1252 byte.
struct TableUtf8 {
    std::array<std::array<char, 4>, 256> octets{};
    std::array<std::uint8_t, 256> longueur{}; // 0 for a control character
    TableUtf8() {
        for (int b = 0; b < 256; ++b) {
            const QChar c(cp1252::versUnicode(static_cast<unsigned char>(b)));
            const QByteArray u = QString(c).toUtf8();
            if (estCaractereDeControle(c)) continue;
            longueur[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(u.size());
            std::memcpy(octets[static_cast<std::size_t>(b)].data(), u.constData(),
                        static_cast<std::size_t>(u.size()));
        }
    }
};

inline const TableUtf8& tableUtf8() {
    static const TableUtf8 table;
    return table;
}

// A buffer handed to the output a megabyte at a time. Control characters of
// damaged or foreign records never reach it; they are counted.
class Sortie {
public:
    explicit Sortie(const SortieOctets& sortie) : m_sortie(sortie) { m_tampon.reserve(1 << 21); }

    void brut(const char* octets, std::size_t taille) {
        m_tampon.append(octets, taille);
        if (m_tampon.size() >= (1u << 20)) vider();
    }
    void brut(const char* texte) { brut(texte, std::strlen(texte)); }
    void nombre(std::int64_t n) {
        char chiffres[24];
        const int taille =
            std::snprintf(chiffres, sizeof chiffres, "%lld", static_cast<long long>(n));
        brut(chiffres, static_cast<std::size_t>(taille));
    }
    template <int L> void champ(const ChampTexte<L>& c) {
        const TableUtf8& t = tableUtf8();
        for (int i = 0; i < c.longueurSignificative(); ++i) {
            const std::uint8_t o = c.octets[static_cast<std::size_t>(i)];
            if (t.longueur[o] == 0)
                ++m_controles;
            else
                m_tampon.append(t.octets[o].data(), t.longueur[o]);
        }
    }
    void texte(QString t) {
        const auto avant = t.size();
        t.removeIf(estCaractereDeControle);
        m_controles += avant - t.size();
        const QByteArray u = t.toUtf8();
        brut(u.constData(), static_cast<std::size_t>(u.size()));
    }
    // Text kept as UTF-8 (the companion store's): written as it is, control
    // characters left out; bytes that are not UTF-8 go through the full
    // conversion, which marks them.
    void utf8(std::string_view t) {
        if (!QByteArrayView(t.data(), static_cast<qsizetype>(t.size())).isValidUtf8())
            return texte(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
        // The text between two control characters goes in one piece.
        std::size_t debut = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            const auto c = static_cast<unsigned char>(t[i]);
            const bool c1 = c == 0xC2 && i + 1 < t.size() &&
                            static_cast<unsigned char>(t[i + 1]) >= 0x80 &&
                            static_cast<unsigned char>(t[i + 1]) <= 0x9F;
            if (c >= 0x20 && c != 0x7F && !c1) continue;
            m_tampon.append(t.data() + debut, i - debut);
            ++m_controles;
            i += c1 ? 1 : 0;
            debut = i + 1;
        }
        m_tampon.append(t.data() + debut, t.size() - debut);
        if (m_tampon.size() >= (1u << 20)) vider();
    }
    void finDeLigne() { brut("\r\n", 2); }
    void ligne(const char* texte) {
        brut(texte);
        finDeLigne();
    }
    void vider() {
        if (m_tampon.empty()) return;
        m_sortie(m_tampon.data(), static_cast<std::int64_t>(m_tampon.size()));
        m_tampon.clear();
    }
    std::int64_t controles() const { return m_controles; }

private:
    const SortieOctets& m_sortie;
    std::string m_tampon;
    std::int64_t m_controles = 0;
};

// A record's date: "2 DATE" and the date in GEDCOM's words.
void ecrireDate(Sortie& s, const ChampTexte<10>& date);
// "1 BIRT" (or the line given) with the date and place of the record, when it has either.
void ecrireEvenement(Sortie& s, const char* etiquette, const ChampTexte<10>& date,
                     const ChampTexte<30>& lieu);
// "@I12@", "@F3_X@": identifiers made from the record numbers.
void ecrireIndividu(Sortie& s, std::int64_t n);
void ecrireFamille(Sortie& s, std::int32_t pere, std::int32_t mere);

// A GEDCOM text of the companion store, line by line; a value too long for
// one line goes on in CONC lines.
void ecrireStocke(Sortie& s, const std::string& gedcom);
// The lines under a structure of the stored text (its first one, or the
// first of tag `etiquette`), without the level 2 subtrees named in `otees`.
std::string sousLignes(const std::string& gedcom, std::string_view etiquette,
                       std::initializer_list<std::string_view> otees);
// The level 2 subtree of tag `etiquette` under the first structure.
std::string sousArbre(const std::string& gedcom, std::string_view etiquette);
// A stored text without its structures (those of its first line's level)
// of the tags given.
std::string sansStructures(const std::string& gedcom,
                           std::initializer_list<std::string_view> otees);
// The lines under the first structure of level `niveau` and tag `etiquette`,
// their levels counted from `nouveauNiveau`.
std::string sousLignesDe(const std::string& gedcom, int niveau, std::string_view etiquette,
                         int nouveauNiveau);

// The person's own structures as the record holds them.
void ecrireNote(Sortie& s, const std::string& note);
void ecrireSexe(Sortie& s, const TFiche& fiche);
void ecrireLigneNom(Sortie& s, const TFiche& fiche);

// A name, or a birth or death, the user changed in part: the rest as the
// source wrote it.
void ecrireNomParParties(Sortie& s, const TFiche& fiche, const std::string& source,
                         const std::string& ecrit);
void ecrireEvenementParParties(Sortie& s, const char* ligne, const ChampTexte<10>& date,
                               const ChampTexte<30>& lieu, const std::string& source,
                               const std::string& ecrit);

} // namespace exportation
