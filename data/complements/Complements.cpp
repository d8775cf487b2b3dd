#include "data/complements/Complements.h"

#include <QDir>
#include <QFileInfo>

#include "data/complements/Requete.h"
#include "data/complements/StockageStructures.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <set>
#include <thread>

namespace {

using namespace magasin;

constexpr int VersionSchema = 2;

// The entries of the store; their structures are in the tables of
// StockageStructures.h.
const char* const Schema = R"(
CREATE TABLE IF NOT EXISTS personne(
    id INTEGER PRIMARY KEY,
    fiche INTEGER NOT NULL,
    empreinte TEXT NOT NULL,
    detachee INTEGER NOT NULL DEFAULT 0,
    note TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS personne_fiche ON personne(fiche);
CREATE TABLE IF NOT EXISTS couple(
    id INTEGER PRIMARY KEY,
    mari INTEGER NOT NULL,
    femme INTEGER NOT NULL,
    empreinte_mari TEXT NOT NULL,
    empreinte_femme TEXT NOT NULL,
    ordre_mari INTEGER NOT NULL,
    ordre_femme INTEGER NOT NULL,
    ecrit_mari TEXT NOT NULL,
    ecrit_femme TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS couple_mari ON couple(mari);
CREATE INDEX IF NOT EXISTS couple_femme ON couple(femme);
CREATE TABLE IF NOT EXISTS enfant(
    id INTEGER PRIMARY KEY,
    couple INTEGER NOT NULL,
    rang INTEGER NOT NULL,
    fiche INTEGER NOT NULL,
    empreinte TEXT NOT NULL,
    filiation TEXT NOT NULL,
    lien_pere TEXT NOT NULL,
    lien_mere TEXT NOT NULL,
    details INTEGER NOT NULL DEFAULT 0,
    UNIQUE(couple, rang));
CREATE INDEX IF NOT EXISTS enfant_fiche ON enfant(fiche);
CREATE TABLE IF NOT EXISTS meta(
    cle TEXT PRIMARY KEY,
    valeur TEXT NOT NULL);
)";

} // namespace

std::vector<std::string> structuresDe(const std::string& gedcom) {
    std::vector<std::string> structures;
    std::size_t debut = 0;
    while (debut < gedcom.size()) {
        std::size_t fin = debut;
        do {
            fin = gedcom.find('\n', fin);
            fin = fin == std::string::npos ? gedcom.size() : fin + 1;
        } while (fin < gedcom.size() && gedcom.compare(fin, 2, "1 ") != 0);
        structures.emplace_back(gedcom, debut, fin - debut);
        debut = fin;
    }
    return structures;
}

std::string empreinteDe(const TFiche& f) {
    // One allocation: a fingerprint is made for every person and child of an import.
    std::string e;
    e.reserve(static_cast<std::size_t>(f.Nom.longueurSignificative() +
                                       f.Prenom.longueurSignificative() +
                                       f.DateNaissance.longueurSignificative() + 2));
    auto ajouter = [&e](const auto& champ) {
        e.append(reinterpret_cast<const char*>(champ.octets.data()),
                 static_cast<std::size_t>(champ.longueurSignificative()));
    };
    ajouter(f.Nom);
    e += '\x1f';
    ajouter(f.Prenom);
    e += '\x1f';
    ajouter(f.DateNaissance);
    return e;
}

std::uint64_t empreinteHachee(const std::string& empreinte) {
    std::uint64_t h = 1469598103934665603ULL; // FNV-1a
    for (const unsigned char c : empreinte)
        h = (h ^ c) * 1099511628211ULL;
    return h;
}

std::uint64_t empreinteHacheeDesOctets(const std::uint8_t* fiche) {
    std::uint64_t h = 1469598103934665603ULL;
    const auto ajouter = [&](int decalage, int largeur, bool separateur) {
        const int longueur = std::min<int>(fiche[decalage], largeur);
        for (int i = 0; i < longueur; ++i)
            h = (h ^ fiche[decalage + 1 + i]) * 1099511628211ULL;
        if (separateur) h = (h ^ 0x1fu) * 1099511628211ULL;
    };
    ajouter(decalage::Nom, 25, true);
    ajouter(decalage::Prenom, 25, true);
    ajouter(decalage::DateNaissance, 10, false);
    return h;
}

std::string ecritDe(const TFiche& f, const std::string& champ) {
    auto texte = [](const auto& c) { return c.texte().toStdString(); };
    if (champ == "NAME") return texte(f.Nom) + '\x1f' + texte(f.Prenom);
    if (champ == "OCCU") return texte(f.Profession);
    if (champ == "BIRT") return texte(f.DateNaissance) + '\x1f' + texte(f.LieuNaissance);
    if (champ == "DEAT") return texte(f.DateDeces) + '\x1f' + texte(f.LieuDeces);
    if (champ == "MARR") return texte(f.DateMariage) + '\x1f' + texte(f.LieuMariage);
    if (champ == "OBJE") return texte(f.Photo);
    if (champ == "SEX") return f.Qualite == 0 ? "M" : f.Qualite <= 2 ? "F" : "U";
    return {};
}

QString Complements::cheminPour(const QString& cheminFichier) {
    const QFileInfo info(cheminFichier);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(" - compléments.sqlite"));
}

