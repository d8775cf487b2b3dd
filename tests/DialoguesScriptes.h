#pragma once

#include "platform/Dialogues.h"

#include <QStringList>

#include <deque>
#include <functional>

// The dialogs of the tests: every box shown is recorded in order, answers come
// from a queue the test sets up, and any box the test did not expect is a fault.
class DialoguesScriptes : public Dialogues {
public:
    enum class Genre {
        Message,
        Avertissement,
        Attention,
        Erreur,
        Ouvrir,
        Enregistrer,
        Saisie,
        Modal,
        Imprimante,
        Choix,
        Confirmation
    };

    DialoguesScriptes& attendreMessage(const QString& texte) {
        return attendre(Genre::Message, texte);
    }
    DialoguesScriptes& attendreErreur(const QString& texte) {
        return attendre(Genre::Erreur, texte);
    }
    // The save question; on quitting or switching files it also has "Annuler".
    DialoguesScriptes& attendreQuestion(const QString& texte, bool oui);
    DialoguesScriptes& attendreQuestionAnnulee(const QString& texte);
    // A question whose default answer is No.
    DialoguesScriptes& attendreConfirmation(const QString& texte, bool oui);
    DialoguesScriptes& attendreAttention(const QString& texte, bool oui);
    // A choice among the program's buttons, answered with the button's index.
    DialoguesScriptes& attendreChoix(const QString& texte, int bouton);
    // A file dialog answered with a path, or cancelled with nothing.
    DialoguesScriptes& attendreOuverture(std::optional<QString> chemin);
    DialoguesScriptes& attendreEnregistrement(std::optional<QString> chemin);
    // A prompt answered with a text, or cancelled with nothing.
    DialoguesScriptes& attendreSaisie(const QString& question, std::optional<QString> reponse);
    // One of the program's dialogs: the action works on its widgets and says
    // whether the dialog is confirmed.
    DialoguesScriptes& attendreModal(std::function<bool(QDialog&)> action);
    DialoguesScriptes& attendreApercu() {
        return attendre(Genre::Modal, QStringLiteral("Aperçu avant impression"));
    }
    // The preview, in which the user presses "Enregistrer en PDF".
    DialoguesScriptes& attendreApercuEnregistreEnPdf();
    DialoguesScriptes& attendreChoixImprimante() { return attendre(Genre::Imprimante, {}); }

    // What was shown, one line per box: "Genre: texte".
    const QStringList& journal() const { return m_journal; }
    // Unexpected boxes, and expected ones whose text differed.
    const QStringList& fautes() const { return m_fautes; }
    int enAttente() const { return static_cast<int>(m_attentes.size()); }
    const ParametresDialogueFichier& derniersParametres() const { return m_derniersParametres; }
    void oublier() { m_journal.clear(); }

    void message(const QString& texte) override;
    bool questionAvertissement(const QString& texte) override;
    Reponse questionAvecAnnulation(const QString& texte) override;
    bool confirmer(const QString& texte) override;
    bool questionAttention(const QString& texte) override;
    int choix(const QString& texte, const QStringList& boutons) override;
    void erreur(const QString& texte) override;
    std::optional<QString> ouvrirFichier(const ParametresDialogueFichier& parametres) override;
    std::optional<QString> enregistrerFichier(const ParametresDialogueFichier& parametres) override;
    QString saisie(const QString& titre, const QString& question, const QString& defaut) override;
    void configurerImprimante(QPrinter& imprimante) override;
    // The preview paints once, on the printer it is given.
    void apercu(QPrinter& imprimante, const std::function<void(QPrinter&)>& peindre,
                const std::function<void()>& enregistrerPdf) override;
    bool lancer(const QString& ligneDeCommande) override {
        lancements << ligneDeCommande;
        return visionneusePdf;
    }
    void afficherSommaireAide(const QString& fichierAide) override;
    bool executerModal(QDialog& dialogue) override;

    QStringList lancements;       // command lines handed to the launcher
    QStringList aides;            // help files asked for
    bool visionneuseAide = false; // whether a help viewer exists
    bool visionneusePdf = true;   // whether the manual can be shown

private:
    struct Attente {
        Genre genre;
        QString texte;
        bool oui = false;
        std::optional<QString> reponse;
        std::function<bool(QDialog&)> action;
        int bouton = -1;
        bool annuler = false; // answered with "Annuler"
        bool pdf = false;     // the preview's PDF button pressed
    };
    DialoguesScriptes& attendre(Genre genre, const QString& texte);
    // Takes the next expectation when it is of this kind; records a fault otherwise.
    std::optional<Attente> prendre(Genre genre, const QString& texte);

    std::deque<Attente> m_attentes;
    QStringList m_journal;
    QStringList m_fautes;
    ParametresDialogueFichier m_derniersParametres;
};

// The privacy question before a publication, answered "Tout garder": its
// place among the buttons (the listing offers itself as it stands first).
constexpr int ToutGarder = 4;
constexpr int ListingTelQuel = 0;

// Fails the test when a box was unexpected or an expected one never came.
#define VERIFIER_DIALOGUES(d)                                                                      \
    do {                                                                                           \
        QVERIFY2((d).fautes().isEmpty(), qPrintable((d).fautes().join(u'\n')));                    \
        QVERIFY2(                                                                                  \
            (d).enAttente() == 0,                                                                  \
            qPrintable(QStringLiteral("%1 boîte(s) attendue(s) jamais montrée(s); journal : %2")   \
                           .arg((d).enAttente())                                                   \
                           .arg((d).journal().join(QStringLiteral(" | ")))));                      \
    } while (false)
