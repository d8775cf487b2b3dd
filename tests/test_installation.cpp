// What a new user meets: the demonstration family, the manual, the
// installation, the preview and the PDF, the chart's export, the shortcuts.
#include "data/recherche/Recherches.h"
#include "forms/UVelmorS.h"
#include "forms/uArbre.h"
#include "print/ArbrePapier.h"
#include "tests/OutilsTests.h"
#include "tools/Demo.h"

#include <QAction>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QString Source = QStringLiteral(VELMORIS_SOURCE_DIR);
const QString Construction = QStringLiteral(VELMORIS_BINARY_DIR);

int pagesPdf(const QString& chemin) {
    return static_cast<int>(
        QString::fromLatin1(octetsDe(chemin))
            .count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b(?!s)"))));
}

std::vector<TFiche> centFiches() {
    std::vector<TFiche> f;
    for (int i = 0; i < 100; ++i)
        f.push_back(personne(QStringLiteral("NOM%1").arg(i), QStringLiteral("Jean")));
    return f;
}

} // namespace

class TestInstallation : public QObject {
    Q_OBJECT
private slots:
    void familleDeDemonstration();
    void portraitsDeLaDemonstration();
    void manuelRenduAvecSesSections();
    void arbreDInstallation();
    void exportPdfDuListing();
    void apercuPeintLesMemesPages();
    void sansImprimanteLePdfEstPropose();
    void exportDeLArbre();
    void raccourcis();
};

void TestInstallation::familleDeDemonstration() {
    const std::vector<TFiche> f = lireFamilleDemo(Source + QStringLiteral("/demo/famille.txt"));
    QCOMPARE(f.size(), std::size_t(40));
    const TFiche& jacques = f[20];
    QCOMPARE(jacques.Prenom.texte(), QStringLiteral("Jacques"));
    QCOMPARE(jacques.Pere, 14);
    QCOMPARE(jacques.Mere, 15);
    // Paul's children: ranks 1, 2 and 4, a hole at 3.
    QCOMPARE(f[14].Enfants[0], 20);
    QCOMPARE(f[14].Enfants[1], 22);
    QCOMPARE(f[14].Enfants[2], -1);
    QCOMPARE(f[14].Enfants[3], 23);
    QCOMPARE(int(f[14].NbEnfants), 4);
    // Marie-Claire twice with her father.
    QCOMPARE(f[23].Enfants[0], 38);
    QCOMPARE(f[23].Enfants[1], 38);
    QCOMPARE(f[39].Enfants[0], 38);
    // Every link goes both ways and stays in the file.
    for (std::size_t n = 0; n < f.size(); ++n) {
        for (std::int32_t parent : {f[n].Pere, f[n].Mere}) {
            if (parent == -1) continue;
            QVERIFY(parent >= 0 && parent < 40);
            const auto& enfants = f[static_cast<std::size_t>(parent)].Enfants;
            QVERIFY2(std::find(enfants.begin(), enfants.end(), static_cast<std::int32_t>(n)) !=
                         enfants.end(),
                     qPrintable(QString::number(n)));
        }
    }
    // Jacques and Suzanne find each other as spouses.
    QVERIFY(estConjoint(f[21], f[20]));
    QCOMPARE(f[21].Qualite, 1);
    QCOMPARE(f[12].Qualite, 2);
}

void TestInstallation::portraitsDeLaDemonstration() {
    RepertoireDeTravail rep;
    QProcess outil;
    outil.start(Construction + QStringLiteral("/genea_demo"),
                {Source + QStringLiteral("/demo/famille.txt"), rep.chemin(QStringLiteral("demo"))});
    QVERIFY(outil.waitForFinished());
    QCOMPARE(outil.exitCode(), 0);
    QDir::setCurrent(rep.chemin(QStringLiteral("demo")));
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(20);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
    QVERIFY(!s.form.IPhoto->isHidden());
    QCOMPARE(s.form.ENP->text(), QStringLiteral("DURAND"));
    QCOMPARE(s.form.EPM->text(), QStringLiteral("Hélène"));
    s.form.pAfficherEnreg(21); // a BMP portrait
    QVERIFY(!s.form.IPhoto->pixmap().isNull());
    VERIFIER_DIALOGUES(d);
}

QString pdfEnTexte(const QStringList& arguments) {
    QProcess texte;
    texte.start(QStringLiteral("pdftotext"), arguments);
    if (!texte.waitForFinished()) qFatal("pdftotext (poppler-utils) est nécessaire");
    return QString::fromUtf8(texte.readAllStandardOutput());
}

