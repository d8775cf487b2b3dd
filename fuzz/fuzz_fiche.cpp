// Any 380 bytes decode to a record that encodes back to the same bytes, and
// every text read from it goes through Windows-1252 and back unchanged.
#include "data/fichier/Cp1252.h"
#include "data/fichier/TFiche.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    std::uint8_t octets[TailleFiche] = {};
    std::memcpy(octets, donnees, taille < TailleFiche ? taille : TailleFiche);
    TFiche fiche;
    decoderFiche(octets, fiche);
    std::uint8_t encore[TailleFiche];
    encoderFiche(fiche, encore);
    if (std::memcmp(octets, encore, TailleFiche) != 0) std::abort();
    for (const QString& texte : {fiche.Nom.texte(), fiche.Photo.texte(), fiche.LieuDeces.texte()}) {
        if (texte.size() > 120) std::abort();
        if (cp1252::decoder(cp1252::encoder(texte)) != texte) std::abort();
    }
    TFiche copie = fiche;
    copie.Prenom.definir(fiche.Photo.texte()); // cut to its width
    if (copie.Prenom.longueurSignificative() > 25) std::abort();
    return 0;
}
