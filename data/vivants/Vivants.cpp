#include "data/vivants/Vivants.h"

#include "data/complements/Complements.h"
#include "data/fichier/IntervalleDate.h"

#include <QDate>

#include <algorithm>
#include <limits>
#include <memory>
#include <unordered_map>

namespace {

// Years in two bytes: a million persons' arrays stay small.
using Annee = std::int16_t;
constexpr Annee Aucune = std::numeric_limits<Annee>::max();

// The latest year a date may be; none for an unknown or open-ended one.
Annee derniereAnneePossible(const IntervalleDate& i) {
    if (!i.connu() || i.dernier >= IntervalleDate::Illimite / 2) return Aucune;
    return static_cast<Annee>(std::clamp(QDate::fromJulianDay(i.dernier).year(), -30000, 30000));
}

// What is known of every person, one array per field: the walks between
// relatives jump about the file, and arrays of two bytes stay in the cache.
// What is known of every person, one array per field: the walks between
// relatives jump about the file, and arrays of two bytes stay in the cache.
// The arrays the scan fills for every record start uninitialised.
template <typename T> class Tableau {
public:
    explicit Tableau(std::size_t n) : m_valeurs(new T[n]) {}
    Tableau(std::size_t n, T valeur) : Tableau(n) {
        std::fill(m_valeurs.get(), m_valeurs.get() + n, valeur);
    }
    T& operator[](std::size_t i) { return m_valeurs[i]; }
    const T& operator[](std::size_t i) const { return m_valeurs[i]; }

private:
    std::unique_ptr<T[]> m_valeurs;
};

struct Connus {
    Connus(std::size_t n, bool mineurs)
        : taille(n), pere(n), mere(n), plusAncien(n), mort(n),
          plusAncienMajeur(mineurs ? n : 0, Aucune), naissance(mineurs ? n : 0, Aucune) {}
    std::size_t taille;
    Tableau<std::int32_t> pere, mere;
    Tableau<Annee> plusAncien; // the oldest of the person's events, by its latest year
    Tableau<std::uint8_t> mort;
    // Only for the civil registers' threshold: the oldest event at which the
    // person was of age, and their birth.
    std::vector<Annee> plusAncienMajeur, naissance;

    bool existe(std::int32_t n) const { return n >= 0 && static_cast<std::size_t>(n) < taille; }
    // An event of the person's, of age or not.
    void noter(std::size_t n, Annee a) {
        plusAncien[n] = std::min(plusAncien[n], a);
        if (naissance.empty() || a == Aucune || naissance[n] == Aucune) return;
        if (a >= naissance[n] + 18) plusAncienMajeur[n] = std::min(plusAncienMajeur[n], a);
    }
};

} // namespace

QString PresomptionVivants::raison(std::int32_t fiche) const {
    if (fiche >= 0 && static_cast<std::size_t>(fiche) < vivant.size() &&
        vivant[static_cast<std::size_t>(fiche)] == 2)
        return QStringLiteral("marqué(e) vivant(e) à la main dans la Fiche complète");
    const QString anciennete = seuilMineurs > seuil
                                   ? QStringLiteral("%1 ans (%2 ans pour un acte de sa minorité)")
                                         .arg(seuil)
                                         .arg(seuilMineurs)
                                   : QStringLiteral("%1 ans").arg(seuil);
    return QStringLiteral("présumé(e) vivant(e) : ni décès connu, ni événement de plus de %1, "
                          "ni chez ses parents, conjoints, enfants et petits-enfants aux âges qui "
                          "le prouveraient")
        .arg(anciennete);
}

