// The companion store beside a genealogy file: what another program's file
// holds comes back on export, nothing is ever shown or exported on the wrong
// person, and a store that cannot serve never stops the records.
#include "data/complements/FichierComplements.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/gedcom/Gedcom.h"
#include "data/journal/Sauvegardes.h"
#include "data/rapports/Rapports.h"
#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uArbre.h"
#include "forms/uChoixPersonne.h"
#include "forms/uComplements.h"
#include "forms/uFicheComplete.h"
#include "forms/uIndex.h"
#include "forms/uLieux.h"
#include "tests/OutilsTests.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <sqlite3.h>

#include <map>

namespace {

// A tree as another program writes it: a childless first marriage and a
// second one with twelve children and an adopted one, a baptism, dated
// professions, another name, a cited source, a note, a Julian date, a place
// longer than the record's field.
QByteArray arbreEtranger() {
    QByteArray g = "0 HEAD\n1 SOUR Gramps\n1 CHAR UTF-8\n"
                   "0 @I1@ INDI\n1 NAME Jean Baptiste /Dupont-Lefèvre de la Tour/\n"
                   "2 GIVN Jean Baptiste\n2 SURN Dupont-Lefèvre de la Tour\n1 SEX M\n"
                   "1 BIRT\n2 DATE ABT 13 OCT 1784\n"
                   "2 PLAC Saint-Rémy-de-Provence, Bouches-du-Rhône, France\n"
                   "2 SOUR @S1@\n3 PAGE folio 12\n1 BAPM\n2 DATE 14 OCT 1784\n"
                   "1 OCCU tisserand\n2 DATE 1810\n1 OCCU maire\n2 DATE 1830\n"
                   "1 NAME Jeannot /Dupont/\n2 TYPE aka\n1 NOTE @N1@\n"
                   "1 FAMS @F1@\n1 FAMS @F2@\n"
                   "0 @I2@ INDI\n1 NAME Marie /Martin/\n1 SEX F\n1 RESI\n2 PLAC Marqueur-Marie\n"
                   "1 FAMS @F1@\n"
                   "0 @I3@ INDI\n1 NAME Anne /Durand/\n1 SEX F\n1 FAMS @F2@\n";
    QByteArray famille = "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 MARR\n"
                         "2 DATE @#DJULIAN@ 1 MAR 1812\n2 SOUR @S1@\n";
    for (int i = 0; i < 12; ++i) {
        const QByteArray id = "@I" + QByteArray::number(10 + i) + "@";
        g += "0 " + id + " INDI\n1 NAME Enfant" + QByteArray::number(i + 1) +
             " /Dupont/\n1 SEX M\n1 BIRT\n2 DATE " + QByteArray::number(1813 + i) +
             "\n1 FAMC @F2@\n";
        famille += "1 CHIL " + id + "\n";
    }
    g += "0 @I30@ INDI\n1 NAME Pierre /Adopté/\n1 SEX M\n1 FAMC @F2@\n2 PEDI adopted\n";
    famille += "1 CHIL @I30@\n";
    return g + "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1805\n2 PLAC Arles\n1 DIV\n" +
           famille + "0 @S1@ SOUR\n1 TITL Registres paroissiaux\n" +
           "0 @N1@ NOTE Une note\n1 CONT sur deux lignes\n0 TRLR\n";
}

// What a GEDCOM text says, writer's identifiers aside: per person in file
// order and per family by its spouses' ranks, the multiset of structures,
// a pointer read as what it leads to (a source by its title, a note by its
// text); the change dates left out.
struct Contenu {
    std::vector<QStringList> personnes;
    std::map<std::pair<int, int>, QStringList> familles;
};

Contenu contenuDe(const QByteArray& gedcom) {
    struct Enr {
        QString xref, genre;
        QStringList lignes;
    };
    std::vector<Enr> enr;
    for (QString l : QString::fromUtf8(gedcom).split(QRegularExpression(QStringLiteral("\r?\n")))) {
        if (l.isEmpty()) continue;
        if (l.startsWith(u'0')) {
            const QStringList m = l.split(u' ');
            enr.push_back({m.value(1), m.value(2), {}});
            if (m.value(2) == u"NOTE") enr.back().lignes << l.section(u' ', 3);
            continue;
        }
        if (!enr.empty()) enr.back().lignes << l;
    }
    std::map<QString, QString> cible;
    std::map<QString, int> rang;
    for (const Enr& e : enr) {
        if (e.genre == u"INDI") rang.emplace(e.xref, static_cast<int>(rang.size()));
        if (e.genre == u"SOUR") cible[e.xref] = e.lignes.filter(QStringLiteral("1 TITL")).value(0);
        if (e.genre == u"NOTE") cible[e.xref] = e.lignes.join(u'|');
    }
    auto structures = [&](const Enr& e) {
        QStringList liste;
        for (QString l : e.lignes) {
            const QString valeur = l.section(u' ', 2);
            if (valeur.startsWith(u'@'))
                l = l.section(u' ', 0, 1) + u' ' +
                    (cible.count(valeur) ? cible[valeur] : QStringLiteral("@"));
            if (l.startsWith(u'1') || liste.isEmpty())
                liste << l;
            else
                liste.back() += u'/' + l;
        }
        liste.removeIf([](const QString& s) {
            return s.startsWith(QStringLiteral("1 CHAN")) ||
                   s.startsWith(QStringLiteral("1 HUSB")) || s.startsWith(QStringLiteral("1 WIFE"));
        });
        liste.sort();
        return liste;
    };
    Contenu c;
    for (const Enr& e : enr) {
        if (e.genre == u"INDI") c.personnes.push_back(structures(e));
        if (e.genre != u"FAM") continue;
        auto conjoint = [&](const char* quoi) {
            const QString l = e.lignes.filter(QString::fromLatin1(quoi)).value(0);
            return l.isEmpty() ? -1 : rang.at(l.section(u' ', 2));
        };
        QStringList s = structures(e);
        for (const QString& l : e.lignes.filter(QStringLiteral("1 CHIL ")))
            s << QStringLiteral("enfant %1").arg(rang.at(l.section(u' ', 2)));
        s.sort();
        c.familles[{conjoint("1 HUSB "), conjoint("1 WIFE ")}] = s;
    }
    return c;
}

TFiche lireFiche(const QString& fic, int n) {
    return lireFichier(fic).at(static_cast<std::size_t>(n));
}

// The lines of the Compléments window for a record.
QString vueDe(const QString& fic, int n) {
    FichierDisque f;
    f.ouvrir(fic);
    const auto base = Complements::ouvrir(fic, false);
    QStringList lignes;
    for (const auto& s : vueComplements(*base, f, n, lireFiche(fic, n)).sections)
        lignes << s.titre << s.lignes;
    return lignes.join(u'\n');
}

QString noteDe(const QString& fic, int n) {
    FichierDisque f;
    f.ouvrir(fic);
    return vueComplements(*Complements::ouvrir(fic, false), f, n, lireFiche(fic, n)).note;
}

} // namespace

