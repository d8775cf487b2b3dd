#include "data/Rapports.h"

#include "data/Cp1252.h"
#include "data/Erreurs.h"
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

// The records a report reads, each read once from the file.
class Lecteur {
public:
    explicit Lecteur(FichierEnregistrements& fichier)
        : m_fichier(fichier), m_nombre(fichier.nombreFiches()) {}
    bool existe(std::int32_t n) const { return n >= 0 && n < m_nombre; }
    const TFiche& fiche(std::int32_t n) {
        auto [i, nouveau] = m_lues.try_emplace(n);
        if (nouveau) {
            m_fichier.positionner(n);
            m_fichier.lire(i->second);
        }
        return i->second;
    }
    QString qui(std::int32_t n) {
        return QStringLiteral("%1 (fiche %2)").arg(nomComplet(fiche(n))).arg(n);
    }
    std::int64_t nombre() const { return m_nombre; }

private:
    FichierEnregistrements& m_fichier;
    std::int64_t m_nombre;
    std::unordered_map<std::int32_t, TFiche> m_lues;
};

// Walks past this many steps are cut short: no real tree comes near it.
constexpr std::size_t PasMaximum = 500000;

} // namespace

// ---------------------------------------------------------------- ancestors

AscendanceSosa ascendanceSosa(FichierEnregistrements& fichier, std::int32_t personne,
                              int generations) {
    AscendanceSosa r;
    Lecteur lecteur(fichier);
    if (!lecteur.existe(personne) || generations < 1) return r;
    struct Pas {
        std::uint64_t sosa;
        std::int32_t fiche;
        std::int32_t enfant; // the step this one is a parent of, -1 for the person
    };
    std::vector<Pas> pas{{1, personne, -1}};
    std::unordered_map<std::int32_t, std::pair<int, std::vector<std::uint64_t>>>
        vus; // generation, numbers
    vus[personne] = {0, {1}};
    std::size_t debut = 0;
    for (int g = 1; g < generations && debut < pas.size(); ++g) {
        const std::size_t fin = pas.size();
        for (std::size_t i = debut; i < fin; ++i) {
            const TFiche& f = lecteur.fiche(pas[i].fiche);
            const std::int32_t parents[2] = {f.Pere, f.Mere};
            for (int k = 0; k < 2; ++k) {
                const std::int32_t p = parents[k];
                if (p == -1) continue;
                if (!lecteur.existe(p)) {
                    r.notes << QStringLiteral("%1 a pour %2 la fiche %3, qui n'existe pas.")
                                   .arg(lecteur.qui(pas[i].fiche),
                                        k == 0 ? QStringLiteral("père") : QStringLiteral("mère"))
                                   .arg(p);
                    continue;
                }
                // A parent already met on the way down is a loop: only a damaged file has it.
                bool boucle = false;
                for (std::int32_t j = static_cast<std::int32_t>(i); j >= 0 && !boucle;
                     j = pas[static_cast<std::size_t>(j)].enfant)
                    boucle = pas[static_cast<std::size_t>(j)].fiche == p;
                if (boucle) {
                    r.notes << QStringLiteral("Boucle : %1 serait son propre ancêtre ; la liste "
                                              "s'arrête là sur cette branche.")
                                   .arg(lecteur.qui(p));
                    continue;
                }
                if (pas.size() >= PasMaximum) {
                    r.notes << QStringLiteral("La liste s'arrête : plus de %1 ancêtres à lister.")
                                   .arg(PasMaximum);
                    break;
                }
                const std::uint64_t sosa = 2 * pas[i].sosa + static_cast<std::uint64_t>(k);
                pas.push_back({sosa, p, static_cast<std::int32_t>(i)});
                auto [v, nouveau] =
                    vus.try_emplace(p, std::make_pair(g, std::vector<std::uint64_t>{}));
                v->second.second.push_back(sosa);
            }
        }
        debut = fin;
    }
    r.generations.resize(static_cast<std::size_t>(generations));
    for (auto& [fiche, v] : vus) {
        std::sort(v.second.begin(), v.second.end());
        r.generations[static_cast<std::size_t>(v.first)].push_back(
            {fiche, lecteur.fiche(fiche), v.second});
    }
    for (auto& g : r.generations)
        std::sort(g.begin(), g.end(), [](const AncetreSosa& a, const AncetreSosa& b) {
            return a.numeros.front() < b.numeros.front();
        });
    while (!r.generations.empty() && r.generations.back().empty())
        r.generations.pop_back();
    r.notes.removeDuplicates();
    return r;
}

