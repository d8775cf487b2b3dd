// Finding anyone in a large tree: the index of persons, "Aller à la fiche",
// the chart one can walk, the pick list's double-click.
#include "data/complements/Complements.h"
#include "data/recherche/IndexPersonnes.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uArbre.h"
#include "forms/uIndex.h"
#include "tests/OutilsTests.h"

#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

// Surname and given names of each record, in file order.
std::vector<TFiche> personnes(const QStringList& noms) {
    std::vector<TFiche> f;
    for (const QString& n : noms)
        f.push_back(personne(n.section(u'|', 0, 0), n.section(u'|', 1)));
    return f;
}

QStringList nomsVisibles(const IndexPersonnes& index) {
    QStringList noms;
    for (const std::int32_t p : index.visibles())
        noms << index.texte(p, IndexPersonnes::Colonne::Nom) +
                    (index.texte(p, IndexPersonnes::Colonne::Prenom).isEmpty()
                         ? QString()
                         : u'|' + index.texte(p, IndexPersonnes::Colonne::Prenom));
    return noms;
}

IndexPersonnes indexDe(const std::vector<TFiche>& fiches) {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), fiches);
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    IndexPersonnes index;
    index.construire(f);
    return index;
}

// Three generations: 0 grandfather, 1 father (son of 0), 2 child (son of 1).
std::vector<TFiche> troisGenerations() {
    std::vector<TFiche> f{personne(QStringLiteral("AIEUL"), QStringLiteral("Louis")),
                          personne(QStringLiteral("PERE"), QStringLiteral("Paul")),
                          personne(QStringLiteral("FILS"), QStringLiteral("Marc"))};
    lier(f, 1, 0, -1);
    lier(f, 2, 1, -1);
    return f;
}

} // namespace

class TestIndex : public QObject {
    Q_OBJECT
private slots:
    void ordreFrancaisDesNoms();
    void ordreDesDates();
    void filtre_data();
    void filtre();
    void allerAUnePersonneDeLIndex_data();
    void allerAUnePersonneDeLIndex();
    void lIndexSuitLeFichier();
    void allerALaFiche_data();
    void allerALaFiche();
    void arbreQuOnParcourt();
    void doubleClicDansLaListe();
};

// Accents, case, hyphens and particles, where a French reader looks for them.
void TestIndex::ordreFrancaisDesNoms() {
    // One name written several ways sorts by the given names.
    const QStringList attendu = {
        "Arnaud",      "d'Artagnan",    "Du Bellay", "Dubois",   "DUPONT|Anne", "dupont|Luc",
        "Dupont|Zoé",  "Dupont-Martin", "Duponte",   "Dupré",    "Dupuis",      "Éluard|Marc",
        "Eluard|Paul", "Gaucher",       "de Gaulle", "Gauthier", "La Fontaine", "Lafarge"};
    QStringList melange = attendu;
    std::reverse(melange.begin(), melange.end());
    std::swap(melange[3], melange[11]);
    IndexPersonnes index = indexDe(personnes(melange));
    QCOMPARE(nomsVisibles(index), attendu);
    index.trier(IndexPersonnes::Colonne::Nom, false);
    QCOMPARE(nomsVisibles(index).front(), QStringLiteral("Lafarge"));
}

// By year, month and day, whatever the form; the undated last.
void TestIndex::ordreDesDates() {
    std::vector<TFiche> f;
    for (const char* date :
         {"", "vers 1850", "12/03/1850", "?\?/03/1849", "av. 1851", "1849-1860", "02/01/1850"})
        f.push_back(personne(QString::fromUtf8(date), QString(), 0, QString::fromUtf8(date)));
    IndexPersonnes index = indexDe(f);
    index.trier(IndexPersonnes::Colonne::Naissance);
    QCOMPARE(nomsVisibles(index), (QStringList{"1849-1860", "?\?/03/1849", "vers 1850",
                                               "02/01/1850", "12/03/1850", "av. 1851", ""}));
}