PresomptionVivants presumerVivants(FichierEnregistrements& fichier, Complements* complements,
                                   int seuil, int anneeCourante, int seuilMineurs) {
    if (anneeCourante == 0) anneeCourante = QDate::currentDate().year();
    const std::int64_t nombre = fichier.nombreFiches();
    const bool mineurs = seuilMineurs > seuil;
    Connus p(static_cast<std::size_t>(nombre), mineurs);
    const auto u = [](std::int32_t n) { return static_cast<std::size_t>(n); };
    // The records' fingerprints, only to match the store's entries to them.
    std::vector<std::uint64_t> empreintes(complements ? p.taille : 0);
    const auto memePersonne = [&](std::int32_t n, const std::string& empreinte) {
        return p.existe(n) && empreintes[u(n)] == empreinteHachee(empreinte);
    };
    // A file repeats its dates: each text read once, by its bytes.
    std::unordered_map<std::string, Annee> annees;
    // A date field of the record's bytes: its length, then ten characters.
    auto annee = [&](const std::uint8_t* champ) {
        const std::uint8_t longueur = std::min<std::uint8_t>(champ[0], 10);
        if (longueur == 0) return Aucune;
        // "12/03/1850", "??/03/1850": the year is all the answer, read at once.
        const std::uint8_t* o = champ + 1;
        const auto chiffre = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
        if (longueur == 10 && o[2] == '/' && o[5] == '/' && chiffre(o[6]) && chiffre(o[7]) &&
            chiffre(o[8]) && chiffre(o[9]))
            return static_cast<Annee>((o[6] - '0') * 1000 + (o[7] - '0') * 100 + (o[8] - '0') * 10 +
                                      (o[9] - '0'));
        const std::string octets(reinterpret_cast<const char*>(o), longueur);
        const auto i = annees.find(octets);
        if (i != annees.end()) return i->second;
        if (annees.size() > 100000) annees.clear();
        ChampTexte<10> texte;
        texte.longueur = longueur;
        std::copy(o, o + longueur, texte.octets.begin());
        return annees.emplace(octets, derniereAnneePossible(intervalleDe(texte.texte())))
            .first->second;
    };
    // The records' bytes read in blocks, never decoded whole.
    parcourirBlocs(fichier, 8192,
                   [&](std::int64_t debut, const std::uint8_t* bloc, std::int64_t lues) {
                       for (std::int64_t i = 0; i < lues; ++i) {
                           const std::uint8_t* o = bloc + i * TailleFiche;
                           const auto n = static_cast<std::size_t>(debut + i);
                           using namespace decalage;
                           p.mort[n] = o[DateDeces] > 0 || o[LieuDeces] > 0;
                           const Annee naissance = annee(o + DateNaissance);
                           if (mineurs) p.naissance[n] = naissance;
                           p.plusAncien[n] = naissance;
                           p.noter(n, annee(o + DateMariage));
                           p.noter(n, annee(o + DateDeces));
                           p.pere[n] = brut::entier(o + Pere);
                           p.mere[n] = brut::entier(o + Mere);
                           if (complements) empreintes[n] = empreinteHacheeDesOctets(o);
                       }
                   });
    // The store's unions: partners beside the parents of a shared child.
    std::vector<std::pair<std::int32_t, std::int32_t>> unions;
    if (complements) {
        complements->parcourirEvenementsDates([&](const EvenementDate& e) {
            if (!memePersonne(e.fiche, e.empreinte)) return;
            if (e.etiquette == "DEAT" || e.etiquette == "BURI" || e.etiquette == "CREM")
                p.mort[u(e.fiche)] = 1;
            p.noter(u(e.fiche), derniereAnneePossible({e.debut, e.fin}));
        });
        complements->parcourirUnions([&](const UnionDatee& x) {
            if (x.id < 0 || !p.existe(x.mari) || !p.existe(x.femme)) return;
            unions.push_back({x.mari, x.femme});
            if (x.mariage.date.empty()) return;
            const Annee a = derniereAnneePossible({x.mariage.debut, x.mariage.fin});
            p.noter(u(x.mari), a);
            p.noter(u(x.femme), a);
        });
    }
    const std::size_t taille = p.taille;
    // The oldest event of each person's children and spouses, then of their
    // grandchildren.
    std::vector<Annee> enfants(taille, Aucune), conjoint(taille, Aucune);
    const auto auPlusTot = [](Annee& a, Annee b) { a = std::min(a, b); };
    for (std::size_t n = 0; n < taille; ++n) {
        const std::int32_t pere = p.pere[n], mere = p.mere[n];
        const bool avecPere = p.existe(pere), avecMere = p.existe(mere);
        if (avecPere) auPlusTot(enfants[u(pere)], p.plusAncien[n]);
        if (avecMere) auPlusTot(enfants[u(mere)], p.plusAncien[n]);
        if (avecPere && avecMere) {
            auPlusTot(conjoint[u(pere)], p.plusAncien[u(mere)]);
            auPlusTot(conjoint[u(mere)], p.plusAncien[u(pere)]);
        }
    }
    for (const auto& [a, b] : unions) {
        auPlusTot(conjoint[u(a)], p.plusAncien[u(b)]);
        auPlusTot(conjoint[u(b)], p.plusAncien[u(a)]);
    }
    std::vector<Annee> petitsEnfants(taille, Aucune);
    for (std::size_t n = 0; n < taille; ++n)
        for (const std::int32_t parent : {p.pere[n], p.mere[n]})
            if (p.existe(parent)) auPlusTot(petitsEnfants[u(parent)], enfants[n]);
    PresomptionVivants r;
    r.seuil = seuil;
    r.seuilMineurs = seuilMineurs;
    r.vivant.assign(taille, 0);
    // An event at most this year proves the person dead.
    const auto avant = [&](Annee an, int ans) { return an != Aucune && an <= anneeCourante - ans; };
    // The relatives' offsets count from the longer threshold: when in doubt, mask.
    const int s = mineurs ? seuilMineurs : seuil;
    for (std::size_t n = 0; n < taille; ++n) {
        const bool lui = mineurs ? avant(p.plusAncienMajeur[n], seuil) || avant(p.plusAncien[n], s)
                                 : avant(p.plusAncien[n], seuil);
        bool mort = p.mort[n] || lui || avant(conjoint[n], s + 40) || avant(enfants[n], s - 15) ||
                    avant(petitsEnfants[n], s - 30);
        for (const std::int32_t parent : {p.pere[n], p.mere[n]})
            if (p.existe(parent)) mort = mort || avant(p.plusAncien[u(parent)], s + 45);
        r.vivant[n] = mort ? 0 : 1;
    }
    // What the user marked by hand wins, while the record holds that person.
    if (complements)
        for (const VieMarquee& m : complements->viesMarquees())
            if (memePersonne(m.fiche, m.empreinte)) r.vivant[u(m.fiche)] = m.vivant ? 2 : 0;
    // A union with a living partner is theirs too: its marriage stays private.
    r.conjointVivant.assign(taille, 0);
    const auto partenaires = [&r, &u](std::int32_t a, std::int32_t b) {
        r.conjointVivant[u(a)] |= r.vivant[u(b)] ? 1 : 0;
        r.conjointVivant[u(b)] |= r.vivant[u(a)] ? 1 : 0;
    };
    for (std::size_t n = 0; n < taille; ++n)
        if (p.existe(p.pere[n]) && p.existe(p.mere[n])) partenaires(p.pere[n], p.mere[n]);
    for (const auto& [a, b] : unions)
        partenaires(a, b);
    return r;
}
