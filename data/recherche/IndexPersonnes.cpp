#include "data/recherche/IndexPersonnes.h"

#include "data/fichier/Translitteration.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/Texte.h"

#include <QStringList>

#include <unicode/coll.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <numeric>

// ---------------------------------------------------------------- dictionary

namespace {

// Eight bytes at a time, from each end: a million texts hashed in a blink.
std::uint32_t empreinte(const std::uint8_t* o, int n) {
    std::uint64_t debut = 0, fin = 0;
    std::memcpy(&debut, o, static_cast<std::size_t>(std::min(8, n)));
    if (n > 8) std::memcpy(&fin, o + n - 8, 8);
    // MurmurHash3's finaliser: every byte reaches every bit of the slot number.
    std::uint64_t h =
        debut * 0x9E3779B97F4A7C15ull + fin * 0xC2B2AE3D27D4EB4Full + static_cast<std::uint64_t>(n);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<std::uint32_t>(h);
}

} // namespace

std::uint32_t Dictionnaire::numero(const std::uint8_t* octets, int longueur) {
    if (m_cases.size() < 2 * m_debuts.size() + 16) agrandir();
    const std::uint32_t masque = static_cast<std::uint32_t>(m_cases.size() - 1);
    for (std::uint32_t i = empreinte(octets, longueur) & masque;; i = (i + 1) & masque) {
        const std::uint32_t c = m_cases[i];
        if (c == 0) {
            const auto n = static_cast<std::uint32_t>(m_debuts.size());
            m_debuts.push_back(static_cast<std::uint32_t>(m_octets.size()));
            m_octets.push_back(static_cast<char>(longueur));
            m_octets.append(reinterpret_cast<const char*>(octets),
                            static_cast<std::size_t>(longueur));
            m_cases[i] = n + 1;
            return n;
        }
        const char* stocke = m_octets.data() + m_debuts[c - 1];
        if (static_cast<std::uint8_t>(stocke[0]) == longueur &&
            std::memcmp(stocke + 1, octets, static_cast<std::size_t>(longueur)) == 0)
            return c - 1;
    }
}

void Dictionnaire::agrandir() {
    const std::size_t taille = std::max<std::size_t>(64, m_cases.size() * 2);
    m_cases.assign(taille, 0);
    const std::uint32_t masque = static_cast<std::uint32_t>(taille - 1);
    for (std::uint32_t n = 0; n < m_debuts.size(); ++n) {
        const auto* o = reinterpret_cast<const std::uint8_t*>(m_octets.data() + m_debuts[n]);
        std::uint32_t i = empreinte(o + 1, o[0]) & masque;
        while (m_cases[i] != 0)
            i = (i + 1) & masque;
        m_cases[i] = n + 1;
    }
}

std::string_view Dictionnaire::octets(std::uint32_t numero) const {
    const auto* o = reinterpret_cast<const unsigned char*>(m_octets.data() + m_debuts[numero]);
    return {reinterpret_cast<const char*>(o + 1), o[0]};
}

QString Dictionnaire::texte(std::uint32_t numero) const {
    const auto* o = reinterpret_cast<const unsigned char*>(m_octets.data() + m_debuts[numero]);
    return cp1252::decoder(o + 1, o[0]);
}

// ---------------------------------------------------------------- French order

