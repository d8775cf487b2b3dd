#include "data/doublons/Doublons.h"

#include "data/doublons/Phonetique.h"
#include "data/fichier/IntervalleDate.h"
#include "data/fichier/Texte.h"

#include <QHash>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

// A range of days, unknown when debut > fin.
struct Jours {
    std::int64_t debut = 0, fin = -1;
    bool connu() const { return debut <= fin; }
    bool recoupe(const Jours& autre) const { return debut <= autre.fin && autre.debut <= fin; }
};

// What the comparison needs of a record, its texts as numbers.
struct Personne {
    std::uint32_t nom = 0, nomExact = 0, prenoms = 0, lieu = 0;
    std::int32_t pere = -1, mere = -1, conjoint = -1;
    Jours naissance, deces;
    std::uint8_t sexe = 0; // 0 unknown, 1 man, 2 woman
};

// Texts numbered by their bytes as the record holds them: a file repeats its
// names, places and dates, each worked out once.
template <typename Valeur> class Cache {
public:
    template <typename Calcul> const Valeur& valeur(const std::string& octets, Calcul calcul) {
        auto i = m_valeurs.find(octets);
        if (i == m_valeurs.end()) i = m_valeurs.emplace(octets, calcul()).first;
        return i->second;
    }

private:
    std::unordered_map<std::string, Valeur> m_valeurs;
};

class Numeros {
public:
    std::uint32_t numero(const QString& texte) {
        if (texte.isEmpty()) return 0;
        auto i = m_numeros.constFind(texte);
        if (i == m_numeros.constEnd())
            i = m_numeros.insert(texte, static_cast<std::uint32_t>(m_numeros.size() + 1));
        return i.value();
    }

private:
    QHash<QString, std::uint32_t> m_numeros;
};

template <int L> std::string octetsDe(const ChampTexte<L>& c) {
    return {reinterpret_cast<const char*>(c.octets.data()),
            static_cast<std::size_t>(c.longueurSignificative())};
}

class Chercheur {
public:
    explicit Chercheur(FichierEnregistrements& fichier) : m_fichier(fichier) {}

    std::vector<PaireDoublon> chercher(const std::function<void(double)>& progression) {
        lire();
        const std::vector<std::vector<std::int32_t>> blocs = parBloc();
        std::vector<PaireDoublon> paires;
        std::size_t faits = 0;
        for (const auto& bloc : blocs) {
            comparerLeBloc(bloc, paires);
            if (progression && ++faits % 1024 == 0)
                progression(static_cast<double>(faits) / static_cast<double>(blocs.size()));
        }
        std::sort(paires.begin(), paires.end(), [](const PaireDoublon& x, const PaireDoublon& y) {
            return std::tie(y.score, x.a, x.b) < std::tie(x.score, y.a, y.b);
        });
        return paires;
    }

private:
    Jours jours(const std::string& octets) {
        return m_dates.valeur(octets, [&] {
            const IntervalleDate i = intervalleDe(QString::fromLatin1(octets));
            return i.connu() && i.dernier < IntervalleDate::Illimite / 2
                       ? Jours{i.premier, i.dernier}
                       : Jours{};
        });
    }

    void lire() {
        const std::int64_t nombre = m_fichier.nombreFiches();
        m_p.resize(static_cast<std::size_t>(nombre));
        TFiche f;
        parcourirBlocs(
            m_fichier, 4096, [&](std::int64_t debut, const std::uint8_t* bloc, std::int64_t lues) {
                for (std::int64_t i = 0; i < lues; ++i) {
                    decoderFiche(bloc + i * TailleFiche, f);
                    Personne& p = m_p[static_cast<std::size_t>(debut + i)];
                    const auto& [cle, exact] = m_noms.valeur(octetsDe(f.Nom), [&] {
                        return std::pair{m_nombres.numero(cleDuNom(f.Nom.texte())),
                                         m_nombres.numero(reduireTexte(f.Nom.texte()))};
                    });
                    p.nom = cle;
                    p.nomExact = exact;
                    p.prenoms = m_prenoms.valeur(octetsDe(f.Prenom), [&] {
                        m_listes.push_back(clesDesPrenoms(f.Prenom.texte()));
                        return static_cast<std::uint32_t>(m_listes.size() - 1);
                    });
                    p.lieu = m_lieux.valeur(octetsDe(f.LieuNaissance), [&] {
                        return m_nombres.numero(reduireTexte(f.LieuNaissance.texte()).simplified());
                    });
                    p.naissance = jours(octetsDe(f.DateNaissance));
                    p.deces = jours(octetsDe(f.DateDeces));
                    p.sexe = f.Qualite == 0 ? 1 : (f.Qualite == 1 || f.Qualite == 2) ? 2 : 0;
                    p.pere = existe(f.Pere) ? f.Pere : -1;
                    p.mere = existe(f.Mere) ? f.Mere : -1;
                }
            });
        // A spouse: the other parent of a shared child.
        for (const Personne& p : m_p)
            if (p.pere >= 0 && p.mere >= 0) {
                m_p[static_cast<std::size_t>(p.pere)].conjoint = p.mere;
                m_p[static_cast<std::size_t>(p.mere)].conjoint = p.pere;
            }
    }