class TestComplements : public QObject {
    Q_OBJECT
private slots:
    void allerRetourSansRienPerdre();
    void modificationDansVelmoris();
    void correctionGardeLeResteDeLOriginal_data();
    void correctionGardeLeResteDeLOriginal();
    void unionsDansLOrdreDesMariages();
    void jamaisSurLaMauvaisePersonne_data();
    void jamaisSurLaMauvaisePersonne();
    void complementsInutilisables_data();
    void complementsInutilisables();
    void fenetreEtNote();
    void fenetreDesLieux();
    void parenteParAdoptionDemandee();
    void suitLeFichier();
    void empreinteDesOctets();
    void importALaSuiteSurSesFiches();
    void exportDesEntreesDansLeDesordre_data();
    void exportDesEntreesDansLeDesordre();
};

// Everything the source holds comes back, value for value; the couple
// without children and the children past the tenth come from the store.
void TestComplements::allerRetourSansRienPerdre() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    const QByteArray source = arbreEtranger();
    importerAvecComplements(source, fic);
    QVERIFY(Complements::existe(fic));
    const Contenu avant = contenuDe(source), apres = contenuDe(exporterAvecComplements(fic));
    QCOMPARE(apres.personnes.size(), avant.personnes.size());
    for (std::size_t i = 0; i < avant.personnes.size(); ++i)
        QCOMPARE(apres.personnes[i], avant.personnes[i]);
    QCOMPARE(apres.familles, avant.familles);
    // The reports see the twelve children, and the first wife as a spouse.
    FichierDisque f;
    f.ouvrir(fic);
    const auto base = Complements::ouvrir(fic, false);
    FamillesDesComplements connues(*base, f);
    QCOMPARE(connues.conjoints(0, lireFiche(fic, 0)), (std::vector<std::int32_t>{1, 2}));
    // Both wives, each before her own children: the first childless, the
    // second with the twelve (the adopted son apart).
    const DescendanceAboville d = descendanceAboville(f, 0, 2, &connues);
    QCOMPARE(d.descendants.size(), std::size_t(15));
    QVERIFY(d.descendants[1].estUnion && d.descendants[1].fiche == 1);
    QVERIFY(d.descendants[2].estUnion && d.descendants[2].fiche == 2);
    QCOMPARE(d.descendants.back().numero, QStringLiteral("1.12"));
}