namespace {

// "de Gaulle" sorts with the G, "d'Artagnan" with the A; "Du Bellay" and
// "La Fontaine" keep their article, as French lists do.
QString sansParticule(const QString& nom) {
    const QString t = nom.trimmed();
    for (const QString& particule :
         {QStringLiteral("de "), QStringLiteral("d'"), QStringLiteral("d’")})
        if (t.startsWith(particule, Qt::CaseInsensitive) && t.size() > particule.size())
            return t.mid(particule.size()).trimmed();
    return t;
}

const icu::Collator& collateurFrancais() {
    static const std::unique_ptr<icu::Collator> collateur = [] {
        UErrorCode etat = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> c(
            icu::Collator::createInstance(icu::Locale::getFrance(), etat));
        // Case and accents do not count: "Dupont", "DUPONT" and "Dupönt" are one name.
        if (U_SUCCESS(etat))
            c->setStrength(icu::Collator::PRIMARY);
        else
            c.reset();
        return c;
    }();
    return *collateur;
}

std::string cleDeTri(const QString& texte) {
    const icu::UnicodeString u(reinterpret_cast<const UChar*>(texte.utf16()),
                               static_cast<int32_t>(texte.size()));
    std::string cle(64, '\0');
    int32_t n = collateurFrancais().getSortKey(u, reinterpret_cast<uint8_t*>(cle.data()),
                                               static_cast<int32_t>(cle.size()));
    if (n > static_cast<int32_t>(cle.size())) {
        cle.resize(static_cast<std::size_t>(n));
        n = collateurFrancais().getSortKey(u, reinterpret_cast<uint8_t*>(cle.data()), n);
    }
    cle.resize(static_cast<std::size_t>(std::max(0, n - 1))); // without the final NUL
    return cle;
}

} // namespace

namespace {

// The rank of each value in increasing order, equal values sharing it.
template <typename Valeur> std::vector<std::uint32_t> rangsDe(const std::vector<Valeur>& valeurs) {
    std::vector<std::uint32_t> ordre(valeurs.size());
    std::iota(ordre.begin(), ordre.end(), 0u);
    std::sort(ordre.begin(), ordre.end(),
              [&](std::uint32_t a, std::uint32_t b) { return valeurs[a] < valeurs[b]; });
    std::vector<std::uint32_t> rangs(valeurs.size());
    std::uint32_t rang = 0;
    for (std::size_t i = 0; i < ordre.size(); ++i) {
        if (i > 0 && valeurs[ordre[i]] != valeurs[ordre[i - 1]]) ++rang;
        rangs[ordre[i]] = rang;
    }
    return rangs;
}

} // namespace

std::vector<std::uint32_t> rangsFrancais(const std::vector<QString>& textes, bool nomDeFamille) {
    std::vector<std::string> cles(textes.size());
    for (std::size_t i = 0; i < textes.size(); ++i) {
        cles[i] = nomDeFamille ? cleDeTri(sansParticule(textes[i])) + '\x01' + cleDeTri(textes[i])
                               : cleDeTri(textes[i]);
        // An empty text sorts after every other.
        if (textes[i].trimmed().isEmpty()) cles[i] = std::string(1, '\xFF');
    }
    return rangsDe(cles);
}

// ---------------------------------------------------------------- the index

namespace {

// A text field straight from the stored record: its length byte (a damaged
// one read as the width), then its characters.
std::uint32_t enregistrer(Dictionnaire& d, const std::uint8_t* champ, int largeur) {
    return d.numero(champ + 1, std::min<int>(champ[0], largeur));
}

std::vector<QString> textesDe(const Dictionnaire& d) {
    std::vector<QString> textes(d.taille());
    for (std::uint32_t i = 0; i < d.taille(); ++i)
        textes[i] = d.texte(i);
    return textes;
}

// Year, month, day in one number; the unknown parts as 0, no date last.
std::int32_t cleDeDate(const QString& date) {
    const DateLue d = lireDate(date);
    if (!d.aUneAnnee()) return INT_MAX;
    return d.annee * 10000 + d.mois * 100 + d.jour;
}

} // namespace

namespace {

// Hyphens and apostrophes part words as blanks do: "Marie-Thérèse",
// "d'Artagnan".
QString motsSepares(const QString& reduit) {
    QString t = reduit;
    for (QChar& c : t)
        if (c == u'-' || c == u'\'') c = u' ';
    return t;
}

// Whether one of the words of `texte` (words parted by blanks) starts with `debut`.
bool unMotCommencePar(const QString& texte, const QString& debut) {
    for (qsizetype i = texte.indexOf(debut); i >= 0; i = texte.indexOf(debut, i + 1))
        if (i == 0 || texte[i - 1] == u' ') return true;
    return false;
}

// One bit for each word of the filter found at the start of a word of `texte`.
std::uint64_t motsTrouves(const QString& texte, const QStringList& mots) {
    std::uint64_t trouves = 0;
    for (qsizetype m = 0; m < mots.size(); ++m)
        if (unMotCommencePar(texte, mots[m])) trouves |= std::uint64_t(1) << m;
    return trouves;
}

} // namespace

