#pragma once

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>

// The person record: 380 bytes on disk and in memory, fields packed one after
// another, little-endian integers, texts as a length byte followed by exactly
// "width" Windows-1252 bytes.

constexpr int TailleFiche = 380;
constexpr int NbEmplacementsEnfants = 10;

template <int Largeur> struct ChampTexte {
    static constexpr int largeur = Largeur;
    std::uint8_t longueur = 0;
    std::array<std::uint8_t, Largeur> octets{};

    // A length byte above the width (a damaged file) reads as the width.
    int longueurSignificative() const { return longueur > Largeur ? Largeur : longueur; }
    bool vide() const { return longueurSignificative() == 0; }
    QString texte() const;
    // Stores the text cut to the width. The bytes past the new length keep
    // what they held, as the record buffer always did.
    void definir(const QString& texte);
    void vider() { longueur = 0; }
    bool operator==(const ChampTexte& autre) const = default;
};

struct TFiche {
    std::uint8_t Qualite = 0;
    ChampTexte<30> Profession;
    ChampTexte<25> Nom;
    ChampTexte<25> Prenom;
    ChampTexte<10> DateNaissance;
    ChampTexte<10> DateMariage;
    ChampTexte<10> DateDeces;
    ChampTexte<30> LieuNaissance;
    ChampTexte<30> LieuMariage;
    ChampTexte<30> LieuDeces;
    std::uint8_t NbEnfants = 0;
    std::int32_t Pere = 0;
    std::int32_t Mere = 0;
    std::array<std::int32_t, NbEmplacementsEnfants> Enfants{};
    ChampTexte<120> Photo;

    bool operator==(const TFiche& autre) const = default;
};

// Byte offsets of the record layout.
namespace decalage {
constexpr int Qualite = 0, Profession = 1, Nom = 32, Prenom = 58, DateNaissance = 84,
              DateMariage = 95, DateDeces = 106, LieuNaissance = 117, LieuMariage = 148,
              LieuDeces = 179, NbEnfants = 210, Pere = 211, Mere = 215, Enfants = 219, Photo = 259;
} // namespace decalage

// A record's fields read straight from its bytes, for the whole-file scans
// that need a few fields of each record.
namespace brut {
inline std::int32_t entier(const std::uint8_t* o) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(o[0]) | static_cast<std::uint32_t>(o[1]) << 8 |
        static_cast<std::uint32_t>(o[2]) << 16 | static_cast<std::uint32_t>(o[3]) << 24);
}
// The text of a field at `o` (its length byte, then its characters).
template <int Largeur> QString texte(const std::uint8_t* o) {
    ChampTexte<Largeur> champ;
    champ.longueur = o[0];
    std::copy(o + 1, o + 1 + Largeur, champ.octets.begin());
    return champ.texte();
}
} // namespace brut

void decoderFiche(const std::uint8_t* octets, TFiche& fiche);
void encoderFiche(const TFiche& fiche, std::uint8_t* octets);

// Resets the kinship part: no child, no parent, no portrait. Names, dates,
// places, occupation and title stay.
void ViderFiche(TFiche& fiche);

// "NOM Prénom" as lists and reports show a person: either part may be
// missing, and "(sans nom)" stands for a record with neither.
QString nomComplet(const TFiche& fiche);

// The civil title word of a Qualite value, empty outside 0 to 2.
QString motQualite(std::uint8_t qualite);
