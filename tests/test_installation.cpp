// What a new user meets: the demonstration family, the manual, the
// installation, the preview and the PDF, the chart's export, the shortcuts.
#include "data/Recherches.h"
#include "forms/UVelmorS.h"
#include "forms/uArbre.h"
#include "tests/OutilsTests.h"
#include "tools/Demo.h"

#include <QAction>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
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

void TestInstallation::manuelRenduAvecSesSections() {
    const QString pdf = Construction + QStringLiteral("/GENEA.pdf");
    QVERIFY(QFileInfo(pdf).size() > 10000);
    QProcess texte;
    texte.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    QVERIFY2(texte.waitForFinished(), "pdftotext (poppler-utils) est nécessaire");
    const QString contenu = QString::fromUtf8(texte.readAllStandardOutput()).simplified();
    QFile source(Source + QStringLiteral("/docs/manuel.md"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    int sections = 0;
    for (const QString& ligne : QString::fromUtf8(source.readAll()).split(u'\n')) {
        if (!ligne.startsWith(QStringLiteral("#"))) continue;
        const QString titre = ligne.section(u' ', 1).trimmed();
        QVERIFY2(contenu.contains(titre), qPrintable(titre));
        ++sections;
    }
    QVERIFY(sections >= 10);
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
                                "/usr/local/share/icons/hicolor/scalable/apps/velmoris.svg"})
        QVERIFY2(QFile::exists(destination.path() + QString::fromLatin1(fichier)), fichier);
    QVERIFY(
        QFileInfo(destination.path() + QStringLiteral("/usr/local/bin/Velmoris")).isExecutable());
    const QByteArray entree = octetsDe(
        destination.path() + QStringLiteral("/usr/local/share/applications/velmoris.desktop"));
    QVERIFY(entree.contains("Exec=Velmoris"));
    QVERIFY(entree.contains("GenericName[fr]=Arbre g\xC3\xA9n\xC3\xA9"
                            "alogique"));
}

void TestInstallation::exportPdfDuListing() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), centFiches());
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.ExporterPdf1->text(), QStringLiteral("Exporter en PDF…"));
    d.attendreEnregistrement(rep.chemin(QStringLiteral("listing.pdf")));
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
    s.form.imprimanteChoisie().setOutputFileName(rep.chemin(QStringLiteral("apercu.pdf")));
    d.attendreApercu();
    s.form.Apercu1Click();
    QCOMPARE(pagesPdf(rep.chemin(QStringLiteral("apercu.pdf"))), 5);
    VERIFIER_DIALOGUES(d);
}

void TestInstallation::sansImprimanteLePdfEstPropose() {
    if (!QPrinterInfo::availablePrinters().isEmpty()) return; // a printer is installed here
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), centFiches());
    DialoguesScriptes d;
    Session s(d);
    d.attendreQuestion(
         QStringLiteral("Aucune imprimante n'est installée.\rVoulez-vous enregistrer le "
                        "listing dans un fichier PDF ?"),
         true)
        .attendreEnregistrement(rep.chemin(QStringLiteral("a.pdf")));
    s.form.commande(&TForm1::Imprimer1Click);
    QCOMPARE(pagesPdf(rep.chemin(QStringLiteral("a.pdf"))), 5);
    d.attendreQuestion(
        QStringLiteral("Aucune imprimante n'est installée.\rVoulez-vous enregistrer le "
                       "listing dans un fichier PDF ?"),
        false);
    s.form.Imprimer1Click();
    VERIFIER_DIALOGUES(d);
}

void TestInstallation::exportDeLArbre() {
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), centFiches());
    DialoguesScriptes d;
    Session s(d);
    s.form.SbArbreClick();
    // The two buttons lie clear of every control of the chart.
    for (QWidget* autre : Form3->findChildren<QWidget*>()) {
        if (autre == Form3->BtImprimer || autre == Form3->BtExporter || autre->parent() != Form3)
            continue;
        QVERIFY2(!autre->geometry().intersects(Form3->BtImprimer->geometry()),
                 qPrintable(autre->objectName()));
        QVERIFY2(!autre->geometry().intersects(Form3->BtExporter->geometry()),
                 qPrintable(autre->objectName()));
    }
    d.attendreEnregistrement(rep.chemin(QStringLiteral("arbre")));
    emit Form3->exportDemande();
    const QImage image(rep.chemin(QStringLiteral("arbre.png")));
    QCOMPARE(image.size(), QSize(646, 480));
    d.attendreEnregistrement(rep.chemin(QStringLiteral("arbre.PDF")));
    emit Form3->exportDemande();
    QCOMPARE(pagesPdf(rep.chemin(QStringLiteral("arbre.PDF"))), 1);
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
