// The listing file, line wrapping and the print stage.
#include "data/fichier/Cp1252.h"
#include "forms/UVelmorS.h"
#include "platform/Imprimante.h"
#include "print/uImprime.h"
#include "tests/OutilsTests.h"

#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QtTest>

namespace {

// A printer that notes what it is asked to do.
class ImprimanteEnregistreuse : public Imprimante {
public:
    void definirTitre(const QString& titre) override { appels << QStringLiteral("titre ") + titre; }
    void definirOrientation(Orientation o) override {
        appels << (o == Orientation::Portrait ? QStringLiteral("portrait")
                                              : QStringLiteral("paysage"));
    }
    void commencer() override { appels << QStringLiteral("début"); }
    void choisirPolice(const QString& face, int points) override {
        appels << QStringLiteral("police %1 %2").arg(face).arg(points);
    }
    void ecrireLigne(const QString& texte) override {
        appels << QStringLiteral("ligne ") + texte;
        lignes << texte;
    }
    void terminer() override { appels << QStringLiteral("fin"); }
    QStringList appels;
    QStringList lignes;
};

const QString Marge(5, u' ');
const QString SautDePage = QStringLiteral("\r\n\f");

QByteArray bloc(const TFiche& f, int numero) {
    QByteArray s;
    ecrireBlocFiche(s, numero, f);
    return s;
}

} // namespace

class TestImpression : public QObject {
    Q_OBJECT
private slots:
    void couperLigne_data();
    void couperLigne();
    void blocMinimal();
    void blocDeMadameMartin();
    void lignesDeDates();
    void lignesDesParents_data();
    void lignesDesParents();
    void lignesDesEnfants_data();
    void lignesDesEnfants();
    void lignePhotoEtQualiteInconnue();
    void octetsTelsQueStockes();
    void listingDUnFichierVide();
    void listingPlusCourtQueLePrecedent();
    void banniereEtSautsDePage();
    void fichierVideImprimeUneMarge();
    void listingAbsentOuIllisible();
    void imprimerToutLeFichierVersPdf();
    void imprimerSansFichier();
    void choixDeLImprimante();
};

void TestImpression::couperLigne_data() {
    QTest::addColumn<QString>("ligne");
    QTest::addColumn<QStringList>("morceaux");
    const QString x80(80, u'x');
    QTest::newRow("80 caractères") << x80 << QStringList{x80};
    QTest::newRow("81 caractères") << x80 + u'y' << QStringList{x80, QStringLiteral("y")};
    QTest::newRow("blanc en 80") << QString(79, u'a') + QStringLiteral(" bbb")
                                 << QStringList{QString(79, u'a'), QStringLiteral(" bbb")};
    const QString l85 = QString(69, u'a') + u' ' + QString(15, u'b');
    QTest::newRow("dernier blanc en 70")
        << l85 << QStringList{QString(69, u'a'), u' ' + QString(15, u'b')};
    QTest::newRow("mot plus long que la largeur")
        << QString(170, u'm')
        << QStringList{QString(80, u'm'), QString(80, u'm'), QString(10, u'm')};
    QTest::newRow("aaa#bbb") << "aaa#bbb" << QStringList{"aaa", "bbb"};
    QTest::newRow("dièse seul") << "#" << QStringList{"", ""};
    QTest::newRow("dièse après la largeur")
        << QString(90, u'c') + QStringLiteral("#fin")
        << QStringList{QString(80, u'c'), QString(10, u'c'), "fin"};
    QTest::newRow("neuf dièses et plus")
        << "1#2#3#4#5#6#7#8#9#10#11"
        << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10#11"};
    const QString chemin = QStringLiteral("photo : ") + QString(100, u'p');
    QTest::newRow("chemin sans blanc de plus de 72")
        << chemin
        << QStringList{QStringLiteral("photo :"), u' ' + QString(79, u'p'), QString(21, u'p')};
    QTest::newRow("vide") << "" << QStringList{""};
}

void TestImpression::couperLigne() {
    QFETCH(QString, ligne);
    QFETCH(QStringList, morceaux);
    QCOMPARE(CouperLigne(ligne, 80), morceaux);
}

