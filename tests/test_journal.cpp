// Nothing written halfway, every change reversible in the session, a copy to
// fall back on: commands across a crash, undo and redo, automatic backups.
#include "data/complements/Complements.h"
#include "data/complements/FichierComplements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/OperationsFichier.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/journal/CopieEnsemble.h"
#include "data/journal/Historique.h"
#include "data/journal/Journal.h"
#include "data/journal/Sauvegardes.h"
#include "forms/UVelmorS.h"
#include "forms/uSauvegardes.h"
#include "session/ComplementsOuverts.h"
#include "session/Fusion.h"
#include "tests/CoupureDeCourant.h"
#include "tests/FichierDefaillant.h"
#include "tests/OutilsTests.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtEndian>
#include <QtTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// ---- a small family, and the commands that write several records

// 0 Pierre and 1 Marie, parents of 2 Jean; 3 Paul, unlinked, is the last.
std::vector<TFiche> famille() {
    std::vector<TFiche> f = {personne(QStringLiteral("DURAND"), QStringLiteral("Pierre"), 0),
                             personne(QStringLiteral("MARTIN"), QStringLiteral("Marie"), 1),
                             personne(QStringLiteral("DURAND"), QStringLiteral("Jean"), 0),
                             personne(QStringLiteral("DURAND"), QStringLiteral("Paul"), 0)};
    lier(f, 2, 0, 1);
    return f;
}

const QByteArray GedcomAjoute = "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME Luc /Simon/\n"
                                "1 BAPM\n2 DATE 1 MAY 1900\n1 NOTE Une note\n0 @I2@ INDI\n"
                                "1 NAME Eve /Simon/\n1 FAMC @F1@\n0 @F1@ FAM\n1 HUSB @I1@\n"
                                "1 CHIL @I2@\n0 TRLR\n";

// Paul as the child of Pierre and Marie: three records in one change.
Modification chainage(const QString& fic) {
    std::vector<TFiche> f = lireFichier(fic);
    lier(f, 3, 0, 1);
    Modification m;
    m.libelle = QStringLiteral("le chaînage de DURAND Paul");
    m.personne = 3;
    for (int n : {0, 1, 3})
        m.fiches[n] = f[static_cast<std::size_t>(n)];
    return m;
}

// Jean, the child, made the last record and deleted: his parents' slots
// cleared and the file cut.
Modification suppression(const QString& fic) {
    std::vector<TFiche> f = lireFichier(fic);
    Modification m;
    m.libelle = QStringLiteral("la suppression de DURAND Paul");
    m.personne = static_cast<std::int32_t>(f.size()) - 1;
    for (int parent : {0, 1}) {
        f[static_cast<std::size_t>(parent)].Enfants.fill(-1);
        m.fiches[parent] = f[static_cast<std::size_t>(parent)];
    }
    m.nombreFinal = 2;
    return m;
}

// What a store holds, table by table, to compare two states.
QStringList etatDuMagasin(const QString& fic) {
    if (!Complements::existe(fic)) return {};
    sqlite3* base = nullptr;
    sqlite3_open_v2(Complements::cheminPour(fic).toUtf8().constData(), &base, SQLITE_OPEN_READONLY,
                    nullptr);
    QStringList lignes;
    for (const char* table : {"personne", "champ", "couple", "enfant", "enregistrement", "meta"}) {
        sqlite3_stmt* r = nullptr;
        sqlite3_prepare_v2(base, (std::string("SELECT * FROM ") + table).c_str(), -1, &r, nullptr);
        while (sqlite3_step(r) == SQLITE_ROW) {
            QStringList colonnes{QString::fromLatin1(table)};
            for (int i = 0; i < sqlite3_column_count(r); ++i)
                colonnes << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(r, i)));
            lignes << colonnes.join(u'|');
        }
        sqlite3_finalize(r);
    }
    sqlite3_close(base);
    return lignes;
}

struct Etat {
    QByteArray fichier;
    QStringList magasin;
    bool operator==(const Etat&) const = default;
};

Etat etatDe(const QString& fic) {
    return {octetsDe(fic), etatDuMagasin(fic)};
}

