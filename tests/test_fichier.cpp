// The record file: counts, appends, rewrites in place, cuts, scans and the
// input/output error codes.
#include "data/fichier/DatesSaisies.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichierGenea.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/NumerosDeTextes.h"
#include "data/fichier/OperationsFichier.h"
#include "data/recherche/Recherches.h"
#include "session/OuvrirFichier.h"
#include "tests/OutilsTests.h"

#include <QtTest>

class TestFichier : public QObject {
    Q_OBJECT
private slots:
    void fichierDe1000OctetsADeuxFiches();
    void reecrireLaFiche5NeToucheQueSesOctets();
    void tronquerEnleveExactementLaDerniere();
    void codesErreur_data();
    void codesErreur();
    void lectureAuDelaDeLaFin();
    void fermetureGarantieSurException();
    void parcoursParBlocsVoitToutesLesFiches();
    void parcoursSArreteQuandOnLeDemande();
    void ouvrirFichierAbsentAfficheLeMessage();
    void ecrireFicheSurFichierAbsentNEcritRien();
    void copieIdentiqueEtAtomique();
    void memeFichierParDeuxChemins();
    void textesDesErreurs_data();
    void textesDesErreurs();
    void conversionEntiere_data();
    void conversionEntiere();
    void dateSaisie_data();
    void dateSaisie();
    void pointFinal_data();
    void pointFinal();
    void numerosDeTextesRetrouvesApresAgrandissements();
};

void TestFichier::fichierDe1000OctetsADeuxFiches() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    ecrireOctets(chemin, QByteArray(1000, 'x'));
    FichierDisque f;
    f.ouvrir(chemin);
    QCOMPARE(f.nombreFiches(), 2);
    f.positionner(f.nombreFiches());
    f.ecrire(personne(QStringLiteral("NOUVEAU")));
    f.fermer();
    const QByteArray octets = octetsDe(chemin);
    QCOMPARE(octets.size(), 1140);
    QCOMPARE(octets.mid(760), octetsFiche(personne(QStringLiteral("NOUVEAU"))));
    QCOMPARE(octets.left(760), QByteArray(760, 'x'));
}

void TestFichier::reecrireLaFiche5NeToucheQueSesOctets() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    std::vector<TFiche> fiches;
    for (int i = 0; i < 10; ++i)
        fiches.push_back(personne(QStringLiteral("P%1").arg(i)));
    ecrireFichier(chemin, fiches);
    const QByteArray avant = octetsDe(chemin);
    FichierDisque f;
    f.ouvrir(chemin);
    f.positionner(5);
    f.ecrire(personne(QStringLiteral("REMPLACE")));
    f.fermer();
    const QByteArray apres = octetsDe(chemin);
    QCOMPARE(apres.size(), 3800);
    QCOMPARE(apres.left(1900), avant.left(1900));
    QCOMPARE(apres.mid(1900, 380), octetsFiche(personne(QStringLiteral("REMPLACE"))));
    QCOMPARE(apres.mid(2280), avant.mid(2280));
}

void TestFichier::tronquerEnleveExactementLaDerniere() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    ecrireFichier(chemin, std::vector<TFiche>(5, personne(QStringLiteral("X"))));
    FichierDisque f;
    f.ouvrir(chemin);
    f.positionner(4);
    f.tronquer();
    f.fermer();
    QCOMPARE(octetsDe(chemin).size(), 1520);
}

void TestFichier::codesErreur_data() {
    QTest::addColumn<QString>("cas");
    QTest::addColumn<int>("code");
    QTest::newRow("fichier absent") << "absent" << 2;
    QTest::newRow("dossier absent") << "dossier" << 2;
    QTest::newRow("un dossier à la place du fichier") << "repertoire" << 5;
    QTest::newRow("nom vide") << "vide" << 2;
}

void TestFichier::codesErreur() {
    QFETCH(QString, cas);
    QFETCH(int, code);
    RepertoireDeTravail rep;
    QString chemin = rep.chemin(QStringLiteral("absent.FIC"));
    if (cas == u"dossier") chemin = rep.chemin(QStringLiteral("nulle/part/a.FIC"));
    if (cas == u"repertoire") {
        QDir(rep.racine()).mkdir(QStringLiteral("dir.FIC"));
        chemin = rep.chemin(QStringLiteral("dir.FIC"));
    }
    if (cas == u"vide") chemin.clear();
    FichierDisque f;
    try {
        f.ouvrir(chemin);
        QFAIL("l'ouverture aurait dû échouer");
    } catch (const ErreurES& e) {
        QCOMPARE(e.code(), code);
    }
    QVERIFY(!f.estOuvert());
}