void IndexPersonnes::construire(FichierEnregistrements& fichier) {
    *this = IndexPersonnes();
    // The stored bytes read in blocks, no record decoded.
    namespace d = decalage;
    const std::int64_t total = fichier.nombreFiches();
    m_personnes.reserve(static_cast<std::size_t>(total));
    std::vector<std::uint8_t> bloc(static_cast<std::size_t>(FichesParBloc * TailleFiche));
    for (std::int64_t debut = 0; debut < total; debut += FichesParBloc) {
        const std::int64_t voulu = std::min(FichesParBloc, total - debut);
        if (fichier.lireBloc(debut, voulu, bloc.data()) < voulu)
            throw ErreurES(ErreurES::LectureFinFichier);
        for (std::int64_t i = 0; i < voulu; ++i) {
            const std::uint8_t* o = bloc.data() + i * TailleFiche;
            m_personnes.push_back({enregistrer(m_noms, o + d::Nom, 25),
                                   enregistrer(m_prenoms, o + d::Prenom, 25),
                                   enregistrer(m_dates, o + d::DateNaissance, 10),
                                   enregistrer(m_lieux, o + d::LieuNaissance, 30),
                                   enregistrer(m_dates, o + d::DateDeces, 10),
                                   enregistrer(m_lieux, o + d::LieuDeces, 30)});
        }
    }
    const std::vector<QString> noms = textesDe(m_noms), prenoms = textesDe(m_prenoms);
    m_rangNom = rangsFrancais(noms, true);
    m_rangPrenom = rangsFrancais(prenoms, false);
    m_rangLieu = rangsFrancais(textesDe(m_lieux), false);
    std::vector<std::int32_t> clesDates(m_dates.taille());
    for (std::uint32_t i = 0; i < m_dates.taille(); ++i)
        clesDates[i] = cleDeDate(m_dates.texte(i));
    m_rangDate = rangsDe(clesDates);
    m_nomsReduits.resize(noms.size());
    for (std::size_t i = 0; i < noms.size(); ++i)
        m_nomsReduits[i] = motsSepares(reduireTexte(noms[i].trimmed()));
    m_prenomsReduits.resize(prenoms.size());
    for (std::size_t i = 0; i < prenoms.size(); ++i)
        m_prenomsReduits[i] = motsSepares(reduireTexte(prenoms[i].trimmed()));
    trier(m_colonne, m_croissant);
}

void IndexPersonnes::trier(Colonne colonne, bool croissant) {
    m_colonne = colonne;
    m_croissant = croissant;
    trierVisibles();
    filtrer(m_filtre);
}

void IndexPersonnes::exclure(std::int32_t numeroFiche) {
    m_exclue = numeroFiche;
    trierVisibles();
    filtrer(m_filtre);
}

void IndexPersonnes::trierVisibles() {
    // One 64-bit key a person: the column's rank, then the names and the
    // birth date, so that the sort is a sort of numbers.
    std::vector<std::pair<std::uint64_t, std::int32_t>> cles(m_personnes.size());
    for (std::size_t i = 0; i < m_personnes.size(); ++i) {
        const Personne& p = m_personnes[i];
        const std::uint64_t nom = m_rangNom[p.nom] & 0xFFFFF;
        const std::uint64_t prenom = m_rangPrenom[p.prenom] & 0xFFFFF;
        const std::uint64_t naissance = m_rangDate[p.dateNaissance] & 0xFFFFFF;
        const std::uint64_t deces = m_rangDate[p.dateDeces] & 0xFFFFFF;
        const std::uint64_t lieu = m_rangLieu[p.lieuNaissance] & 0xFFFFF;
        std::uint64_t cle = i;
        switch (m_colonne) {
        case Colonne::Numero:
            break;
        case Colonne::Nom:
            cle = nom << 44 | prenom << 24 | naissance;
            break;
        case Colonne::Prenom:
            cle = prenom << 44 | nom << 24 | naissance;
            break;
        case Colonne::Naissance:
            cle = naissance << 40 | nom << 20 | prenom;
            break;
        case Colonne::LieuNaissance:
            cle = lieu << 44 | nom << 24 | prenom;
            break;
        case Colonne::Deces:
            cle = deces << 40 | nom << 20 | prenom;
            break;
        }
        cles[i] = {cle, static_cast<std::int32_t>(i)};
    }
    std::sort(cles.begin(), cles.end());
    if (!m_croissant) std::reverse(cles.begin(), cles.end());
    m_ordre.clear();
    m_ordre.reserve(cles.size());
    for (const auto& [cle, personne] : cles)
        if (personne != m_exclue) m_ordre.push_back(personne);
}

