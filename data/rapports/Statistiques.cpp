// The statistics of the whole file, read straight from the stored bytes in
// blocks, counted by two workers while the next block is read.
#include "data/fichier/Cp1252.h"
#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/Texte.h"
#include "data/rapports/Rapports.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>

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
        // A text of up to sixteen bytes, length included, is its first and
        // last eight bytes: compared without reading the arena.
        std::uint64_t debut = 0, fin = 0;
        lireBouts(champ, debut, fin);
        for (std::size_t i = melanger(debut, fin) & masque;; i = (i + 1) & masque) {
            const std::uint32_t c = m_cases[i];
            if (c == 0) {
                m_cases[i] = static_cast<std::uint32_t>(m_debuts.size() + 1);
                m_debuts.push_back(static_cast<std::uint32_t>(m_octets.size()));
                m_bouts.push_back({debut, fin});
                m_octets.append(reinterpret_cast<const char*>(champ),
                                static_cast<std::size_t>(n) + 1);
                m_comptes.push_back(fois);
                return;
            }
            const auto& [d, f] = m_bouts[c - 1];
            if (d == debut && f == fin &&
                (n + 1 <= 16 || std::memcmp(m_octets.data() + m_debuts[c - 1], champ,
                                            static_cast<std::size_t>(n) + 1) == 0)) {
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
    static void lireBouts(const std::uint8_t* champ, std::uint64_t& debut, std::uint64_t& fin) {
        const int n = champ[0];
        debut = 0;
        fin = 0;
        std::memcpy(&debut, champ, static_cast<std::size_t>(std::min(8, n + 1)));
        if (n + 1 > 8) std::memcpy(&fin, champ + n + 1 - 8, 8);
    }
    static std::size_t melanger(std::uint64_t debut, std::uint64_t fin) {
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
            std::size_t i = melanger(m_bouts[n].first, m_bouts[n].second) & (taille - 1);
            while (m_cases[i] != 0)
                i = (i + 1) & (taille - 1);
            m_cases[i] = static_cast<std::uint32_t>(n + 1);
        }
    }
    std::string m_octets;
    std::vector<std::uint32_t> m_debuts;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_bouts; // first and last eight bytes
    std::vector<std::int64_t> m_comptes;
    std::vector<std::uint32_t> m_cases;
};

// A field's significant length, a damaged length byte read as the width.
int longueur(const std::uint8_t* champ, int largeur) {
    return std::min<int>(champ[0], largeur);
}

// The year of a stored date, and whether it is certain: "12/03/1890",
// "??/03/1890", "??/??/1890" are; "vers 1850", "av. 1900", "1850-1860" are
// approximate. Read from the bytes for the common forms, by the date reader
// for the others; years before 1000 count too.
struct AnneeLue {
    int annee = 0;
    bool sure = false;
    bool lue = false;
};

AnneeLue lireAnnee(const std::uint8_t* champ) {
    const int n = longueur(champ, 10);
    const std::uint8_t* o = champ + 1;
    if (n == 0) return {};
    auto chiffre = [&](int i) { return o[i] >= '0' && o[i] <= '9'; };
    if (n == 10 && o[2] == '/' && o[5] == '/' && chiffre(6) && chiffre(7) && chiffre(8) &&
        chiffre(9))
        return {(o[6] - '0') * 1000 + (o[7] - '0') * 100 + (o[8] - '0') * 10 + (o[9] - '0'), true,
                true};
    // A qualifier then a year: "vers 1850", "ca. 1850", "av. 794"; or "1850?".
    int fin = n;
    if (n > 1 && o[n - 1] == '?') --fin;
    int debut = fin;
    while (debut > 0 && chiffre(debut - 1) && fin - debut < 4)
        --debut;
    if (fin < n && debut == 0 && debut < fin) {
        int annee = 0;
        for (int i = debut; i < fin; ++i)
            annee = annee * 10 + (o[i] - '0');
        return {annee, false, annee > 0};
    }
    if (fin == n && debut < fin && debut > 0 && (o[debut - 1] == ' ' || o[debut - 1] == '.')) {
        static const char* const qualifiants[] = {"vers ", "ca. ",   "ca ",  "env. ",
                                                  "est. ", "calc. ", "av. ", "ap. ",
                                                  "dep. ", "jusq. ", "c. "};
        for (const char* q : qualifiants) {
            const int l = static_cast<int>(std::strlen(q));
            if (l == debut && std::memcmp(o, q, static_cast<std::size_t>(l)) == 0) {
                int annee = 0;
                for (int i = debut; i < fin; ++i)
                    annee = annee * 10 + (o[i] - '0');
                return {annee, false, annee > 0};
            }
        }
    }
    const DateLue d = lireDate(cp1252::decoder(o, n));
    if (!d.aUneAnnee() || d.annee <= 0) return {};
    const bool sure = d.genre == DateLue::Genre::Exacte || d.genre == DateLue::Genre::MoisAnnee ||
                      d.genre == DateLue::Genre::Annee;
    return {d.annee, sure, true};
}