void TestFichier::lectureAuDelaDeLaFin() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    // Two records and a partial third.
    ecrireOctets(chemin, octetsFiche(personne(QStringLiteral("A"))) +
                             octetsFiche(personne(QStringLiteral("B"))) + QByteArray(100, 'z'));
    FichierDisque f;
    f.ouvrir(chemin);
    QCOMPARE(f.nombreFiches(), 2);
    TFiche fiche;
    f.positionner(2);
    QVERIFY_THROWS_EXCEPTION(ErreurES, f.lire(fiche));
    try {
        f.positionner(1000);
        f.lire(fiche);
        QFAIL("la lecture aurait dû échouer");
    } catch (const ErreurES& e) {
        QCOMPARE(e.code(), 100);
        QCOMPARE(e.texte(), QStringLiteral("Lecture au-delà de la fin de fichier"));
    }
    QVERIFY_THROWS_EXCEPTION(ErreurES, f.positionner(-5));
}

void TestFichier::fermetureGarantieSurException() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    ecrireFichier(chemin, {personne(QStringLiteral("A"))});
    FichierDisque f;
    try {
        f.ouvrir(chemin);
        FermetureGarantie fermeture(f);
        TFiche fiche;
        f.positionner(7);
        f.lire(fiche);
        QFAIL("la lecture aurait dû échouer");
    } catch (const ErreurES&) {
        // Already closed while the error travels up.
        QVERIFY(!f.estOuvert());
    }
}

void TestFichier::parcoursParBlocsVoitToutesLesFiches() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    // More than one block, and a partial block at the end.
    const int total = static_cast<int>(FichesParBloc) * 2 + 17;
    std::vector<TFiche> fiches;
    for (int i = 0; i < total; ++i)
        fiches.push_back(personne(QString::number(i)));
    ecrireFichier(chemin, fiches);
    FichierDisque f;
    f.ouvrir(chemin);
    int vus = 0;
    parcourirFiches(f, [&](std::int32_t n, const TFiche& fiche) {
        if (n != vus || fiche.Nom.texte() != QString::number(n)) return false;
        ++vus;
        return true;
    });
    QCOMPARE(vus, total);
}

void TestFichier::parcoursSArreteQuandOnLeDemande() {
    RepertoireDeTravail rep;
    const QString chemin = rep.chemin(QStringLiteral("a.FIC"));
    ecrireFichier(chemin, std::vector<TFiche>(20, personne(QStringLiteral("X"))));
    FichierDisque f;
    f.ouvrir(chemin);
    int vus = 0;
    parcourirFiches(f, [&](std::int32_t, const TFiche&) { return ++vus < 3; });
    QCOMPARE(vus, 3);
}

void TestFichier::ouvrirFichierAbsentAfficheLeMessage() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreMessage(QStringLiteral("Le fichier est introuvable"));
    FichierDisque f;
    QVERIFY(!OuvrirFichier(f, rep.chemin(QStringLiteral("absent.FIC")), d));
    QVERIFY(!f.estOuvert());
    VERIFIER_DIALOGUES(d);
}

void TestFichier::ecrireFicheSurFichierAbsentNEcritRien() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreMessage(QStringLiteral("Le fichier est introuvable"));
    FichierDisque f;
    EcrireFiche(f, rep.chemin(QStringLiteral("absent.FIC")), d, 0, personne(QStringLiteral("A")));
    QVERIFY(!QFile::exists(rep.chemin(QStringLiteral("absent.FIC"))));
    VERIFIER_DIALOGUES(d);
}

void TestFichier::copieIdentiqueEtAtomique() {
    RepertoireDeTravail rep;
    const QString source = rep.chemin(QStringLiteral("a.FIC"));
    const QString cible = rep.chemin(QStringLiteral("b.FIC"));
    ecrireFichier(source, {personne(QStringLiteral("A")), personne(QStringLiteral("B")),
                           personne(QStringLiteral("C"))});
    ecrireOctets(cible, QByteArray("ancien contenu"));
    FichierDisque f;
    f.ouvrir(source);
    copierFiches(f, cible);
    f.fermer();
    QCOMPARE(octetsDe(cible), octetsDe(source));
    QCOMPARE(octetsDe(cible).size(), 1140);
    // No temporary file is left beside the target.
    QCOMPARE(QDir(rep.racine()).entryList(QDir::Files).size(), 2);
}