// Every step a crash can stop: the journal's writes and syncs, the record
// writes and the cut, the store's commit. The process is killed at the
// step numbered `g_arret` (never when it is 0).
int g_etapes = 0;
int g_arret = 0;
void etape(const char*) {
    if (++g_etapes == g_arret) ::raise(SIGKILL);
}

class FichierObserve : public FichierDisque {
public:
    void ecrire(const TFiche& f) override {
        etape("écrire");
        FichierDisque::ecrire(f);
    }
    void tronquer() override {
        etape("couper");
        FichierDisque::tronquer();
    }
    void ajouter(const std::vector<TFiche>& f) override {
        etape("ajouter");
        FichierDisque::ajouter(f);
    }
};

enum class Genre {
    Chainage,
    Suppression,
    SuppressionAvecMagasin,
    ImportAjoute,
    SaisieSeule,
    Restauration,
    EnregistrerSous,
    PremiereModification,
    Fusion
};

const QString NomSource = QStringLiteral("SOURCE.FIC");

QString voisin(const QString& fic, const QString& nom) {
    return QFileInfo(fic).dir().filePath(nom);
}

// The backup a restore puts back: other records, another note.
QString cheminDeLaSauvegarde(const QString& fic) {
    return QDir(sauvegardes::dossierPour(fic, {}))
        .filePath(QStringLiteral("CRASH 2026-01-01 "
                                 "10-00-00.FIC"));
}

void ecrireAvecNote(const QString& fic, std::vector<TFiche> fiches, int numero, const char* note) {
    ecrireFichier(fic, fiches);
    Complements::ouvrir(fic, true)->ecrireNote(numero, fiches[static_cast<std::size_t>(numero)],
                                               note);
}