// The user edits the name and the birth date: they go out as typed, with
// the birth's source and every other event, note and source of the person.
void TestComplements::modificationDansVelmoris() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(arbreEtranger(), fic);
    DialoguesScriptes d;
    Session s(d);
    s.form.ENom->setText(QStringLiteral("Dupuis"));
    s.form.EDN->setText(QStringLiteral("02/02/1785"));
    s.form.SbEnregistrerClick();
    VERIFIER_DIALOGUES(d);
    const QStringList personne = contenuDe(exporterAvecComplements(fic)).personnes.at(0);
    const QString texte = personne.join(u'\n');
    QVERIFY2(texte.contains(QStringLiteral("1 NAME Jean Baptiste /Dupuis/")), qPrintable(texte));
    QVERIFY2(
        texte.contains(QStringLiteral("1 BIRT/2 DATE 2 FEB 1785/2 PLAC Saint-Rémy-de-Pr")) &&
            texte.contains(QStringLiteral("/2 SOUR 1 TITL Registres paroissiaux/3 PAGE folio 12")),
        qPrintable(texte));
    for (const char* attendu : {"1 BAPM/2 DATE 14 OCT 1784", "1 OCCU maire/2 DATE 1830",
                                "1 NAME Jeannot /Dupont//2 TYPE aka", "1 NOTE Une note|"})
        QVERIFY2(texte.contains(QString::fromUtf8(attendu)), qPrintable(texte));
    QVERIFY2(!texte.contains(QStringLiteral("ABT 13 OCT")), qPrintable(texte));
}

void TestComplements::correctionGardeLeResteDeLOriginal_data() {
    QTest::addColumn<QString>("champ"); // the edit of the entry form changed
    QTest::addColumn<QString>("saisie");
    QTest::addColumn<QStringList>("attendu");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("prénom corrigé") << "EPrenom"
                                    << "Jean" << QStringList{"1 NAME Jean /Зыков/ Sr",
                                                             "2 GIVN Jean",
                                                             "2 SURN Зыков",
                                                             "2 NPFX Dr.",
                                                             "2 NSFX Sr",
                                                             "2 NICK Vania"}
                                    << QStringList{"Zykov", "John"};
    QTest::newRow("nom corrigé") << "ENom"
                                 << "ZYKOFF"
                                 << QStringList{"1 NAME John /ZYKOFF/ Sr", "2 GIVN John",
                                                "2 SURN ZYKOFF", "2 NPFX Dr."}
                                 << QStringList{"Зыков"};
    QTest::newRow("lieu de naissance corrigé")
        << "ELN"
        << "Morlaix"
        << QStringList{"2 DATE @#DJULIAN@ 1 MAR 1712", "2 PLAC Morlaix", "2 SOUR @X1_S1@"}
        << QStringList{"LATI", "Saint-Pol"};
    QTest::newRow("date de naissance corrigée")
        << "EDN"
        << "02/03/1712"
        << QStringList{"2 DATE 2 MAR 1712", "2 PLAC Saint-Pol-de-Léon, Finistère, Bretagne, France",
                       "4 LATI N48.68"}
        << QStringList{"JULIAN"};
}

// Correcting one part of a name or an event changes that part only: the
// rest goes out as the source wrote it, in its own script, whole.
void TestComplements::correctionGardeLeResteDeLOriginal() {
    QFETCH(QString, champ);
    QFETCH(QString, saisie);
    QFETCH(QStringList, attendu);
    QFETCH(QStringList, absent);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(
        "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME John /Зыков/ Sr\n2 GIVN John\n"
        "2 SURN Зыков\n2 NPFX Dr.\n2 NSFX Sr\n2 NICK Vania\n1 SEX M\n"
        "1 BIRT\n2 DATE @#DJULIAN@ 1 MAR 1712\n"
        "2 PLAC Saint-Pol-de-Léon, Finistère, Bretagne, France\n3 MAP\n4 LATI N48.68\n"
        "4 LONG W3.98\n2 SOUR @S1@\n0 @S1@ SOUR\n1 TITL Registre\n0 TRLR\n",
        fic);
    DialoguesScriptes d;
    Session s(d);
    s.form.findChild<QLineEdit*>(champ)->setText(saisie);
    s.form.SbEnregistrerClick();
    VERIFIER_DIALOGUES(d);
    const QString gedcom = QString::fromUtf8(exporterAvecComplements(fic));
    const QString texte = gedcom.mid(gedcom.indexOf(QStringLiteral("0 @I0@ INDI")))
                              .section(QStringLiteral("\r\n0 "), 0, 0) +
                          QStringLiteral("\r\n");
    for (const QString& ligne : attendu)
        QVERIFY2(texte.contains(ligne + QStringLiteral("\r\n")), qPrintable(ligne + u'\n' + texte));
    for (const QString& mot : absent)
        QVERIFY2(!texte.contains(mot), qPrintable(mot + u'\n' + texte));
}