    bool existe(std::int32_t n) const { return n >= 0 && static_cast<std::size_t>(n) < m_p.size(); }

    QChar initiale(const Personne& p) const {
        const QStringList& l = m_listes[p.prenoms];
        return l.isEmpty() ? QChar() : l.front().front();
    }

    // Those who may be one another: the same surname's key, the same first
    // initial; a large group is cut by the first given name's whole key.
    std::vector<std::vector<std::int32_t>> parBloc() const {
        std::vector<std::int32_t> ordre;
        ordre.reserve(m_p.size());
        for (std::size_t n = 0; n < m_p.size(); ++n)
            if (m_p[n].nom && !m_listes[m_p[n].prenoms].isEmpty())
                ordre.push_back(static_cast<std::int32_t>(n));
        const auto cle = [this](std::int32_t n) {
            const Personne& p = m_p[static_cast<std::size_t>(n)];
            return std::pair{p.nom, initiale(p).unicode()};
        };
        std::sort(ordre.begin(), ordre.end(),
                  [&](std::int32_t x, std::int32_t y) { return cle(x) < cle(y); });
        std::vector<std::vector<std::int32_t>> blocs;
        for (std::size_t i = 0; i < ordre.size();) {
            std::size_t j = i;
            while (j < ordre.size() && cle(ordre[j]) == cle(ordre[i]))
                ++j;
            if (j - i > 1)
                couper({ordre.begin() + static_cast<std::ptrdiff_t>(i),
                        ordre.begin() + static_cast<std::ptrdiff_t>(j)},
                       blocs);
            i = j;
        }
        return blocs;
    }

    void couper(std::vector<std::int32_t> bloc,
                std::vector<std::vector<std::int32_t>>& blocs) const {
        constexpr std::size_t GrandBloc = 2000;
        if (bloc.size() <= GrandBloc) {
            blocs.push_back(std::move(bloc));
            return;
        }
        const auto premier = [this](std::int32_t n) {
            return m_listes[m_p[static_cast<std::size_t>(n)].prenoms].front();
        };
        std::sort(bloc.begin(), bloc.end(),
                  [&](std::int32_t x, std::int32_t y) { return premier(x) < premier(y); });
        for (std::size_t i = 0; i < bloc.size();) {
            std::size_t j = i;
            while (j < bloc.size() && premier(bloc[j]) == premier(bloc[i]))
                ++j;
            if (j - i > 1)
                blocs.emplace_back(bloc.begin() + static_cast<std::ptrdiff_t>(i),
                                   bloc.begin() + static_cast<std::ptrdiff_t>(j));
            i = j;
        }
    }

    // Births known first, by their first day: a person is compared with the
    // following ones while their births may still overlap, and with every
    // person of unknown birth.
    void comparerLeBloc(std::vector<std::int32_t> bloc, std::vector<PaireDoublon>& paires) {
        const auto naissance = [this](std::int32_t n) {
            return m_p[static_cast<std::size_t>(n)].naissance;
        };
        const auto fin = std::partition(bloc.begin(), bloc.end(),
                                        [&](std::int32_t n) { return naissance(n).connu(); });
        std::sort(bloc.begin(), fin, [&](std::int32_t x, std::int32_t y) {
            return naissance(x).debut < naissance(y).debut;
        });
        for (auto i = bloc.begin(); i != bloc.end(); ++i) {
            const bool datee = i < fin;
            for (auto j = i + 1; j != bloc.end(); ++j) {
                if (datee && j < fin && naissance(*j).debut > naissance(*i).fin) {
                    j = fin - 1; // the dated ones further on are all born too late
                    continue;
                }
                comparer(*i, *j, paires);
            }
        }
    }