// ---------------------------------------------------------------- descendants

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
                                        int generations) {
    DescendanceAboville r;
    Lecteur lecteur(fichier);
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
        r.descendants.push_back(d);
        if (e.generation >= generations) continue;
        if (r.descendants.size() >= PasMaximum) {
            r.notes << QStringLiteral("La liste s'arrête : plus de %1 descendants à lister.")
                           .arg(PasMaximum);
            break;
        }
        std::vector<std::int32_t> enfants;
        for (const std::int32_t v : d.personne.Enfants) {
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
    trouverConjoints(fichier, r.descendants);
    r.notes.removeDuplicates();
    return r;
}

// ---------------------------------------------------------------- kinship

namespace {

struct Remontee {
    // Each ancestor (the person included, at 0) with its generation and the
    // step below it towards the person.
    std::unordered_map<std::int32_t, std::pair<int, std::int32_t>> ancetres;
};

Remontee remonter(Lecteur& lecteur, std::int32_t depart, QStringList& notes) {
    Remontee r;
    r.ancetres[depart] = {0, -1};
    std::deque<std::int32_t> file{depart};
    while (!file.empty() && r.ancetres.size() < PasMaximum) {
        const std::int32_t n = file.front();
        file.pop_front();
        const int g = r.ancetres[n].first;
        const TFiche& f = lecteur.fiche(n);
        for (const std::int32_t p : {f.Pere, f.Mere}) {
            if (p == -1) continue;
            if (!lecteur.existe(p)) {
                notes << QStringLiteral("%1 a pour parent la fiche %2, qui n'existe pas.")
                             .arg(lecteur.qui(n))
                             .arg(p);
                continue;
            }
            // Each ancestor at its nearest generation; a loop meets a known one and stops.
            if (r.ancetres.try_emplace(p, std::make_pair(g + 1, n)).second) file.push_back(p);
        }
    }
    return r;
}

bool feminin(const TFiche& f) {
    return f.Qualite == 1 || f.Qualite == 2;
}

QString ordinal(int n) {
    return n == 1 ? QStringLiteral("1er") : QStringLiteral("%1e").arg(n);
}

QString arrieres(int n) {
    QString s;
    for (int i = 0; i < n; ++i)
        s += QStringLiteral("arrière-");
    return s;
}

// "le père", "la tante", "l'oncle".
QString avecArticle(const QString& nom, bool feminin) {
    const QChar premiere = nom.isEmpty() ? QChar() : nom.front().toLower();
    if (QStringLiteral("aeiouyéèêâîôû").contains(premiere)) return QStringLiteral("l'") + nom;
    return (feminin ? QStringLiteral("la ") : QStringLiteral("le ")) + nom;
}

} // namespace

QString nomDuLien(int a, int b, bool f, bool demi) {
    auto genre = [f](const char* masculin, const char* femininTexte) {
        return QString::fromUtf8(f ? femininTexte : masculin);
    };
    const QString prefixe = demi ? QStringLiteral("demi-") : QString();
    if (a == 0 && b == 0) return genre("lui-même", "elle-même");
    if (a == 0) {
        if (b == 1) return genre("père", "mère");
        if (b <= 4) return arrieres(b - 2) + genre("grand-père", "grand-mère");
        return genre("ancêtre", "ancêtre") + QStringLiteral(" à la %1 génération").arg(ordinal(b));
    }
    if (b == 0) {
        if (a == 1) return genre("fils", "fille");
        if (a <= 4) return arrieres(a - 2) + genre("petit-fils", "petite-fille");
        return genre("descendant", "descendante") +
               QStringLiteral(" à la %1 génération").arg(ordinal(a));
    }
    if (a == 1 && b == 1) return prefixe + genre("frère", "sœur");
    if (a == 1) {
        if (b == 2) return prefixe + genre("oncle", "tante");
        return prefixe + arrieres(b - 3) + genre("grand-oncle", "grand-tante");
    }
    if (b == 1) {
        if (a == 2) return prefixe + genre("neveu", "nièce");
        return prefixe + arrieres(a - 3) + genre("petit-neveu", "petite-nièce");
    }
    if (a == 2 && b == 2) return prefixe + genre("cousin germain", "cousine germaine");
    if (a == 3 && b == 3)
        return prefixe + genre("cousin issu de germain", "cousine issue de germain");
    if (a == 2 && b == 3)
        return prefixe + genre("oncle à la mode de Bretagne", "tante à la mode de Bretagne");
    if (a == 3 && b == 2) return prefixe + genre("petit-cousin", "petite-cousine");
    return prefixe + genre("cousin", "cousine") +
           QStringLiteral(" au %1 degré").arg(ordinal(a + b));
}

LienDeParente lienDeParente(FichierEnregistrements& fichier, std::int32_t a, std::int32_t b) {
    LienDeParente r;
    Lecteur lecteur(fichier);
    if (!lecteur.existe(a) || !lecteur.existe(b)) return r;
    const Remontee ra = remonter(lecteur, a, r.notes);
    const Remontee rb = remonter(lecteur, b, r.notes);
    int meilleur = std::numeric_limits<int>::max();
    for (const auto& [n, v] : ra.ancetres) {
        const auto j = rb.ancetres.find(n);
        if (j == rb.ancetres.end()) continue;
        const int somme = v.first + j->second.first;
        if (somme < meilleur || (somme == meilleur && v.first < r.generationsA)) {
            meilleur = somme;
            r.generationsA = v.first;
            r.generationsB = j->second.first;
        }
    }
    r.notes.removeDuplicates();
    if (meilleur == std::numeric_limits<int>::max()) return r;
    r.trouve = true;
    for (const auto& [n, v] : ra.ancetres) {
        const auto j = rb.ancetres.find(n);
        if (j != rb.ancetres.end() && v.first == r.generationsA &&
            j->second.first == r.generationsB)
            r.ancetresCommuns.push_back(n);
    }
    std::sort(r.ancetresCommuns.begin(), r.ancetresCommuns.end());
    auto chemin = [&](const Remontee& depuis, std::int32_t commun) {
        std::vector<std::int32_t> c;
        for (std::int32_t n = commun; n != -1; n = depuis.ancetres.at(n).second)
            c.push_back(n);
        std::reverse(c.begin(), c.end());
        return c;
    };
    const std::int32_t commun = r.ancetresCommuns.front();
    r.cheminA = chemin(ra, commun);
    r.cheminB = chemin(rb, commun);
    // Half-relations: the two lines leave the common ancestor through two of
    // its children who share only one known parent, the other ones known and different.
    bool demi = false;
    if (r.generationsA > 0 && r.generationsB > 0) {
        const TFiche& c1 = lecteur.fiche(r.cheminA[r.cheminA.size() - 2]);
        const TFiche& c2 = lecteur.fiche(r.cheminB[r.cheminB.size() - 2]);
        const bool memePere = c1.Pere != -1 && c1.Pere == c2.Pere;
        const bool memeMere = c1.Mere != -1 && c1.Mere == c2.Mere;
        const bool autresConnus =
            memePere ? (c1.Mere != -1 && c2.Mere != -1) : (c1.Pere != -1 && c2.Pere != -1);
        demi = memePere != memeMere && autresConnus;
    }
    const TFiche& fa = lecteur.fiche(a);
    const TFiche& fb = lecteur.fiche(b);
    r.deAVersB = QStringLiteral("%1 est %2 de %3.")
                     .arg(nomComplet(fa),
                          avecArticle(nomDuLien(r.generationsA, r.generationsB, feminin(fa), demi),
                                      feminin(fa)),
                          nomComplet(fb));
    r.deBVersA = QStringLiteral("%1 est %2 de %3.")
                     .arg(nomComplet(fb),
                          avecArticle(nomDuLien(r.generationsB, r.generationsA, feminin(fb), demi),
                                      feminin(fb)),
                          nomComplet(fa));
    return r;
}

// ---------------------------------------------------------------- statistics

namespace {

// Counts of texts taken straight from the stored bytes, without building
// any string: open addressing over an arena, a hash read eight bytes at a time.
class Compteur {
public:
    void ajouter(const std::uint8_t* champ,
                 std::int64_t fois = 1) { // the length byte, then the characters
        const int n = champ[0];
        if (n == 0) return;
        if (m_cases.size() < 2 * m_debuts.size() + 16) agrandir();
        const std::size_t masque = m_cases.size() - 1;
        for (std::size_t i = hacher(champ) & masque;; i = (i + 1) & masque) {
            const std::uint32_t c = m_cases[i];
            if (c == 0) {
                m_cases[i] = static_cast<std::uint32_t>(m_debuts.size() + 1);
                m_debuts.push_back(static_cast<std::uint32_t>(m_octets.size()));
                m_octets.append(reinterpret_cast<const char*>(champ),
                                static_cast<std::size_t>(n) + 1);
                m_comptes.push_back(fois);
                return;
            }
            const char* stocke = m_octets.data() + m_debuts[c - 1];
            if (std::memcmp(stocke, champ, static_cast<std::size_t>(n) + 1) == 0) {
                m_comptes[c - 1] += fois;
                return;
            }
        }
    }
    // The counts of another counter added to these.
    void fusionner(const Compteur& autre) {
        for (std::size_t i = 0; i < autre.m_debuts.size(); ++i)
            ajouter(
                reinterpret_cast<const std::uint8_t*>(autre.m_octets.data() + autre.m_debuts[i]),
                autre.m_comptes[i]);
    }
    std::vector<std::pair<QString, std::int64_t>> plusFrequents(std::size_t combien) const {
        std::vector<std::size_t> ordre(m_debuts.size());
        for (std::size_t i = 0; i < ordre.size(); ++i)
            ordre[i] = i;
        const std::size_t garde = std::min(combien, ordre.size());
        std::partial_sort(ordre.begin(), ordre.begin() + static_cast<std::ptrdiff_t>(garde),
                          ordre.end(), [&](std::size_t x, std::size_t y) {
                              return m_comptes[x] != m_comptes[y] ? m_comptes[x] > m_comptes[y]
                                                                  : texte(x) < texte(y);
                          });
        std::vector<std::pair<QString, std::int64_t>> r;
        for (std::size_t i = 0; i < garde; ++i)
            r.push_back({texte(ordre[i]), m_comptes[ordre[i]]});
        return r;
    }

private:
    static std::size_t hacher(const std::uint8_t* champ) {
        const int n = champ[0];
        std::uint64_t debut = 0, fin = 0;
        std::memcpy(&debut, champ, std::min(8, n + 1));
        if (n + 1 > 8) std::memcpy(&fin, champ + n + 1 - 8, 8);
        // MurmurHash3's finaliser: every byte reaches every bit of the slot number.
        std::uint64_t h = debut * 0x9E3779B97F4A7C15ull + fin * 0xC2B2AE3D27D4EB4Full;
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        h *= 0xC4CEB9FE1A85EC53ull;
        return static_cast<std::size_t>(h ^ (h >> 33));
    }
    QString texte(std::size_t i) const {
        const auto* o = reinterpret_cast<const unsigned char*>(m_octets.data() + m_debuts[i]);
        return cp1252::decoder(o + 1, o[0]);
    }
    void agrandir() {
        const std::size_t taille = std::max<std::size_t>(1024, m_cases.size() * 2);
        m_cases.assign(taille, 0);
        for (std::size_t n = 0; n < m_debuts.size(); ++n) {
            std::size_t i =
                hacher(reinterpret_cast<const std::uint8_t*>(m_octets.data() + m_debuts[n])) &
                (taille - 1);
            while (m_cases[i] != 0)
                i = (i + 1) & (taille - 1);
            m_cases[i] = static_cast<std::uint32_t>(n + 1);
        }
    }
    std::string m_octets;
    std::vector<std::uint32_t> m_debuts;
    std::vector<std::int64_t> m_comptes;
    std::vector<std::uint32_t> m_cases;
};

// A field's significant length, a damaged length byte read as the width.
int longueur(const std::uint8_t* champ, int largeur) {
    return std::min<int>(champ[0], largeur);
}

std::int32_t entierLE(const std::uint8_t* p) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// What one part of the file gives; the parts are added together.
struct Partielle {
    Statistiques s;
    Compteur noms, lieux;
    std::int64_t sommeDesVies = 0;
    int premiere = std::numeric_limits<int>::max(), derniere = std::numeric_limits<int>::min();
    std::vector<std::int64_t> decennies = std::vector<std::int64_t>(1000); // years 0 to 9999

    void ajouter(const Partielle& autre) {
        s.fiches += autre.s.fiches;
        for (std::size_t q = 0; q < s.parQualite.size(); ++q)
            s.parQualite[q] += autre.s.parQualite[q];
        noms.fusionner(autre.noms);
        lieux.fusionner(autre.lieux);
        sommeDesVies += autre.sommeDesVies;
        s.viesMesurees += autre.s.viesMesurees;
        s.sansAucunLien += autre.s.sansAucunLien;
        premiere = std::min(premiere, autre.premiere);
        derniere = std::max(derniere, autre.derniere);
        for (std::size_t d = 0; d < decennies.size(); ++d)
            decennies[d] += autre.decennies[d];
    }

    // One stored record, read where the layout puts each field.
    void compter(const std::uint8_t* o) {
        namespace d = decalage;
        ++s.fiches;
        ++s.parQualite[o[d::Qualite] <= 2 ? o[d::Qualite] : 3];
        // A damaged length byte above the width counts as the width, as everywhere.
        std::uint8_t champ[32];
        auto texte = [&](Compteur& c, int position, int largeur) {
            if (o[position] <= largeur) return c.ajouter(o + position);
            champ[0] = static_cast<std::uint8_t>(largeur);
            std::memcpy(champ + 1, o + position + 1, static_cast<std::size_t>(largeur));
            c.ajouter(champ);
        };
        texte(noms, d::Nom, 25);
        texte(lieux, d::LieuNaissance, 30);
        texte(lieux, d::LieuMariage, 30);
        texte(lieux, d::LieuDeces, 30);
        auto annee = [&](int position, int& a) {
            return anneeDeOctets(o + position + 1, longueur(o + position, 10), a) && a > 0;
        };
        int naissance = 0, deces = 0, mariage = 0;
        const bool n = annee(d::DateNaissance, naissance);
        const bool m = annee(d::DateMariage, mariage);
        const bool dc = annee(d::DateDeces, deces);
        if (n && naissance < 10000) ++decennies[static_cast<std::size_t>(naissance / 10)];
        if (n && dc && deces >= naissance && deces - naissance <= 130) {
            sommeDesVies += deces - naissance;
            ++s.viesMesurees;
        }
        for (const int a : {n ? naissance : 0, m ? mariage : 0, dc ? deces : 0})
            if (a > 0) {
                premiere = std::min(premiere, a);
                derniere = std::max(derniere, a);
            }
        bool lie = entierLE(o + d::Pere) != -1 || entierLE(o + d::Mere) != -1;
        for (int k = 0; k < NbEmplacementsEnfants && !lie; ++k)
            lie = entierLE(o + d::Enfants + 4 * k) != -1;
        if (!lie) ++s.sansAucunLien;
    }
};

// Blocks read by the calling thread, counted by workers: the reading (the
// system's copy) and the counting overlap. Only the calling thread touches
// the file.
class Chaine {
public:
    explicit Chaine(int travailleurs) : m_parties(static_cast<std::size_t>(travailleurs)) {
        for (int i = 0; i < travailleurs + 2; ++i)
            m_libres.push_back(
                std::vector<std::uint8_t>(static_cast<std::size_t>(FichesParBloc * TailleFiche)));
        for (int i = 0; i < travailleurs; ++i)
            m_fils.emplace_back([this, i] { travailler(m_parties[static_cast<std::size_t>(i)]); });
    }
    ~Chaine() { terminer(); }

    std::vector<std::uint8_t> tamponLibre() {
        std::unique_lock verrou(m_mutex);
        m_change.wait(verrou, [this] { return !m_libres.empty(); });
        std::vector<std::uint8_t> t = std::move(m_libres.back());
        m_libres.pop_back();
        return t;
    }
    void donner(std::vector<std::uint8_t> tampon, std::int64_t fiches) {
        {
            const std::lock_guard verrou(m_mutex);
            m_pleins.push_back({std::move(tampon), fiches});
        }
        m_change.notify_all();
    }
    std::vector<Partielle>& terminer() {
        {
            const std::lock_guard verrou(m_mutex);
            m_fini = true;
        }
        m_change.notify_all();
        for (std::thread& f : m_fils)
            if (f.joinable()) f.join();
        return m_parties;
    }

private:
    void travailler(Partielle& partie) {
        for (;;) {
            std::pair<std::vector<std::uint8_t>, std::int64_t> travail;
            {
                std::unique_lock verrou(m_mutex);
                m_change.wait(verrou, [this] { return !m_pleins.empty() || m_fini; });
                if (m_pleins.empty()) return;
                travail = std::move(m_pleins.front());
                m_pleins.pop_front();
            }
            for (std::int64_t i = 0; i < travail.second; ++i)
                partie.compter(travail.first.data() + i * TailleFiche);
            {
                const std::lock_guard verrou(m_mutex);
                m_libres.push_back(std::move(travail.first));
            }
            m_change.notify_all();
        }
    }
    std::mutex m_mutex;
    std::condition_variable m_change;
    std::vector<std::vector<std::uint8_t>> m_libres;
    std::deque<std::pair<std::vector<std::uint8_t>, std::int64_t>> m_pleins;
    bool m_fini = false;
    std::vector<Partielle> m_parties;
    std::vector<std::thread> m_fils;
};

} // namespace

// The whole file read once, in blocks, straight from the stored bytes.
Statistiques statistiques(FichierEnregistrements& fichier) {
    const std::int64_t total = fichier.nombreFiches();
    Chaine chaine(2);
    for (std::int64_t debut = 0; debut < total; debut += FichesParBloc) {
        const std::int64_t voulu = std::min(FichesParBloc, total - debut);
        std::vector<std::uint8_t> bloc = chaine.tamponLibre();
        if (fichier.lireBloc(debut, voulu, bloc.data()) < voulu)
            throw ErreurES(ErreurES::LectureFinFichier);
        chaine.donner(std::move(bloc), voulu);
    }
    std::vector<Partielle>& parties = chaine.terminer();
    Partielle& p = parties.front();
    for (std::size_t i = 1; i < parties.size(); ++i)
        p.ajouter(parties[i]);
    Statistiques s = std::move(p.s);
    for (std::size_t d = 0; d < p.decennies.size(); ++d)
        if (p.decennies[d]) s.naissancesParDecennie[static_cast<int>(d) * 10] = p.decennies[d];
    s.nomsFrequents = p.noms.plusFrequents(20);
    s.lieuxFrequents = p.lieux.plusFrequents(20);
    if (s.viesMesurees)
        s.dureeDeVieMoyenne =
            static_cast<double>(p.sommeDesVies) / static_cast<double>(s.viesMesurees);
    if (p.premiere <= p.derniere) {
        s.premiereAnnee = p.premiere;
        s.derniereAnnee = p.derniere;
    }
    return s;
}