std::string IndexPersonnes::empreinte(const Personne& p) const {
    std::string e(m_noms.octets(p.nom));
    ((e += '\x1f') += m_prenoms.octets(p.prenom)) += '\x1f';
    return e += m_dates.octets(p.dateNaissance);
}

void IndexPersonnes::restreindre(
    const CritereLieuDate& critere,
    const std::vector<std::pair<std::int32_t, std::string>>& duMagasin) {
    using E = CritereLieuDate::Evenement;
    m_critere = critere;
    m_retenues.clear();
    if (!critere.vide()) {
        // Each distinct date and place once, then each person's birth and death.
        std::vector<bool> dateConvient(m_dates.taille()), lieuConvient(m_lieux.taille());
        for (std::uint32_t i = 0; i < m_dates.taille(); ++i)
            dateConvient[i] =
                (!critere.depuis && !critere.jusqua) || critere.dateConvient(m_dates.texte(i));
        const RechercheDeLieu recherche(critere.lieu);
        for (std::uint32_t i = 0; i < m_lieux.taille(); ++i)
            lieuConvient[i] = recherche.toutLieu() || recherche.contient(m_lieux.texte(i));
        const bool naissance = critere.evenement == E::Tous || critere.evenement == E::Naissance;
        const bool deces = critere.evenement == E::Tous || critere.evenement == E::Deces;
        m_retenues.assign(m_personnes.size(), false);
        for (std::size_t i = 0; i < m_personnes.size(); ++i) {
            const Personne& p = m_personnes[i];
            m_retenues[i] =
                (naissance && dateConvient[p.dateNaissance] && lieuConvient[p.lieuNaissance]) ||
                (deces && dateConvient[p.dateDeces] && lieuConvient[p.lieuDeces]);
        }
        for (const auto& [fiche, empreinteGardee] : duMagasin)
            if (fiche >= 0 && fiche < nombre() &&
                empreinte(m_personnes[static_cast<std::size_t>(fiche)]) == empreinteGardee)
                m_retenues[static_cast<std::size_t>(fiche)] = true;
    }
    filtrer(m_filtre);
}

void IndexPersonnes::ajouterAutresNoms(const std::vector<AutreNom>& noms) {
    for (const AutreNom& n : noms) {
        if (n.fiche < 0 || n.fiche >= nombre()) continue;
        if (empreinte(m_personnes[static_cast<std::size_t>(n.fiche)]) != n.empreinte) continue;
        m_autresNoms.push_back({n.fiche, motsSepares(reduireTexte(
                                             versCp1252(QString(n.nom).remove(u'/')).trimmed()))});
    }
    filtrer(m_filtre);
}

void IndexPersonnes::filtrer(const QString& filtre) {
    appliquerFiltre(filtre);
    repousserLesDouteuses();
}

void IndexPersonnes::repousser(
    std::function<bool(const QString& naissance, const QString& deces)> douteuse) {
    m_douteuses.assign(m_personnes.size(), false);
    // Each distinct pair of dates judged once: a file repeats its dates.
    std::map<std::pair<std::uint32_t, std::uint32_t>, bool> jugees;
    for (std::size_t i = 0; i < m_personnes.size(); ++i) {
        const Personne& p = m_personnes[i];
        const auto cle = std::pair{p.dateNaissance, p.dateDeces};
        auto j = jugees.find(cle);
        if (j == jugees.end())
            j = jugees
                    .emplace(cle, douteuse(texte(static_cast<std::int32_t>(i), Colonne::Naissance),
                                           texte(static_cast<std::int32_t>(i), Colonne::Deces)))
                    .first;
        m_douteuses[i] = j->second;
    }
    repousserLesDouteuses();
}

