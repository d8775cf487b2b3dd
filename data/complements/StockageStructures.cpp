#include "data/complements/StockageStructures.h"

#include "data/fichier/IntervalleDate.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

using namespace magasin;

namespace structures {

namespace {

const char* const ColonnesCommunes =
    "id INTEGER PRIMARY KEY, sorte_proprietaire TEXT NOT NULL, proprietaire INTEGER NOT NULL, "
    "ordre INTEGER NOT NULL, racine_sorte TEXT NOT NULL, racine INTEGER NOT NULL, champ TEXT, "
    "ecrit TEXT, etiquette TEXT NOT NULL, xref TEXT, valeur TEXT, verbatim TEXT";

// The columns read back, in the order lireLigne() takes them.
const char* const Lues = "e.id, e.sorte_proprietaire, e.proprietaire, e.ordre, e.champ, e.ecrit, "
                         "e.etiquette, e.xref, e.valeur, e.verbatim";
constexpr int NombreLues = 10;

std::string colonnesDe(const Description& d, const char* prefixe) {
    std::string s;
    for (const Colonne& c : d.colonnes)
        s += std::string(", ") + prefixe + c.nom;
    return s;
}

std::string sorteTexte(Sorte s) {
    return std::string(1, static_cast<char>(s));
}

Sorte sorteLue(const std::string& t) {
    return t.empty() ? Sorte::Reste : static_cast<Sorte>(t.front());
}

// A row read: the structure and where it goes.
struct Ligne {
    std::int64_t id = 0;
    Sorte sorteProprietaire = Sorte::Fichier;
    std::int64_t proprietaire = 0;
    std::int64_t ordre = 0;
    Element e;
};

Ligne lireLigne(const Requete& r, Sorte sorte, std::size_t colonnes) {
    Ligne l;
    l.id = r.entier(0);
    l.sorteProprietaire = sorteLue(r.texte(1));
    l.proprietaire = r.entier(2);
    l.ordre = r.entier(3);
    l.e.sorte = sorte;
    l.e.champ = r.texte(4);
    l.e.ecrit = r.texte(5);
    l.e.etiquette = r.texte(6);
    l.e.xref = r.texte(7);
    l.e.valeur = r.texteOuRien(8);
    l.e.verbatim = r.texte(9);
    l.e.colonnes.reserve(colonnes);
    for (std::size_t i = 0; i < colonnes; ++i)
        l.e.colonnes.push_back(r.texteOuRien(NombreLues + static_cast<int>(i)));
    return l;
}

std::string colonnesLuesDe(Sorte s, const char* enPlus = "") {
    return std::string("SELECT ") + Lues + colonnesDe(descriptionDe(s), "e.") + enPlus;
}

std::string selectionDe(Sorte s, const char* enPlus = "") {
    return colonnesLuesDe(s, enPlus) + " FROM " + descriptionDe(s).table + " e";
}

// The rows of one root put together, each structure under its owner, in
// its order. Sorted by owner, each owner's rows are one run of the rows,
// found by a binary search: nothing is allocated but the structures.
class Assemblage {
public:
    explicit Assemblage(std::vector<Ligne>& lignes) : m_lignes(lignes), m_place(lignes.size()) {
        std::sort(m_lignes.begin(), m_lignes.end(), [](const Ligne& a, const Ligne& b) {
            return std::tie(a.sorteProprietaire, a.proprietaire, a.ordre, a.id) <
                   std::tie(b.sorteProprietaire, b.proprietaire, b.ordre, b.id);
        });
    }

    StructuresDUneRacine racine(Sorte sorte, std::int64_t id) {
        StructuresDUneRacine resultat;
        const auto [debut, fin] = sous(sorte, id);
        for (std::size_t k = debut; k < fin; ++k) {
            if (m_place[k]) continue;
            Element e = construire(k);
            (e.champ.empty() ? resultat.structures : resultat.champs).push_back(std::move(e));
        }
        return resultat;
    }

private:
    // The rows owned by (sorte, id), as a range of indexes.
    std::pair<std::size_t, std::size_t> sous(Sorte sorte, std::int64_t id) const {
        struct ParProprietaire {
            bool operator()(const Ligne& l, const std::pair<Sorte, std::int64_t>& c) const {
                return std::pair(l.sorteProprietaire, l.proprietaire) < c;
            }
            bool operator()(const std::pair<Sorte, std::int64_t>& c, const Ligne& l) const {
                return c < std::pair(l.sorteProprietaire, l.proprietaire);
            }
        };
        const auto [debut, fin] = std::equal_range(m_lignes.begin(), m_lignes.end(),
                                                   std::pair(sorte, id), ParProprietaire{});
        return {static_cast<std::size_t>(debut - m_lignes.begin()),
                static_cast<std::size_t>(fin - m_lignes.begin())};
    }

