#include "data/rapports/Rapports.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/LecteurFiches.h"
#include "data/fichier/Texte.h"
#include "data/recherche/Recherches.h"

#include <QHash>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace {

// Walks past this many steps are cut short: no real tree comes near it.
constexpr std::size_t PasMaximum = 500000;

} // namespace

// ---------------------------------------------------------------- ancestors

namespace {

// The numbers a person holds in one generation: how many, and the smallest.
struct Numeros {
    std::uint64_t compte = 0;
    std::vector<std::uint64_t> petits; // sorted, at most NumerosMontres

    void ajouter(const Numeros& autre, std::uint64_t fois2, std::uint64_t plus) {
        compte += autre.compte;
        for (const std::uint64_t n : autre.petits)
            petits.push_back(n * fois2 + plus);
        std::sort(petits.begin(), petits.end());
        if (petits.size() > NumerosMontres) petits.resize(NumerosMontres);
    }
};

} // namespace

// The parent links that would make someone their own ancestor, found by a
// walk up from the person: child and link (0 father, 1 mother), one bit each.
std::unordered_set<std::int64_t> liensEnBoucle(LecteurFiches& lecteur, std::int32_t personne,
                                               QStringList& notes) {
    std::unordered_set<std::int64_t> coupes;
    std::unordered_map<std::int32_t, std::uint8_t> couleur; // 1 on the way, 2 done
    struct Etape {
        std::int32_t fiche;
        int lien; // the next link to follow
    };
    std::vector<Etape> pile{{personne, 0}};
    couleur[personne] = 1;
    while (!pile.empty()) {
        Etape& e = pile.back();
        if (e.lien == 2) {
            couleur[e.fiche] = 2;
            pile.pop_back();
            continue;
        }
        const int k = e.lien++;
        const TFiche& f = lecteur.fiche(e.fiche);
        const std::int32_t p = k == 0 ? f.Pere : f.Mere;
        if (p == -1 || !lecteur.existe(p)) continue;
        const std::uint8_t c = couleur[p];
        if (c == 1) {
            coupes.insert(static_cast<std::int64_t>(e.fiche) * 2 + k);
            notes << QStringLiteral("Boucle : %1 serait son propre ancêtre ; la liste s'arrête "
                                    "là sur cette branche.")
                         .arg(lecteur.qui(p));
        } else if (c == 0) {
            couleur[p] = 1;
            pile.push_back({p, 0});
        }
    }
    return coupes;
}

AscendanceSosa ascendanceSosa(FichierEnregistrements& fichier, std::int32_t personne,
                              int generations) {
    AscendanceSosa r;
    LecteurFiches lecteur(fichier);
    if (!lecteur.existe(personne) || generations < 1) return r;
    const std::unordered_set<std::int64_t> coupes = liensEnBoucle(lecteur, personne, r.notes);
    // Where each person was first listed: generation and place in it.
    std::unordered_map<std::int32_t, std::pair<std::size_t, std::size_t>> liste;
    std::vector<std::pair<std::int32_t, Numeros>> courante{{personne, {1, {1}}}};
    for (int g = 0; g < generations && !courante.empty(); ++g) {
        GenerationSosa generation;
        std::sort(courante.begin(), courante.end(),
                  [](const auto& a, const auto& b) { return a.second.petits < b.second.petits; });
        for (const auto& [fiche, numeros] : courante) {
            generation.numeros += numeros.compte;
            ++generation.personnes;
            AncetreSosa a{fiche, lecteur.fiche(fiche), numeros.petits, numeros.compte};
            const auto deja = liste.find(fiche);
            if (deja == liste.end()) {
                liste[fiche] = {r.generations.size(), generation.ancetres.size()};
                generation.ancetres.push_back(std::move(a));
                continue;
            }
            AncetreSosa& premier = r.generations[deja->second.first].ancetres[deja->second.second];
            premier.nombreDeNumeros += numeros.compte;
            generation.dejaCites.push_back(std::move(a));
        }
        r.generations.push_back(std::move(generation));
        if (g + 1 == generations) break;
        // The next generation: each person's numbers doubled for its father,
        // doubled plus one for its mother.
        std::unordered_map<std::int32_t, Numeros> suivante;
        for (const auto& [fiche, numeros] : courante) {
            const TFiche& f = lecteur.fiche(fiche);
            const std::int32_t parents[2] = {f.Pere, f.Mere};
            for (int k = 0; k < 2; ++k) {
                const std::int32_t p = parents[k];
                if (p == -1 || coupes.count(static_cast<std::int64_t>(fiche) * 2 + k)) continue;
                if (!lecteur.existe(p)) {
                    r.notes << QStringLiteral("%1 a pour %2 la fiche %3, qui n'existe pas.")
                                   .arg(lecteur.qui(fiche),
                                        k == 0 ? QStringLiteral("père") : QStringLiteral("mère"))
                                   .arg(p);
                    continue;
                }
                suivante[p].ajouter(numeros, 2, static_cast<std::uint64_t>(k));
            }
        }
        courante.assign(suivante.begin(), suivante.end());
    }
    r.notes.removeDuplicates();
    return r;
}
