#include "app/Demarrage.h"

#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uAbout.h"
#include "forms/uArbre.h"
#include "forms/uIndex.h"
#include "forms/uLien.h"
#include "platform/Dialogues.h"
#include "platform/Polices.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/Preferences.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

static void chargerRessources() {
    Q_INIT_RESOURCE(velmoris);
}

void allerAuDossierDeTravailDuBureau(QString& fichierAOuvrir) {
    if (!fichierAOuvrir.isEmpty()) fichierAOuvrir = QFileInfo(fichierAOuvrir).absoluteFilePath();
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) documents = QDir::homePath();
    const QString dossier = QDir(documents).filePath(QStringLiteral("Généalogie"));
    if (QDir().mkpath(dossier)) QDir::setCurrent(dossier);
}

namespace {
constexpr const char* MarqueTailleAppliquee = "VELMORIS_TAILLE_APPLIQUEE";
}

void appliquerTailleAffichage(const QString& cheminIni) {
    // A scale this program set for itself reaches a restarted copy through
    // the environment: it is chosen again from the settings, so that going
    // back to 100 % takes effect at the restart.
    if (qEnvironmentVariableIsSet(MarqueTailleAppliquee)) {
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
        qunsetenv(MarqueTailleAppliquee);
    }
    // A user who set the scale for all Qt programs keeps it.
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) return;
    double facteur = 0;
    try {
        facteur = preferences::facteurAffichage(preferences::lireTailleAffichage(cheminIni));
    } catch (const ErreurVelmoris&) {
        return; // the start-up tells what is wrong with the settings file
    }
    if (facteur <= 0) return; // automatic: Qt follows the screen's resolution
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(facteur));
    qputenv(MarqueTailleAppliquee, "1");
}

// The standard dialogs and the edits' menus speak French, as the program does.
void installerTraductions() {
    static QTranslator qtbase;
    static bool installee = false;
    if (installee) return;
    installee =
        qtbase.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (installee) QCoreApplication::installTranslator(&qtbase);
}

// Each window's caption is exactly what it sets: the desktop learns the
// program's name from its desktop entry and the application name.
void preparerApplication() {
    chargerRessources();
    QApplication::setApplicationName(QStringLiteral("Velmoris"));
    QGuiApplication::setDesktopFileName(QStringLiteral("velmoris"));
    installerTraductions();
    installerSubstitutionsPolices();
    QApplication::setFont(policeFenetre());
}

// The main window comes first: its start-up sequence runs before the other
// windows exist.
Fenetres::Fenetres(Dialogues& dialogues, std::unique_ptr<FichierEnregistrements> fichier,
                   const QString& fichierAOuvrir) {
    m_form1 = std::make_unique<TForm1>(dialogues, std::move(fichier), fichierAOuvrir);
    Form1 = m_form1.get();
    m_formLien = std::make_unique<TFormLien>(m_form1.get());
    FormLien = m_formLien.get();
    m_form2 = std::make_unique<TForm2>(m_form1.get());
    Form2 = m_form2.get();
    m_form3 = std::make_unique<TForm3>(m_form1.get());
    Form3 = m_form3.get();
    TForm1* principale = m_form1.get();
    QObject::connect(Form3, &TForm3::impressionDemandee, principale,
                     [principale] { principale->commande(&TForm1::ImprimerArbreClick); });
    QObject::connect(Form3, &TForm3::exportDemande, principale,
                     [principale] { principale->commande(&TForm1::ExporterArbreClick); });
    m_aboutBox = std::make_unique<TAboutBox>(m_form1.get());
    AboutBox = m_aboutBox.get();
    // The index of persons, beside the five windows, and the chart's own moves.
    m_index = std::make_unique<TIndex>(m_form1.get());
    Index = m_index.get();
    Index->definirRechercheDesComplements([principale](const CritereLieuDate& critere) {
        return principale->personnesSelon(critere);
    });
    QObject::connect(Index, &TIndex::ficheDemandee, principale, [principale](std::int32_t n) {
        principale->executer([principale, n] { principale->allerALaFiche(n); });
    });
    QObject::connect(Form3, &TForm3::pivotDemande, principale, [principale](std::int32_t n) {
        principale->executer([principale, n] { principale->changerDePivot(n, true); });
    });
    QObject::connect(Form3, &TForm3::choixDuPivotDemande, principale,
                     [principale](const QList<std::int32_t>& numeros) {
                         principale->executer(
                             [principale, numeros] { principale->choisirLePivot(numeros); });
                     });
    QObject::connect(Form3, &TForm3::retourDemande, principale, [principale] {
        principale->executer([principale] { principale->revenirAuPivotPrecedent(); });
    });
}

Fenetres::~Fenetres() {
    m_index.reset();
    m_aboutBox.reset();
    m_form3.reset();
    m_form2.reset();
    m_formLien.reset();
    m_form1.reset();
}
