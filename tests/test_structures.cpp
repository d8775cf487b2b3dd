// The companion store's structures: GEDCOM lines read into names, events,
// citations, sources… and written back unchanged; places as a hierarchy;
// a store of the first version upgraded with nothing lost, value for value.
#include "data/complements/Complements.h"
#include "data/complements/Structures.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/gedcom/Gedcom.h"
#include "data/recherche/IndexPersonnes.h"
#include "tests/OutilsTests.h"

#include <QtTest>

#include <sqlite3.h>

using namespace structures;

namespace {

// The first version's tables, as the last release created them.
const char* const SchemaVersion1 = R"(
CREATE TABLE personne(id INTEGER PRIMARY KEY, fiche INTEGER NOT NULL, empreinte TEXT NOT NULL,
    detachee INTEGER NOT NULL DEFAULT 0, note TEXT NOT NULL DEFAULT '', gedcom TEXT NOT NULL DEFAULT '');
CREATE INDEX personne_fiche ON personne(fiche);
CREATE TABLE champ(personne INTEGER NOT NULL, ordre INTEGER NOT NULL, nom TEXT NOT NULL,
    ecrit TEXT NOT NULL, gedcom TEXT NOT NULL, PRIMARY KEY(personne, ordre)) WITHOUT ROWID;
CREATE TABLE couple(id INTEGER PRIMARY KEY, mari INTEGER NOT NULL, femme INTEGER NOT NULL,
    empreinte_mari TEXT NOT NULL, empreinte_femme TEXT NOT NULL, ordre_mari INTEGER NOT NULL,
    ordre_femme INTEGER NOT NULL, ecrit_mari TEXT NOT NULL, ecrit_femme TEXT NOT NULL, gedcom TEXT NOT NULL);
CREATE INDEX couple_mari ON couple(mari);
CREATE INDEX couple_femme ON couple(femme);
CREATE TABLE enfant(couple INTEGER NOT NULL, rang INTEGER NOT NULL, fiche INTEGER NOT NULL,
    empreinte TEXT NOT NULL, filiation TEXT NOT NULL, gedcom TEXT NOT NULL,
    PRIMARY KEY(couple, rang)) WITHOUT ROWID;
CREATE INDEX enfant_fiche ON enfant(fiche);
CREATE TABLE enregistrement(xref TEXT PRIMARY KEY, gedcom TEXT NOT NULL);
CREATE TABLE meta(cle TEXT PRIMARY KEY, valeur TEXT NOT NULL);
PRAGMA user_version = 1;
)";

void executer(sqlite3* base, const std::string& sql, const std::vector<std::string>& valeurs) {
    sqlite3_stmt* r = nullptr;
    QCOMPARE(sqlite3_prepare_v2(base, sql.c_str(), -1, &r, nullptr), SQLITE_OK);
    for (std::size_t i = 0; i < valeurs.size(); ++i)
        sqlite3_bind_text(r, static_cast<int>(i + 1), valeurs[i].c_str(),
                          static_cast<int>(valeurs[i].size()), SQLITE_TRANSIENT);
    QCOMPARE(sqlite3_step(r), SQLITE_DONE);
    sqlite3_finalize(r);
}