void TestImpression::blocMinimal() {
    QCOMPARE(bloc(personne(QStringLiteral("SEUL"), QStringLiteral("Jean")), 0),
             QByteArray(" \r\nFiche 0\r\nMonsieur  SEUL  Jean     \r\n"));
}

void TestImpression::blocDeMadameMartin() {
    TFiche f = personne(QStringLiteral("MARTIN"), QStringLiteral("Anne"), 1);
    const QByteArray s = bloc(f, 4);
    QVERIFY(s.contains("\r\nFiche 4\r\n"));
    QVERIFY(s.contains("\r\nMadame  MARTIN  Anne     \r\n"));
}

void TestImpression::lignesDeDates() {
    TFiche f = personne(QStringLiteral("A"));
    f.DateNaissance.definir(QStringLiteral("12/03/1890"));
    f.LieuMariage.definir(QStringLiteral("Lyon")); // a place without a date gives no line
    f.DateDeces.definir(QStringLiteral("01/01/1950"));
    f.LieuDeces.definir(QStringLiteral("Orléans"));
    const QByteArray s = bloc(f, 0);
    QVERIFY(s.contains("\r\nDate de naissance : 12/03/1890  \xE0 \r\n"));
    QVERIFY(!s.contains("mariage"));
    QVERIFY(s.contains("\r\nDate de d\xE9"
                       "ces : 01/01/1950  \xE0 Orl\xE9"
                       "ans\r\n"));
}

void TestImpression::lignesDesParents_data() {
    QTest::addColumn<int>("pere");
    QTest::addColumn<int>("mere");
    QTest::addColumn<QByteArray>("ligne");
    QTest::newRow("les deux")
        << 3 << 7
        << QByteArray("P\xE8re : Enregistrement N\xB0 3  M\xE8re : Enregistrement N\xB0 7\r\n");
    QTest::newRow("mère seule") << -1 << 7
                                << QByteArray("\r\n  M\xE8re : Enregistrement N\xB0 7\r\n");
    QTest::newRow("père seul") << 3 << -1 << QByteArray("P\xE8re : Enregistrement N\xB0 3\r\n");
    QTest::newRow("aucun") << -1 << -1 << QByteArray();
    QTest::newRow("négatif") << -5 << -1 << QByteArray("P\xE8re : Enregistrement N\xB0 -5\r\n");
}

void TestImpression::lignesDesParents() {
    QFETCH(int, pere);
    QFETCH(int, mere);
    QFETCH(QByteArray, ligne);
    TFiche f = personne(QStringLiteral("A"));
    f.Pere = pere;
    f.Mere = mere;
    const QByteArray s = bloc(f, 0);
    if (ligne.isEmpty())
        QVERIFY(!s.contains("Enregistrement"));
    else
        QVERIFY2(s.contains(ligne), s.constData());
}

void TestImpression::lignesDesEnfants_data() {
    QTest::addColumn<int>("nombre");
    QTest::addColumn<QList<int>>("enfants");
    QTest::addColumn<QByteArray>("ligne");
    QTest::newRow("3 sur 5 -1 8 9")
        << 3 << QList<int>{5, -1, 8, 9} << QByteArray("Enfants : enreg : 5enreg : 8\r\n");
    QTest::newRow("2 vides") << 2 << QList<int>{-1, -1, 4} << QByteArray();
    QTest::newRow("aucun déclaré") << 0 << QList<int>{4} << QByteArray();
    QTest::newRow("255 déclarés, dix lus")
        << 255 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
        << QByteArray("Enfants : enreg : 1enreg : 2enreg : 3enreg : 4enreg : 5enreg : 6enreg : "
                      "7enreg : 8enreg : 9enreg : 10\r\n");
}

void TestImpression::lignesDesEnfants() {
    QFETCH(int, nombre);
    QFETCH(QList<int>, enfants);
    QFETCH(QByteArray, ligne);
    TFiche f = personne(QStringLiteral("A"));
    f.NbEnfants = static_cast<std::uint8_t>(nombre);
    for (int i = 0; i < enfants.size(); ++i)
        f.Enfants[i] = enfants[i];
    const QByteArray s = bloc(f, 0);
    if (ligne.isEmpty())
        QVERIFY(!s.contains("Enfants"));
    else
        QVERIFY2(s.endsWith(ligne), s.constData());
}