void preparer(const QString& fic, Genre genre) {
    // Whatever a killed run left in the folder goes.
    QDir dossier = QFileInfo(fic).dir();
    for (const QFileInfo& reste :
         dossier.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        reste.isDir() ? QDir(reste.absoluteFilePath()).removeRecursively()
                      : QFile::remove(reste.absoluteFilePath());
    ecrireFichier(fic, famille());
    if (genre == Genre::ImportAjoute) // a partial record left at the end by another program
        ecrireOctets(fic, octetsDe(fic) + QByteArray(100, 'x'));
    if (genre == Genre::SuppressionAvecMagasin || genre == Genre::Restauration ||
        genre == Genre::EnregistrerSous)
        ecrireAvecNote(fic, famille(), 3, "Note de Paul");
    if (genre == Genre::Fusion) { // Jean and Paul, both with a note; Louis the last record
        std::vector<TFiche> f = famille();
        f.push_back(personne(QStringLiteral("DURAND"), QStringLiteral("Louis"), 0));
        ecrireAvecNote(fic, f, 3, "Note de Paul");
        Complements::ouvrir(fic, true)->ecrireNote(2, f[2], "Note de Jean");
    }
    if (genre == Genre::Restauration) {
        QDir().mkpath(sauvegardes::dossierPour(fic, {}));
        std::vector<TFiche> autres = famille();
        autres.resize(2);
        ecrireAvecNote(cheminDeLaSauvegarde(fic), autres, 0, "Note de la sauvegarde");
    }
    if (genre == Genre::EnregistrerSous) {
        std::vector<TFiche> source = famille();
        source.push_back(personne(QStringLiteral("SIMON"), QStringLiteral("Luc")));
        ecrireAvecNote(voisin(fic, NomSource), source, 4, "Note de Luc");
    }
}

// Jean's occupation and portrait typed and saved: record 2 lies across two
// disk sectors, and both change. Record 0 lies within the first sector.
Modification saisieSeule(const QString& fic, int numero = 2) {
    std::vector<TFiche> f = lireFichier(fic);
    TFiche& fiche = f[static_cast<std::size_t>(numero)];
    fiche.Profession.definir(QStringLiteral("Meunier"));
    fiche.Photo.definir(QStringLiteral("/photos/portrait-de-famille.jpg"));
    Modification m;
    m.libelle = QStringLiteral("l'enregistrement de %1").arg(nomComplet(fiche));
    m.personne = numero;
    m.fiches[numero] = fiche;
    return m;
}

// Runs one command as the program does; returns its history entry.
EntreeHistorique executer(const QString& fic, Genre genre) {
    FichierObserve f;
    f.ouvrir(fic);
    ComplementsOuverts ouverts([](const QString&) {});
    switch (genre) {
    case Genre::Chainage:
        return appliquerEnSurete(f, fic, chainage(fic));
    case Genre::Suppression:
        return appliquerEnSurete(f, fic, suppression(fic));
    case Genre::SuppressionAvecMagasin:
        return appliquerEnSurete(
            f, fic, suppression(fic),
            ouverts.etape(fic, false, [](Complements& c) { c.detacherFiche(3); }));
    case Genre::ImportAjoute: {
        ComplementsDImport complements(fic, true);
        const std::int64_t avant = f.nombreFiches();
        const ResultatImport r = importerGedcom(GedcomAjoute, static_cast<std::int32_t>(avant), {},
                                                complements.options());
        return ajouterEnSurete(f, fic, r.fiches, QStringLiteral("l'importation"),
                               complements.etape(r));
    }
    case Genre::SaisieSeule:
        return appliquerEnSurete(f, fic, saisieSeule(fic));
    case Genre::Restauration: {
        f.fermer();
        sauvegardes::sauvegarder(fic, {});
        sauvegardes::Sauvegarde choisie;
        choisie.chemin = cheminDeLaSauvegarde(fic);
        sauvegardes::restaurer(fic, choisie, QStringLiteral("la restauration de la sauvegarde"));
        return {};
    }
    case Genre::EnregistrerSous: {
        FichierDisque source;
        source.ouvrir(voisin(fic, NomSource));
        journal::remplacerParUneCopie(
            fic, QStringLiteral("la copie de SOURCE.FIC"),
            [&](const journal::EcrireCopie& ecrire) { copierLesFiches(source, ecrire); },
            complementsACopier(voisin(fic, NomSource)));
        return {};
    }
    case Genre::PremiereModification:
        sauvegardes::sauvegarder(fic, {});
        return appliquerEnSurete(f, fic, saisieSeule(fic, 0));
    case Genre::Fusion: {
        const std::vector<TFiche> lues = lireFichier(fic);
        FusionPreparee fusion = preparerFusion(f, 2, 3, ChoixDeFusion::parDefaut(lues[2], lues[3]));
        return appliquerEnSurete(f, fic, fusion.modification,
                                 ouverts.etape(fic, true, std::move(fusion.magasin)));
    }
    }
    return {};
}

void ajouterLignesDeCommandes() {
    QTest::addColumn<Genre>("genre");
    QTest::newRow("chaînage, trois fiches") << Genre::Chainage;
    QTest::newRow("suppression qui efface des liens") << Genre::Suppression;
    QTest::newRow("suppression et ses compléments") << Genre::SuppressionAvecMagasin;
    QTest::newRow("import ajouté, avec compléments") << Genre::ImportAjoute;
    QTest::newRow("une fiche sur deux secteurs") << Genre::SaisieSeule;
    QTest::newRow("fusion de deux fiches et de leurs compléments") << Genre::Fusion;
}

void ajouterLignesDeCopies() {
    QTest::newRow("restauration d'une sauvegarde") << Genre::Restauration;
    QTest::newRow("enregistrer sous une copie qui a ses compléments") << Genre::EnregistrerSous;
    QTest::newRow("première modification de la séance") << Genre::PremiereModification;
}

// Once the first change of a session is there, so is the backup of before.
bool sauvegardeDAvantPresente(const QString& fic, const Etat& avant) {
    for (const sauvegardes::Sauvegarde& s : sauvegardes::lister(fic, {}))
        if (etatDe(s.chemin) == avant) return true;
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Genre)

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void plantageAChaqueEtape_data() {
        ajouterLignesDeCommandes();
        ajouterLignesDeCopies();
    }
    void plantageAChaqueEtape();
    void coupureDeCourantAChaqueInstant_data() {
        ajouterLignesDeCommandes();
        ajouterLignesDeCopies();
    }
    void coupureDeCourantAChaqueInstant();
    void defaillanceAChaqueOperation();
    void journalAbimeJamaisRejoue();
    void auDemarrageLeJournalEstRejoueEtDit();
    void copieInterrompueAcheveeOuDefaiteEtDite_data();
    void copieInterrompueAcheveeOuDefaiteEtDite();
    void annulerPuisRetablir_data() { ajouterLignesDeCommandes(); }
    void annulerPuisRetablir();
    void annulationRefuseeApresUnAutreProgramme();
    void sauvegardesGardeesEtLimitees();
    void sauvegardeUneFoisParSeanceEtRestauration();
    void sauvegardeImpossibleLaModificationContinue_data();
    void sauvegardeImpossibleLaModificationContinue();
    void menuEditionNommeEtMontreLaPersonne();
};

