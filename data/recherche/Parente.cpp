#include "data/recherche/Parente.h"

#include "data/fichier/IntervalleDate.h"
#include "data/fichier/Texte.h"

#include <unordered_set>
#include <vector>

void inscrireEnfant(TFiche& parent, int rang, std::int32_t enfant) {
    parent.Enfants[static_cast<std::size_t>(rang)] = enfant;
    if (rang >= 2)
        for (int i = 0; i < rang; ++i)
            if (parent.Enfants[static_cast<std::size_t>(i)] == -1)
                parent.Enfants[static_cast<std::size_t>(i)] = enfant;
    if (parent.NbEnfants < rang + 1) parent.NbEnfants = static_cast<std::uint8_t>(rang + 1);
}

QString ligneCandidat(const TFiche& fiche, bool pere) {
    QString ligne = fiche.Nom.texte() + u' ' + fiche.Prenom.texte() +
                    (pere ? QStringLiteral(" né le ") : QStringLiteral(" née le ")) +
                    fiche.DateNaissance.texte();
    if (fiche.DateNaissance.vide()) ligne += QStringLiteral("?\?/?\?/?\?\?\?");
    return ligne;
}

QString DatesIllisibles::message() const {
    QString texte = QStringLiteral("Date(s) de naissance inconnue(s) ou contenant une erreur : ") +
                    premieres.join(QStringLiteral(", "));
    if (nombre > premieres.size())
        texte += QStringLiteral(" et %1 autre(s)").arg(nombre - premieres.size());
    return texte + u'.';
}

DatesIllisibles parcourirCandidatsParents(
    FichierEnregistrements& fichier, int anneeEnfant,
    const std::function<void(bool pere, std::int32_t numero, const TFiche& fiche)>& retenir) {
    constexpr qsizetype Nommees = 5;
    DatesIllisibles illisibles;
    parcourirFiches(fichier, [&](std::int32_t numero, const TFiche& fiche) {
        bool retenu = fiche.DateNaissance.vide();
        if (!retenu) {
            int annee = 0;
            if (anneeDeOctets(fiche.DateNaissance.octets.data(),
                              fiche.DateNaissance.longueurSignificative(), annee)) {
                retenu = anneeDeParentPossible(annee, anneeEnfant);
            } else {
                if (illisibles.premieres.size() < Nommees)
                    illisibles.premieres
                        << QStringLiteral("fiche %1 (%2, « %3 »)")
                               .arg(numero)
                               .arg(nomComplet(fiche), fiche.DateNaissance.texte());
                ++illisibles.nombre;
                retenu = true;
            }
        }
        if (retenu) retenir(fiche.Qualite == 0, numero, fiche);
        return true;
    });
    return illisibles;
}

QString parenteImpossible(const TFiche& parent, bool pere, const QString& naissanceEnfant) {
    if (parent.DateDeces.vide()) return {};
    const IntervalleDate deces = intervalleDe(parent.DateDeces.texte());
    const IntervalleDate naissance = intervalleDe(naissanceEnfant);
    // A child may be born up to about 300 days after its father's death.
    if (!deces.avant(naissance, pere ? 300 : 0)) return {};
    return (pere ? QStringLiteral("décédé le %1, plus de 300 jours avant la naissance")
                 : QStringLiteral("décédée le %1, avant la naissance"))
        .arg(parent.DateDeces.texte());
}

namespace {

// Walks from `depart` along the links `suivants` gives, each record once;
// true when `cible` is reached.
bool atteint(FichierEnregistrements& fichier, std::int32_t depart, std::int32_t cible,
             const std::function<void(const TFiche&, std::vector<std::int32_t>&)>& suivants) {
    const std::int64_t nombre = fichier.nombreFiches();
    std::unordered_set<std::int32_t> vus{depart};
    std::vector<std::int32_t> aVoir{depart};
    std::vector<std::int32_t> prochains;
    TFiche fiche;
    while (!aVoir.empty()) {
        const std::int32_t n = aVoir.back();
        aVoir.pop_back();
        fichier.positionner(n);
        fichier.lire(fiche);
        prochains.clear();
        suivants(fiche, prochains);
        for (const std::int32_t p : prochains) {
            if (p == cible) return true;
            if (p >= 0 && p < nombre && vus.insert(p).second) aVoir.push_back(p);
        }
    }
    return false;
}

} // namespace

bool descendDe(FichierEnregistrements& fichier, std::int32_t descendant, std::int32_t ancetre) {
    const std::int64_t nombre = fichier.nombreFiches();
    if (descendant < 0 || ancetre < 0 || descendant >= nombre || ancetre >= nombre) return false;
    if (descendant == ancetre) return true;
    const bool parLesParents =
        atteint(fichier, descendant, ancetre, [](const TFiche& f, std::vector<std::int32_t>& v) {
            v.push_back(f.Pere);
            v.push_back(f.Mere);
        });
    return parLesParents ||
           atteint(fichier, ancetre, descendant, [](const TFiche& f, std::vector<std::int32_t>& v) {
               v.insert(v.end(), f.Enfants.begin(), f.Enfants.end());
           });
}

void chercherBoucles(std::int32_t nombre,
                     const std::function<std::int32_t(std::int32_t, bool)>& lien,
                     const std::function<void(std::int32_t, bool, std::int32_t)>& surBoucle) {
    std::vector<std::uint8_t> etat(static_cast<std::size_t>(nombre), 0); // unseen, on the way, done
    struct Etape {
        std::int32_t n;
        int suivant; // 0 father, 1 mother, 2 finished
    };
    std::vector<Etape> pile;
    for (std::int32_t depart = 0; depart < nombre; ++depart) {
        if (etat[static_cast<std::size_t>(depart)]) continue;
        pile.assign(1, {depart, 0});
        etat[static_cast<std::size_t>(depart)] = 1;
        while (!pile.empty()) {
            const std::int32_t n = pile.back().n;
            if (pile.back().suivant == 2) {
                etat[static_cast<std::size_t>(n)] = 2;
                pile.pop_back();
                continue;
            }
            const bool pere = pile.back().suivant++ == 0;
            const std::int32_t parent = lien(n, pere);
            if (parent < 0 || parent >= nombre) continue;
            if (etat[static_cast<std::size_t>(parent)] == 1) {
                surBoucle(n, pere, parent);
            } else if (etat[static_cast<std::size_t>(parent)] == 0) {
                etat[static_cast<std::size_t>(parent)] = 1;
                pile.push_back({parent, 0});
            }
        }
    }
}