void TestImpression::lignePhotoEtQualiteInconnue() {
    TFiche f = personne(QStringLiteral("A"), QStringLiteral("B"), 255);
    const QString photo = QStringLiteral("C:\\Mes images\\famille\\portrait01.jpg");
    f.Photo.definir(photo);
    const QByteArray s = bloc(f, 9);
    QVERIFY(s.endsWith("photo : " + photo.toLatin1() + "\r\n"));
    QVERIFY(s.contains("\r\nFiche 9\r\n  A  B     \r\n"));
}

void TestImpression::octetsTelsQueStockes() {
    QByteArray brut(380, '\0');
    brut[32] = 3; // Nom: three bytes of the code page, one of them undefined there
    brut[33] = static_cast<char>(0x80);
    brut[34] = static_cast<char>(0x81);
    brut[35] = static_cast<char>(0xE9);
    brut[211] = brut[212] = brut[213] = brut[214] = static_cast<char>(0xFF);
    brut[215] = brut[216] = brut[217] = brut[218] = static_cast<char>(0xFF);
    TFiche f;
    decoderFiche(reinterpret_cast<const std::uint8_t*>(brut.constData()), f);
    QVERIFY(bloc(f, 0).contains("Monsieur  \x80\x81\xE9  "));
}

void TestImpression::listingDUnFichierVide() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("v.FIC")), {});
    ecrireOctets(rep.chemin(QStringLiteral("genea.tmp")),
                 QByteArray(10000, 'x')); // an older listing
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("v.FIC")));
    ecrireFichierListing(f, rep.chemin(QStringLiteral("genea.tmp")));
    QCOMPARE(QFileInfo(rep.chemin(QStringLiteral("genea.tmp"))).size(), 0);
}

void TestImpression::listingPlusCourtQueLePrecedent() {
    RepertoireDeTravail rep;
    const TFiche seule = personne(QStringLiteral("SEUL"), QStringLiteral("Jean"));
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), {seule});
    ecrireOctets(rep.chemin(QStringLiteral("genea.tmp")), QByteArray(10000, 'x'));
    FichierDisque f;
    f.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    ecrireFichierListing(f, rep.chemin(QStringLiteral("genea.tmp")));
    QCOMPARE(octetsDe(rep.chemin(QStringLiteral("genea.tmp"))), bloc(seule, 0));
}

void TestImpression::banniereEtSautsDePage() {
    RepertoireDeTravail rep;
    QByteArray contenu;
    for (int i = 1; i <= 139; ++i)
        contenu += "ligne " + QByteArray::number(i) + "\r\n";
    ecrireOctets(rep.chemin(QStringLiteral("genea.tmp")), contenu);
    DialoguesScriptes d;
    ImprimanteEnregistreuse imprimante;
    ImprimerFichier(QStringLiteral("genea.tmp"), QStringLiteral("C:\\GENEALOGIE\\FAMILLE.FIC"),
                    Imprimante::Orientation::Portrait, 80, 70, imprimante, d);
    const QString entete = QStringLiteral("C:\\GENEALOGIE\\FAMILLE.FIC le ") + dateCourteDuJour();
    QCOMPARE(imprimante.appels.mid(0, 9),
             (QStringList{QStringLiteral("titre ") + entete, "portrait", "début",
                          "police Courier 10", "ligne " + Marge + QString(80, u'_'),
                          "police Arial 15", "ligne " + Marge + entete, "police Courier 10",
                          "ligne " + Marge + QString(80, u'_')}));
    QCOMPARE(imprimante.appels.back(), QStringLiteral("fin"));
    const QStringList& l = imprimante.lignes;
    // Page 1: the banner and 68 lines, then the break; page 2: 70 lines, then the break; then 1.
    QCOMPARE(l[3], Marge + QStringLiteral("ligne 1"));
    QCOMPARE(l[70], Marge + QStringLiteral("ligne 68"));
    QCOMPARE(l[71], SautDePage);
    QCOMPARE(l[72], Marge + QStringLiteral("ligne 69"));
    QCOMPARE(l[141], Marge + QStringLiteral("ligne 138"));
    QCOMPARE(l[142], SautDePage);
    QCOMPARE(l[143], Marge + QStringLiteral("ligne 139"));
    QCOMPARE(l.size(), 144);
    VERIFIER_DIALOGUES(d);
}

