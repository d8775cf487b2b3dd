#include "data/fichier/TFiche.h"

#include "data/fichier/Cp1252.h"

#include <QStringList>

#include <cstring>

template <int Largeur> QString ChampTexte<Largeur>::texte() const {
    return cp1252::decoder(octets.data(), longueurSignificative());
}

// Straight into the field, without building the whole encoded text: a
// character the code page cannot hold becomes "?", one for a pair of surrogates.
template <int Largeur> void ChampTexte<Largeur>::definir(const QString& texte) {
    int n = 0;
    for (qsizetype i = 0; i < texte.size() && n < Largeur; ++i) {
        unsigned char octet = '?';
        if (!cp1252::depuisUnicode(texte[i].unicode(), octet)) octet = '?';
        if (texte[i].isHighSurrogate() && i + 1 < texte.size() && texte[i + 1].isLowSurrogate())
            ++i;
        octets[static_cast<std::size_t>(n++)] = octet;
    }
    longueur = static_cast<std::uint8_t>(n);
}

template struct ChampTexte<10>;
template struct ChampTexte<25>;
template struct ChampTexte<30>;
template struct ChampTexte<120>;

namespace {

void ecrireEntier(std::int32_t valeur, std::uint8_t* p) {
    const auto v = static_cast<std::uint32_t>(valeur);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

template <int L> void lireChamp(const std::uint8_t* octets, int position, ChampTexte<L>& champ) {
    champ.longueur = octets[position];
    std::memcpy(champ.octets.data(), octets + position + 1, L);
}

template <int L> void ecrireChamp(const ChampTexte<L>& champ, int position, std::uint8_t* octets) {
    octets[position] = champ.longueur;
    std::memcpy(octets + position + 1, champ.octets.data(), L);
}

} // namespace

void decoderFiche(const std::uint8_t* o, TFiche& f) {
    using namespace decalage;
    f.Qualite = o[Qualite];
    lireChamp(o, Profession, f.Profession);
    lireChamp(o, Nom, f.Nom);
    lireChamp(o, Prenom, f.Prenom);
    lireChamp(o, DateNaissance, f.DateNaissance);
    lireChamp(o, DateMariage, f.DateMariage);
    lireChamp(o, DateDeces, f.DateDeces);
    lireChamp(o, LieuNaissance, f.LieuNaissance);
    lireChamp(o, LieuMariage, f.LieuMariage);
    lireChamp(o, LieuDeces, f.LieuDeces);
    f.NbEnfants = o[NbEnfants];
    f.Pere = brut::entier(o + Pere);
    f.Mere = brut::entier(o + Mere);
    for (int i = 0; i < NbEmplacementsEnfants; ++i)
        f.Enfants[i] = brut::entier(o + Enfants + 4 * i);
    lireChamp(o, Photo, f.Photo);
}

void encoderFiche(const TFiche& f, std::uint8_t* o) {
    using namespace decalage;
    o[Qualite] = f.Qualite;
    ecrireChamp(f.Profession, Profession, o);
    ecrireChamp(f.Nom, Nom, o);
    ecrireChamp(f.Prenom, Prenom, o);
    ecrireChamp(f.DateNaissance, DateNaissance, o);
    ecrireChamp(f.DateMariage, DateMariage, o);
    ecrireChamp(f.DateDeces, DateDeces, o);
    ecrireChamp(f.LieuNaissance, LieuNaissance, o);
    ecrireChamp(f.LieuMariage, LieuMariage, o);
    ecrireChamp(f.LieuDeces, LieuDeces, o);
    o[NbEnfants] = f.NbEnfants;
    ecrireEntier(f.Pere, o + Pere);
    ecrireEntier(f.Mere, o + Mere);
    for (int i = 0; i < NbEmplacementsEnfants; ++i)
        ecrireEntier(f.Enfants[i], o + Enfants + 4 * i);
    ecrireChamp(f.Photo, Photo, o);
}

void ViderFiche(TFiche& fiche) {
    fiche.NbEnfants = 0;
    fiche.Pere = -1;
    fiche.Mere = -1;
    fiche.Enfants.fill(-1);
    fiche.Photo.vider();
}

QString nomComplet(const TFiche& fiche) {
    QStringList parties;
    for (const QString& partie : {fiche.Nom.texte().trimmed(), fiche.Prenom.texte().trimmed()})
        if (!partie.isEmpty()) parties << partie;
    return parties.isEmpty() ? QStringLiteral("(sans nom)") : parties.join(u' ');
}

QString motQualite(std::uint8_t qualite) {
    switch (qualite) {
    case 0:
        return QStringLiteral("Monsieur");
    case 1:
        return QStringLiteral("Madame");
    case 2:
        return QStringLiteral("Mademoiselle");
    default:
        return {};
    }
}
