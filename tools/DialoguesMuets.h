#pragma once

#include "platform/Dialogues.h"

#include <QApplication>
#include <QDialog>

#include <cstdio>

// Dialogs that answer nothing, for the programs that drive the windows
// without a user (the benchmarks, the screenshots of the manual): every
// question is refused, every file dialog cancelled, errors go to the
// standard error. A modal window is shown and painted once, then closed.
class DialoguesMuets : public Dialogues {
public:
    void message(const QString&) override {}
    bool questionAvertissement(const QString&) override { return false; }
    Reponse questionAvecAnnulation(const QString&) override { return Reponse::Annuler; }
    bool confirmer(const QString&) override { return false; }
    bool questionAttention(const QString&) override { return false; }
    int choix(const QString&, const QStringList&) override { return -1; }
    void erreur(const QString& texte) override {
        std::fprintf(stderr, "erreur : %s\n", qPrintable(texte));
    }
    std::optional<QString> ouvrirFichier(const ParametresDialogueFichier&) override { return {}; }
    std::optional<QString> enregistrerFichier(const ParametresDialogueFichier&) override {
        return {};
    }
    QString saisie(const QString&, const QString&, const QString& defaut) override {
        return defaut;
    }
    void configurerImprimante(QPrinter&) override {}
    void apercu(QPrinter&, const std::function<void(QPrinter&)>&,
                const std::function<void()>&) override {}
    bool lancer(const QString&) override { return true; }
    void afficherSommaireAide(const QString&) override {}
    bool executerModal(QDialog& dialogue) override {
        dialogue.show();
        QApplication::processEvents();
        dialogue.hide();
        return false;
    }
};