void TestImpression::fichierVideImprimeUneMarge() {
    RepertoireDeTravail rep;
    ecrireOctets(rep.chemin(QStringLiteral("genea.tmp")), {});
    DialoguesScriptes d;
    ImprimanteEnregistreuse imprimante;
    ImprimerFichier(QStringLiteral("genea.tmp"), QStringLiteral("T"),
                    Imprimante::Orientation::Portrait, 80, 70, imprimante, d);
    QCOMPARE(imprimante.lignes.size(), 4);
    QCOMPARE(imprimante.lignes.back(), Marge);
    VERIFIER_DIALOGUES(d);
}

void TestImpression::listingAbsentOuIllisible() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    ImprimanteEnregistreuse imprimante;
    d.attendreMessage(QStringLiteral("Fichier d'impression non trouvé..."))
        .attendreMessage(QStringLiteral("Erreur d'accès au fichier : 5"));
    ImprimerFichier(QStringLiteral("genea.tmp"), QStringLiteral("T"),
                    Imprimante::Orientation::Portrait, 80, 70, imprimante, d);
    QDir(rep.racine()).mkdir(QStringLiteral("genea.tmp")); // present but not readable as a file
    ImprimerFichier(QStringLiteral("genea.tmp"), QStringLiteral("T"),
                    Imprimante::Orientation::Portrait, 80, 70, imprimante, d);
    QVERIFY(imprimante.appels.isEmpty());
    VERIFIER_DIALOGUES(d);
}

// The whole command through the real Qt printer, printing to a PDF file.
void TestImpression::imprimerToutLeFichierVersPdf() {
    RepertoireDeTravail rep;
    std::vector<TFiche> fiches;
    for (int i = 0; i < 100; ++i)
        fiches.push_back(personne(QStringLiteral("NOM%1").arg(i), QStringLiteral("Élise")));
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), fiches);
    const QByteArray avant = octetsDe(rep.chemin(QStringLiteral("VELMORIS.FIC")));
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(5);
    s.form.ENom->setText(QStringLiteral("non enregistré"));
    QPrinter& imprimante = s.form.imprimanteChoisie();
    imprimante.setOutputFormat(QPrinter::PdfFormat);
    imprimante.setOutputFileName(rep.chemin(QStringLiteral("sortie.pdf")));
    d.attendreChoix({}, ListingTelQuel);
    s.form.Imprimer1Click();
    // 300 listing lines: 68 on page 1, then 70 a page: five pages.
    const QByteArray pdf = octetsDe(rep.chemin(QStringLiteral("sortie.pdf")));
    const auto pages = QString::fromLatin1(pdf).count(
        QRegularExpression(QStringLiteral("/Type\\s*/Page\\b(?!s)")));
    QCOMPARE(pages, 5);
    const QByteArray listing = octetsDe(rep.chemin(QStringLiteral("genea.tmp")));
    QVERIFY(listing.startsWith(" \r\nFiche 0\r\nMonsieur  NOM0  \xC9lise     \r\n"));
    QCOMPARE(listing.count("\r\n"), 300);
    // Nothing of the record on screen nor of the file is touched.
    QCOMPARE(s.form.ENom->text(), QStringLiteral("non enregistré"));
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("5"));
    QCOMPARE(octetsDe(rep.chemin(QStringLiteral("VELMORIS.FIC"))), avant);
    QVERIFY(!s.form.FichierGenea().estOuvert());
    VERIFIER_DIALOGUES(d);
}

void TestImpression::imprimerSansFichier() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"), false);
    Session s(d);
    d.attendreMessage(QStringLiteral("Le fichier est introuvable"));
    s.form.Imprimer1Click();
    QVERIFY(!QFile::exists(rep.chemin(QStringLiteral("genea.tmp"))));
    VERIFIER_DIALOGUES(d);
}

void TestImpression::choixDeLImprimante() {
    RepertoireDeTravail rep;
    DialoguesScriptes d;
    d.attendreQuestion(QStringLiteral("Un fichier de généalogie est-il déjà commencé ?"), false);
    Session s(d);
    d.attendreChoixImprimante();
    s.form.Choixdelimprimante1Click();
    VERIFIER_DIALOGUES(d);
}

QTEST_MAIN(TestImpression)
#include "test_impression.moc"