// Every section of the Markdown, a table of contents, the screenshots the
// program made of itself, page numbers, and no heading left alone at the
// foot of a page.
void TestInstallation::manuelRenduAvecSesSections() {
    const QString pdf = Construction + QStringLiteral("/GENEA.pdf");
    QVERIFY(QFileInfo(pdf).size() > 100000);
    const QString contenu =
        pdfEnTexte({QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")})
            .simplified();
    QVERIFY(contenu.contains(QStringLiteral("Sommaire")));
    QFile source(Source + QStringLiteral("/docs/manuel.md"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QStringList titres;
    int images = 0;
    for (const QString& ligne : QString::fromUtf8(source.readAll()).split(u'\n')) {
        if (ligne.startsWith(QStringLiteral("!["))) ++images;
        if (!ligne.startsWith(QStringLiteral("#"))) continue;
        titres << ligne.section(u' ', 1).trimmed();
        QVERIFY2(contenu.contains(titres.back()), qPrintable(titres.back()));
    }
    QVERIFY(titres.size() >= 15);
    QVERIFY(images >= 5);
    QProcess liste;
    liste.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    QVERIFY(liste.waitForFinished());
    QVERIFY(QString::fromLatin1(liste.readAllStandardOutput()).count(QStringLiteral("image")) >=
            images);
    const QStringList pages = pdfEnTexte({QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                          QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                                  .split(u'\f', Qt::SkipEmptyParts);
    for (int p = 0; p < pages.size(); ++p) {
        QStringList lignes = pages[p].split(u'\n', Qt::SkipEmptyParts);
        while (!lignes.isEmpty() && lignes.back().trimmed().isEmpty())
            lignes.removeLast();
        QVERIFY(!lignes.isEmpty());
        QVERIFY2(
            lignes.back().contains(QStringLiteral("page %1 sur %2").arg(p + 1).arg(pages.size())),
            qPrintable(lignes.back()));
        if (lignes.size() < 2) continue;
        const QString derniere = lignes[lignes.size() - 2].trimmed();
        QVERIFY2(!titres.contains(derniere),
                 qPrintable(QStringLiteral("page %1 : %2").arg(p + 1).arg(derniere)));
    }
}

void TestInstallation::arbreDInstallation() {
    QTemporaryDir destination;
    QProcess installation;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), destination.path());
    installation.setProcessEnvironment(env);
    installation.start(QStringLiteral("cmake"),
                       {QStringLiteral("--install"), Construction, QStringLiteral("--prefix"),
                        QStringLiteral("/usr/local")});
    QVERIFY(installation.waitForFinished(60000));
    QCOMPARE(installation.exitCode(), 0);
    for (const char* fichier : {"/usr/local/bin/Velmoris", "/usr/local/share/velmoris/GENEA.pdf",
                                "/usr/local/share/applications/velmoris.desktop",
                                "/usr/local/share/icons/hicolor/scalable/apps/velmoris.svg",
                                "/usr/local/share/mime/packages/velmoris.xml"})
        QVERIFY2(QFile::exists(destination.path() + QString::fromLatin1(fichier)), fichier);
    QVERIFY(
        QFileInfo(destination.path() + QStringLiteral("/usr/local/bin/Velmoris")).isExecutable());
    const QString entree =
        destination.path() + QStringLiteral("/usr/local/share/applications/velmoris.desktop");
    const QByteArray contenu = octetsDe(entree);
    // The file manager hands a .FIC to the program, listed once in the menu.
    QVERIFY(contenu.contains("Exec=Velmoris --bureau %f"));
    QVERIFY(contenu.contains("MimeType=application/x-velmoris-genealogie;"));
    QVERIFY(contenu.contains("\nCategories=Office;\n"));
    QProcess validation;
    validation.start(QStringLiteral("desktop-file-validate"), {entree});
    QVERIFY2(validation.waitForFinished(),
             "desktop-file-validate (desktop-file-utils) est nécessaire");
    QCOMPARE(validation.exitCode(), 0);
    QCOMPARE(validation.readAll(), QByteArray());
    // The file type is known to the installed mime database.
    if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        QVERIFY(QFile::exists(destination.path() +
                              QStringLiteral("/usr/local/share/mime/"
                                             "application/x-velmoris-genealogie.xml")));
}

void TestInstallation::exportPdfDuListing() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), centFiches());
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.ExporterPdf1->text(), QStringLiteral("Exporter en PDF…"));
    d.attendreChoix({}, ListingTelQuel)
        .attendreEnregistrement(rep.chemin(QStringLiteral("listing.pdf")));
    s.form.ExporterPdf1Click();
    QCOMPARE(d.derniersParametres().titre, QStringLiteral("Exporter en PDF"));
    QCOMPARE(pagesPdf(rep.chemin(QStringLiteral("listing.pdf"))),
             5); // 68 + 70 + 70 + 70 + 22 lines
    VERIFIER_DIALOGUES(d);
}

void TestInstallation::apercuPeintLesMemesPages() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), centFiches());
    DialoguesScriptes d;
    Session s(d);
    s.form.imprimanteChoisie().setOutputFormat(QPrinter::PdfFormat);
    d.attendreChoix({}, ListingTelQuel).attendreApercu();
    s.form.Apercu1Click();
    QCOMPARE(pagesPdf(rep.chemin(QStringLiteral("Listing de VELMORIS.pdf"))), 5);
    VERIFIER_DIALOGUES(d);
}