// Three marriages, the later one entered first: the family sheet gives one
// block per union in the order of the dates, each with its whole place, its
// events' sources and witnesses, and its own children; d'Aboville names every wife, each child
// under its own.
void TestComplements::unionsDansLOrdreDesMariages() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    QByteArray g = "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Yves /Le Gall/\n1 SEX M\n"
                   "1 FAMS @F1@\n1 FAMS @F2@\n1 FAMS @F3@\n";
    const char* personnes[][3] = {{"I2", "Anne /Morvan/", "F"},    {"I3", "Marie /Kerbrat/", "F"},
                                  {"I4", "Jeanne /Tanguy/", "F"},  {"I5", "Alain /Le Gall/", "M"},
                                  {"I6", "Louise /Le Gall/", "F"}, {"I7", "Hervé /Le Gall/", "M"}};
    for (const auto& p : personnes)
        g += QByteArray("0 @") + p[0] + "@ INDI\n1 NAME " + p[1] + "\n1 SEX " + p[2] + "\n";
    g += "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 5 MAY 1843\n"
         "2 PLAC Saint-Thégonnec, Finistère, Bretagne, France\n1 CHIL @I5@\n"
         "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 MARR\n2 DATE 12 MAR 1836\n"
         "2 PLAC Plougonven, Finistère, Bretagne, France\n2 SOUR @S1@\n3 PAGE acte 14\n"
         "2 ASSO @I5@\n3 RELA Témoin\n1 CHIL @I6@\n0 @S1@ SOUR\n1 TITL BMS Plougonven\n"
         "0 @F3@ FAM\n1 HUSB @I1@\n1 WIFE @I4@\n1 CHIL @I7@\n0 TRLR\n";
    importerAvecComplements(g, fic);
    DialoguesScriptes d;
    Session s(d);
    auto texteDuRapport = [&](void (TForm1::*commande)(), bool generations) {
        if (generations)
            d.attendreSaisie(QStringLiteral("Nombre de générations (1 à 30) ?"), std::nullopt);
        d.attendreApercuEnregistreEnPdf().attendreEnregistrement(rep.chemin("r.pdf"));
        (s.form.*commande)();
        return texteDuPdf(rep.chemin("r.pdf"));
    };
    const QString feuille = texteDuRapport(&TForm1::FicheFamiliale1Click, false);
    QVERIFY2(feuille.contains(QStringLiteral("05/05/1843 à Saint-Thégonnec, Finistère, Bretagne, "
                                             "France")),
             qPrintable(feuille)); // the person's own marriage, whole too
    const QStringList ordre{"1er mariage : Kerbrat Marie, mariage le 12 mars 1836 à Plougonven, "
                            "Finistère, Bretagne, France",
                            "Source : BMS Plougonven",
                            "acte 14",
                            "Alain Le Gall",
                            "Témoin",
                            "Enfant (rang 2) — Le Gall Louise",
                            "2e mariage : Morvan Anne, mariage le 5 mai 1843 à Saint-Thégonnec, "
                            "Finistère, Bretagne, France",
                            "Enfant (rang 1) — Le Gall Alain",
                            "3e mariage : Tanguy Jeanne",
                            "Enfant (rang 3) — Le Gall Hervé"};
    qsizetype depuis = 0;
    for (const QString& attendu : ordre) {
        const qsizetype ici = feuille.indexOf(attendu, depuis);
        QVERIFY2(ici >= 0, qPrintable(attendu + u'\n' + feuille));
        depuis = ici;
    }
    const QString liste = texteDuRapport(&TForm1::ListeDescendance1Click, true);
    depuis = 0;
    for (const char* attendu : {"x (1) Kerbrat Marie", "1.1 Le Gall Louise", "x (2) Morvan Anne",
                                "1.2 Le Gall Alain", "x (3) Tanguy Jeanne", "1.3 Le Gall Hervé"}) {
        const qsizetype ici = liste.indexOf(attendu, depuis);
        QVERIFY2(ici >= 0, qPrintable(QString::fromUtf8(attendu) + u'\n' + liste));
        depuis = ici;
    }
    // The chart has room for one spouse, and says how many more there are.
    s.form.SbArbreClick();
    QCOMPARE(Form3->findChild<QLabel*>(QStringLiteral("LAutresUnions"))->text(),
             QStringLiteral("et 2 autres unions"));
    VERIFIER_DIALOGUES(d);
}

void TestComplements::jamaisSurLaMauvaisePersonne_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("un autre programme renomme la fiche") << "autre programme";
    QTest::newRow("le fichier raccourci") << "raccourci";
    QTest::newRow("Changer Nom") << "changer nom";
    QTest::newRow("la dernière supprimée, une autre ajoutée") << "supprimer";
}

