// The reports a genealogist prints, on one small family: cousins who married
// (implex), a half-brother, three generations of cousins, a loop and a link
// to a record that is not there.
#include "data/Rapports.h"
#include "forms/UVelmorS.h"
#include "forms/uChoixPersonne.h"
#include "print/DocumentRapport.h"
#include "tests/OutilsTests.h"

#include <QAbstractTextDocumentLayout>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

//  0 Louis ARNAUD ×  1 Marie BLANC        0 × 2 Jeanne CLERC
//  ├ 3 Pierre × 6 Anne DURAND             └ 5 Henri (half-brother of 3 and 4)
//  │  └ 7 Luc ─┐                              └ 11 Julie
//  └ 4 Paul × 8 Claire EVRARD                     └ 12 Tom FAURE
//     └ 9 Sophie ┘ 7 × 9 (first cousins) → 10 Marc
// 13 and 14 are each other's father (a damaged file); 15's father is record 99.
std::vector<TFiche> famille() {
    const char* noms[][3] = {
        {"ARNAUD", "Louis", "0"},  {"BLANC", "Marie", "1"}, {"CLERC", "Jeanne", "1"},
        {"ARNAUD", "Pierre", "0"}, {"ARNAUD", "Paul", "0"}, {"ARNAUD", "Henri", "0"},
        {"DURAND", "Anne", "1"},   {"ARNAUD", "Luc", "0"},  {"EVRARD", "Claire", "1"},
        {"ARNAUD", "Sophie", "1"}, {"ARNAUD", "Marc", "0"}, {"ARNAUD", "Julie", "2"},
        {"FAURE", "Tom", "0"},     {"BOUCLE", "Un", "0"},   {"BOUCLE", "Deux", "0"},
        {"PERDU", "Lien", "0"}};
    std::vector<TFiche> f;
    for (const auto& n : noms)
        f.push_back(personne(
            QString::fromUtf8(n[0]), QString::fromUtf8(n[1]), QString::fromLatin1(n[2]).toInt(),
            QStringLiteral("01/01/%1").arg(1850 + 20 * static_cast<int>(f.size() / 4))));
    lier(f, 3, 0, 1);
    lier(f, 4, 0, 1);
    lier(f, 5, 0, 2);
    lier(f, 7, 3, 6);
    lier(f, 9, 4, 8);
    lier(f, 10, 7, 9);
    lier(f, 11, 5, -1);
    lier(f, 12, -1, 11);
    f[4].Enfants[1] = 9; // the same child in two slots
    f[4].NbEnfants = 2;
    f[13].Pere = 14;
    f[14].Pere = 13;
    f[15].Pere = 99;
    f[7].DateMariage.definir(QStringLiteral("02/02/1950"));
    f[9].DateMariage.definir(QStringLiteral("02/02/1950"));
    return f;
}

struct Fichier {
    Fichier() {
        ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), famille());
        fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    }
    RepertoireDeTravail rep;
    FichierDisque fichier;
};

QString ligne(const AncetreSosa& a) {
    QStringList numeros;
    for (std::uint64_t n : a.numeros)
        numeros << QString::number(n);
    return numeros.join(u',') + u' ' + a.personne.Prenom.texte();
}

} // namespace

class TestRapports : public QObject {
    Q_OBJECT
private slots:
    void ascendanceAvecImplexe();
    void ascendanceBoucleEtLienPerdu();
    void descendance();
    void liensDeParente_data();
    void liensDeParente();
    void statistiquesDuFichier();
    void rapportsDansLApercu_data();
    void rapportsDansLApercu();
    void titresJamaisSeulsEnBasDePage();
    void titresImprimesApresLesSautsDePage_data();
    void titresImprimesApresLesSautsDePage();
};

// Marc's great-grandparents reach him twice: listed once, with both numbers.
void TestRapports::ascendanceAvecImplexe() {
    Fichier f;
    const AscendanceSosa s = ascendanceSosa(f.fichier, 10, 10);
    QCOMPARE(s.generations.size(), std::size_t(4));
    QStringList g;
    for (const auto& generation : s.generations) {
        QStringList l;
        for (const AncetreSosa& a : generation)
            l << ligne(a);
        g << l.join(QStringLiteral(" | "));
    }
    QCOMPARE(g, (QStringList{"1 Marc", "2 Luc | 3 Sophie", "4 Pierre | 5 Anne | 6 Paul | 7 Claire",
                             "8,12 Louis | 9,13 Marie"}));
    QVERIFY(s.notes.isEmpty());
    QCOMPARE(ascendanceSosa(f.fichier, 10, 2).generations.size(), std::size_t(2));
}

