#pragma once

#include "data/fichier/FichierGenea.h"

#include <QString>

#include <memory>

class Dialogues;
class TAboutBox;
class TForm1;
class TForm2;
class TForm3;
class TFormLien;
class TIndex;

// The five windows of the program, created once in a fixed order and kept
// until the end; each is also reached through its global reference.
class Fenetres {
public:
    // `fichierAOuvrir`, when given, is opened in place of the last file used.
    Fenetres(Dialogues& dialogues, std::unique_ptr<FichierEnregistrements> fichier,
             const QString& fichierAOuvrir = {});
    ~Fenetres();
    Fenetres(const Fenetres&) = delete;
    Fenetres& operator=(const Fenetres&) = delete;

    TForm1& principale() { return *m_form1; }

private:
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TFormLien> m_formLien;
    std::unique_ptr<TForm2> m_form2;
    std::unique_ptr<TForm3> m_form3;
    std::unique_ptr<TAboutBox> m_aboutBox;
    std::unique_ptr<TIndex> m_index;
};

// Started from the desktop's menu or file manager, the program works in the
// user's genealogy folder (Documents/Généalogie), created when missing: its
// settings file, its default file and its listing go there, not in the home
// folder. A file named relative to where it was started keeps naming it.
void allerAuDossierDeTravailDuBureau(QString& fichierAOuvrir);

// The display size of the settings file, applied before the application
// exists: Qt then scales every window uniformly, text and positions alike.
void appliquerTailleAffichage(const QString& cheminIni);

// Application-wide settings: name, French translations of the standard dialogs, fonts.
void preparerApplication();
void installerTraductions();