// Marie Martin's residence is hers alone: once her record holds someone
// else, it is neither shown nor exported on anyone, until reattached.
void TestComplements::jamaisSurLaMauvaisePersonne() {
    QFETCH(QString, action);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    QByteArray source = arbreEtranger();
    // For the deletion, Marie is the last record.
    if (action == u"supprimer")
        source.replace("0 TRLR\n", "0 @I99@ INDI\n1 NAME Marie /Martin/\n1 SEX F\n1 RESI\n2 PLAC "
                                   "Marqueur-Derniere\n0 TRLR\n");
    const QString marqueur = action == u"supprimer" ? QStringLiteral("Marqueur-Derniere")
                                                    : QStringLiteral("Marqueur-Marie");
    importerAvecComplements(source, fic);
    const int marie = action == u"supprimer" ? static_cast<int>(lireFichier(fic).size()) - 1 : 1;
    QVERIFY(vueDe(fic, marie).contains(marqueur));
    std::vector<TFiche> fiches = lireFichier(fic);
    DialoguesScriptes d;
    if (action == u"autre programme") {
        fiches[1].Nom.definir(QStringLiteral("Simon"));
        ecrireFichier(fic, fiches);
    } else if (action == u"raccourci") {
        fiches.resize(1);
        ecrireFichier(fic, fiches);
    } else {
        Session s(d);
        s.form.pAfficherEnreg(marie);
        if (action == u"changer nom") {
            d.attendreMessage(QStringLiteral("Seul le dernier enregistrement peut-être supprimé\r"
                                             "Remplacez celui-ci par un autre nom"));
            s.form.SbSupprimerClick();
            s.form.ENom->setText(QStringLiteral("Simon"));
            s.form.EPrenom->setText(QStringLiteral("Paul"));
            s.form.SbEnregistrerClick();
        } else {
            d.attendreAttention(QStringLiteral("Voulez-vous vraiment supprimer le dernier "
                                               "enregistrement"),
                                true)
                .attendreChoix(QStringLiteral("Martin Marie a des compléments (événements, "
                                              "sources, notes…). Que deviennent-ils ?"),
                               0);
            s.form.SbSupprimerClick();
            s.form.SbNouveauClick();
            s.form.ENom->setText(QStringLiteral("Martin"));
            s.form.EPrenom->setText(QStringLiteral("Marie-Claire"));
            s.form.SbEnregistrerClick();
        }
        VERIFIER_DIALOGUES(d);
    }
    QVERIFY(!exporterAvecComplements(fic).contains(marqueur.toUtf8()));
    const auto n = static_cast<int>(lireFichier(fic).size());
    for (int i = 0; i < n; ++i)
        QVERIFY2(!vueDe(fic, i).contains(marqueur), qPrintable(vueDe(fic, i)));
    // Listed apart, and given back to the record the user names.
    FichierDisque f;
    f.ouvrir(fic);
    auto base = Complements::ouvrir(fic, false);
    const auto detachees = base->detachees(n, [&](std::int32_t i) { return lireFiche(fic, i); });
    const auto sienne = std::find_if(detachees.begin(), detachees.end(), [](const auto& e) {
        return QString::fromStdString(e.empreinte).startsWith(QStringLiteral("Martin\x1fMarie"));
    });
    QVERIFY(sienne != detachees.end());
    base->rattacher(sienne->id, 0, lireFiche(fic, 0));
    f.fermer();
    QVERIFY(exporterAvecComplements(fic).contains(marqueur.toUtf8()));
}

void TestComplements::complementsInutilisables_data() {
    QTest::addColumn<QString>("etat");
    QTest::addColumn<QString>("raison");
    QTest::newRow("endommagé") << "endommagé"
                               << "il est endommagé, ou ce n'est pas un fichier de compléments";
    QTest::newRow("plus récent") << "plus récent"
                                 << "vient d'une version plus récente de Velmoris";
    QTest::newRow("verrouillé") << "verrouillé"
                                << "il est verrouillé par un autre programme";
}

