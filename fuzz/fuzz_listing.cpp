// The listing block of any record: lines ending in CR LF, never past the room
// the listing gives one record.
#include "data/fichier/TFiche.h"
#include "print/uImprime.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    std::uint8_t octets[TailleFiche] = {};
    std::memcpy(octets, donnees, taille < TailleFiche ? taille : TailleFiche);
    TFiche fiche;
    decoderFiche(octets, fiche);
    QByteArray bloc;
    ecrireBlocFiche(bloc, static_cast<std::int32_t>(taille) - 1000, fiche);
    if (bloc.size() > 1024 || !bloc.endsWith("\r\n") || !bloc.startsWith(" \r\nFiche "))
        std::abort();
    return 0;
}