// A real process killed at each step in turn, then the file opened: it is
// exactly as before the command or as after it, records and store together.
void TestJournal::plantageAChaqueEtape() {
    QFETCH(Genre, genre);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("CRASH.FIC"));
    preparer(fic, genre);
    const Etat avant = etatDe(fic);
    executer(fic, genre);
    const Etat apres = etatDe(fic);
    QVERIFY(!(avant == apres));
    journal::etapeObservee = etape;
    EcritureAtomique::etapeObservee = etape;
    int arretsAvant = 0, arretsApres = 0;
    for (g_arret = 1;; ++g_arret) {
        preparer(fic, genre);
        const pid_t enfant = ::fork();
        if (enfant == 0) {
            g_etapes = 0;
            executer(fic, genre);
            ::_exit(3);
        }
        int statut = 0;
        ::waitpid(enfant, &statut, 0);
        if (WIFEXITED(statut)) break; // every step passed
        QVERIFY(WIFSIGNALED(statut));
        journal::etapeObservee = nullptr;
        EcritureAtomique::etapeObservee = nullptr;
        journal::rejouerSiPresent(fic);
        journal::etapeObservee = etape;
        EcritureAtomique::etapeObservee = etape;
        const Etat obtenu = etatDe(fic);
        QVERIFY2(obtenu == avant || obtenu == apres, qPrintable(QString::number(g_arret)));
        if (genre == Genre::PremiereModification && obtenu == apres)
            QVERIFY(sauvegardeDAvantPresente(fic, avant));
        (obtenu == avant ? arretsAvant : arretsApres) += 1;
        QVERIFY(!QFileInfo::exists(journal::cheminPour(fic)));
    }
    journal::etapeObservee = nullptr;
    EcritureAtomique::etapeObservee = nullptr;
    const int etapes = g_arret - 1;
    g_arret = 0;
    QVERIFY(arretsAvant >= 3); // the journal's steps and the records' writes
    QCOMPARE(arretsAvant + arretsApres, etapes);
}

// The disk keeps only what was synced, folder changes in any order, and a
// write cut short half old and half new: whatever instant the power goes,
// the next open finds the file and its store both as before the command or
// both as after it; once a session's first change is there, so is the
// backup made before it.
void TestJournal::coupureDeCourantAChaqueInstant() {
    QFETCH(Genre, genre);
    RepertoireDeTravail rep;
    const QString disque = rep.chemin(QStringLiteral("disque"));
    QDir().mkpath(disque);
    const QString fic = QDir(disque).filePath(QStringLiteral("CRASH.FIC"));
    preparer(fic, genre);
    const Etat avant = etatDe(fic);
    CoupureDeCourant coupure(disque);
    executer(fic, genre);
    coupure.arreter();
    const Etat apres = etatDe(fic);
    QVERIFY(!(avant == apres));
    int numero = 0, arretsApres = 0;
    for (const EtatDisque& etat : coupure.etats()) {
        const QString redemarrage = rep.chemin(QStringLiteral("redemarrage %1").arg(++numero));
        coupure.restituer(etat, redemarrage);
        const QString f = QDir(redemarrage).filePath(QStringLiteral("CRASH.FIC"));
        try {
            journal::rejouerSiPresent(f);
            if (Complements::existe(f)) Complements::ouvrir(f, false); // the store's own recovery
        } catch (const ErreurVelmoris& e) {
            QFAIL(qPrintable(QStringLiteral("état %1 : %2").arg(numero).arg(e.texte())));
        }
        const Etat obtenu = etatDe(f);
        QVERIFY2(obtenu == avant || obtenu == apres, qPrintable(QString::number(numero)));
        if (obtenu == apres) ++arretsApres;
        if (genre == Genre::PremiereModification && obtenu == apres)
            QVERIFY2(sauvegardeDAvantPresente(f, avant), qPrintable(QString::number(numero)));
        QDir(redemarrage).removeRecursively();
    }
    QVERIFY(numero > 3);
    QVERIFY(arretsApres > 0);
}

