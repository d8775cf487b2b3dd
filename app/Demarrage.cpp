#include "app/Demarrage.h"

#include "forms/UEnfants.h"
#include "forms/UVelmorS.h"
#include "forms/uAbout.h"
#include "forms/uArbre.h"
#include "forms/uLien.h"
#include "platform/Dialogues.h"
#include "platform/Polices.h"

#include <QApplication>

static void chargerRessources() {
    Q_INIT_RESOURCE(velmoris);
}

void preparerApplication() {
    chargerRessources();
    QApplication::setApplicationName(QStringLiteral("Velmoris"));
    QApplication::setApplicationDisplayName(QString::fromUtf16(TitreApplication));
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
}

Fenetres::~Fenetres() {
    m_aboutBox.reset();
    m_form3.reset();
    m_form2.reset();
    m_formLien.reset();
    m_form1.reset();
}