// The records open and save as always; the user is told once, in French.
void TestComplements::complementsInutilisables() {
    QFETCH(QString, etat);
    QFETCH(QString, raison);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(arbreEtranger(), fic);
    const QString base = Complements::cheminPour(fic);
    sqlite3* verrou = nullptr;
    if (etat == u"endommagé") {
        QByteArray octets = octetsDe(base);
        octets.replace(0, 16, "pas une base !!!");
        ecrireOctets(base, octets);
    } else {
        sqlite3_open(base.toUtf8().constData(), &verrou);
        sqlite3_exec(verrou,
                     etat == u"plus récent" ? "PRAGMA user_version = 99" : "BEGIN EXCLUSIVE",
                     nullptr, nullptr, nullptr);
    }
    DialoguesScriptes d;
    Session s(d);             // the opening shows the first record, and meets the store
    s.form.BtConjointClick(); // the search of the records, for lack of the store
    s.form.pAfficherEnreg(0);
    s.form.ELD->setText(QStringLiteral("Arles"));
    s.form.SbEnregistrerClick();
    s.form.BtConjointClick();
    QCOMPARE(lireFiche(fic, 0).LieuDeces.texte(), QStringLiteral("Arles"));
    const QStringList messages = d.journal().filter(QStringLiteral("compléments"));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(raison) && messages[0].contains(QStringLiteral(
                                                 "Le fichier de généalogie est utilisé sans ses "
                                                 "compléments")),
             qPrintable(messages[0]));
    sqlite3_close(verrou);
}

// The places window: each place under the one it lies in, with its
// coordinates and persons; a place chosen narrows the index to it and
// everything inside it.
void TestComplements::fenetreDesLieux() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(
        "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Jean /Le Roux/\n1 BIRT\n2 PLAC Morlaix, "
        "Finistère, Bretagne, France\n3 MAP\n4 LATI N48.5775\n4 LONG W3.8275\n0 @I2@ INDI\n1 "
        "NAME Anne /Kerbrat/\n1 BAPM\n2 DATE 1750\n2 PLAC Kerozar, Morlaix, Finistère, "
        "Bretagne, France\n0 @I3@ INDI\n1 NAME Yves /Tanguy/\n1 DEAT\n2 PLAC Brest, Finistère, "
        "Bretagne, France\n0 TRLR\n",
        fic);
    DialoguesScriptes d;
    Session s(d);
    QStringList lignes;
    d.attendreModal([&](QDialog& dialogue) {
        auto& fenetre = dynamic_cast<TLieux&>(dialogue);
        fenetre.EFiltre->setText(QStringLiteral("kerozar"));
        for (QTreeWidgetItemIterator i(fenetre.Arbre, QTreeWidgetItemIterator::NotHidden); *i;
             ++i) {
            QString chemin = (*i)->text(0);
            for (QTreeWidgetItem* p = (*i)->parent(); p; p = p->parent())
                chemin = p->text(0) + QStringLiteral(" › ") + chemin;
            lignes << chemin + QStringLiteral(" | ") + (*i)->text(2) + QStringLiteral(" | ") +
                          (*i)->text(3);
            if ((*i)->text(0) == u"Morlaix") fenetre.Arbre->setCurrentItem(*i);
        }
        fenetre.BtPersonnes->click();
        return true;
    });
    s.form.Lieux1Click();
    QCOMPARE(lignes,
             (QStringList{"France |  | 0", "France › Bretagne |  | 0",
                          "France › Bretagne › Finistère |  | 0",
                          "France › Bretagne › Finistère › Morlaix | 48,57750 ; -3,82750 | 1",
                          "France › Bretagne › Finistère › Morlaix › Kerozar |  | 1"}));
    QStringList trouves;
    for (const std::int32_t p : Index->index().visibles())
        trouves << Index->index().texte(p, IndexPersonnes::Colonne::Nom);
    QCOMPARE(trouves, (QStringList{"Kerbrat", "Le Roux"}));
}

// The kinship asks whether to follow the adoptions the store knows, and
// says a relation through one.
void TestComplements::parenteParAdoptionDemandee() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(arbreEtranger(), fic);
    DialoguesScriptes d;
    Session s(d);
    s.form.pAfficherEnreg(15); // Pierre, adopted by the second couple
    d.attendreModal([](QDialog& dialogue) {
         dynamic_cast<TChoixPersonne&>(dialogue).EFiltre->setText(QStringLiteral("3"));
         return true;
     })
        .attendreConfirmation(QStringLiteral("Des liens d'adoption sont connus. Les suivre aussi "
                                             "pour chercher la parenté ?"),
                              true)
        .attendreChoix({}, ToutGarder)
        .attendreApercuEnregistreEnPdf()
        .attendreEnregistrement(rep.chemin("r.pdf"));
    s.form.LienDeParente1Click();
    const QString rapport = texteDuPdf(rep.chemin("r.pdf"));
    QVERIFY2(rapport.contains(QStringLiteral("est le frère par adoption")), qPrintable(rapport));
    VERIFIER_DIALOGUES(d);
}