// A failure (a refused write, a full disk) at each operation of the record
// file in turn: the command stops and the file is exactly as before.
void TestJournal::defaillanceAChaqueOperation() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("PANNE.FIC"));
    for (int echec = 1;; ++echec) {
        ecrireFichier(fic, famille());
        const QByteArray avant = octetsDe(fic);
        FichierDefaillant f;
        f.echecA = echec;
        f.code = ErreurES::DisquePlein;
        bool leve = false;
        try {
            f.ouvrir(fic);
            appliquerEnSurete(f, fic, suppression(fic));
        } catch (const ErreurES&) {
            leve = true;
        }
        const bool enPanne = f.echoue;
        FermetureGarantie fermeture(f);
        if (!enPanne) break;
        QVERIFY(leve);
        QCOMPARE(octetsDe(fic), avant);
        QVERIFY(!QFileInfo::exists(journal::cheminPour(fic)));
        QVERIFY(echec < 50);
    }
}

// A journal cut at any length, or with one byte changed, was never whole:
// no record had been written after it, so it is set aside, never played.
void TestJournal::journalAbimeJamaisRejoue() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("ABIME.FIC"));
    ecrireFichier(fic, famille());
    QByteArray journal;
    // The journal cannot be removed: the command fails, the file is put
    // back, and a whole journal stays behind.
    journal::etapeObservee = [](const char* e) {
        if (QByteArray(e) == "supprimer le journal") throw ErreurES(ErreurES::AccesRefuse);
    };
    EcritureAtomique::etapeObservee = nullptr;
    try {
        FichierDisque f;
        f.ouvrir(fic);
        appliquerEnSurete(f, fic, chainage(fic));
    } catch (const ErreurES&) {
    }
    journal::etapeObservee = nullptr;
    const QByteArray avant = octetsDe(fic);
    QFile copie(journal::cheminPour(fic));
    QVERIFY(copie.open(QIODevice::ReadOnly));
    journal = copie.readAll();
    copie.close();
    QVERIFY(journal.size() > 3 * TailleFiche);
    // The layout others may read: magic, then the label's length, little-endian, and its text.
    QVERIFY(journal.startsWith("VELMJNL1"));
    const QByteArray libelle = QStringLiteral("le chaînage de DURAND Paul").toUtf8();
    QCOMPARE(qFromLittleEndian<qint64>(journal.constData() + 8), libelle.size());
    QCOMPARE(journal.mid(16, libelle.size()), libelle);
    FichierDisque f;
    f.ouvrir(fic);
    appliquerModification(f, chainage(fic)); // the file as the command left it
    f.fermer();
    const QByteArray apres = octetsDe(fic);
    for (qsizetype coupe = 0; coupe <= journal.size(); coupe += 37) {
        QByteArray abime = journal.left(coupe);
        if (coupe == journal.size()) abime[journal.size() / 2] ^= 0x20;
        ecrireOctets(journal::cheminPour(fic), abime);
        QCOMPARE(journal::rejouerSiPresent(fic), QString());
        QCOMPARE(octetsDe(fic), apres);
        QVERIFY(!QFileInfo::exists(journal::cheminPour(fic)));
    }
    ecrireOctets(journal::cheminPour(fic), journal); // whole: played back
    QVERIFY(journal::rejouerSiPresent(fic).contains(QStringLiteral("le chaînage de DURAND Paul")));
    QCOMPARE(octetsDe(fic), avant);
}

