#pragma once

#include "forms/ListePersonnes.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class Dialogues;
class QGroupBox;
class QLabel;
class QListView;
class QPushButton;

// The pick-list dialog: the caller clears the list and sets the instruction,
// adds one line per person with its record number, shows the dialog; the
// line selected when it closes (or none) decides.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    void commencer(const QString& consigne);
    void ajouter(const QString& ligne, std::int32_t numero);
    int nombreLignes() const;
    // Shows the dialog modally; the record number of the selected line, or nothing.
    std::optional<std::int32_t> choisir(Dialogues& dialogues);
    // The selected line, -1 when none.
    int ligneSelectionnee() const;
    void selectionnerLigne(int ligne);
    QString texteLigne(int ligne) const;

    QListView* LB = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Lab = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;

protected:
    // Enter and Escape do not close this dialog; only "&Fermer" and the close box do.
    void keyPressEvent(QKeyEvent* evenement) override;

private:
    ModeleListePersonnes* m_modele = nullptr;
};

extern TForm2* Form2;
