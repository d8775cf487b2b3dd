// Any bytes read as a GEDCOM file give records and a report, or the French
// error of a file without any person; never a crash, and every text stays
// within its field.
#include "data/fichier/Erreurs.h"
#include "data/gedcom/Gedcom.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const QByteArray contenu(reinterpret_cast<const char*>(donnees),
                             static_cast<qsizetype>(taille));
    ResultatImport r;
    try {
        r = importerGedcom(contenu);
    } catch (const ErreurVelmoris&) {
        return 0;
    }
    for (const TFiche& f : r.fiches) {
        if (f.NbEnfants > 10 || f.Nom.longueurSignificative() > 25) std::abort();
        for (std::int32_t e : f.Enfants)
            if (e < -1 || e >= static_cast<std::int32_t>(r.fiches.size())) std::abort();
        for (std::int32_t p : {f.Pere, f.Mere})
            if (p < -1 || p >= static_cast<std::int32_t>(r.fiches.size())) std::abort();
    }
    return 0;
}