    void comparer(std::int32_t x, std::int32_t y, std::vector<PaireDoublon>& paires) {
        const int s = score(m_p[static_cast<std::size_t>(x)], m_p[static_cast<std::size_t>(y)]);
        if (s < ScoreMinimalDoublon || ascendant(x, y) || ascendant(y, x)) return;
        paires.push_back({std::min(x, y), std::max(x, y), s});
    }

    // Whether `ancetre` is found up from `personne`, walking a few
    // thousand ancestors at most (a damaged file may loop).
    bool ascendant(std::int32_t ancetre, std::int32_t personne) const {
        std::vector<std::int32_t> a_voir = {personne};
        std::unordered_set<std::int32_t> vus;
        while (!a_voir.empty() && vus.size() < 4096) {
            const std::int32_t n = a_voir.back();
            a_voir.pop_back();
            if (!vus.insert(n).second) continue;
            const Personne& p = m_p[static_cast<std::size_t>(n)];
            for (const std::int32_t parent : {p.pere, p.mere}) {
                if (parent == ancetre) return true;
                if (parent >= 0) a_voir.push_back(parent);
            }
        }
        return false;
    }

    bool memeNom(std::int32_t x, std::int32_t y) const {
        const Personne& a = m_p[static_cast<std::size_t>(x)];
        const Personne& b = m_p[static_cast<std::size_t>(y)];
        return a.nom == b.nom && accordDesPrenoms(m_listes[a.prenoms], m_listes[b.prenoms]) > 0;
    }

    // The same person or not, from names, dates, places and relatives; -1
    // when they cannot be one.
    int score(const Personne& a, const Personne& b) const {
        if (a.sexe && b.sexe && a.sexe != b.sexe) return -1;
        const double prenoms = accordDesPrenoms(m_listes[a.prenoms], m_listes[b.prenoms]);
        if (prenoms == 0) return -1;
        int s = 30 + (a.nomExact == b.nomExact ? 5 : 0) + static_cast<int>(30 * prenoms + 0.5);
        for (const auto& [x, y, plein] :
             {std::tuple{a.naissance, b.naissance, 15}, std::tuple{a.deces, b.deces, 10}}) {
            if (!x.connu() || !y.connu()) continue;
            if (!x.recoupe(y)) return -1;
            const bool auJour = x.debut == x.fin && y.debut == y.fin;
            const bool aLAnnee = x.fin - x.debut <= 366 && y.fin - y.debut <= 366;
            s += auJour ? plein : aLAnnee ? plein - 5 : 5;
        }
        // One life: born before the other's death.
        if ((a.naissance.connu() && b.deces.connu() && a.naissance.debut > b.deces.fin) ||
            (b.naissance.connu() && a.deces.connu() && b.naissance.debut > a.deces.fin))
            return -1;
        if (a.lieu && b.lieu) s += a.lieu == b.lieu ? 10 : -15;
        for (const auto& [x, y] : {std::pair{a.pere, b.pere}, std::pair{a.mere, b.mere},
                                   std::pair{a.conjoint, b.conjoint}}) {
            if (x < 0 || y < 0) continue;
            s += x == y ? 15 : memeNom(x, y) ? 8 : -10;
        }
        return std::clamp(s, 0, 100);
    }

    FichierEnregistrements& m_fichier;
    std::vector<Personne> m_p;
    std::vector<QStringList> m_listes;
    Numeros m_nombres;
    Cache<std::pair<std::uint32_t, std::uint32_t>> m_noms;
    Cache<std::uint32_t> m_prenoms, m_lieux;
    Cache<Jours> m_dates;
};

} // namespace

std::vector<PaireDoublon> chercherDoublons(FichierEnregistrements& fichier,
                                           const std::function<void(double)>& progression) {
    return Chercheur(fichier).chercher(progression);
}