// A command cut short in an earlier session is undone when the program
// starts, before anything is shown, and the user is told which.
void TestJournal::auDemarrageLeJournalEstRejoueEtDit() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(fic, famille());
    const QByteArray avant = octetsDe(fic);
    journal::etapeObservee = [](const char* e) {
        if (QByteArray(e) == "supprimer le journal") throw ErreurES(ErreurES::AccesRefuse);
    };
    FichierDisque f;
    f.ouvrir(fic);
    QVERIFY_THROWS_EXCEPTION(ErreurES, appliquerEnSurete(f, fic, chainage(fic)));
    journal::etapeObservee = nullptr;
    appliquerModification(f, chainage(fic)); // the records written, the journal not yet gone
    f.fermer();
    DialoguesScriptes d;
    d.attendreMessage(QStringLiteral(
        "Le dernier changement (le chaînage de DURAND Paul) avait été interrompu par un arrêt du "
        "programme ou de l'ordinateur. Il a été défait : le fichier est revenu exactement à son "
        "état d'avant ce changement."));
    Session s(d);
    VERIFIER_DIALOGUES(d);
    QCOMPARE(octetsDe(fic), avant);
    QCOMPARE(s.form.ENom->text(), QStringLiteral("DURAND"));
}

void TestJournal::copieInterrompueAcheveeOuDefaiteEtDite_data() {
    QTest::addColumn<QString>("arret"); // the step the process stopped at
    QTest::addColumn<bool>("achevee");
    QTest::newRow("avant l'intention") << "écrire l'intention" << false;
    QTest::newRow("entre les deux renommages") << "poser la copie" << true;
}

// A restore stopped by a crash is finished at the next start when its
// intent was whole, undone otherwise, and the user is told which.
void TestJournal::copieInterrompueAcheveeOuDefaiteEtDite() {
    QFETCH(QString, arret);
    QFETCH(bool, achevee);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    preparer(fic, Genre::Restauration);
    const Etat avant = etatDe(fic);
    const Etat sauvegarde = etatDe(cheminDeLaSauvegarde(fic));
    static QByteArray etapeArret;
    etapeArret = arret.toUtf8();
    journal::etapeObservee = [](const char* e) {
        if (etapeArret == e) throw ErreurES(ErreurES::AccesRefuse); // the process stops there
    };
    sauvegardes::Sauvegarde choisie;
    choisie.chemin = cheminDeLaSauvegarde(fic);
    try {
        sauvegardes::restaurer(fic, choisie,
                               QStringLiteral("la restauration de la sauvegarde du 1 janvier"));
    } catch (const ErreurES&) {
    }
    journal::etapeObservee = nullptr;
    if (achevee) // what the crash left: the intent and one copy still beside the file
        QVERIFY(QFileInfo::exists(journal::cheminPour(fic)));
    DialoguesScriptes d;
    d.attendreMessage(
        achevee ? QStringLiteral("La restauration de la sauvegarde du 1 janvier avait été "
                                 "interrompue par un arrêt du programme ou de l'ordinateur. Elle a "
                                 "été achevée : le fichier et ses compléments sont maintenant ceux "
                                 "de la copie, ensemble.")
                : QStringLiteral("Une copie de fichier (« Enregistrer sous » ou restauration d'une "
                                 "sauvegarde) avait été interrompue avant de rien changer : elle a "
                                 "été défaite, le fichier et ses compléments sont restés tels "
                                 "qu'ils étaient."));
    if (!achevee) ecrireOctets(fic + QStringLiteral("-copie"), "reste"); // a copy left behind
    Session s(d);
    VERIFIER_DIALOGUES(d);
    QVERIFY(etatDe(fic) == (achevee ? sauvegarde : avant));
    QVERIFY(!QFileInfo::exists(fic + QStringLiteral("-copie")));
}

// Undo gives back the exact bytes, length and store; redo the command's.
void TestJournal::annulerPuisRetablir() {
    QFETCH(Genre, genre);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("RETOUR.FIC"));
    preparer(fic, genre);
    const Etat avant = etatDe(fic);
    Historique historique;
    historique.ajouter(executer(fic, genre));
    const Etat apres = etatDe(fic);
    const auto magasin = [&](const QByteArray& c) { Complements::ouvrir(fic, false)->revenir(c); };
    for (int tour = 0; tour < 2; ++tour) {
        historique.annuler(fic, magasin);
        QVERIFY(etatDe(fic) == avant);
        historique.retablir(fic, magasin);
        QVERIFY(etatDe(fic) == apres);
    }
}