void TestFichier::memeFichierParDeuxChemins() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("a.FIC")), QByteArray(380, '\0'));
    QDir(rep.racine()).mkdir(QStringLiteral("sous"));
    QVERIFY(memeFichier(rep.chemin(QStringLiteral("a.FIC")),
                        rep.chemin(QStringLiteral("sous/../a.FIC"))));
    QVERIFY(
        QFile::link(rep.chemin(QStringLiteral("a.FIC")), rep.chemin(QStringLiteral("lien.FIC"))));
    QVERIFY(
        memeFichier(rep.chemin(QStringLiteral("lien.FIC")), rep.chemin(QStringLiteral("a.FIC"))));
    QVERIFY(!memeFichier(rep.chemin(QStringLiteral("a.FIC")), rep.chemin(QStringLiteral("b.FIC"))));
}

void TestFichier::textesDesErreurs_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("texte");
    QTest::newRow("2") << 2 << "Fichier introuvable";
    QTest::newRow("3") << 3 << "Nom de fichier incorrect";
    QTest::newRow("4") << 4 << "Trop de fichiers ouverts";
    QTest::newRow("5") << 5 << "Accès au fichier refusé";
    QTest::newRow("100") << 100 << "Lecture au-delà de la fin de fichier";
    QTest::newRow("101") << 101 << "Disque plein";
    QTest::newRow("106") << 106 << "Saisie numérique incorrecte";
    QTest::newRow("autre") << 32 << "Erreur E/S 32";
}

void TestFichier::textesDesErreurs() {
    QFETCH(int, code);
    QFETCH(QString, texte);
    QCOMPARE(ErreurES(code).texte(), texte);
}

void TestFichier::conversionEntiere_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("valide");
    QTest::addColumn<int>("valeur");
    QTest::newRow("12") << "12" << true << 12;
    QTest::newRow("-1") << "-1" << true << -1;
    QTest::newRow("blanc devant") << " 7" << true << 7;
    QTest::newRow("vide") << "" << false << 0;
    QTest::newRow("blanc derrière") << "7 " << false << 0;
    QTest::newRow("mot derrière") << "3 enfants" << false << 0;
    QTest::newRow("signe seul") << "-" << false << 0;
    QTest::newRow("trop grand") << "99999999999" << false << 0;
    QTest::newRow("plus grand entier") << "2147483647" << true << 2147483647;
    QTest::newRow("plus petit entier") << "-2147483648" << true << int(-2147483647 - 1);
}

void TestFichier::conversionEntiere() {
    QFETCH(QString, texte);
    QFETCH(bool, valide);
    QFETCH(int, valeur);
    if (valide) {
        QCOMPARE(versEntier(texte), valeur);
        return;
    }
    try {
        versEntier(texte);
        QFAIL("la conversion aurait dû échouer");
    } catch (const ErreurConversion& e) {
        QCOMPARE(e.texte(),
                 QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(texte));
    }
}

void TestFichier::pointFinal_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("lettre") << "Fichier introuvable"
                            << "Fichier introuvable.";
    QTest::newRow("point") << "Fin."
                           << "Fin.";
    QTest::newRow("exclamation") << "Fin !"
                                 << "Fin !";
    QTest::newRow("chiffre") << "Erreur E/S 32"
                             << "Erreur E/S 32.";
    QTest::newRow("apostrophe") << "'x'"
                                << "'x'";
    QTest::newRow("vide") << ""
                          << "";
}

void TestFichier::pointFinal() {
    QFETCH(QString, texte);
    QFETCH(QString, attendu);
    QCOMPARE(avecPointFinal(texte), attendu);
}