void TestRapports::ascendanceBoucleEtLienPerdu() {
    Fichier f;
    const AscendanceSosa boucle = ascendanceSosa(f.fichier, 13, 30);
    QCOMPARE(boucle.generations.size(), std::size_t(2));
    QVERIFY(boucle.notes.join(u' ').contains(
        QStringLiteral("Boucle : BOUCLE Un (fiche 13) serait son propre ancêtre")));
    const AscendanceSosa perdu = ascendanceSosa(f.fichier, 15, 30);
    QCOMPARE(perdu.generations.size(), std::size_t(1));
    QCOMPARE(perdu.notes,
             QStringList{"PERDU Lien (fiche 15) a pour père la fiche 99, qui n'existe pas."});
}

// Louis's descendants, eldest first; Marc, reached by both of his parents,
// is listed the second time by reference.
void TestRapports::descendance() {
    Fichier f;
    const DescendanceAboville d = descendanceAboville(f.fichier, 0, 10);
    QStringList l;
    for (const DescendantAboville& x : d.descendants)
        l << x.numero + u' ' + x.personne.Prenom.texte() +
                 (x.dejaCite.isEmpty() ? QString() : QStringLiteral(" =") + x.dejaCite);
    QCOMPARE(l, (QStringList{"1 Louis", "1.1 Pierre", "1.1.1 Luc", "1.1.1.1 Marc", "1.2 Paul",
                             "1.2.1 Sophie", "1.2.1.1 Marc =1.1.1.1", "1.3 Henri", "1.3.1 Julie",
                             "1.3.1.1 Tom"}));
    QCOMPARE(d.descendants[2].conjoint, 9); // Luc's wife, through Marc in the same slot
    QCOMPARE(d.descendants[1].conjoint, 6);
    QCOMPARE(descendanceAboville(f.fichier, 0, 2).descendants.size(), std::size_t(4));
    QCOMPARE(descendanceAboville(f.fichier, 13, 30).notes.size(), 0); // 13 has no child listed
}

void TestRapports::liensDeParente_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QString>("aVersB");
    QTest::addColumn<QString>("bVersA");
    auto cas = [](const char* nom, int a, int b, const char* ab, const char* ba) {
        QTest::newRow(nom) << a << b << QString::fromUtf8(ab) << QString::fromUtf8(ba);
    };
    cas("père", 3, 7, "ARNAUD Pierre est le père de ARNAUD Luc.",
        "ARNAUD Luc est le fils de ARNAUD Pierre.");
    cas("arrière-grand-père", 0, 10, "ARNAUD Louis est l'arrière-grand-père de ARNAUD Marc.",
        "ARNAUD Marc est l'arrière-petit-fils de ARNAUD Louis.");
    cas("frères", 3, 4, "ARNAUD Pierre est le frère de ARNAUD Paul.",
        "ARNAUD Paul est le frère de ARNAUD Pierre.");
    cas("demi-frères", 3, 5, "ARNAUD Pierre est le demi-frère de ARNAUD Henri.",
        "ARNAUD Henri est le demi-frère de ARNAUD Pierre.");
    cas("oncle", 4, 7, "ARNAUD Paul est l'oncle de ARNAUD Luc.",
        "ARNAUD Luc est le neveu de ARNAUD Paul.");
    cas("tante à la mode de Bretagne", 11, 10,
        "ARNAUD Julie est la demi-tante à la mode de Bretagne de ARNAUD Marc.",
        "ARNAUD Marc est le demi-petit-cousin de ARNAUD Julie.");
    cas("cousins germains", 7, 9, "ARNAUD Luc est le cousin germain de ARNAUD Sophie.",
        "ARNAUD Sophie est la cousine germaine de ARNAUD Luc.");
    cas("à la mode de Bretagne", 7, 12,
        "ARNAUD Luc est le demi-oncle à la mode de Bretagne de FAURE Tom.",
        "FAURE Tom est le demi-petit-cousin de ARNAUD Luc.");
    cas("issus de germains", 10, 12, "ARNAUD Marc est le demi-cousin issu de germain de FAURE Tom.",
        "FAURE Tom est le demi-cousin issu de germain de ARNAUD Marc.");
    cas("aucun lien", 15, 0, "", "");
    cas("boucle", 13, 14, "BOUCLE Un est le père de BOUCLE Deux.",
        "BOUCLE Deux est le fils de BOUCLE Un.");
}