// Another program changed a record the command wrote: the undo refuses and
// writes nothing; so does a redo after a change to the file's length.
void TestJournal::annulationRefuseeApresUnAutreProgramme() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("AUTRE.FIC"));
    ecrireFichier(fic, famille());
    Historique historique;
    historique.ajouter(executer(fic, Genre::Chainage));
    std::vector<TFiche> f = lireFichier(fic);
    f[1].Profession.definir(QStringLiteral("Couturière"));
    ecrireFichier(fic, f);
    const QByteArray modifie = octetsDe(fic);
    QVERIFY_THROWS_EXCEPTION(ErreurVelmoris, historique.annuler(fic, {}));
    QCOMPARE(octetsDe(fic), modifie);
    QVERIFY(historique.peutAnnuler());
}

// The last 10 and those of the last 7 days are kept, within the cap; the
// newest always stays, whatever its size.
void TestJournal::sauvegardesGardeesEtLimitees() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("ROTATION.FIC"));
    ecrireFichier(fic, famille());
    sauvegardes::Reglages reglages;
    const QDateTime maintenant(QDate(2026, 12, 9), QTime(12, 0));
    for (int jour = 30; jour >= 0; jour -= 2)
        sauvegardes::sauvegarder(fic, reglages, maintenant.addDays(-jour));
    auto liste = sauvegardes::lister(fic, reglages);
    QCOMPARE(liste.size(), std::size_t(10)); // 16 made, none but the last 10 in 7 days
    QCOMPARE(liste.front().quand, maintenant);
    QCOMPARE(liste.front().personnes, 4);
    for (int heure = 1; heure <= 12; ++heure)
        sauvegardes::sauvegarder(fic, reglages, maintenant.addSecs(heure * 60));
    QCOMPARE(sauvegardes::lister(fic, reglages).size(), std::size_t(16)); // 12 + the 4 of 7 days
    reglages.limiteOctets = 5 * 4 * TailleFiche;
    sauvegardes::elaguer(fic, reglages, maintenant.addSecs(3600));
    liste = sauvegardes::lister(fic, reglages);
    QCOMPARE(liste.size(), std::size_t(5));
    QCOMPARE(liste.front().quand, maintenant.addSecs(12 * 60));
    reglages.limiteOctets = 1;
    QVERIFY(sauvegardes::depasseLaLimite(fic, reglages));
    sauvegardes::elaguer(fic, reglages, maintenant.addSecs(3600));
    QCOMPARE(sauvegardes::lister(fic, reglages).size(), std::size_t(1));
}

// The first change of a session backs the file up as it was, with its
// store; the next ones do not. A restore saves the current state first.
void TestJournal::sauvegardeUneFoisParSeanceEtRestauration() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(fic, famille());
    Complements::ouvrir(fic, true)->ecrireNote(0, famille()[0], "Note de Pierre");
    const Etat initial = etatDe(fic);
    DialoguesScriptes d;
    Session s(d);
    s.form.EProfession->setText(QStringLiteral("Meunier"));
    s.form.SbEnregistrerClick();
    s.form.EProfession->setText(QStringLiteral("Boulanger"));
    s.form.SbEnregistrerClick();
    const sauvegardes::Reglages reglages;
    auto liste = sauvegardes::lister(fic, reglages);
    QCOMPARE(liste.size(), std::size_t(1));
    QVERIFY(etatDe(liste.front().chemin) == initial);
    const Etat modifie = etatDe(fic);
    d.attendreModal([](QDialog& fenetre) {
         auto& choix = static_cast<TSauvegardes&>(fenetre);
         return choix.Liste->topLevelItemCount() == 1 && choix.choisie();
     })
        .attendreConfirmation({}, true)
        .attendreMessage({});
    s.form.RestaurerSauvegarde1Click();
    VERIFIER_DIALOGUES(d);
    QVERIFY(etatDe(fic) == initial);
    QCOMPARE(s.form.EProfession->text(), QString());
    QVERIFY(!s.form.Annuler1->isEnabled()); // the history ended with the restore
    liste = sauvegardes::lister(fic, reglages);
    QCOMPARE(liste.size(), std::size_t(2));
    QVERIFY(etatDe(liste.front().chemin) == modifie);
}