void IndexPersonnes::repousserLesDouteuses() {
    if (m_douteuses.empty()) return;
    std::stable_partition(m_visibles.begin(), m_visibles.end(),
                          [&](std::int32_t p) { return !douteuse(p); });
}

void IndexPersonnes::appliquerFiltre(const QString& filtre) {
    m_filtre = filtre;
    const QString f = reduireTexte(versCp1252(filtre.trimmed()));
    auto retenue = [&](std::int32_t personne) {
        return m_retenues.empty() || m_retenues[static_cast<std::size_t>(personne)];
    };
    if (f.isEmpty()) {
        m_visibles = m_ordre;
        if (!m_retenues.empty())
            std::erase_if(m_visibles, [&](std::int32_t p) { return !retenue(p); });
        return;
    }
    m_visibles.clear();
    bool chiffres = false;
    const int numero = f.toInt(&chiffres);
    if (chiffres) {
        if (numero >= 0 && numero < nombre() && numero != m_exclue && retenue(numero))
            m_visibles.push_back(numero);
        return;
    }
    // Every word typed, in any order, starts a word of the surname (its
    // particle included) or of the given names.
    QStringList mots = motsSepares(f).split(u' ', Qt::SkipEmptyParts);
    mots.removeDuplicates();
    if (mots.size() > 64) mots.resize(64);
    const std::uint64_t tous =
        mots.size() == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << mots.size()) - 1;
    // Each distinct surname and given names once, then each person.
    std::vector<std::uint64_t> parNom(m_nomsReduits.size()), parPrenom(m_prenomsReduits.size());
    for (std::size_t i = 0; i < m_nomsReduits.size(); ++i)
        parNom[i] = motsTrouves(m_nomsReduits[i], mots);
    for (std::size_t i = 0; i < m_prenomsReduits.size(); ++i)
        parPrenom[i] = motsTrouves(m_prenomsReduits[i], mots);
    std::vector<bool> parAutreNom(m_autresNoms.empty() ? 0 : m_personnes.size());
    for (const auto& [fiche, nom] : m_autresNoms)
        if (motsTrouves(nom, mots) == tous) parAutreNom[static_cast<std::size_t>(fiche)] = true;
    for (const std::int32_t personne : m_ordre) {
        const Personne& p = m_personnes[static_cast<std::size_t>(personne)];
        if (((parNom[p.nom] | parPrenom[p.prenom]) == tous ||
             (!parAutreNom.empty() && parAutreNom[static_cast<std::size_t>(personne)])) &&
            retenue(personne))
            m_visibles.push_back(personne);
    }
}

QString IndexPersonnes::texte(std::int32_t personne, Colonne colonne) const {
    const Personne& p = m_personnes[static_cast<std::size_t>(personne)];
    switch (colonne) {
    case Colonne::Numero:
        return QString::number(personne);
    case Colonne::Nom:
        return m_noms.texte(p.nom);
    case Colonne::Prenom:
        return m_prenoms.texte(p.prenom);
    case Colonne::Naissance:
        return m_dates.texte(p.dateNaissance);
    case Colonne::LieuNaissance:
        return m_lieux.texte(p.lieuNaissance);
    case Colonne::Deces:
        return m_dates.texte(p.dateDeces);
    }
    return {};
}

std::int32_t IndexPersonnes::numeroFiche(std::int32_t personne) const {
    return personne;
}

std::int32_t IndexPersonnes::ligneDe(std::int32_t numeroFiche) const {
    const auto i = std::find(m_visibles.begin(), m_visibles.end(), numeroFiche);
    return i == m_visibles.end() ? -1 : static_cast<std::int32_t>(i - m_visibles.begin());
}