void TestRapports::liensDeParente() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QString, aVersB);
    QFETCH(QString, bVersA);
    Fichier f;
    const LienDeParente l = lienDeParente(f.fichier, a, b);
    QCOMPARE(l.trouve, !aVersB.isEmpty());
    QCOMPARE(l.deAVersB, aVersB);
    QCOMPARE(l.deBVersA, bVersA);
    if (l.trouve) {
        QCOMPARE(l.cheminA.front(), a);
        QCOMPARE(l.cheminB.front(), b);
        QCOMPARE(l.cheminA.back(), l.cheminB.back());
    }
}

void TestRapports::statistiquesDuFichier() {
    Fichier f;
    const Statistiques s = statistiques(f.fichier);
    QCOMPARE(s.fiches, 16);
    QCOMPARE(s.parQualite[0], 10);
    QCOMPARE(s.parQualite[1], 5);
    QCOMPARE(s.parQualite[2], 1);
    QCOMPARE(s.nomsFrequents.front(), (std::pair<QString, std::int64_t>{"ARNAUD", 8}));
    QCOMPARE(s.naissancesParDecennie.at(1850), 4);
    QCOMPARE(s.premiereAnnee, 1850);
    QCOMPARE(s.derniereAnnee, 1950);
    QCOMPARE(s.sansAucunLien, 0);
}

// Each report of the menu, for Luc, in the preview: names in place of
// record numbers, a title with the person's name, numbered pages.
void TestRapports::rapportsDansLApercu_data() {
    QTest::addColumn<QString>("rapport");
    QTest::addColumn<QStringList>("vu");
    QTest::newRow("ascendance") << "ascendance"
                                << QStringList{"Liste d'ascendance de ARNAUD Luc",
                                               "ARNAUD Louis, ° 01/01/1850",
                                               "Génération 3 : les grands-parents", "page 1 sur 1"};
    QTest::newRow("descendance") << "descendance"
                                 << QStringList{"Liste de descendance de ARNAUD Luc", "1.1",
                                                "ARNAUD Marc", "x ARNAUD Sophie"};
    QTest::newRow("fiche familiale")
        << "fiche"
        << QStringList{"Fiche familiale de ARNAUD Luc", "Conjoint(e) — ARNAUD Sophie",
                       "Père — ARNAUD Pierre", "Enfant (rang 1) — ARNAUD Marc"};
    QTest::newRow("lien de parenté")
        << "parente"
        << QStringList{"Lien de parenté entre ARNAUD Luc et ARNAUD Sophie",
                       "ARNAUD Luc est le cousin germain de ARNAUD Sophie.", "ARNAUD Louis"};
    QTest::newRow("statistiques") << "statistiques"
                                  << QStringList{"Statistiques du fichier", "16 fiche(s)", "ARNAUD",
                                                 "De 1850 à 1950."};
}

void TestRapports::rapportsDansLApercu() {
    QFETCH(QString, rapport);
    QFETCH(QStringList, vu);
    RepertoireDeTravail rep;
    ecrireFichier(rep.chemin(QStringLiteral("VELMORIS.FIC")), famille());
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(7);
    if (rapport == u"ascendance" || rapport == u"descendance")
        d.attendreSaisie(QStringLiteral("Nombre de générations (1 à 30) ?"), std::nullopt);
    if (rapport == u"parente")
        d.attendreModal([](QDialog& dialogue) {
            static_cast<TChoixPersonne&>(dialogue).EFiltre->setText(QStringLiteral("sophie"));
            return true;
        });
    // Saved from the preview, under the report's own title, beside the file.
    d.attendreApercuEnregistreEnPdf().attendreEnregistrement(
        rep.chemin(QStringLiteral("rapport.pdf")));
    if (rapport == u"ascendance") s.form.ListeAscendance1Click();
    if (rapport == u"descendance") s.form.ListeDescendance1Click();
    if (rapport == u"fiche") s.form.FicheFamiliale1Click();
    if (rapport == u"parente") s.form.LienDeParente1Click();
    if (rapport == u"statistiques") s.form.Statistiques1Click();
    VERIFIER_DIALOGUES(d);
    QCOMPARE(d.derniersParametres().repertoireInitial, rep.racine());
    QCOMPARE(d.derniersParametres().nomFichier, vu.front() + QStringLiteral(".pdf"));
    QProcess texte;
    texte.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                 rep.chemin(QStringLiteral("rapport.pdf")), QStringLiteral("-")});
    QVERIFY(texte.waitForFinished());
    const QString contenu = QString::fromUtf8(texte.readAllStandardOutput()).simplified();
    for (const QString& attendu : vu)
        QVERIFY2(contenu.contains(attendu), qPrintable(attendu + u'\n' + contenu));
    QVERIFY(!contenu.contains(QStringLiteral("fiche 7)")) || rapport == u"fiche");
}