// A store of the first version holding what an import gave.
void ecrireVersion1(const QString& chemin, const ResultatImport& importe) {
    const ComplementsImport& c = importe.complements;
    auto empreinte = [&](const std::string& e, std::int32_t fiche) {
        return empreinteImportee(e, fiche, c, importe.fiches);
    };
    sqlite3* base = nullptr;
    QCOMPARE(sqlite3_open(chemin.toUtf8().constData(), &base), SQLITE_OK);
    QCOMPARE(sqlite3_exec(base, SchemaVersion1, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_exec(base, "BEGIN", nullptr, nullptr, nullptr);
    auto n = [](auto v) { return std::to_string(v); };
    std::size_t rang = 0;
    for (const EntreePersonne& p : c.personnes) {
        ++rang;
        executer(base, "INSERT INTO personne(id, fiche, empreinte, gedcom) VALUES(?, ?, ?, ?)",
                 {n(rang), n(p.fiche), empreinte(p.empreinte, p.fiche), p.structures});
        for (std::size_t k = 0; k < p.champs.size(); ++k)
            executer(base, "INSERT INTO champ VALUES(?, ?, ?, ?, ?)",
                     {n(rang), n(k), p.champs[k].nom, p.champs[k].ecrit, p.champs[k].gedcom});
    }
    for (std::size_t i = 0; i < c.couples.size(); ++i) {
        const EntreeCouple& x = c.couples[i];
        executer(base, "INSERT INTO couple VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {n(i + 1), n(x.mari), n(x.femme), empreinte(x.empreinteMari, x.mari),
                  empreinte(x.empreinteFemme, x.femme), n(x.ordreMari), n(x.ordreFemme),
                  x.ecritMari, x.ecritFemme, x.gedcom});
        for (std::size_t r = 0; r < x.enfants.size(); ++r)
            executer(base, "INSERT INTO enfant VALUES(?, ?, ?, ?, ?, ?)",
                     {n(i + 1), n(r), n(x.enfants[r].fiche),
                      empreinte(x.enfants[r].empreinte, x.enfants[r].fiche), x.enfants[r].filiation,
                      x.enfants[r].gedcom});
    }
    for (const EnregistrementComplement& e : c.enregistrements)
        executer(base, "INSERT INTO enregistrement VALUES(?, ?)", {e.xref, e.gedcom});
    sqlite3_exec(base, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(base);
}

std::vector<std::string> lignesSql(const QString& chemin, const char* sql) {
    sqlite3* base = nullptr;
    sqlite3_open(chemin.toUtf8().constData(), &base);
    std::vector<std::string> lignes;
    sqlite3_exec(
        base, sql,
        [](void* l, int n, char** valeurs, char**) {
            std::string ligne;
            for (int i = 0; i < n; ++i)
                ligne += std::string(i ? "|" : "") + (valeurs[i] ? valeurs[i] : "NULL");
            static_cast<std::vector<std::string>*>(l)->push_back(ligne);
            return 0;
        },
        &lignes, nullptr);
    sqlite3_close(base);
    return lignes;
}

// A tree with what French registers give: a baptism with godparents as
// witnesses, a cited register with its call number, a Republican date, a
// place with coordinates, a name in Cyrillic, a child adopted by its father.
const QByteArray ArbreFrancais =
    "0 HEAD\n1 CHAR UTF-8\n"
    "0 @I1@ INDI\n1 NAME Ivan /Зыков/\n2 GIVN Ivan\n2 SURN Зыков\n1 SEX M\n"
    "1 BAPM\n2 DATE @#DFRENCH R@ 12 VEND 4\n2 PLAC Arles, Bouches-du-Rhône, France\n"
    "3 MAP\n4 LATI N43.6767\n4 LONG E4.6278\n2 ASSO @I2@\n3 RELA parrain\n"
    "2 SOUR @S1@\n3 PAGE vue 12, acte 34\n3 QUAY 3\n"
    "1 RESI\n2 PLAC Nulle part\n3 MAP\n4 LATI N0\n4 LONG E0\n"
    "1 _MONTAG quelque chose\n1 FAMS @F1@\n"
    "0 @I2@ INDI\n1 NAME Paul /Martin/\n1 SEX M\n1 FAMS @F1@\n"
    "0 @I3@ INDI\n1 NAME Luc /Martin/\n1 FAMC @F1@\n2 PEDI adopted\n2 NOTE adopté en 1820\n"
    "0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I3@\n1 MARR\n2 DATE 1799\n2 SOUR @S1@\n"
    "0 @S1@ SOUR\n1 TITL Registres paroissiaux d'Arles\n1 REPO @R1@\n2 CALN 202 E 12\n"
    "3 MEDI Microfilm\n"
    "0 @R1@ REPO\n1 NAME Archives départementales\n1 ADDR 20 rue Mirès\n2 CONT Marseille\n"
    "0 @N1@ NOTE Une note\n1 CONT sur deux lignes\n1 CONC  et sa suite\n"
    "0 @U1@ SUBM\n1 NAME Moi\n0 TRLR\n";

} // namespace

class TestStructures : public QObject {
    Q_OBJECT
private slots:
    void lignesLuesPuisRendues_data();
    void lignesLuesPuisRendues();
    void lieuxEnHierarchie();
    void nomSelonLaSource();
    void identifiantsDesAutresProgrammesGardes();
    void lieuDansUnAutre_data();
    void lieuDansUnAutre();
    void rechercheParLieuEtDate_data();
    void rechercheParLieuEtDate();
    void ceQueLaSourceDisaitRevient_data();
    void ceQueLaSourceDisaitRevient();
    void premiereVersionMiseAJourSansRienPerdre_data();
    void premiereVersionMiseAJourSansRienPerdre();
    void entreesDUnGrandImportRelues();
};

void TestStructures::lignesLuesPuisRendues_data() {
    QTest::addColumn<QByteArray>("gedcom");
    QTest::addColumn<int>("niveau");
    QTest::addColumn<char>("parent");
    QTest::addColumn<char>("sorte");
    QTest::addColumn<QString>("colonne");
    QTest::addColumn<QString>("valeur");
    QTest::addColumn<bool>("verbatim");
    auto ligne = [](const char* nom, const char* g, int niveau, Sorte parent, Sorte sorte,
                    const char* colonne, const QString& valeur, bool verbatim) {
        QTest::newRow(nom) << QByteArray(g) << niveau << static_cast<char>(parent)
                           << static_cast<char>(sorte) << QString::fromUtf8(colonne) << valeur
                           << verbatim;
    };
    ligne("événement", "1 BIRT\n2 DATE 1 JAN 1800\n2 PLAC Arles\n3 MAP\n4 LATI N43\n4 LONG E4\n", 1,
          Sorte::Personne, Sorte::Evenement, "longitude", "E4", false);
    ligne("date après la source", "1 DEAT\n2 SOUR @S1@\n2 DATE 1850\n", 1, Sorte::Personne,
          Sorte::Evenement, "date", "1850", true);
    ligne("date dite deux fois", "1 DEAT\n2 DATE 1850\n2 DATE 1851\n", 1, Sorte::Personne,
          Sorte::Evenement, "date", "1850", false);
    ligne("nom cyrillique", "1 NAME Ivan /Зыков/\n2 SURN Зыков\n", 1, Sorte::Personne, Sorte::Nom,
          "patronyme", QStringLiteral("Зыков"), false);
    ligne("citation", "2 SOUR @S1@\n3 PAGE f. 3\n3 DATA\n4 DATE 1801\n4 TEXT Acte\n", 2,
          Sorte::Evenement, Sorte::Citation, "texte", "Acte", false);
    ligne("adresse sur trois lignes", "0 @R1@ REPO\n1 ADDR 1 rue\n2 CONT Paris\n2 CITY Paris\n", 0,
          Sorte::Fichier, Sorte::Depot, "adresse", "1 rue\nParis", false);
    ligne("valeur coupée", "0 @N1@ NOTE Un\n1 CONC e note\n", 0, Sorte::Fichier, Sorte::Note, "",
          "", false);
    ligne("étiquette d'un autre programme", "1 _UID 1234\n2 _X y\n", 1, Sorte::Personne,
          Sorte::Reste, "", "", true);
    ligne("niveau sauté", "1 BIRT\n3 DATE 1800\n", 1, Sorte::Personne, Sorte::Reste, "", "", true);
    ligne("ligne sans fin", "1 BIRT\n2 DATE 1800", 1, Sorte::Personne, Sorte::Reste, "", "", true);
}

// Every text comes back byte for byte, its values in their columns, and the
// lines the canonical writing would change kept as they were.
void TestStructures::lignesLuesPuisRendues() {
    QFETCH(QByteArray, gedcom);
    QFETCH(int, niveau);
    QFETCH(char, parent);
    QFETCH(char, sorte);
    QFETCH(QString, colonne);
    QFETCH(QString, valeur);
    QFETCH(bool, verbatim);
    const std::vector<Element> lus =
        lireStructures(gedcom.toStdString(), static_cast<Sorte>(parent), niveau);
    QCOMPARE(lus.size(), 1u);
    QCOMPARE(static_cast<char>(lus.front().sorte), sorte);
    QCOMPARE(texteDe(lus, niveau), gedcom.toStdString());
    QCOMPARE(!lus.front().verbatim.empty(), verbatim);
    if (!colonne.isEmpty())
        QCOMPARE(QString::fromStdString(lus.front().colonne(colonne.toStdString()).value_or("?")),
                 valeur);
}

void TestStructures::lieuxEnHierarchie() {
    RepertoireDeTravail d;
    const QString fic = d.chemin(QStringLiteral("ARBRE.FIC"));
    const ResultatImport r = importerGedcom(ArbreFrancais);
    auto base = Complements::ouvrir(fic, true);
    base->ajouterImport(r.complements, r.fiches);
    base.reset();
    const QString magasin = Complements::cheminPour(fic);
    const auto lieux = lignesSql(magasin, "SELECT l.libelle, COALESCE(p.libelle, '-'), "
                                          "COALESCE(l.latitude, '-') FROM lieu l LEFT JOIN lieu "
                                          "p ON p.id = l.parent ORDER BY l.nom");
    QCOMPARE(lieux, (std::vector<std::string>{"Arles|Bouches-du-Rhône|43.6767",
                                              "Bouches-du-Rhône|France|-", "France|-|-",
                                              "Nulle part|-|-"}));
    // Dates by their days, to search and check; the Republican one as its Gregorian day.
    QCOMPARE(lignesSql(magasin, "SELECT etiquette, jour_debut = jour_fin FROM evenement WHERE "
                                "date IS NOT NULL ORDER BY etiquette"),
             (std::vector<std::string>{"BAPM|1", "MARR|0"}));
    QCOMPARE(lignesSql(magasin, "SELECT relation FROM association"),
             std::vector<std::string>{"parrain"});
    QCOMPARE(lignesSql(magasin, "SELECT lien_pere FROM enfant"),
             std::vector<std::string>{"adoption"});
    // The events' indexes, put off during the first import, are there after it.
    QCOMPARE(lignesSql(magasin, "SELECT name FROM sqlite_master WHERE name LIKE 'evenement_%' "
                                "ORDER BY name"),
             (std::vector<std::string>{"evenement_jours", "evenement_lieu", "evenement_racine"}));
}

// The entry form shows the name the source wrote only when the record
// cannot hold it.
void TestStructures::nomSelonLaSource() {
    RepertoireDeTravail d;
    const QString fic = d.chemin(QStringLiteral("ARBRE.FIC"));
    importerAvecComplements(ArbreFrancais, fic);
    const auto base = Complements::ouvrir(fic, false);
    const std::vector<TFiche> fiches = lireFichier(fic);
    QCOMPARE(nomDeLaSourceAMontrer(base->noms(0, fiches[0]), fiches[0]),
             QStringLiteral("Ivan Зыков"));
    QCOMPARE(nomDeLaSourceAMontrer(base->noms(1, fiches[1]), fiches[1]), QString());
}

// The identifiers other programs recognise a person or a family by come
// back on export.
void TestStructures::identifiantsDesAutresProgrammesGardes() {
    RepertoireDeTravail d;
    const QString fic = d.chemin(QStringLiteral("ARBRE.FIC"));
    importerAvecComplements(
        "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Jean /Dupont/\n1 _UID 1234ABCD\n1 RIN 77\n"
        "1 EXID 9\n1 CHAN\n2 DATE 1 JAN 2000\n1 FAMS @F1@\n0 @I2@ INDI\n1 NAME Anne /Morvan/\n"
        "1 SEX F\n1 FAMS @F1@\n0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 _UID 5678\n0 TRLR\n",
        fic);
    const QString gedcom = QString::fromUtf8(exporterAvecComplements(fic));
    for (const char* ligne :
         {"1 _UID 1234ABCD", "1 RIN 77", "1 EXID 9", "1 CHAN\r\n2 DATE 1 JAN 2000", "1 _UID 5678"})
        QVERIFY2(gedcom.contains(QString::fromUtf8(ligne)), ligne);
}

// A place is the one sought, or inside it, by its parts, accents, case and
// ligatures aside; a name that only starts the same is another place.
void TestStructures::lieuDansUnAutre_data() {
    QTest::addColumn<QString>("lieu");
    QTest::addColumn<QString>("cherche");
    QTest::addColumn<bool>("dedans");
    QTest::newRow("un lieu-dit de la commune") << "Kerozar, Morlaix, Finistère"
                                               << "morlaix" << true;
    QTest::newRow("accents et majuscules") << "SAINT-RÉMY-DE-PROVENCE, Bouches-du-Rhône"
                                           << "Saint-Remy-de-Provence" << true;
    QTest::newRow("ligature") << "Œuilly, Marne"
                              << "oeuilly" << true;
    QTest::newRow("blancs en trop") << "Commune   42, Var"
                                    << "commune 42" << true;
    QTest::newRow("espace insécable") << "Commune\u00A042"
                                      << "commune 42" << true;
    QTest::newRow("plusieurs parties, dans l'ordre") << "Kerozar, Morlaix, Finistère"
                                                     << "Morlaix, Finistère" << true;
    QTest::newRow("une autre commune du même nom") << "Morlaix, Côtes-d'Armor"
                                                   << "Morlaix, Finistère" << false;
    QTest::newRow("un nom qui commence pareil") << "Morlaix-Plage"
                                                << "Morlaix" << false;
    QTest::newRow("un lieu-dit dont le numéro contient celui cherché")
        << "Lieu-dit 1422, Commune 7, Var"
        << "Commune 42" << false;
    QTest::newRow("un lieu-dit de la commune numérotée") << "Lieu-dit 3, Commune 42, Var"
                                                         << "commune 42" << true;
    QTest::newRow("tabulation et blanc final") << "Commune\t42 , Var"
                                               << "commune 42" << true;
    QTest::newRow("autre écriture") << "Зыково, Россия"
                                    << "зыково" << true;
    QTest::newRow("lettre sans accent à ôter") << "Ødis, Danmark"
                                               << "Ødis" << true;
}

void TestStructures::lieuDansUnAutre() {
    QFETCH(QString, lieu);
    QFETCH(QString, cherche);
    QFETCH(bool, dedans);
    QCOMPARE(lieuDans(lieu, cherche), dedans);
}

// The index narrowed by place (a place with every place inside it) and by
// years, for each kind of event, from the records and the store together.
void TestStructures::rechercheParLieuEtDate_data() {
    using E = CritereLieuDate::Evenement;
    QTest::addColumn<QString>("lieu");
    QTest::addColumn<int>("evenement");
    QTest::addColumn<int>("depuis");
    QTest::addColumn<int>("jusqua");
    QTest::addColumn<QStringList>("trouves");
    QTest::newRow("un lieu et ce qu'il contient")
        << "Morlaix" << int(E::Tous) << 0 << 0 << QStringList{"Kerbrat", "Le Roux", "Tanguy"};
    QTest::newRow("le baptême dans un lieu-dit")
        << "morlaix" << int(E::Bapteme) << 0 << 0 << QStringList{"Kerbrat"};
    QTest::newRow("le mariage nomme les deux époux")
        << "Morlaix" << int(E::Mariage) << 0 << 0 << QStringList{"Kerbrat", "Le Roux"};
    QTest::newRow("le décès tenu par la fiche")
        << "Brest" << int(E::Deces) << 0 << 0 << QStringList{"Tanguy"};
    QTest::newRow("des années sans lieu")
        << "" << int(E::Naissance) << 1745 << 1750 << QStringList{"Kerbrat"};
    QTest::newRow("« vers 1750 » compte pour 1758")
        << "" << int(E::Bapteme) << 1758 << 1758 << QStringList{"Kerbrat"};
    QTest::newRow("hors des années") << "Morlaix" << int(E::Tous) << 1900 << 1950 << QStringList{};
    QTest::newRow("un lieu absent") << "Plougonven" << int(E::Tous) << 0 << 0 << QStringList{};
}

void TestStructures::rechercheParLieuEtDate() {
    QFETCH(QString, lieu);
    QFETCH(int, evenement);
    QFETCH(int, depuis);
    QFETCH(int, jusqua);
    QFETCH(QStringList, trouves);
    RepertoireDeTravail d;
    const QString fic = d.chemin(QStringLiteral("ARBRE.FIC"));
    importerAvecComplements(
        "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Jean /Le Roux/\n1 SEX M\n1 BIRT\n2 DATE 12 MAR "
        "1780\n2 PLAC Morlaix, Finistère, Bretagne, France\n0 @I2@ INDI\n1 NAME Anne /Kerbrat/\n1 "
        "SEX F\n1 BIRT\n2 DATE 1749\n2 PLAC Brest\n1 BAPM\n2 DATE ABT 1750\n2 PLAC Kerozar, "
        "Morlaix, Finistère, Bretagne, France\n0 @I3@ INDI\n1 NAME Yves /Tanguy/\n1 DEAT\n2 DATE "
        "1801\n2 PLAC Brest\n1 RESI\n2 DATE 1795\n2 PLAC Morlaix\n0 @F1@ FAM\n1 HUSB @I1@\n1 "
        "WIFE @I2@\n1 MARR\n2 DATE 1805\n2 PLAC Saint-Martin, Morlaix\n0 TRLR\n",
        fic);
    CritereLieuDate critere;
    critere.lieu = lieu;
    critere.evenement = static_cast<CritereLieuDate::Evenement>(evenement);
    if (depuis) critere.depuis = depuis;
    if (jusqua) critere.jusqua = jusqua;
    FichierDisque fichier;
    fichier.ouvrir(fic);
    IndexPersonnes index;
    index.construire(fichier);
    index.restreindre(critere, Complements::ouvrir(fic, false)->personnesSelon(critere));
    QStringList noms;
    for (const std::int32_t p : index.visibles())
        noms << index.texte(p, IndexPersonnes::Colonne::Nom);
    QCOMPARE(noms, trouves);
}

// What the records cannot tell (a second union of the same couple, a family
// of no known parent, what is said under a link or a sex, the birth a
// baptism stands in for, the file's author) comes back on export.
void TestStructures::ceQueLaSourceDisaitRevient_data() {
    QTest::addColumn<QByteArray>("gedcom");
    QTest::addColumn<QStringList>("attendu");
    const QByteArray couple = "0 @I1@ INDI\n1 NAME Jean /Martin/\n1 SEX M\n0 @I2@ INDI\n1 NAME "
                              "Marie /Durand/\n1 SEX F\n0 @I3@ INDI\n1 NAME Paul /Martin/\n"
                              "0 @I4@ INDI\n1 NAME Luc /Martin/\n";
    QTest::newRow("deux unions du même couple")
        << couple + "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1800\n1 DIV\n2 "
                    "DATE 1805\n1 CHIL @I3@\n0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 "
                    "DATE 3 JUN 1810\n1 CHIL @I4@\n"
        << QStringList{"0 @F0_1_2@ FAM\n1 HUSB @I0@\n1 WIFE @I1@\n1 CHIL @I3@\n1 MARR\n2 DATE 3 "
                       "JUN 1810",
                       "0 @F0_1@ FAM\n1 HUSB @I0@\n1 WIFE @I1@\n1 CHIL @I2@\n1 MARR",
                       "@I3@ INDI\n1 NAME Luc /Martin/\n1 SEX U\n1 FAMC @F0_1_2@",
                       "1 FAMS @F0_1@\n1 FAMS @F0_1_2@"};
    QTest::newRow("deux familles du même père seul")
        << couple + "0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I3@\n0 @F2@ FAM\n1 HUSB @I1@\n1 MARR\n"
                    "2 DATE 1820\n1 CHIL @I4@\n"
        << QStringList{"0 @F0_X@ FAM\n1 HUSB @I0@\n1 CHIL @I2@\n0",
                       "0 @F0_X_2@ FAM\n1 HUSB @I0@\n1 CHIL @I3@\n1 MARR\n2 DATE 1820"};
    QTest::newRow("famille sans parent connu")
        << couple + "0 @F1@ FAM\n1 CHIL @I3@\n1 CHIL @I4@\n"
        << QStringList{"0 @FX_X@ FAM\n1 CHIL @I2@\n1 CHIL @I3@",
                       "Luc /Martin/\n1 SEX U\n1 FAMC @FX_X@"};
    QTest::newRow("ce qui est dit sous un lien ou le sexe")
        << QByteArray(couple).replace("1 SEX M\n", "1 SEX M\n2 NOTE selon l'acte\n") +
               "0 @F1@ FAM\n1 HUSB @I1@\n2 NOTE selon le contrat\n1 WIFE @I2@\n1 CHIL @I3@\n2 "
               "NOTE l'aîné\n0 @I5@ INDI\n1 NAME Ann /Smith/\n1 FAMC @F1@\n2 STAT challenged\n"
        << QStringList{"1 SEX M\n2 NOTE selon l'acte", "1 HUSB @I0@\n2 NOTE selon le contrat",
                       "1 CHIL @I2@\n2 NOTE l'aîné", "1 FAMC @F0_1@\n2 STAT challenged"};
    QTest::newRow("la naissance dont le baptême tient lieu")
        << QByteArray("0 @I1@ INDI\n1 NAME Jean /Martin/\n1 BIRT\n2 NOTE non datée\n1 BAPM\n2 "
                      "DATE 3 MAR 1780\n1 DEAT Y\n2 CAUS fièvre\n1 BURI\n2 DATE 1830\n")
        << QStringList{"1 BIRT\n2 NOTE non datée", "1 DEAT Y\n2 CAUS fièvre",
                       "1 BAPM\n2 DATE 3 MAR 1780"};
    QTest::newRow("le nom préféré de la source reste le premier")
        << QByteArray("0 @I1@ INDI\n1 NAME Marie /Martin/\n2 TYPE married\n1 NAME Marie "
                      "/Durand/\n2 TYPE birth\n1 NAME Maria /Durandi/\n2 TYPE aka\n")
        << QStringList{"1 NAME Marie /Martin/\n2 TYPE married\n1 NAME Marie /Durand/\n2 TYPE "
                       "birth\n1 SEX U\n",
                       "1 NAME Maria /Durandi/\n2 TYPE aka"};
    QTest::newRow("l'auteur du fichier")
        << QByteArray("0 @U1@ SUBM\n1 NAME Jeanne Chercheuse\n0 @I1@ INDI\n1 NAME Jean "
                      "/Martin/\n1 SUBM @U1@\n")
        << QStringList{"0 @X1_U1@ SUBM\n1 NAME Jeanne Chercheuse", "1 SUBM @X1_U1@"};
}

void TestStructures::ceQueLaSourceDisaitRevient() {
    QFETCH(QByteArray, gedcom);
    QFETCH(QStringList, attendu);
    RepertoireDeTravail d;
    const QString fic = d.chemin(QStringLiteral("ARBRE.FIC"));
    importerAvecComplements("0 HEAD\n1 SOUR AUTRE\n1 CHAR UTF-8\n" + gedcom + "0 TRLR\n", fic);
    const QString sortie =
        QString::fromUtf8(exporterAvecComplements(fic)).replace(QStringLiteral("\r\n"), "\n");
    for (const QString& a : attendu)
        QVERIFY2(sortie.contains(a), qPrintable(a + QStringLiteral("\n---\n") + sortie));
}

void TestStructures::premiereVersionMiseAJourSansRienPerdre_data() {
    QTest::addColumn<QByteArray>("gedcom");
    QTest::newRow("registres français") << ArbreFrancais;
    QFile corpus(QStringLiteral(VELMORIS_SOURCE_DIR "/fuzz/corpus/gedcom/famille.ged"));
    QVERIFY(corpus.open(QIODevice::ReadOnly));
    QTest::newRow("famille de démonstration") << corpus.readAll();
    QFile gramps(QStringLiteral("/usr/share/doc/gramps/example/gedcom/sample.ged"));
    if (gramps.open(QIODevice::ReadOnly)) QTest::newRow("exemple de Gramps") << gramps.readAll();
}

// Every text of the first version comes back from the tables as it was:
// each person's fields and structures, each couple's and child's, each
// record in its order; the old store kept beside as a copy.
void TestStructures::premiereVersionMiseAJourSansRienPerdre() {
    QFETCH(QByteArray, gedcom);
    RepertoireDeTravail d;
    const QString fic = d.chemin(QStringLiteral("ARBRE.FIC"));
    const ResultatImport importe = importerGedcom(gedcom);
    const ComplementsImport& avant = importe.complements;
    QVERIFY(!avant.vide());
    ecrireVersion1(Complements::cheminPour(fic), importe);
    const auto base = Complements::ouvrir(fic, false);
    QVERIFY(QFileInfo::exists(d.chemin(QStringLiteral("ARBRE - compléments (version 1).sqlite"))));
    std::int64_t id = 0;
    for (const EntreePersonne& importee : avant.personnes) {
        const auto p = base->entree(++id);
        QVERIFY(p);
        QCOMPARE(p->structures, importee.structures);
        QCOMPARE(p->champs.size(), importee.champs.size());
        for (std::size_t k = 0; k < p->champs.size(); ++k) {
            QCOMPARE(p->champs[k].nom, importee.champs[k].nom);
            QCOMPARE(p->champs[k].ecrit, importee.champs[k].ecrit);
            QCOMPARE(p->champs[k].gedcom, importee.champs[k].gedcom);
        }
    }
    const std::vector<EntreeCouple> couples = base->couples();
    QCOMPARE(couples.size(), avant.couples.size());
    for (std::size_t i = 0; i < couples.size(); ++i) {
        QCOMPARE(couples[i].gedcom, avant.couples[i].gedcom);
        QCOMPARE(couples[i].enfants.size(), avant.couples[i].enfants.size());
        for (std::size_t r = 0; r < couples[i].enfants.size(); ++r)
            QCOMPARE(couples[i].enfants[r].gedcom, avant.couples[i].enfants[r].gedcom);
    }
    std::vector<std::string> records;
    base->parcourirEnregistrements(
        [&](const EnregistrementComplement& e) { records.push_back(e.xref + '\n' + e.gedcom); });
    QCOMPARE(records.size(), avant.enregistrements.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        QCOMPARE(records[i],
                 avant.enregistrements[i].xref + '\n' + avant.enregistrements[i].gedcom);
}

// A large import's entries, held compressed block by block, come back whole
// and in order, by a walk and one by one: across blocks, in the block still
// open, and one longer than a block.
void TestStructures::entreesDUnGrandImportRelues() {
    std::vector<EntreePersonne> ecrites;
    PersonnesImportees entrees;
    for (int i = 0; i < 3000; ++i) {
        EntreePersonne e;
        e.fiche = i % 7 == 0 ? -1 : i * 1000;
        e.id = i % 5 == 0 ? 0 : std::int64_t(1) << 40 | i;
        e.empreinte = i % 3 ? std::string("DUPONT\x1fJean\x1f") + std::to_string(i) : "";
        for (int k = 0; k < i % 3; ++k)
            e.champs.push_back(
                {"BIRT", std::to_string(k), std::string("1 BIRT\n2 DATE \0\xc3\xa9", 17)});
        e.structures = "1 RESI\n2 PLAC Zykov @S" + std::to_string(i) + "@\n";
        if (i == 1500) e.structures.assign(300 * 1024, 'x');
        e.note = i % 11 ? "" : "Note de " + std::to_string(i);
        entrees.push_back(e);
        ecrites.push_back(std::move(e));
    }
    const auto pareilles = [](const EntreePersonne& a, const EntreePersonne& b) {
        const auto champs = [](const EntreePersonne& e) {
            std::vector<std::string> t;
            for (const EntreePersonne::Champ& c : e.champs)
                t.insert(t.end(), {c.nom, c.ecrit, c.gedcom});
            return t;
        };
        return a.fiche == b.fiche && a.id == b.id && a.empreinte == b.empreinte &&
               champs(a) == champs(b) && a.structures == b.structures && a.note == b.note;
    };
    QCOMPARE(entrees.size(), ecrites.size());
    QVERIFY2(
        entrees.octetsCompresses() * 2 < entrees.octets(),
        qPrintable(QStringLiteral("%1 %2").arg(entrees.octetsCompresses()).arg(entrees.octets())));
    std::size_t i = 0;
    for (const EntreePersonne& e : entrees)
        QVERIFY2(pareilles(e, ecrites[i++]), qPrintable(QString::number(i - 1)));
    QCOMPARE(i, ecrites.size());
    for (const std::size_t n : {std::size_t(0), std::size_t(1499), std::size_t(1500),
                                std::size_t(1501), ecrites.size() - 1})
        QVERIFY2(pareilles(entrees.at(n), ecrites[n]), qPrintable(QString::number(n)));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, entrees.at(ecrites.size()));
}

QTEST_GUILESS_MAIN(TestStructures)
#include "test_structures.moc"