// What one part of the file gives; the parts are added together.
struct Partielle {
    Statistiques s;
    Compteur noms, prenoms, lieuxNaissance, lieuxMariage, lieuxDeces;
    std::int64_t sommeDesVies = 0, sommeDesViesApprochees = 0;
    int premiere = std::numeric_limits<int>::max(), derniere = std::numeric_limits<int>::min();
    // Years 0 to 9999, by decade: births, marriages, deaths.
    std::array<std::vector<std::int64_t>, 3> decennies{std::vector<std::int64_t>(1000),
                                                       std::vector<std::int64_t>(1000),
                                                       std::vector<std::int64_t>(1000)};

    void ajouter(const Partielle& autre) {
        s.fiches += autre.s.fiches;
        for (std::size_t q = 0; q < s.parQualite.size(); ++q)
            s.parQualite[q] += autre.s.parQualite[q];
        noms.fusionner(autre.noms);
        prenoms.fusionner(autre.prenoms);
        lieuxNaissance.fusionner(autre.lieuxNaissance);
        lieuxMariage.fusionner(autre.lieuxMariage);
        lieuxDeces.fusionner(autre.lieuxDeces);
        sommeDesVies += autre.sommeDesVies;
        sommeDesViesApprochees += autre.sommeDesViesApprochees;
        s.viesMesurees += autre.s.viesMesurees;
        s.viesApprochees += autre.s.viesApprochees;
        s.sansAucunLien += autre.s.sansAucunLien;
        premiere = std::min(premiere, autre.premiere);
        derniere = std::max(derniere, autre.derniere);
        for (std::size_t k = 0; k < decennies.size(); ++k)
            for (std::size_t d = 0; d < decennies[k].size(); ++d)
                decennies[k][d] += autre.decennies[k][d];
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
        texte(lieuxNaissance, d::LieuNaissance, 30);
        texte(lieuxMariage, d::LieuMariage, 30);
        texte(lieuxDeces, d::LieuDeces, 30);
        // The first given name: up to the first blank.
        const int lp = longueur(o + d::Prenom, 25);
        int premier = 0;
        while (premier < lp && o[d::Prenom + 1 + premier] != ' ')
            ++premier;
        if (premier > 0) {
            champ[0] = static_cast<std::uint8_t>(premier);
            std::memcpy(champ + 1, o + d::Prenom + 1, static_cast<std::size_t>(premier));
            prenoms.ajouter(champ);
        }
        const AnneeLue naissance = lireAnnee(o + d::DateNaissance);
        const AnneeLue mariage = lireAnnee(o + d::DateMariage);
        const AnneeLue deces = lireAnnee(o + d::DateDeces);
        const AnneeLue* lues[3] = {&naissance, &mariage, &deces};
        for (std::size_t k = 0; k < 3; ++k) {
            const AnneeLue& a = *lues[k];
            if (!a.lue || a.annee >= 10000) continue;
            ++decennies[k][static_cast<std::size_t>(a.annee / 10)];
            premiere = std::min(premiere, a.annee);
            derniere = std::max(derniere, a.annee);
        }
        if (naissance.lue && deces.lue && deces.annee >= naissance.annee &&
            deces.annee - naissance.annee <= 130) {
            if (naissance.sure && deces.sure) {
                sommeDesVies += deces.annee - naissance.annee;
                ++s.viesMesurees;
            } else {
                sommeDesViesApprochees += deces.annee - naissance.annee;
                ++s.viesApprochees;
            }
        }
        bool lie = brut::entier(o + d::Pere) != -1 || brut::entier(o + d::Mere) != -1;
        for (int k = 0; k < NbEmplacementsEnfants && !lie; ++k)
            lie = brut::entier(o + d::Enfants + 4 * k) != -1;
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
    std::map<int, std::int64_t>* parDecennie[3] = {&s.naissancesParDecennie, &s.mariagesParDecennie,
                                                   &s.decesParDecennie};
    for (std::size_t k = 0; k < 3; ++k)
        for (std::size_t d = 0; d < p.decennies[k].size(); ++d)
            if (p.decennies[k][d]) (*parDecennie[k])[static_cast<int>(d) * 10] = p.decennies[k][d];
    s.nomsFrequents = p.noms.plusFrequents(20);
    s.prenomsFrequents = p.prenoms.plusFrequents(20);
    s.lieuxNaissance = p.lieuxNaissance.plusFrequents(20);
    s.lieuxMariage = p.lieuxMariage.plusFrequents(20);
    s.lieuxDeces = p.lieuxDeces.plusFrequents(20);
    if (s.viesMesurees)
        s.dureeDeVieMoyenne =
            static_cast<double>(p.sommeDesVies) / static_cast<double>(s.viesMesurees);
    if (s.viesApprochees)
        s.dureeDeVieApprochee =
            static_cast<double>(p.sommeDesViesApprochees) / static_cast<double>(s.viesApprochees);
    if (p.premiere <= p.derniere) {
        s.premiereAnnee = p.premiere;
        s.derniereAnnee = p.derniere;
    }
    return s;
}