// Sections of one to five rows on short pages: some heading falls at the foot
// of a page, and must go over with its section; a long one, with its first row.
void TestRapports::titresJamaisSeulsEnBasDePage() {
    QString html;
    for (int i = 0; i < 40; ++i) {
        html += QStringLiteral("<h2>Génération %1</h2><p>compte</p><table>").arg(i);
        for (int r = 0; r <= (i == 20 ? 40 : i % 5); ++r)
            html += QStringLiteral("<tr><td>%1</td><td>personne</td></tr>").arg(r);
        html += QStringLiteral("</table>");
    }
    QTextDocument document;
    document.setHtml(html);
    document.setPageSize(QSizeF(400, 300));
    garderTitresAvecLeurTexte(document);
    QAbstractTextDocumentLayout* mise = document.documentLayout();
    const auto page = [&](double y) { return int(y / 300); };
    int titres = 0;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() == 0) continue;
        ++titres;
        QTextBlock fin = b.next().next(); // the first row's number
        const bool longue = titres == 21;
        while (!longue && fin.next().isValid() && fin.next().blockFormat().headingLevel() == 0)
            fin = fin.next();
        QCOMPARE(page(mise->blockBoundingRect(fin).bottom() - 1),
                 page(mise->blockBoundingRect(b).top()));
    }
    QCOMPARE(titres, 40);
}

// Reports long enough to break many times, printed as PDF: every heading of
// the document is on paper, and in its order.
void TestRapports::titresImprimesApresLesSautsDePage_data() {
    QTest::addColumn<QString>("rapport");
    QTest::addColumn<int>("longueur"); // a small change in the lines' lengths
    for (int longueur = 0; longueur < 3; ++longueur) {
        QTest::addRow("ascendance de 10 générations, %d", longueur) << "ascendance" << longueur;
        QTest::addRow("fiche familiale de 10 enfants, %d", longueur) << "fiche" << longueur;
    }
}

void TestRapports::titresImprimesApresLesSautsDePage() {
    QFETCH(QString, rapport);
    QFETCH(int, longueur);
    RepertoireDeTravail rep;
    // A full tree of ten generations: record n has parents 2n + 1 and 2n + 2.
    std::vector<TFiche> f;
    for (int i = 0; i < 1023; ++i) {
        f.push_back(personne(QStringLiteral("NOM") + QString(1 + (i * 7 + longueur) % 15, u'X'),
                             QStringLiteral("Prénom%1 Jean").arg(i), i % 2,
                             QStringLiteral("01/01/1900")));
        f.back().LieuNaissance.definir(QStringLiteral("Saint-Martin-") + QString(i % 12, u'y'));
        f.back().Pere = 2 * i + 1 < 1023 ? 2 * i + 1 : -1;
        f.back().Mere = 2 * i + 2 < 1023 ? 2 * i + 2 : -1;
    }
    ecrireFichier(rep.chemin(QStringLiteral("a.FIC")), f);
    FichierDisque fichier;
    fichier.ouvrir(rep.chemin(QStringLiteral("a.FIC")));
    DocumentRapport document;
    QStringList titres;
    if (rapport == u"ascendance") {
        document = rapportAscendance(ascendanceSosa(fichier, 0, 10), f[0], {}, {});
        for (int g = 1; g <= 10; ++g)
            titres << QStringLiteral("Génération %1 ").arg(g);
    } else {
        std::vector<MembreFamille> membres{{QStringLiteral("Personne"), 0, f[0], {}}};
        for (int rang = 1; rang <= 10; ++rang) {
            QImage portrait(60, 20 + 30 * ((rang + longueur) % 3), QImage::Format_RGB32);
            portrait.fill(Qt::gray);
            membres.push_back({QStringLiteral("Enfant (rang %1)").arg(rang), rang,
                               f[std::size_t(rang)], portrait});
            titres << QStringLiteral("Enfant (rang %1)").arg(rang);
        }
        document = rapportFicheFamiliale(membres, {}, {});
    }
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(rep.chemin(QStringLiteral("r.pdf")));
    QVERIFY(imprimerRapport(pdf, document) > 1);
    QProcess texte;
    texte.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                 rep.chemin(QStringLiteral("r.pdf")), QStringLiteral("-")});
    QVERIFY(texte.waitForFinished());
    const QString contenu = QString::fromUtf8(texte.readAllStandardOutput()).simplified();
    qsizetype depuis = 0;
    for (const QString& titre : titres) {
        const qsizetype ici = contenu.indexOf(titre, depuis);
        QVERIFY2(ici >= 0, qPrintable(titre));
        depuis = ici;
    }
}

QTEST_MAIN(TestRapports)
#include "test_rapports.moc"
