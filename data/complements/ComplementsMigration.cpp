// A store of the first version brought to the structured one. The first
// version kept each person's, couple's, child's and record's structures as
// GEDCOM text; they are read into the tables of structures, what no column
// holds kept as its lines under its owner, and the text columns dropped.
// The whole upgrade is one transaction, after a copy of the store.
#include "data/complements/Complements.h"

#include "data/complements/Requete.h"
#include "data/complements/StockageStructures.h"

#include <QFile>
#include <QFileInfo>

using namespace magasin;
using namespace structures;

void Complements::sauvegarderAvantMiseAJour(std::int64_t version) {
    const QFileInfo info(m_chemin);
    const QString copie = info.dir().filePath(info.completeBaseName() +
                                              QStringLiteral(" (version %1).sqlite").arg(version));
    // A copy left by an upgrade that did not finish is the same store.
    if (QFileInfo::exists(copie) && !QFile::remove(copie))
        throw ErreurComplements(QStringLiteral("Le fichier de compléments « %1 » doit être mis à "
                                               "jour, mais sa copie « %2 » ne peut pas être "
                                               "remplacée")
                                    .arg(m_chemin, copie));
    // VACUUM INTO attaches the copy: allowed for that moment only.
    sqlite3_limit(m_base, SQLITE_LIMIT_ATTACHED, 1);
    try {
        Requete vers(m_base, "VACUUM INTO ?");
        vers.lier(1, copie.toStdString());
        vers.executer();
    } catch (...) {
        sqlite3_limit(m_base, SQLITE_LIMIT_ATTACHED, 0);
        throw;
    }
    sqlite3_limit(m_base, SQLITE_LIMIT_ATTACHED, 0);
}

namespace {

std::vector<std::pair<std::int64_t, std::string>> textesNonVides(sqlite3* base, const char* sql) {
    std::vector<std::pair<std::int64_t, std::string>> lignes;
    Requete r(base, sql);
    while (r.ligne())
        lignes.emplace_back(r.entier(0), r.texte(1));
    return lignes;
}

} // namespace

void Complements::migrerDepuisLaVersion1() {
    executer(schemaStructures().c_str());
    EcrivainStructures ecrivain(m_base);
    for (const auto& [id, gedcom] :
         textesNonVides(m_base, "SELECT id, gedcom FROM personne WHERE gedcom != '' ORDER BY id"))
        ecrivain.ecrireTous(Sorte::Personne, id, lireStructures(gedcom, Sorte::Personne, 1));
    {
        Requete champs(m_base, "SELECT personne, ordre, nom, ecrit, gedcom FROM champ ORDER BY "
                               "personne, ordre");
        while (champs.ligne())
            ecrivain.ecrire(Sorte::Personne, champs.entier(0), Sorte::Personne, champs.entier(0),
                            static_cast<int>(champs.entier(1)),
                            elementDuChamp(champs.texte(2), champs.texte(3), champs.texte(4)));
    }
    for (const auto& [id, gedcom] :
         textesNonVides(m_base, "SELECT id, gedcom FROM couple WHERE gedcom != '' ORDER BY id"))
        ecrivain.ecrireTous(Sorte::Union, id, lireStructures(gedcom, Sorte::Union, 1));

    // Children get an identifier of their own, for their links' structures.
    executer("CREATE TABLE enfant_v2(id INTEGER PRIMARY KEY, couple INTEGER NOT NULL, rang INTEGER "
             "NOT NULL, fiche INTEGER NOT NULL, empreinte TEXT NOT NULL, filiation TEXT NOT NULL, "
             "lien_pere TEXT NOT NULL, lien_mere TEXT NOT NULL, details INTEGER NOT NULL DEFAULT "
             "0, UNIQUE(couple, rang))");
    {
        Requete lire(m_base, "SELECT couple, rang, fiche, empreinte, filiation, gedcom FROM enfant "
                             "ORDER BY couple, rang");
        Requete ecrire(m_base, "INSERT INTO enfant_v2(couple, rang, fiche, empreinte, filiation, "
                               "lien_pere, lien_mere, details) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        while (lire.ligne()) {
            const std::string lien = lienEnFrancais(lire.texte(4));
            const std::string gedcom = lire.texte(5);
            ecrire.lier(1, lire.entier(0))
                .lier(2, lire.entier(1))
                .lier(3, lire.entier(2))
                .lier(4, lire.texte(3))
                .lier(5, lire.texte(4))
                .lier(6, lien)
                .lier(7, lien)
                .lier(8, static_cast<std::int64_t>(!gedcom.empty()))
                .executer();
            if (!gedcom.empty())
                ecrivain.ecrireTous(Sorte::Enfant, sqlite3_last_insert_rowid(m_base),
                                    lireStructures(gedcom, Sorte::Enfant, 2));
        }
    }
    {
        std::int64_t racine = 1;
        Requete records(m_base, "SELECT xref, gedcom FROM enregistrement ORDER BY rowid");
        while (records.ligne())
            ajouterEnregistrement(ecrivain, {records.texte(0), records.texte(1)}, racine++);
    }
    executer("DROP TABLE enfant;"
             "ALTER TABLE enfant_v2 RENAME TO enfant;"
             "CREATE INDEX enfant_fiche ON enfant(fiche);"
             "DROP TABLE champ;"
             "DROP TABLE enregistrement;"
             "ALTER TABLE personne DROP COLUMN gedcom;"
             "ALTER TABLE couple DROP COLUMN gedcom;");
}