// Many texts, some the beginning of others, empty or longer than a block,
// through many growths of the table: each found with its own number, a number changed,
// a text never given found nowhere.
void TestFichier::numerosDeTextesRetrouvesApresAgrandissements() {
    NumerosDeTextes t;
    const auto texte = [](int i) {
        return i % 3 ? "Lieu-dit " + std::to_string(i) + ", Morlaix" : std::to_string(i);
    };
    QVERIFY(!t.chercher("").has_value());
    QVERIFY(t.ajouter("", -7));
    for (int i = 0; i < 20000; ++i)
        QVERIFY(t.ajouter(texte(i), i));
    QVERIFY(t.ajouter("12", 99));
    const std::string tresLong(3 << 20, 'x'); // longer than a block: one of its own
    QVERIFY(t.ajouter(tresLong, 42));
    QVERIFY(t.ajouter("après", 43));
    QCOMPARE(t.taille(), std::size_t(20003));
    QCOMPARE(t.chercher(tresLong), std::optional<std::int64_t>(42));
    QCOMPARE(t.chercher("après"), std::optional<std::int64_t>(43));
    QCOMPARE(t.chercher(""), std::optional<std::int64_t>(-7));
    for (int i = 0; i < 20000; ++i)
        QCOMPARE(t.chercher(texte(i)), std::optional<std::int64_t>(i == 12 ? 99 : i));
    for (const char* absent : {"Lieu-dit 1", "Lieu-dit 1, Morlai", "20000", "Morlaix"})
        QVERIFY(!t.chercher(absent).has_value());
}

QTEST_GUILESS_MAIN(TestFichier)
// A date typed on the form: what the record holds, the whole date for the
// store, the Gregorian day beside another calendar; a day that never was
// refused. Row: typed, record, GEDCOM (empty: the record holds it all),
// Gregorian equivalent, or "refusée".
void TestFichier::dateSaisie_data() {
    QTest::addColumn<QString>("saisie");
    QTest::addColumn<QString>("fiche");
    QTest::addColumn<QString>("gedcom");
    QTest::addColumn<QString>("equivalent");
    const QString refusee = QStringLiteral("refusée");
    QTest::newRow("républicaine en mots") << "12 vendémiaire an IV"
                                          << "04/10/1795"
                                          << "@#DFRENCH R@ 12 VEND 4"
                                          << "4 octobre 1795";
    QTest::newRow("républicaine en chiffres") << "12/01/an IV"
                                              << "04/10/1795"
                                              << "@#DFRENCH R@ 12 VEND 4"
                                              << "4 octobre 1795";
    QTest::newRow("premier du mois") << "1er pluviôse an II"
                                     << "20/01/1794"
                                     << "@#DFRENCH R@ 1 PLUV 2"
                                     << "20 janvier 1794";
    QTest::newRow("6e sans-culottide d'une année sextile") << "6 jour complémentaire an III"
                                                           << "22/09/1795"
                                                           << "@#DFRENCH R@ 6 COMP 3"
                                                           << "22 septembre 1795";
    QTest::newRow("6e sans-culottide d'une année commune") << "6 jour complémentaire an IV"
                                                           << ""
                                                           << "" << refusee;
    QTest::newRow("31e jour d'un mois") << "31 vendémiaire an II"
                                        << ""
                                        << "" << refusee;
    QTest::newRow("après la fin du calendrier") << "11 nivôse an XIV"
                                                << ""
                                                << "" << refusee;
    QTest::newRow("julienne") << "12/03/1700 julien"
                              << "12/03/1700"
                              << "@#DJULIAN@ 12 MAR 1700"
                              << "23 mars 1700";
    QTest::newRow("année double") << "1699/00"
                                  << "?\?/?\?/1700"
                                  << "1699/00"
                                  << "";
    QTest::newRow("année double avec jour") << "12/02/1699/00"
                                            << "12/02/1700"
                                            << "12 FEB 1699/00"
                                            << "";
    QTest::newRow("années qui ne se suivent pas") << "1699/01"
                                                  << ""
                                                  << "" << refusee;
    QTest::newRow("avant") << "avant 1750"
                           << "av. 1750"
                           << ""
                           << "";
    QTest::newRow("après") << "après 1750"
                           << "ap. 1750"
                           << ""
                           << "";
    QTest::newRow("entre") << "entre 1750 et 1760"
                           << "1750-1760"
                           << ""
                           << "";
    QTest::newRow("forme de la fiche") << "12/03/1890"
                                       << "12/03/1890"
                                       << ""
                                       << "";
}

void TestFichier::dateSaisie() {
    QFETCH(QString, saisie);
    QFETCH(QString, fiche);
    QFETCH(QString, gedcom);
    QFETCH(QString, equivalent);
    const DateSaisie d = lireDateSaisie(saisie);
    if (equivalent == u"refusée") {
        QVERIFY(!d.valide);
        QVERIFY(!d.erreur.isEmpty());
        return;
    }
    QVERIFY2(d.valide, qPrintable(d.erreur));
    QCOMPARE(d.fiche, fiche);
    QCOMPARE(d.gedcom, gedcom);
    QCOMPARE(d.equivalent, equivalent);
}

#include "test_fichier.moc"
