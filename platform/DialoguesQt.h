#pragma once

#include "platform/Dialogues.h"

class QWidget;

// The real boxes and dialogs, shown over the main window.
class DialoguesQt : public Dialogues {
public:
    void definirParent(QWidget* parent) { m_parent = parent; }

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
    void apercu(QPrinter& imprimante, const std::function<void(QPrinter&)>& peindre,
                const std::function<void()>& enregistrerPdf) override;
    bool lancer(const QString& ligneDeCommande) override;
    void afficherSommaireAide(const QString& fichierAide) override;
    bool executerModal(QDialog& dialogue) override;

private:
    QWidget* m_parent = nullptr;
};

// Keeps a window within the screen it opens on, whatever the display size.
void ajusterALEcran(QWidget& fenetre);

// "Fichiers de généalogie |*.FIC" to the Qt form "Fichiers de généalogie (*.FIC *.fic)".
QString filtreQt(const QString& filtre);
