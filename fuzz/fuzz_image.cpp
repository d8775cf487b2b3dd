// Any bytes named .jpg or .bmp give a picture or a load error, never a crash.
#include "data/fichier/Erreurs.h"
#include "platform/ChargeurImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const QByteArray octets(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille));
    for (bool jpeg : {true, false}) {
        try {
            decoderImage(octets, jpeg, QStringLiteral("essai"));
        } catch (const ErreurImage&) {
        }
    }
    return 0;
}
