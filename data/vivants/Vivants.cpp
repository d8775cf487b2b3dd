#include "data/vivants/Vivants.h"

#include "data/complements/Complements.h"
#include "data/fichier/IntervalleDate.h"

#include <QDate>

#include <algorithm>
#include <limits>
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

struct Connu {
    std::int32_t pere = -1, mere = -1;
    Annee plusAncien = Aucune;       // the oldest of the person's events, by its latest year
    Annee plusAncienMajeur = Aucune; // the oldest at which they were of age
    Annee naissance = Aucune;
    bool mort = false;
    // An event of the person's, of age or not.
    void noter(Annee a) {
        plusAncien = std::min(plusAncien, a);
        if (a != Aucune && naissance != Aucune && a >= naissance + 18)
            plusAncienMajeur = std::min(plusAncienMajeur, a);
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
    std::vector<Connu> p(static_cast<std::size_t>(nombre));
    // The records' fingerprints, only to match the store's entries to them.
    std::vector<std::uint64_t> empreintes(complements ? p.size() : 0);
    auto vers = [&](std::int32_t n) -> Connu* {
        return n >= 0 && n < nombre ? &p[static_cast<std::size_t>(n)] : nullptr;
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
    const auto entier = [](const std::uint8_t* o) {
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(o[0]) | static_cast<std::uint32_t>(o[1]) << 8 |
            static_cast<std::uint32_t>(o[2]) << 16 | static_cast<std::uint32_t>(o[3]) << 24);
    };
    // The records' bytes read in blocks, decoded whole only for a fingerprint.
    constexpr std::int64_t Bloc = 4096;
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(Bloc * TailleFiche));
    TFiche f;
    for (std::int64_t debut = 0; debut < nombre; debut += Bloc) {
        const std::int64_t lues =
            fichier.lireBloc(debut, std::min(Bloc, nombre - debut), bloc.data());
        for (std::int64_t i = 0; i < lues; ++i) {
            const std::uint8_t* o = bloc.data() + i * TailleFiche;
            Connu& c = p[static_cast<std::size_t>(debut + i)];
            using namespace decalage;
            c.mort = o[DateDeces] > 0 || o[LieuDeces] > 0;
            c.naissance = annee(o + DateNaissance);
            c.plusAncien = c.naissance;
            c.noter(annee(o + DateMariage));
            c.noter(annee(o + DateDeces));
            c.pere = entier(o + Pere);
            c.mere = entier(o + Mere);
            if (complements) {
                decoderFiche(o, f);
                empreintes[static_cast<std::size_t>(debut + i)] = empreinteHachee(empreinteDe(f));
            }
        }
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> conjoints;
    if (complements) {
        complements->parcourirEvenementsDates([&](const EvenementDate& e) {
            Connu* c = vers(e.fiche);
            if (!c || empreintes[static_cast<std::size_t>(e.fiche)] != empreinteHachee(e.empreinte))
                return;
            if (e.etiquette == "DEAT" || e.etiquette == "BURI" || e.etiquette == "CREM")
                c->mort = true;
            c->noter(derniereAnneePossible({e.debut, e.fin}));
        });
        complements->parcourirUnions([&](const UnionDatee& u) {
            if (u.id < 0) return;
            conjoints.push_back({u.mari, u.femme});
            if (u.mariage.date.empty()) return;
            const Annee a = derniereAnneePossible({u.mariage.debut, u.mariage.fin});
            for (const std::int32_t n : {u.mari, u.femme})
                if (Connu* c = vers(n)) c->noter(a);
        });
    }
    // The oldest event of each person's children, then of their grandchildren.
    std::vector<Annee> enfants(p.size(), Aucune), petitsEnfants(p.size(), Aucune);
    for (const Connu& c : p)
        for (const std::int32_t parent : {c.pere, c.mere})
            if (vers(parent))
                enfants[static_cast<std::size_t>(parent)] =
                    std::min(enfants[static_cast<std::size_t>(parent)], c.plusAncien);
    for (std::size_t n = 0; n < p.size(); ++n)
        for (const std::int32_t parent : {p[n].pere, p[n].mere})
            if (vers(parent))
                petitsEnfants[static_cast<std::size_t>(parent)] =
                    std::min(petitsEnfants[static_cast<std::size_t>(parent)], enfants[n]);
    // Spouses: the parents of a shared child, and the store's unions.
    std::vector<Annee> conjoint(p.size(), Aucune);
    for (const Connu& c : p)
        if (vers(c.pere) && vers(c.mere)) conjoints.push_back({c.pere, c.mere});
    for (const auto& [a, b] : conjoints) {
        if (!vers(a) || !vers(b)) continue;
        conjoint[static_cast<std::size_t>(a)] = std::min(conjoint[static_cast<std::size_t>(a)],
                                                         p[static_cast<std::size_t>(b)].plusAncien);
        conjoint[static_cast<std::size_t>(b)] = std::min(conjoint[static_cast<std::size_t>(b)],
                                                         p[static_cast<std::size_t>(a)].plusAncien);
    }
    PresomptionVivants r;
    r.seuil = seuil;
    r.seuilMineurs = seuilMineurs;
    r.vivant.assign(p.size(), 0);
    // An event at most this year proves the person dead.
    auto avant = [&](std::int32_t an, int ans) {
        return an != Aucune && an <= anneeCourante - ans;
    };
    const bool mineurs = seuilMineurs > seuil;
    // The relatives' offsets count from the longer threshold: when in doubt, mask.
    const int s = mineurs ? seuilMineurs : seuil;
    for (std::size_t n = 0; n < p.size(); ++n) {
        const Connu& c = p[n];
        const bool lui = mineurs ? avant(c.plusAncienMajeur, seuil) || avant(c.plusAncien, s)
                                 : avant(c.plusAncien, seuil);
        bool mort = c.mort || lui || avant(conjoint[n], s + 40) || avant(enfants[n], s - 15) ||
                    avant(petitsEnfants[n], s - 30);
        for (const std::int32_t parent : {c.pere, c.mere})
            if (const Connu* x = vers(parent)) mort = mort || avant(x->plusAncien, s + 45);
        r.vivant[n] = mort ? 0 : 1;
    }
    // What the user marked by hand wins, while the record holds that person.
    if (complements)
        for (const VieMarquee& m : complements->viesMarquees())
            if (vers(m.fiche) &&
                empreintes[static_cast<std::size_t>(m.fiche)] == empreinteHachee(m.empreinte))
                r.vivant[static_cast<std::size_t>(m.fiche)] = m.vivant ? 2 : 0;
    // A union with a living partner is theirs too: its marriage stays private.
    r.conjointVivant.assign(p.size(), 0);
    for (const auto& [a, b] : conjoints)
        if (vers(a) && vers(b)) {
            r.conjointVivant[static_cast<std::size_t>(a)] |=
                r.vivant[static_cast<std::size_t>(b)] ? 1 : 0;
            r.conjointVivant[static_cast<std::size_t>(b)] |=
                r.vivant[static_cast<std::size_t>(a)] ? 1 : 0;
        }
    return r;
}