void TestInstallation::sansImprimanteLePdfEstPropose() {
    if (!QPrinterInfo::availablePrinters().isEmpty()) return; // a printer is installed here
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), centFiches());
    DialoguesScriptes d;
    Session s(d);
    d.attendreChoix({}, ListingTelQuel)
        .attendreQuestion(
            QStringLiteral("Aucune imprimante n'est installée.\rVoulez-vous enregistrer le "
                           "listing dans un fichier PDF ?"),
            true)
        .attendreEnregistrement(rep.chemin(QStringLiteral("a.pdf")));
    s.form.commande(&TForm1::Imprimer1Click);
    QCOMPARE(pagesPdf(rep.chemin(QStringLiteral("a.pdf"))), 5);
    d.attendreChoix({}, ListingTelQuel)
        .attendreQuestion(
            QStringLiteral("Aucune imprimante n'est installée.\rVoulez-vous enregistrer le "
                           "listing dans un fichier PDF ?"),
            false);
    s.form.Imprimer1Click();
    VERIFIER_DIALOGUES(d);
}

// The chart goes to paper drawn, not captured: no button, every box whole,
// every text fitted to its box, vector PDF and SVG, PNG at print resolution.
void TestInstallation::exportDeLArbre() {
    RepertoireDeTravail rep;
    std::vector<TFiche> f = centFiches();
    f[1] =
        personne(QStringLiteral("DE LA TOUR D'AUVERGNE XX"), QStringLiteral("Marie-Françoise-Ad"));
    f[0].Pere = 1;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), f);
    DialoguesScriptes d;
    Session s(d);
    s.form.SbArbreClick();
    const DessinArbre dessin = Form3->dessin();
    QCOMPARE(dessin.boites.size(), std::size_t(24));
    for (const DessinArbre::Boite& b : dessin.boites) {
        const QSizeF place = b.place.adjusted(2, 2, -2, -2).size();
        const QFont police = policeAjustee(b.lignes, place, dessin.police);
        for (const QString& ligne : b.lignes)
            QVERIFY2(QFontMetricsF(police).horizontalAdvance(ligne) <= place.width(),
                     qPrintable(ligne));
    }
    d.attendreEnregistrement(rep.chemin(QStringLiteral("arbre")))
        .attendreChoix({}, ToutGarder)
        .attendreEnregistrement(rep.chemin(QStringLiteral("arbre.png")))
        .attendreChoix({}, ToutGarder)
        .attendreEnregistrement(rep.chemin(QStringLiteral("arbre.svg")))
        .attendreChoix({}, ToutGarder);
    emit Form3->exportDemande();
    QCOMPARE(pagesPdf(rep.chemin(QStringLiteral("arbre.pdf"))), 1);
    emit Form3->exportDemande();
    QCOMPARE(QImage(rep.chemin(QStringLiteral("arbre.png"))).width(),
             qRound(646 * ResolutionPng / 96.0));
    emit Form3->exportDemande();
    const QString svg = QString::fromUtf8(octetsDe(rep.chemin(QStringLiteral("arbre.svg"))));
    QVERIFY(svg.contains(QStringLiteral("NOM0 Jean")));
    QVERIFY(svg.contains(QStringLiteral("Personnage pivot")));
    for (const char* bouton : {"Imprimer", "Exporter", "Sortir"})
        QVERIFY2(!svg.contains(QString::fromLatin1(bouton)), bouton);
    VERIFIER_DIALOGUES(d);
}

void TestInstallation::raccourcis() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), centFiches());
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.Quitter1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    QCOMPARE(s.form.Imprimer1->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    auto raccourci = [&](const char* touches) {
        auto* r = s.form.findChild<QShortcut*>(QStringLiteral("Raccourci ") +
                                               QString::fromLatin1(touches));
        if (!r) qFatal("raccourci absent : %s", touches);
        QCOMPARE(r->key(), QKeySequence(QString::fromLatin1(touches)));
        emit r->activated();
    };
    raccourci("Alt+Right");
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("1"));
    raccourci("End");
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("99"));
    raccourci("Alt+Left");
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("98"));
    raccourci("Home");
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("0"));
    s.form.ENom->setText(QStringLiteral("CHANGÉ"));
    raccourci("Ctrl+S");
    QCOMPARE(lireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")))[0].Nom.texte(),
             QStringLiteral("CHANGÉ"));
    raccourci("Ctrl+N");
    QVERIFY(s.form.NumEnreg->text().isEmpty());
    d.attendreSaisie(QStringLiteral("Quel nom cherchez-vous ?"), std::nullopt)
        .attendreSaisie(QStringLiteral("Quel prénom cherchez-vous ?"), std::nullopt)
        .attendreModal([](QDialog&) { return false; });
    raccourci("Ctrl+F");
    VERIFIER_DIALOGUES(d);
}

QTEST_MAIN(TestInstallation)
#include "test_installation.moc"
