// Wrapping ends on every line and loses no text: the pieces hold every
// character of the line but the "#" marks at which it was split.
#include "data/fichier/Cp1252.h"
#include "print/uImprime.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    if (taille < 1) return 0;
    const int largeur = 1 + donnees[0] % 120;
    const QString ligne = cp1252::decoder(donnees + 1, static_cast<int>(taille - 1));
    const QStringList morceaux = CouperLigne(ligne, largeur);
    if (morceaux.isEmpty()) std::abort();
    const QString ensemble = morceaux.join(QString());
    QString sansDieses = ligne;
    sansDieses.remove(u'#');
    if (ensemble.size() > ligne.size() || ensemble.size() < sansDieses.size()) std::abort();
    QString ensembleSansDieses = ensemble;
    ensembleSansDieses.remove(u'#');
    if (ensembleSansDieses != sansDieses) std::abort();
    return 0;
}