    // Built from the deepest: an owner gets its structures complete. A chain
    // that loops (a damaged store) is cut where it comes back.
    Element construire(std::size_t i) {
        m_place[i] = true;
        Element e = std::move(m_lignes[i].e);
        const auto [debut, fin] = sous(e.sorte, m_lignes[i].id);
        for (std::size_t k = debut; k < fin; ++k)
            if (!m_place[k]) e.enfants.push_back(construire(k));
        return e;
    }

    std::vector<Ligne>& m_lignes;
    std::vector<bool> m_place;
};

StructuresDUneRacine assembler(std::vector<Ligne>& lignes, Sorte sorteRacine, std::int64_t racine) {
    return Assemblage(lignes).racine(sorteRacine, racine);
}

// "N45.5", "-1.25", "W0": the number, when there is one.
std::optional<double> coordonnee(const std::optional<std::string>& t) {
    if (!t || t->empty()) return std::nullopt;
    std::string s = *t;
    double signe = 1;
    if (s.front() == 'S' || s.front() == 'W' || s.front() == 'N' || s.front() == 'E') {
        signe = (s.front() == 'S' || s.front() == 'W') ? -1 : 1;
        s.erase(0, 1);
    }
    bool ok = false;
    const double v = QString::fromStdString(s).toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return signe * v;
}

} // namespace

const char* const IndexDesEvenements =
    "CREATE INDEX IF NOT EXISTS evenement_jours ON evenement(jour_debut, jour_fin);\n"
    "CREATE INDEX IF NOT EXISTS evenement_lieu ON evenement(lieu_id);\n";

std::string schemaStructures() {
    std::string sql;
    for (Sorte s : sortesStockees()) {
        const Description& d = descriptionDe(s);
        const std::string table = d.table;
        sql += "CREATE TABLE IF NOT EXISTS " + table + "(" + ColonnesCommunes;
        for (const Colonne& c : d.colonnes)
            sql += std::string(", ") + c.nom + " TEXT";
        if (s == Sorte::Evenement) sql += ", lieu_id INTEGER, jour_debut INTEGER, jour_fin INTEGER";
        sql += ");\n";
        sql += "CREATE INDEX IF NOT EXISTS " + table + "_racine ON " + table +
               "(racine_sorte, racine);\n";
        if (s == Sorte::Source || s == Sorte::Depot || s == Sorte::Note || s == Sorte::Media ||
            s == Sorte::Reste)
            sql += "CREATE INDEX IF NOT EXISTS " + table + "_xref ON " + table +
                   "(xref) WHERE xref IS NOT NULL;\n";
    }
    sql += IndexDesEvenements;
    sql += "CREATE TABLE IF NOT EXISTS lieu(id INTEGER PRIMARY KEY, nom TEXT NOT NULL UNIQUE, "
           "libelle TEXT NOT NULL, parent INTEGER, insee TEXT, latitude REAL, longitude REAL);\n"
           "CREATE INDEX IF NOT EXISTS lieu_parent ON lieu(parent);\n";
    return sql;
}

namespace {

void executerSql(sqlite3* base, const char* sql) {
    const int code = sqlite3_exec(base, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) throw magasin::erreur(base, code, {});
}

} // namespace

IndexDifferes::IndexDifferes(sqlite3* base) : m_base(base) {
    Requete vide(base, "SELECT 1 FROM evenement LIMIT 1");
    if (vide.ligne()) return;
    executerSql(base, "DROP INDEX IF EXISTS evenement_jours; DROP INDEX IF EXISTS evenement_lieu;");
    m_differes = true;
}

// Made again even when the writing failed: the transaction taking it back
// takes the drop back too, and a store is never left without them.
IndexDifferes::~IndexDifferes() noexcept(false) {
    if (m_differes && !std::uncaught_exceptions()) executerSql(m_base, IndexDesEvenements);
}

EcrivainStructures::EcrivainStructures(sqlite3* base) : m_base(base) {
    for (Sorte s : sortesStockees()) {
        const Description& d = descriptionDe(s);
        std::string sql = std::string("INSERT INTO ") + d.table +
                          "(sorte_proprietaire, proprietaire, ordre, racine_sorte, racine, champ, "
                          "ecrit, etiquette, xref, valeur, verbatim" +
                          colonnesDe(d, "");
        std::size_t n = 11 + d.colonnes.size();
        if (s == Sorte::Evenement) {
            sql += ", lieu_id, jour_debut, jour_fin";
            n += 3;
        }
        sql += ") VALUES(?";
        for (std::size_t i = 1; i < n; ++i)
            sql += ", ?";
        sql += ")";
        m_insertions[s] = std::make_unique<Requete>(base, sql.c_str());
    }
    m_chercherLieu = std::make_unique<Requete>(base, "SELECT id FROM lieu WHERE nom = ?");
    m_lieuxTousConnus = !Requete(base, "SELECT 1 FROM lieu LIMIT 1").ligne();
    m_creerLieu =
        std::make_unique<Requete>(base, "INSERT INTO lieu(nom, libelle, parent) VALUES(?, ?, ?)");
    m_coordonnees = std::make_unique<Requete>(
        base, "UPDATE lieu SET latitude = ?, longitude = ? WHERE id = ? AND latitude IS NULL");
}

EcrivainStructures::~EcrivainStructures() = default;

std::int64_t EcrivainStructures::lieu(const std::string& nom,
                                      const std::optional<std::string>& latitude,
                                      const std::optional<std::string>& longitude) {
    std::int64_t id = 0;
    if (const auto connu = m_lieux.chercher(nom)) {
        id = *connu;
    } else {
        if (!m_lieuxTousConnus) {
            m_chercherLieu->lier(1, nom);
            if (m_chercherLieu->ligne()) id = m_chercherLieu->entier(0);
            m_chercherLieu->recommencer();
        }
        if (id == 0) {
            // "Worthington, MN, USA" is a place of "MN, USA", itself of "USA".
            const std::size_t virgule = nom.find(',');
            std::int64_t parent = 0;
            std::string libelle = nom.substr(0, virgule);
            if (virgule != std::string::npos) {
                std::size_t debut = virgule + 1;
                while (debut < nom.size() && nom[debut] == ' ')
                    ++debut;
                if (debut < nom.size()) parent = lieu(nom.substr(debut), {}, {});
            }
            m_creerLieu->lier(1, nom).lier(2, libelle);
            if (parent)
                m_creerLieu->lier(3, parent);
            else
                m_creerLieu->lierNul(3);
            m_creerLieu->executer();
            id = sqlite3_last_insert_rowid(m_base);
        }
        if (!m_lieux.ajouter(nom, id)) m_lieuxTousConnus = false;
    }
    // Coordinates (0, 0) are a program's blank, in the ocean off Africa.
    const auto lat = coordonnee(latitude), lon = coordonnee(longitude);
    if (lat && lon && !(*lat == 0 && *lon == 0) && std::abs(*lat) <= 90 && std::abs(*lon) <= 180)
        m_coordonnees->lierReel(1, *lat).lierReel(2, *lon).lier(3, id).executer();
    return id;
}

IntervalleDate EcrivainStructures::joursDe(const std::string& date) {
    // The common forms at once; the others read once each.
    if (const auto courante = dateGedcomCourante(date)) return intervalleDe(*courante);
    if (const auto connu = m_jours.find(date); connu != m_jours.end()) return connu->second;
    if (m_jours.size() > 200000) m_jours.clear(); // bounded, whatever the file
    return m_jours.emplace(date, intervalleDe(dateDepuisGedcom(QString::fromStdString(date)).fiche))
        .first->second;
}

void EcrivainStructures::ecrire(Sorte sorteProprietaire, std::int64_t proprietaire,
                                Sorte sorteRacine, std::int64_t racine, int ordre,
                                const Element& e) {
    Requete& r = *m_insertions.at(e.sorte);
    // Every text bound here outlives the insertion: bound without a copy.
    const auto texteOuNul = [&r](int i, const std::string& t) {
        if (t.empty())
            r.lierNul(i);
        else
            r.lierSansCopie(i, t);
    };
    const std::string proprietaireSorte = sorteTexte(sorteProprietaire),
                      racineSorte = sorteTexte(sorteRacine);
    r.lierSansCopie(1, proprietaireSorte)
        .lier(2, proprietaire)
        .lier(3, static_cast<std::int64_t>(ordre))
        .lierSansCopie(4, racineSorte)
        .lier(5, racine);
    texteOuNul(6, e.champ);
    texteOuNul(7, e.ecrit);
    r.lierSansCopie(8, e.etiquette);
    texteOuNul(9, e.xref);
    r.lierSansCopie(10, e.valeur);
    if (e.verbatim.empty())
        r.lierNul(11);
    else
        r.lierSansCopie(11, e.verbatim);
    int i = 12;
    for (const auto& c : e.colonnes)
        r.lierSansCopie(i++, c);
    if (e.sorte == Sorte::Evenement) {
        const auto& nomLieu = e.colonne("lieu");
        if (nomLieu && !nomLieu->empty())
            r.lier(i, lieu(*nomLieu, e.colonne("latitude"), e.colonne("longitude")));
        else
            r.lierNul(i);
        const auto& date = e.colonne("date");
        const IntervalleDate jours = date ? joursDe(*date) : IntervalleDate{};
        if (jours.connu()) {
            r.lier(i + 1, jours.premier).lier(i + 2, jours.dernier);
        } else {
            r.lierNul(i + 1).lierNul(i + 2);
        }
    }
    r.executer();
    const std::int64_t id = sqlite3_last_insert_rowid(m_base);
    for (std::size_t k = 0; k < e.enfants.size(); ++k)
        ecrire(e.sorte, id, sorteRacine, racine, static_cast<int>(k), e.enfants[k]);
}

void EcrivainStructures::ecrireTous(Sorte sorteProprietaire, std::int64_t proprietaire,
                                    const std::vector<Element>& elements, int premier) {
    for (std::size_t k = 0; k < elements.size(); ++k)
        ecrire(sorteProprietaire, proprietaire, sorteProprietaire, proprietaire,
               premier + static_cast<int>(k), elements[k]);
}

StructuresDUneRacine lireRacine(sqlite3* base, Sorte sorte, std::int64_t id) {
    std::vector<Ligne> lignes;
    for (Sorte s : sortesStockees()) {
        Requete r(base, (selectionDe(s) + " WHERE e.racine_sorte = ? AND e.racine = ?").c_str());
        r.lier(1, sorteTexte(sorte)).lier(2, id);
        const std::size_t n = descriptionDe(s).colonnes.size();
        while (r.ligne())
            lignes.push_back(lireLigne(r, s, n));
    }
    return assembler(lignes, sorte, id);
}

// One table's rows walked in the order of their roots, the root last.
struct FluxDeTable {
    Sorte sorte;
    std::size_t colonnes;
    Requete requete;
    bool ligne = false;
    // Walked in the order of the roots' ids: the rows of a root not asked
    // for (a person detached) are passed over.
    bool parIdsCroissants = false;
    FluxDeTable(sqlite3* base, Sorte s, const std::string& sql, bool croissants = false)
        : sorte(s), colonnes(descriptionDe(s).colonnes.size()), requete(base, sql.c_str()),
          parIdsCroissants(croissants) {
        ligne = requete.ligne();
    }
    std::int64_t racine() const { return requete.entier(NombreLues + static_cast<int>(colonnes)); }
    // The rows of one root, taken from the walk.
    void prendre(std::int64_t id, std::vector<Ligne>& lignes) {
        if (parIdsCroissants)
            while (ligne && racine() < id)
                ligne = requete.ligne();
        for (; ligne && racine() == id; ligne = requete.ligne())
            lignes.push_back(lireLigne(requete, sorte, colonnes));
    }
};

namespace {

// Whether the roots, in the walk's order, have ever larger ids: so they do
// after an import, where each person's entry follows the last.
bool idsCroissants(sqlite3* base, const std::string& table, const std::string& condition,
                   const std::string& ordre) {
    Requete r(
        base,
        ("SELECT r.id FROM " + table + " r WHERE " + condition + " ORDER BY " + ordre).c_str());
    std::int64_t avant = std::numeric_limits<std::int64_t>::min();
    while (r.ligne()) {
        const std::int64_t id = r.entier(0);
        if (id <= avant) return false;
        avant = id;
    }
    return true;
}

} // namespace

CurseurRacines::CurseurRacines(sqlite3* base, Sorte sorte, const std::string& tableDesRacines,
                               const std::string& conditionDesRacines,
                               const std::string& ordreDesRacines)
    : m_sorte(sorte) {
    // A table with nothing under such roots is not walked at all.
    std::vector<Sorte> tables;
    for (Sorte s : sortesStockees()) {
        Requete vide(base, (std::string("SELECT 1 FROM ") + descriptionDe(s).table +
                            " WHERE racine_sorte = ? LIMIT 1")
                               .c_str());
        vide.lier(1, sorteTexte(sorte));
        if (vide.ligne()) tables.push_back(s);
    }
    if (tables.empty()) return;
    const bool croissants =
        idsCroissants(base, tableDesRacines, conditionDesRacines, ordreDesRacines);
    const std::string racines = " WHERE e.racine_sorte = '" + sorteTexte(sorte) + "'";
    for (Sorte s : tables) {
        // Either the table alone along its index of roots, the roots' own
        // table not walked again for each table; or the roots outside, in
        // their order by their own index, each one's structures found by the
        // root index. SQLite sorts nothing.
        const std::string sql =
            croissants
                ? selectionDe(s, ", e.racine") + racines + " ORDER BY e.racine, e.id"
                : colonnesLuesDe(s, ", e.racine") + " FROM " + tableDesRacines + " r CROSS JOIN " +
                      descriptionDe(s).table + " e ON r.id = e.racine" + racines + " AND " +
                      conditionDesRacines + " ORDER BY " + ordreDesRacines;
        m_flux.push_back(std::make_unique<FluxDeTable>(base, s, sql, croissants));
    }
}

CurseurRacines::~CurseurRacines() = default;

StructuresDUneRacine CurseurRacines::lire(std::int64_t id) {
    std::vector<Ligne> lignes;
    for (auto& f : m_flux)
        f->prendre(id, lignes);
    return assembler(lignes, m_sorte, id);
}

void supprimerRacine(sqlite3* base, Sorte sorte, std::int64_t id) {
    for (Sorte s : sortesStockees()) {
        Requete r(base, (std::string("DELETE FROM ") + descriptionDe(s).table +
                         " WHERE racine_sorte = ? AND racine = ?")
                            .c_str());
        r.lier(1, sorteTexte(sorte)).lier(2, id).executer();
    }
}

void deplacerRacine(sqlite3* base, Sorte sorte, std::int64_t de, std::int64_t vers) {
    const std::string code = sorteTexte(sorte);
    std::int64_t apres = 0;
    for (Sorte s : sortesStockees()) {
        Requete r(base, (std::string("SELECT COALESCE(MAX(ordre), -1) + 1 FROM ") +
                         descriptionDe(s).table + " WHERE racine_sorte = ? AND racine = ?")
                            .c_str());
        r.lier(1, code).lier(2, vers);
        if (r.ligne()) apres = std::max(apres, r.entier(0));
    }
    for (Sorte s : sortesStockees()) {
        Requete r(base, (std::string("UPDATE ") + descriptionDe(s).table +
                         " SET proprietaire = CASE WHEN sorte_proprietaire = ?1 AND proprietaire "
                         "= ?2 THEN ?3 ELSE proprietaire END, ordre = ordre + ?4, champ = NULL, "
                         "racine = ?3 WHERE racine_sorte = ?1 AND racine = ?2")
                            .c_str());
        r.lier(1, code).lier(2, de).lier(3, vers).lier(4, apres).executer();
    }
}

Element elementDuChamp(const std::string& champ, const std::string& ecrit,
                       const std::string& gedcom) {
    std::vector<Element> lus = lireStructures(gedcom, Sorte::Personne, 1);
    Element e;
    if (lus.size() == 1) {
        e = std::move(lus.front());
    } else {
        e.etiquette = champ;
        e.verbatim = gedcom;
    }
    e.champ = champ;
    e.ecrit = ecrit;
    return e;
}

std::string lienEnFrancais(const std::string& filiation) {
    static const std::map<std::string, std::string> mots = {{"birth", "naissance"},
                                                            {"adopted", "adoption"},
                                                            {"foster", "nourrice"},
                                                            {"sealing", "scellement"},
                                                            {"", "naissance"}};
    const auto trouve = mots.find(filiation);
    return trouve != mots.end() ? trouve->second : filiation;
}

namespace {

// The tables that can hold a record of the file.
const std::vector<Sorte>& sortesDeRecords() {
    static const std::vector<Sorte> s = {Sorte::Source, Sorte::Depot, Sorte::Note, Sorte::Media,
                                         Sorte::Reste};
    return s;
}

} // namespace

std::int64_t prochaineRacineDeFichier(sqlite3* base) {
    std::int64_t plusGrande = 0;
    for (Sorte s : sortesDeRecords()) {
        Requete r(base, (std::string("SELECT COALESCE(MAX(racine), 0) FROM ") +
                         descriptionDe(s).table + " WHERE racine_sorte = '0'")
                            .c_str());
        if (r.ligne()) plusGrande = std::max(plusGrande, r.entier(0));
    }
    return plusGrande + 1;
}

std::int64_t racineDuRecord(sqlite3* base, const std::string& xref) {
    for (Sorte s : sortesDeRecords()) {
        Requete r(base, (std::string("SELECT racine FROM ") + descriptionDe(s).table +
                         " WHERE xref = ? AND sorte_proprietaire = '0' LIMIT 1")
                            .c_str());
        r.lier(1, xref);
        if (r.ligne()) return r.entier(0);
    }
    return 0;
}

void supprimerEnregistrement(sqlite3* base, const std::string& xref) {
    for (std::int64_t racine = racineDuRecord(base, xref); racine != 0;
         racine = racineDuRecord(base, xref))
        supprimerRacine(base, Sorte::Fichier, racine);
}

void parcourirRecords(sqlite3* base, const std::function<void(const Element&)>& visiter) {
    // One walk per table, in the order of the roots, merged.
    std::vector<std::unique_ptr<FluxDeTable>> flux;
    for (Sorte s : sortesStockees())
        flux.push_back(std::make_unique<FluxDeTable>(
            base, s,
            selectionDe(s, ", e.racine") + " WHERE e.racine_sorte = '0' ORDER BY e.racine, e.id"));
    for (;;) {
        std::int64_t racine = std::numeric_limits<std::int64_t>::max();
        for (const auto& f : flux)
            if (f->ligne) racine = std::min(racine, f->racine());
        if (racine == std::numeric_limits<std::int64_t>::max()) return;
        std::vector<Ligne> lignes;
        for (auto& f : flux)
            f->prendre(racine, lignes);
        StructuresDUneRacine r = assembler(lignes, Sorte::Fichier, racine);
        for (const Element& e : r.structures)
            visiter(e);
    }
}

std::map<std::string, std::int64_t> plusGrandsIdentifiants(sqlite3* base) {
    std::map<std::string, std::int64_t> plusGrands;
    std::vector<std::string> tables = {"lieu"};
    for (Sorte s : sortesStockees())
        tables.emplace_back(descriptionDe(s).table);
    for (const std::string& t : tables) {
        Requete r(base, ("SELECT COALESCE(MAX(id), 0) FROM " + t).c_str());
        plusGrands[t] = r.ligne() ? r.entier(0) : 0;
    }
    return plusGrands;
}

void supprimerApres(sqlite3* base, const std::map<std::string, std::int64_t>& plusGrands) {
    for (const auto& [table, id] : plusGrands) {
        Requete r(base, ("DELETE FROM " + table + " WHERE id > ?").c_str());
        r.lier(1, id).executer();
    }
}

} // namespace structures