void TestIndex::filtre_data() {
    QTest::addColumn<QString>("filtre");
    QTest::addColumn<QStringList>("trouves");
    QTest::newRow("début du nom, sans casse")
        << "dupon" << QStringList{"DUPONT|Jean", "Dupont|Marie-Jeanne", "Dupont-Martin|Luc"};
    QTest::newRow("sans accent") << "dupre" << QStringList{"Dupré|Élise"};
    QTest::newRow("accent tapé") << "ÉLI" << QStringList{"Dupré|Élise"};
    QTest::newRow("nom après la particule") << "gaulle" << QStringList{"de Gaulle|Charles"};
    QTest::newRow("un des prénoms")
        << "jean" << QStringList{"DUPONT|Jean", "Dupont|Marie-Jeanne", "de La Fontaine|Jean"};
    QTest::newRow("nom et début de prénom")
        << "dupont je" << QStringList{"DUPONT|Jean", "Dupont|Marie-Jeanne"};
    QTest::newRow("deux mots du nom composé")
        << "martin dupont" << QStringList{"Dupont-Martin|Luc"};
    QTest::newRow("nom après un article") << "fontaine" << QStringList{"de La Fontaine|Jean"};
    QTest::newRow("nom puis prénom") << "gaulle charles" << QStringList{"de Gaulle|Charles"};
    QTest::newRow("prénom puis nom") << "charles de" << QStringList{"de Gaulle|Charles"};
    QTest::newRow("prénom composé, sans trait d'union")
        << "marie therese" << QStringList{"Curie|Marie-Thérèse"};
    QTest::newRow("après une apostrophe") << "artagnan" << QStringList{"d'Artagnan|Charles"};
    QTest::newRow("un mot qui ne va pas") << "dupont zoe" << QStringList{};
    QTest::newRow("numéro de fiche") << "3" << QStringList{"de Gaulle|Charles"};
    QTest::newRow("rien") << "zorro" << QStringList{};
    QTest::newRow("autre écriture, tapée en cyrillique") << "Зыков" << QStringList{"Zykov|Ivan"};
    QTest::newRow("autre écriture, tapée en latin") << "ivan zykov" << QStringList{"Zykov|Ivan"};
    QTest::newRow("nom de naissance de la source")
        << "sklodowska" << QStringList{"Curie|Marie-Thérèse"};
    QTest::newRow("nom d'une fiche qui a changé de personne") << "fantome" << QStringList{};
}

void TestIndex::filtre() {
    QFETCH(QString, filtre);
    QFETCH(QStringList, trouves);
    const std::vector<TFiche> fiches =
        personnes({"DUPONT|Jean", "Dupont|Marie-Jeanne", "Dupré|Élise", "de Gaulle|Charles",
                   "Dupont-Martin|Luc", "de La Fontaine|Jean", "Curie|Marie-Thérèse",
                   "d'Artagnan|Charles", "Zykov|Ivan"});
    IndexPersonnes index = indexDe(fiches);
    TFiche ancienne = fiches[0];
    ancienne.Prenom.definir(QStringLiteral("Paul"));
    index.ajouterAutresNoms({{8, empreinteDe(fiches[8]), QStringLiteral("Иван /Зыков/")},
                             {6, empreinteDe(fiches[6]), QStringLiteral("Maria /Skłodowska/")},
                             {0, empreinteDe(ancienne), QStringLiteral("Jean /Fantôme/")}});
    index.filtrer(filtre);
    QCOMPARE(nomsVisibles(index), trouves);
}

void TestIndex::allerAUnePersonneDeLIndex_data() {
    QTest::addColumn<bool>("modifie");
    QTest::newRow("sans modification") << false;
    QTest::newRow("avec une modification") << true;
}

