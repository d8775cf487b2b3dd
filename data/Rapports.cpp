#include "data/Rapports.h"

#include "data/Cp1252.h"
#include "data/Dates.h"
#include "data/Erreurs.h"
#include "data/LecteurFiches.h"
#include "data/Recherches.h"
#include "data/Texte.h"

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

// ---------------------------------------------------------------- descendants

namespace {

// The ranks of a parent's children against their birth dates, the undated
// and the absent left aside.
bool enOrdreDesDates(LecteurFiches& lecteur, const TFiche& parent) {
    std::int64_t precedente = -1;
    for (const std::int32_t v : parent.Enfants) {
        if (!lecteur.existe(v)) continue;
        const std::int64_t cle = cleDeTriDate(lecteur.fiche(v).DateNaissance.texte());
        if (cle < 0) continue;
        if (cle < precedente) return false;
        precedente = cle;
    }
    return true;
}

bool dixEmplacementsPris(const TFiche& f) {
    return std::none_of(f.Enfants.begin(), f.Enfants.end(), [](std::int32_t e) { return e == -1; });
}

} // namespace

bool enfantsDansLOrdreDesDates(FichierEnregistrements& fichier, const TFiche& parent) {
    LecteurFiches lecteur(fichier);
    return enOrdreDesDates(lecteur, parent);
}

namespace {

// The first record, in file order, that the spouse command would find for
// each person: a shared child in the same slot, or, without children, the
// same marriage date. One pass over the file for all of them.
void trouverConjoints(FichierEnregistrements& fichier, std::vector<DescendantAboville>& liste) {
    struct Cle {
        int rang;
        std::int32_t enfant;
        bool operator==(const Cle& a) const { return rang == a.rang && enfant == a.enfant; }
    };
    struct Hachage {
        std::size_t operator()(const Cle& c) const {
            return std::hash<std::int64_t>()(static_cast<std::int64_t>(c.enfant) * 16 + c.rang);
        }
    };
    std::unordered_map<Cle, std::vector<std::size_t>, Hachage> parEnfant;
    QHash<QString, std::vector<std::size_t>> parDate;
    for (std::size_t d = 0; d < liste.size(); ++d) {
        const TFiche& f = liste[d].personne;
        if (!liste[d].dejaCite.isEmpty()) continue;
        if (f.NbEnfants != 0) {
            for (int s = 0; s < emplacementsEnfants(f.NbEnfants); ++s)
                if (f.Enfants[static_cast<std::size_t>(s)] != -1)
                    parEnfant[{s, f.Enfants[static_cast<std::size_t>(s)]}].push_back(d);
        } else if (!f.DateMariage.vide()) {
            parDate[f.DateMariage.texte()].push_back(d);
        }
    }
    if (parEnfant.empty() && parDate.isEmpty()) return;
    auto essayer = [&](std::size_t d, std::int32_t n, const TFiche& candidat) {
        if (liste[d].conjoint != -1 || liste[d].fiche == n) return;
        liste[d].conjoint = n;
        liste[d].personneConjoint = candidat;
    };
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        for (int s = 0; s < NbEmplacementsEnfants; ++s) {
            const std::int32_t v = f.Enfants[static_cast<std::size_t>(s)];
            if (v == -1) continue;
            const auto i = parEnfant.find({s, v});
            if (i != parEnfant.end())
                for (const std::size_t d : i->second)
                    essayer(d, n, f);
        }
        if (!f.DateMariage.vide()) {
            const auto i = parDate.constFind(f.DateMariage.texte());
            if (i != parDate.constEnd())
                for (const std::size_t d : *i)
                    essayer(d, n, f);
        }
        return true;
    });
}

} // namespace

DescendanceAboville descendanceAboville(FichierEnregistrements& fichier, std::int32_t personne,
                                        int generations, FamillesConnues* connues) {
    DescendanceAboville r;
    LecteurFiches lecteur(fichier);
    if (!lecteur.existe(personne) || generations < 1) return r;
    std::unordered_map<std::int32_t, QString> cites;
    struct Etape {
        std::int32_t fiche;
        QString numero;
        int generation;
        std::vector<std::int32_t> branche; // the ancestors on this branch, for loops
    };
    std::vector<Etape> pile{{personne, QStringLiteral("1"), 1, {}}};
    while (!pile.empty()) {
        Etape e = std::move(pile.back());
        pile.pop_back();
        DescendantAboville d;
        d.numero = e.numero;
        d.fiche = e.fiche;
        d.personne = lecteur.fiche(e.fiche);
        if (const auto c = cites.find(e.fiche); c != cites.end()) {
            d.dejaCite = c->second;
            r.descendants.push_back(std::move(d));
            continue;
        }
        cites[e.fiche] = e.numero;
        d.enfantsHorsOrdre = !enOrdreDesDates(lecteur, d.personne);
        d.dixEnfants =
            dixEmplacementsPris(d.personne) || d.personne.NbEnfants > NbEmplacementsEnfants;
        r.descendants.push_back(d);
        if (e.generation >= generations) continue;
        if (r.descendants.size() >= PasMaximum) {
            r.notes << QStringLiteral("La liste s'arrête : plus de %1 descendants à lister.")
                           .arg(PasMaximum);
            break;
        }
        std::vector<std::int32_t> enfants, candidats(d.personne.Enfants.begin(),
                                                     d.personne.Enfants.end());
        if (connues) {
            const std::vector<std::int32_t> enPlus = connues->enfantsEnPlus(e.fiche, d.personne);
            candidats.insert(candidats.end(), enPlus.begin(), enPlus.end());
            // The store names the children the slots could not hold.
            if (!enPlus.empty()) r.descendants.back().dixEnfants = false;
        }
        for (const std::int32_t v : candidats) {
            if (v == -1 || std::find(enfants.begin(), enfants.end(), v) != enfants.end()) continue;
            if (!lecteur.existe(v)) {
                r.notes << QStringLiteral(
                               "%1 compte parmi ses enfants la fiche %2, qui n'existe pas.")
                               .arg(lecteur.qui(e.fiche))
                               .arg(v);
                continue;
            }
            e.branche.push_back(e.fiche);
            const bool boucle = std::find(e.branche.begin(), e.branche.end(), v) != e.branche.end();
            e.branche.pop_back();
            if (boucle) {
                r.notes << QStringLiteral("Boucle : %1 serait son propre descendant ; la liste "
                                          "s'arrête là sur cette branche.")
                               .arg(lecteur.qui(v));
                continue;
            }
            enfants.push_back(v);
        }
        // Pushed in reverse, so that the eldest is read first.
        std::vector<std::int32_t> branche = e.branche;
        branche.push_back(e.fiche);
        for (std::size_t k = enfants.size(); k-- > 0;)
            pile.push_back(
                {enfants[k], e.numero + u'.' + QString::number(k + 1), e.generation + 1, branche});
    }
    if (connues)
        for (DescendantAboville& d : r.descendants)
            if (d.dejaCite.isEmpty())
                if (const auto conjoints = connues->conjoints(d.fiche, d.personne);
                    !conjoints.empty()) {
                    d.conjoint = conjoints.front();
                    d.personneConjoint = lecteur.fiche(d.conjoint);
                }
    trouverConjoints(fichier, r.descendants);
    r.notes.removeDuplicates();
    return r;
}