void TestJournal::sauvegardeImpossibleLaModificationContinue_data() {
    QTest::addColumn<QString>("panne");
    QTest::newRow("dossier impossible à créer") << "dossier";
    QTest::newRow("disque plein") << "disque";
}

// The backup fails: the user is told once, the save is made all the same.
void TestJournal::sauvegardeImpossibleLaModificationContinue() {
    QFETCH(QString, panne);
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(fic, famille());
    if (panne == u"dossier") // a file where the folder would go
        ecrireOctets(rep.chemin(QStringLiteral("VELMORIS - sauvegardes")), "x");
    else
        EcritureAtomique::etapeObservee = [](const char* e) {
            if (QByteArray(e) == "écrire") throw ErreurES(ErreurES::DisquePlein);
        };
    DialoguesScriptes d;
    Session s(d);
    d.attendreMessage({});
    s.form.EProfession->setText(QStringLiteral("Meunier"));
    s.form.SbEnregistrerClick();
    EcritureAtomique::etapeObservee = nullptr;
    s.form.EProfession->setText(QStringLiteral("Boulanger"));
    s.form.SbEnregistrerClick();
    VERIFIER_DIALOGUES(d);
    QVERIFY(d.journal().first().contains(QStringLiteral("La modification se fait quand même")));
    QCOMPARE(lireFichier(fic)[0].Profession.texte(), QStringLiteral("Boulanger"));
    QVERIFY(sauvegardes::lister(fic, {}).empty());
}

// The menu names what it will undo; the undo shows the person concerned and
// the redo gives the change back; another file ends the history.
void TestJournal::menuEditionNommeEtMontreLaPersonne() {
    RepertoireDeTravail rep;
    const QString fic = rep.chemin(QStringLiteral("VELMORIS.FIC"));
    ecrireFichier(fic, famille());
    const QByteArray initial = octetsDe(fic);
    DialoguesScriptes d;
    Session s(d);
    QCOMPARE(s.form.Annuler1->text(), QStringLiteral("Annuler"));
    QVERIFY(!s.form.Annuler1->isEnabled());
    s.form.pAfficherEnreg(2);
    s.form.EProfession->setText(QStringLiteral("Forgeron"));
    s.form.SbEnregistrerClick();
    const QByteArray enregistre = octetsDe(fic);
    QCOMPARE(s.form.Annuler1->text(), QStringLiteral("Annuler l'enregistrement de DURAND Jean"));
    QCOMPARE(s.form.Annuler1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    s.form.pAfficherEnreg(0);
    s.form.Annuler1Click();
    QCOMPARE(octetsDe(fic), initial);
    QCOMPARE(s.form.ENom->text() + s.form.EPrenom->text(), QStringLiteral("DURANDJean"));
    QCOMPARE(s.form.Retablir1->text(), QStringLiteral("Rétablir l'enregistrement de DURAND Jean"));
    s.form.Retablir1Click();
    QCOMPARE(octetsDe(fic), enregistre);
    QCOMPARE(s.form.EProfession->text(), QStringLiteral("Forgeron"));
    // Ctrl+Z in a field is the field's own while it has typing to undo, then the menu's.
    const auto champPrendCtrlZ = [&] {
        QKeyEvent touche(QEvent::ShortcutOverride, Qt::Key_Z, Qt::ControlModifier);
        QApplication::sendEvent(s.form.EProfession, &touche);
        return touche.isAccepted();
    };
    QVERIFY(!champPrendCtrlZ());
    QTest::keyClicks(s.form.EProfession, QStringLiteral("s"));
    QVERIFY(champPrendCtrlZ());
    s.form.pAfficherEnreg(2);
    VERIFIER_DIALOGUES(d);
    const QString autre = rep.chemin(QStringLiteral("AUTRE.FIC"));
    ecrireFichier(autre, famille());
    d.attendreOuverture(autre);
    s.form.Ouvrir1Click();
    VERIFIER_DIALOGUES(d);
    QVERIFY(!s.form.Annuler1->isEnabled());
}

QTEST_MAIN(TestJournal)
#include "test_journal.moc"