// The window shows what the store keeps, sections by kind; the note typed
// there is kept in the store and shown again.
void TestComplements::fenetreEtNote() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(arbreEtranger(), fic);
    DialoguesScriptes d;
    Session s(d);
    QString texte;
    d.attendreModal([&](QDialog& dialogue) {
        auto& fenetre = dynamic_cast<TFicheComplete&>(dialogue);
        texte = fenetre.Texte->toPlainText();
        fenetre.Note->setPlainText(QStringLiteral("Vu aux archives\nen 2026"));
        return true;
    });
    s.form.Complements1Click();
    for (const char* attendu :
         {"Textes entiers des champs",
          "Naissance : vers 13 octobre 1784, Saint-Rémy-de-Provence, "
          "Bouches-du-Rhône, France",
          "Source : Registres paroissiaux", "Baptême : 14 octobre 1784", "Autres noms",
          "Autre nom (aka) : Jeannot Dupont", "Profession : maire, 1830", "Mariages",
          "Avec Martin Marie (fiche 1)", "Divorce", "Mariage : 1 mars 1812 (julien)",
          "Enfant : Dupont Enfant12 (fiche 14)", "Enfant : Adopté Pierre (fiche 15), adopté(e)",
          "Notes", "Note : Une note\nsur deux lignes"})
        QVERIFY2(texte.contains(QString::fromUtf8(attendu)),
                 qPrintable(QString::fromUtf8(attendu) + u'\n' + texte));
    d.attendreModal([&](QDialog& dialogue) {
        texte = dynamic_cast<TFicheComplete&>(dialogue).Note->toPlainText();
        return false;
    });
    s.form.Complements1Click();
    QCOMPARE(texte, QStringLiteral("Vu aux archives\nen 2026"));
    QVERIFY(exporterAvecComplements(fic).contains("1 NOTE Vu aux archives\r\n2 CONT en 2026"));
    // The note is a change like any other: backed up first, undone, redone;
    // emptying it is confirmed.
    QCOMPARE(sauvegardes::lister(fic, {}).size(), std::size_t(1));
    const QString nom = nomComplet(lireFiche(fic, 0));
    QCOMPARE(s.form.Annuler1->text(), QStringLiteral("Annuler la note de ") + nom);
    d.attendreModal([](QDialog& dialogue) {
         dynamic_cast<TFicheComplete&>(dialogue).Note->clear();
         return true;
     })
        .attendreConfirmation(
            QStringLiteral("Effacer la note de %1 ? (Édition › Annuler la rétablit.)").arg(nom),
            true);
    s.form.Complements1Click();
    QVERIFY(noteDe(fic, 0).isEmpty());
    s.form.Annuler1Click();
    QCOMPARE(noteDe(fic, 0), QStringLiteral("Vu aux archives\nen 2026"));
    s.form.Annuler1Click();
    QVERIFY(noteDe(fic, 0).isEmpty());
    s.form.Retablir1Click();
    QCOMPARE(noteDe(fic, 0), QStringLiteral("Vu aux archives\nen 2026"));
    // The spouse button offers both marriages, in their order, each with its date.
    QStringList lignes;
    d.attendreModal([&](QDialog&) {
        for (int i = 0; i < Form2->nombreLignes(); ++i)
            lignes << Form2->texteLigne(i);
        Form2->selectionnerLigne(1);
        return true;
    });
    s.form.BtConjointClick();
    QCOMPARE(lignes, (QStringList{QStringLiteral("Martin Marie, mariage en 1805 à Arles"),
                                  QStringLiteral("Durand Anne, mariage le 1 mars 1812 (julien)")}));
    QCOMPARE(s.form.NumEnreg->text(), QStringLiteral("2"));
    VERIFIER_DIALOGUES(d);
}

// "Enregistrer sous" takes the store along; a file made anew never inherits
// the store of a deleted file of the same name.
void TestComplements::suitLeFichier() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    const QString copie = rep.chemin(QStringLiteral("B.FIC"));
    importerAvecComplements(arbreEtranger(), fic);
    DialoguesScriptes d;
    Session s(d);
    d.attendreOuverture(copie);
    s.form.Enregistrersous1Click();
    QCOMPARE(s.form.CheminFichier(), copie);
    QVERIFY(Complements::existe(copie));
    QVERIFY(vueDe(copie, 0).contains(QStringLiteral("Registres paroissiaux")));
    VERIFIER_DIALOGUES(d);
    QFile::remove(fic);
    ecrireFichier(
        fic, {personne(QStringLiteral("Dupont-Lefevre de la"), QStringLiteral("Jean Baptiste"))});
    QVERIFY(!ecarterComplementsOrphelins(fic).isEmpty());
    QVERIFY(!Complements::existe(fic));
}