// Enter in the index shows the person, after the save question when needed.
void TestIndex::allerAUnePersonneDeLIndex() {
    QFETCH(bool, modifie);
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), troisGenerations());
    DialoguesScriptes d;
    Session s(d);
    s.form.IndexDesPersonnes1Click();
    QVERIFY(Index->isVisible());
    QCOMPARE(Index->windowTitle(), QStringLiteral("Index des personnes"));
    if (modifie) {
        s.form.ENom->setText(QStringLiteral("CHANGÉ"));
        d.attendreQuestion(QStringLiteral("Voulez-vous enregistrer les modifications "), false);
    }
    QTest::keyClicks(Index->EFiltre, QStringLiteral("fils"));
    QCOMPARE(Index->ficheSelectionnee(), 2);
    QTest::keyClick(Index->EFiltre, Qt::Key_Return);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("2"));
    QCOMPARE(lireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")))[0].Nom.texte(),
             QStringLiteral("AIEUL"));
    QTest::keyClick(Index->Liste, Qt::Key_Escape);
    QVERIFY(!Index->isVisible());
    VERIFIER_DIALOGUES(d);
}

// A save made while the index is open shows in it.
void TestIndex::lIndexSuitLeFichier() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), troisGenerations());
    DialoguesScriptes d;
    Session s(d);
    s.form.IndexDesPersonnes1Click();
    s.form.SbNouveauClick();
    s.form.ENom->setText(QStringLiteral("NOUVEAU"));
    s.form.SbEnregistrerClick();
    QCOMPARE(Index->index().nombre(), 4);
    Index->EFiltre->setText(QStringLiteral("nouv"));
    QCOMPARE(Index->ficheSelectionnee(), 3);
    Index->close();
    VERIFIER_DIALOGUES(d);
}

void TestIndex::allerALaFiche_data() {
    QTest::addColumn<QString>("reponse");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("numero"); // on screen afterwards
    QTest::newRow("une fiche") << "2" << QString() << "2";
    QTest::newRow("pas un nombre") << "deux"
                                   << "« deux » n'est pas un numéro de fiche : tapez un nombre "
                                      "entier, 0 pour la première fiche."
                                   << "0";
    QTest::newRow("hors du fichier")
        << "3"
        << "La fiche 3 n'existe pas : le fichier compte 3 fiche(s), numérotées de 0 à 2."
        << "0";
}

void TestIndex::allerALaFiche() {
    QFETCH(QString, reponse);
    QFETCH(QString, message);
    QFETCH(QString, numero);
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), troisGenerations());
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.AllerALaFiche1->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    d.attendreSaisie(QStringLiteral("Numéro de la fiche ?"), reponse);
    if (!message.isEmpty()) d.attendreMessage(message);
    s.form.AllerALaFiche1Click();
    QCOMPARE(s.form.NumEnreg->text(), numero);
    VERIFIER_DIALOGUES(d);
}

// A double-click on the father's box makes him the pivot; "Retour" goes back.
void TestIndex::arbreQuOnParcourt() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), troisGenerations());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(2);
    s.form.SbArbreClick();
    QVERIFY(Form3->MP->toolTip().startsWith(QStringLiteral("PERE Paul\nN : ")));
    QVERIFY(!Form3->BtRetour->isEnabled());
    QTest::mouseDClick(Form3->MP->viewport(), Qt::LeftButton);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("1"));
    QVERIFY(Form3->MPers->toPlainText().startsWith(QStringLiteral("PERE Paul")));
    QVERIFY(Form3->MP->toPlainText().startsWith(QStringLiteral("AIEUL")));
    QVERIFY(Form3->isVisible());
    // An empty box leads nowhere.
    QTest::mouseDClick(Form3->MAGP1->viewport(), Qt::LeftButton);
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("1"));
    Form3->BtRetour->click();
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("2"));
    QVERIFY(Form3->MPers->toPlainText().startsWith(QStringLiteral("FILS")));
    QVERIFY(!Form3->BtRetour->isEnabled());
    VERIFIER_DIALOGUES(d);
}

void TestIndex::doubleClicDansLaListe() {
    RepertoireDeTravail rep;
    std::vector<TFiche> f = troisGenerations();
    f[0].NbEnfants = 1;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), f);
    DialoguesScriptes d;
    Session s(d);
    d.attendreModal([](QDialog&) {
        const QModelIndex ligne = Form2->LB->model()->index(0, 0);
        emit Form2->LB->doubleClicked(ligne);
        return !Form2->isVisible();
    });
    s.form.BtEnfantClick();
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("1"));
    VERIFIER_DIALOGUES(d);
}

QTEST_MAIN(TestIndex)
#include "test_index.moc"
