#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QPrinter;

// Settings of a file dialog, as the file commands and the portrait browse set them.
struct ParametresDialogueFichier {
    QString titre;
    QString extensionParDefaut; // for example "*.FIC"
    QString filtre;             // description and pattern joined by "|"
    QString repertoireInitial;
    QString nomFichier;
    // False where choosing an existing file does not replace it (the program
    // adds to it, or refuses it): the dialog must not ask to replace it.
    bool confirmerRemplacement = true;
};

// Every modal interaction of the program goes through this interface: the Qt
// implementation shows real boxes, the tests script the answers.
class Dialogues {
public:
    virtual ~Dialogues() = default;

    // Plain message: caption "Arbre généalogique", no icon, "OK".
    virtual void message(const QString& texte) = 0;
    // Warning question captioned "Avertissement" with "&Oui" and "&Non"; true for Oui.
    virtual bool questionAvertissement(const QString& texte) = 0;
    // The same warning question with a third button, "Annuler", where the
    // user may want to go back on the command that asked.
    enum class Reponse { Oui, Non, Annuler };
    virtual Reponse questionAvecAnnulation(const QString& texte) = 0;
    // A warning question before a step that cannot be taken back: "&Oui"
    // and "&Non", "&Non" being the default; true for Oui.
    virtual bool confirmer(const QString& texte) = 0;
    // Yes/No question captioned "ATTENTION"; true for Yes.
    virtual bool questionAttention(const QString& texte) = 0;
    // A question whose answers are the program's own buttons, captioned with
    // the application title; the index of the button chosen, -1 when closed.
    virtual int choix(const QString& texte, const QStringList& boutons) = 0;
    // The general error box: caption "Arbre généalogique", error icon, "OK".
    // The text arrives complete, full stop included.
    virtual void erreur(const QString& texte) = 0;

    // Open dialog (the chosen file need not exist) and save dialog; nothing on cancel.
    virtual std::optional<QString> ouvrirFichier(const ParametresDialogueFichier& parametres) = 0;
    virtual std::optional<QString>
    enregistrerFichier(const ParametresDialogueFichier& parametres) = 0;

    // One-line prompt; cancelling gives the default text.
    virtual QString saisie(const QString& titre, const QString& question,
                           const QString& defaut) = 0;

    // The print preview of what `peindre` prints on the printer it is given;
    // its "Enregistrer en PDF" button runs `enregistrerPdf`.
    virtual void apercu(QPrinter& imprimante, const std::function<void(QPrinter&)>& peindre,
                        const std::function<void()>& enregistrerPdf) = 0;

    // The printer-setup dialog; what is confirmed there stays with the printer.
    virtual void configurerImprimante(QPrinter& imprimante) = 0;

    // Starts the program named at the head of a command line with the rest as
    // its arguments, without waiting; false when nothing can show it (no
    // viewer for the document, or no such document).
    virtual bool lancer(const QString& ligneDeCommande) = 0;
    // Asks the help viewer for the table of contents of a help file; raises
    // an error when no viewer can show it.
    virtual void afficherSommaireAide(const QString& fichierAide) = 0;

    // Shows one of the program's own dialogs modally; true when confirmed.
    virtual bool executerModal(QDialog& dialogue) = 0;
};

constexpr auto TitreApplication = u"Arbre généalogique";