// The whole-file scans hash a record's fingerprint from its bytes: the same
// as from the decoded record, a damaged length byte included.
void TestComplements::empreinteDesOctets() {
    std::vector<TFiche> fiches = {personne("LEFÈVRE", "Marie-Thérèse", 1, "vers 1790"),
                                  personne(""), personne("DUPONT", "Jean", 0, "12/03/1791")};
    fiches[2].Nom.longueur = 200; // past the width: read as the width
    for (const TFiche& f : fiches) {
        std::uint8_t octets[TailleFiche];
        encoderFiche(f, octets);
        TFiche lue;
        decoderFiche(octets, lue);
        QCOMPARE(empreinteHacheeDesOctets(octets), empreinteHachee(empreinteDe(lue)));
    }
}

// An import appended after a file's records: its entries are written with
// the fingerprints of its own records, numbered after the file's, so that
// its persons, couple and child are found on them and not on the first ones.
void TestComplements::importALaSuiteSurSesFiches() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements(arbreEtranger(), fic);
    FichierDisque f;
    f.ouvrir(fic);
    const std::int64_t avant = f.nombreFiches();
    ComplementsDImport complements(fic, true);
    const ResultatImport r = importerGedcom(
        "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Luc /Simon/\n1 NOTE Une note de Luc\n"
        "0 @I2@ INDI\n1 NAME Eve /Simon/\n1 FAMC @F1@\n2 PEDI adopted\n0 @F1@ FAM\n"
        "1 HUSB @I1@\n1 CHIL @I2@\n0 TRLR\n",
        static_cast<std::int32_t>(avant), {}, complements.options());
    ajouterAuFichier(f, fic, r.fiches, avant, complements.etape(r));
    f.fermer();
    QVERIFY(complements.avertissement().isEmpty());
    const auto luc = static_cast<std::int32_t>(avant), eve = luc + 1;
    const auto base = Complements::ouvrir(fic, false);
    QVERIFY(base->personne(luc, lireFiche(fic, luc)));
    FichierDisque lu;
    lu.ouvrir(fic);
    FamillesDesComplements familles(*base, lu);
    const std::vector<EntreeCouple> couples = familles.couplesVerifies(luc, lireFiche(fic, luc));
    QCOMPARE(couples.size(), std::size_t(1));
    QCOMPARE(couples[0].enfants.size(), std::size_t(1));
    QCOMPARE(couples[0].enfants[0].fiche, eve);
    QCOMPARE(couples[0].enfants[0].empreinte, empreinteDe(lireFiche(fic, eve)));
    QCOMPARE(couples[0].enfants[0].filiation, std::string("adopted"));
    lu.fermer();
}

void TestComplements::exportDesEntreesDansLeDesordre_data() {
    QTest::addColumn<QString>("cas");
    QTest::addColumn<QStringList>("lieux"); // each person's residences, in record order
    QTest::newRow("une entrée détachée entre deux") << "détachée" << QStringList{"A", "", "C"};
    QTest::newRow("la dernière rattachée à la première")
        << "rattachée" << QStringList{"AC", "B", ""};
}

// Each person's structures go out on that person and on no other, whether
// the store's entries follow the records (one walk along each table) or not
// (an entry given later to an earlier record).
void TestComplements::exportDesEntreesDansLeDesordre() {
    QFETCH(QString, cas);
    QFETCH(QStringList, lieux);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    importerAvecComplements("0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Anne /Abel/\n1 RESI\n"
                            "2 PLAC Lieu-A\n0 @I2@ INDI\n1 NAME Berthe /Blin/\n1 RESI\n"
                            "2 PLAC Lieu-B\n0 @I3@ INDI\n1 NAME Claire /Caro/\n1 RESI\n"
                            "2 PLAC Lieu-C\n0 TRLR\n",
                            fic);
    {
        const auto base = Complements::ouvrir(fic, true);
        const int remplacee = cas == u"détachée" ? 1 : 2;
        TFiche autre = lireFiche(fic, remplacee);
        autre.Prenom.definir(QStringLiteral("Zoé"));
        base->suivreEnregistrement(remplacee, lireFiche(fic, remplacee), autre, true);
        if (cas == u"rattachée")
            base->rattacher(
                base->detachees(3, [&](std::int32_t i) { return lireFiche(fic, i); }).at(0).id, 0,
                lireFiche(fic, 0));
    }
    const Contenu exporte = contenuDe(exporterAvecComplements(fic));
    QCOMPARE(exporte.personnes.size(), std::size_t{3});
    for (std::size_t i = 0; i < 3; ++i) {
        const QString texte = exporte.personnes[i].join(u'\n');
        for (const QChar lieu : QStringLiteral("ABC"))
            QVERIFY2(texte.contains(QStringLiteral("PLAC Lieu-") + lieu) ==
                         lieux[static_cast<qsizetype>(i)].contains(lieu),
                     qPrintable(texte));
    }
}

QTEST_MAIN(TestComplements)
#include "test_complements.moc"