bool Complements::existe(const QString& cheminFichier) {
    return !cheminFichier.isEmpty() && QFileInfo(cheminPour(cheminFichier)).isFile();
}

Complements::Complements(sqlite3* base, QString chemin, bool lectureSeule)
    : m_base(base), m_chemin(std::move(chemin)), m_lectureSeule(lectureSeule) {}

Complements::~Complements() {
    sqlite3_close_v2(m_base);
}

std::unique_ptr<Complements> Complements::ouvrir(const QString& cheminFichier, bool creer) {
    // No count of SQLite's memory: its allocations take no lock. Only
    // before SQLite starts; later it is refused, harmlessly.
    static const int sansStatistiques = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)sansStatistiques;
    const QString chemin = cheminPour(cheminFichier);
    const QFileInfo info(chemin);
    if (info.exists() && !info.isFile())
        throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » n'est pas un "
                                               "fichier ordinaire : il ne peut pas servir")
                                    .arg(chemin));
    if (!info.exists() && !creer)
        throw ErreurComplements(
            QStringLiteral("Le fichier de compléments « %1 » n'existe pas").arg(chemin));
    const QByteArray nom = chemin.toUtf8();
    sqlite3* base = nullptr;
    bool lectureSeule = false;
    // One thread uses a store: no lock around each call.
    int code =
        sqlite3_open_v2(nom.constData(), &base,
                        SQLITE_OPEN_READWRITE | (creer ? SQLITE_OPEN_CREATE : 0) |
                            SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX,
                        nullptr);
    if (code != SQLITE_OK && info.exists()) {
        sqlite3_close_v2(base);
        base = nullptr;
        lectureSeule = true;
        code = sqlite3_open_v2(nom.constData(), &base,
                               SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE |
                                   SQLITE_OPEN_NOMUTEX,
                               nullptr);
    }
    if (code != SQLITE_OK) {
        const ErreurComplements e = erreur(base, code, chemin);
        sqlite3_close_v2(base);
        throw e;
    }
    std::unique_ptr<Complements> c(new Complements(base, chemin, lectureSeule));
    // A store may come from anyone: nothing in it runs, nothing in it is trusted.
    sqlite3_db_config(base, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(base, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(base, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(base, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(base, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_limit(base, SQLITE_LIMIT_LENGTH, TailleMaximumTexte);
    sqlite3_limit(base, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_busy_timeout(base, 2000);
    {
        Requete verification(base, "PRAGMA quick_check");
        if (!verification.ligne() || verification.texte(0) != "ok")
            throw erreur(base, SQLITE_CORRUPT, chemin);
    }
    std::int64_t v = 0;
    {
        Requete version(base, "PRAGMA user_version");
        version.ligne();
        v = version.entier(0);
    }
    if (v > VersionSchema)
        throw ErreurComplements(
            QStringLiteral("Le fichier de compléments « %1 » vient d'une version plus récente de "
                           "Velmoris : il n'est pas utilisé, et il n'est pas modifié")
                .arg(chemin));
    // Pages of 16 KiB and a large cache: the export reads the whole store in
    // order, and a small family's store stays small (each table and index
    // takes a page at least). The page size applies to a store still empty.
    if (v < VersionSchema && !lectureSeule) c->executer("PRAGMA page_size = 16384");
    c->executer("PRAGMA cache_size = -16384");
    // Large sorts (the events' indexes made again after an import of
    // millions) share their work with helper threads: 11 s become 7 s on two
    // cores for five million events.
    const unsigned aides = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    c->executer(("PRAGMA threads = " + std::to_string(aides)).c_str());
    if (!lectureSeule) {
        c->executer("PRAGMA journal_mode=DELETE");
        // A commit is durable when it returns, the removal of the store's
        // journal synced with its folder: the records' journal, removed
        // after it, can never outlive a store that a power cut took back.
        c->executer("PRAGMA synchronous=EXTRA");
    }
    if (v < VersionSchema) {
        if (lectureSeule) throw erreur(base, SQLITE_READONLY, chemin);
        c->creerSchema(v);
    }
    // The findings of the consistency check the user dismissed (added to
    // the second version without changing it: older stores get it here).
    if (!lectureSeule)
        c->executer("CREATE TABLE IF NOT EXISTS coherence_ignoree(fiche INTEGER NOT NULL, "
                    "empreinte TEXT NOT NULL, regle TEXT NOT NULL, valeurs TEXT NOT NULL, "
                    "PRIMARY KEY(fiche, regle, valeurs))");
    // A person marked living or dead by hand, for what a publication hides.
    if (!lectureSeule)
        c->executer("CREATE TABLE IF NOT EXISTS vie_marquee(fiche INTEGER PRIMARY KEY, "
                    "empreinte TEXT NOT NULL, vivant INTEGER NOT NULL)");
    return c;
}

void Complements::executer(const char* sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(m_base, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (code != SQLITE_OK) throw erreur(m_base, code, m_chemin);
}

// Created, or brought up to the current version in one transaction, a copy
// of the older store kept beside it first.
void Complements::creerSchema(std::int64_t version) {
    if (version >= 1) sauvegarderAvantMiseAJour(version);
    commencer();
    try {
        if (version >= 1) {
            migrerDepuisLaVersion1();
        } else {
            executer(Schema);
            executer(structures::schemaStructures().c_str());
        }
        executer("PRAGMA user_version = 2");
    } catch (...) {
        annuler();
        throw;
    }
    valider();
}

Complements::LectureGroupee::LectureGroupee(Complements& c) : m_c(c) {
    if (m_c.m_transactions != 0) return;
    m_ouverte = sqlite3_exec(m_c.m_base, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
}

Complements::LectureGroupee::~LectureGroupee() {
    if (m_ouverte) sqlite3_exec(m_c.m_base, "COMMIT", nullptr, nullptr, nullptr);
}

void Complements::commencer() {
    executer(m_transactions == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT interne");
    ++m_transactions;
}

void Complements::valider() {
    if (m_transactions == 0) return;
    executer(--m_transactions == 0 ? "COMMIT" : "RELEASE interne");
}

void Complements::annuler() {
    if (m_transactions == 0) return;
    if (--m_transactions == 0) {
        sqlite3_exec(m_base, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        sqlite3_exec(m_base, "ROLLBACK TO interne", nullptr, nullptr, nullptr);
        sqlite3_exec(m_base, "RELEASE interne", nullptr, nullptr, nullptr);
    }
}

namespace {

// Every table of the store, for a mark read back from a journal.
std::set<std::string> tablesDuMagasin() {
    std::set<std::string> tables = {"personne", "couple", "enfant", "lieu"};
    for (structures::Sorte s : structures::sortesStockees())
        tables.insert(structures::descriptionDe(s).table);
    return tables;
}

// Tags of what revenir() accepts.
constexpr char ChangementsSession = 'C';
constexpr char RetraitImport = 'I';

// A row that is no longer as the changes expect is left as it is.
int laisserLesConflits(void*, int, sqlite3_changeset_iter*) {
    return SQLITE_CHANGESET_OMIT;
}

struct Session {
    sqlite3_session* s = nullptr;
    ~Session() {
        if (s) sqlite3session_delete(s);
    }
};

QByteArray copieLiberee(int taille, void* octets) {
    QByteArray copie(static_cast<const char*>(octets), taille);
    sqlite3_free(octets);
    return copie;
}

} // namespace

QByteArray
Complements::enregistrerChangements(const std::function<void()>& ecriture,
                                    const std::function<void(const QByteArray&)>& avantValidation,
                                    QByteArray& retour) {
    Session session;
    int code = sqlite3session_create(m_base, "main", &session.s);
    if (code == SQLITE_OK) code = sqlite3session_attach(session.s, nullptr);
    if (code != SQLITE_OK) throw erreur(m_base, code, m_chemin);
    commencer();
    try {
        ecriture();
        int taille = 0;
        void* octets = nullptr;
        code = sqlite3session_changeset(session.s, &taille, &octets);
        if (code != SQLITE_OK) throw erreur(m_base, code, m_chemin);
        const QByteArray aller = ChangementsSession + copieLiberee(taille, octets);
        code = sqlite3changeset_invert(taille, aller.constData() + 1, &taille, &octets);
        if (code != SQLITE_OK) throw erreur(m_base, code, m_chemin);
        retour = ChangementsSession + copieLiberee(taille, octets);
        avantValidation(retour);
        valider();
        return aller;
    } catch (...) {
        annuler();
        throw;
    }
}

QByteArray Complements::marqueAvantImport() {
    std::map<std::string, std::int64_t> marque = structures::plusGrandsIdentifiants(m_base);
    for (const char* table : {"personne", "couple", "enfant"}) {
        Requete r(m_base, (std::string("SELECT COALESCE(MAX(id), 0) FROM ") + table).c_str());
        marque[table] = r.ligne() ? r.entier(0) : 0;
    }
    std::string texte = std::to_string(prochainImport());
    for (const auto& [table, id] : marque)
        texte += ' ' + table + '=' + std::to_string(id);
    return RetraitImport + QByteArray::fromStdString(texte);
}

void Complements::revenir(const QByteArray& changements) {
    if (changements.isEmpty()) return;
    if (changements.front() == ChangementsSession) {
        QByteArray octets = changements.mid(1);
        const int code =
            sqlite3changeset_apply(m_base, static_cast<int>(octets.size()), octets.data(), nullptr,
                                   laisserLesConflits, nullptr);
        if (code != SQLITE_OK) throw erreur(m_base, code, m_chemin);
        return;
    }
    if (changements.front() != RetraitImport) return;
    // "numero table=id…": every row above the noted id was the import's.
    const QList<QByteArray> mots = changements.mid(1).split(' ');
    bool lu = false;
    const int numero = mots.value(0).toInt(&lu);
    std::map<std::string, std::int64_t> plusGrands;
    const std::set<std::string> tables = tablesDuMagasin();
    for (qsizetype i = 1; i < mots.size(); ++i) {
        const qsizetype egal = mots[i].indexOf('=');
        bool nombre = false;
        const std::int64_t id = mots[i].mid(egal + 1).toLongLong(&nombre);
        const std::string table = mots[i].left(egal).toStdString();
        if (egal <= 0 || !nombre || !tables.count(table)) return; // not a mark of ours
        plusGrands[table] = id;
    }
    if (!lu || plusGrands.empty()) return;
    enTransaction(*this, [&] {
        structures::supprimerApres(m_base, plusGrands);
        // The store as it was, down to the count of a first import.
        if (numero <= 1)
            Requete(m_base, "DELETE FROM meta WHERE cle = 'imports'").executer();
        else
            Requete(m_base, "INSERT OR REPLACE INTO meta(cle, valeur) VALUES('imports', ?)")
                .lier(1, std::to_string(numero - 1))
                .executer();
    });
}

int Complements::prochainImport() {
    // A count from someone else's store may be anything: read as a number or as none.
    Requete lire(m_base, "SELECT CAST(valeur AS INTEGER) FROM meta WHERE cle = 'imports'");
    const std::int64_t n = lire.ligne() ? lire.entier(0) : 0;
    return n < 0 || n >= 1000000 ? 1000000 : static_cast<int>(n) + 1;
}

std::string empreinteImportee(const std::string& donnee, std::int32_t fiche,
                              const ComplementsImport& c, std::span<const TFiche> fiches) {
    if (!donnee.empty()) return donnee;
    const std::int64_t i = static_cast<std::int64_t>(fiche) - c.premiereFiche;
    return i >= 0 && i < static_cast<std::int64_t>(fiches.size())
               ? empreinteDe(fiches[static_cast<std::size_t>(i)])
               : std::string();
}

void Complements::ajouterImport(const ComplementsImport& c, std::span<const TFiche> fiches) {
    using namespace structures;
    enTransaction(*this, [&] {
        const int numero = prochainImport();
        const IndexDifferes index(m_base);
        Requete compte(m_base, "INSERT OR REPLACE INTO meta(cle, valeur) VALUES('imports', ?)");
        compte.lier(1, std::to_string(numero)).executer();
        EcrivainStructures ecrivain(m_base);
        Requete personne(m_base, "INSERT INTO personne(fiche, empreinte, note) VALUES(?, ?, ?)");
        for (const EntreePersonne& p : c.personnes) {
            personne.lier(1, p.fiche)
                .lier(2, empreinteImportee(p.empreinte, p.fiche, c, fiches))
                .lier(3, p.note)
                .executer();
            const std::int64_t id = sqlite3_last_insert_rowid(m_base);
            std::vector<Element> champs;
            for (const EntreePersonne::Champ& champ : p.champs)
                champs.push_back(elementDuChamp(champ.nom, champ.ecrit, champ.gedcom));
            ecrivain.ecrireTous(Sorte::Personne, id, champs);
            ecrivain.ecrireTous(Sorte::Personne, id,
                                lireStructures(p.structures, Sorte::Personne, 1));
        }
        Requete couple(m_base, "INSERT INTO couple(mari, femme, empreinte_mari, empreinte_femme, "
                               "ordre_mari, ordre_femme, ecrit_mari, ecrit_femme) "
                               "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        Requete enfant(m_base, "INSERT INTO enfant(couple, rang, fiche, empreinte, filiation, "
                               "lien_pere, lien_mere, details) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        for (const EntreeCouple& x : c.couples) {
            couple.lier(1, x.mari)
                .lier(2, x.femme)
                .lier(3, empreinteImportee(x.empreinteMari, x.mari, c, fiches))
                .lier(4, empreinteImportee(x.empreinteFemme, x.femme, c, fiches))
                .lier(5, x.ordreMari)
                .lier(6, x.ordreFemme)
                .lier(7, x.ecritMari)
                .lier(8, x.ecritFemme)
                .executer();
            const std::int64_t id = sqlite3_last_insert_rowid(m_base);
            ecrivain.ecrireTous(Sorte::Union, id, lireStructures(x.gedcom, Sorte::Union, 1));
            for (std::size_t r = 0; r < x.enfants.size(); ++r) {
                const EntreeCouple::Enfant& e = x.enfants[r];
                const std::string lien = lienEnFrancais(e.filiation);
                enfant.lier(1, id)
                    .lier(2, static_cast<std::int64_t>(r))
                    .lier(3, e.fiche)
                    .lier(4, empreinteImportee(e.empreinte, e.fiche, c, fiches))
                    .lier(5, e.filiation)
                    .lier(6, lien)
                    .lier(7, lien)
                    .lier(8, static_cast<std::int64_t>(!e.gedcom.empty()))
                    .executer();
                ecrivain.ecrireTous(Sorte::Enfant, sqlite3_last_insert_rowid(m_base),
                                    lireStructures(e.gedcom, Sorte::Enfant, 2));
            }
        }
        std::int64_t racine = prochaineRacineDeFichier(m_base);
        for (const EnregistrementComplement& e : c.enregistrements)
            ajouterEnregistrement(ecrivain, e, racine++);
    });
}

// A record of the file, replacing one of the same identifier: its own root.
void Complements::ajouterEnregistrement(structures::EcrivainStructures& ecrivain,
                                        const EnregistrementComplement& e, std::int64_t racine) {
    using namespace structures;
    supprimerEnregistrement(m_base, e.xref);
    std::vector<Element> lus = lireStructures(e.gedcom, Sorte::Fichier, 0);
    if (lus.size() != 1) { // not one record: kept as it is, under its identifier
        Element brut;
        brut.etiquette = "?";
        brut.verbatim = e.gedcom;
        lus.assign(1, std::move(brut));
    }
    lus.front().xref = e.xref;
    ecrivain.ecrire(Sorte::Fichier, racine, Sorte::Fichier, racine, 0, lus.front());
}

void Complements::suivreEnregistrement(std::int32_t fiche, const TFiche& avant, const TFiche& apres,
                                       bool remplacement) {
    const std::string ancienne = empreinteDe(avant), nouvelle = empreinteDe(apres);
    if (ancienne == nouvelle && !remplacement) return;
    enTransaction(*this, [&] {
        if (remplacement) {
            Requete detacher(m_base, "UPDATE personne SET detachee = 1 WHERE fiche = ? AND "
                                     "empreinte = ? AND detachee = 0");
            detacher.lier(1, fiche).lier(2, ancienne).executer();
            return;
        }
        Requete personne(m_base, "UPDATE personne SET empreinte = ? WHERE fiche = ? AND "
                                 "empreinte = ? AND detachee = 0");
        personne.lier(1, nouvelle).lier(2, fiche).lier(3, ancienne).executer();
        for (const char* sql :
             {"UPDATE couple SET empreinte_mari = ? WHERE mari = ? AND "
              "empreinte_mari = ?",
              "UPDATE couple SET empreinte_femme = ? WHERE femme = ? AND "
              "empreinte_femme = ?",
              "UPDATE enfant SET empreinte = ? WHERE fiche = ? AND empreinte = ?"}) {
            Requete r(m_base, sql);
            r.lier(1, nouvelle).lier(2, fiche).lier(3, ancienne).executer();
        }
    });
}

void Complements::ecrireNote(std::int32_t fiche, const TFiche& personne, const std::string& note) {
    enTransaction(*this, [&] {
        Requete chercher(m_base, "SELECT id FROM personne WHERE fiche = ? AND empreinte = ? AND "
                                 "detachee = 0 ORDER BY id LIMIT 1");
        chercher.lier(1, fiche).lier(2, empreinteDe(personne));
        if (chercher.ligne()) {
            Requete ecrire(m_base, "UPDATE personne SET note = ? WHERE id = ?");
            ecrire.lier(1, note).lier(2, chercher.entier(0)).executer();
            return;
        }
        Requete creer(m_base, "INSERT INTO personne(fiche, empreinte, note) VALUES(?, ?, ?)");
        creer.lier(1, fiche).lier(2, empreinteDe(personne)).lier(3, note).executer();
    });
}

void Complements::detacherFiche(std::int32_t fiche) {
    enTransaction(*this, [&] {
        Requete r(m_base, "UPDATE personne SET detachee = 1 WHERE fiche = ?");
        r.lier(1, fiche).executer();
    });
}

void Complements::supprimerFiche(std::int32_t fiche) {
    enTransaction(*this, [&] {
        Requete ids(m_base, "SELECT id FROM personne WHERE fiche = ?");
        ids.lier(1, fiche);
        std::vector<std::int64_t> entrees;
        while (ids.ligne())
            entrees.push_back(ids.entier(0));
        for (std::int64_t id : entrees)
            supprimerEntree(id);
    });
}

bool Complements::aDesEntrees(std::int32_t fiche) {
    Requete r(m_base, "SELECT 1 FROM personne WHERE fiche = ? LIMIT 1");
    r.lier(1, fiche);
    return r.ligne();
}

void Complements::rattacher(std::int64_t id, std::int32_t fiche, const TFiche& personne) {
    enTransaction(*this, [&] {
        Requete r(m_base,
                  "UPDATE personne SET fiche = ?, empreinte = ?, detachee = 0 WHERE id = ?");
        r.lier(1, fiche).lier(2, empreinteDe(personne)).lier(3, id).executer();
    });
}

void Complements::supprimerEntree(std::int64_t id) {
    enTransaction(*this, [&] {
        structures::supprimerRacine(m_base, structures::Sorte::Personne, id);
        Requete(m_base, "DELETE FROM personne WHERE id = ?").lier(1, id).executer();
    });
}
