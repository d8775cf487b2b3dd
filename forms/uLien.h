#pragma once

#include "forms/ListePersonnes.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;

// The candidates behind the lines of the two lists: one column per list,
// each ending with the "Inconnu" / "Inconnue" line and its -1. The columns
// grow with the candidates, so none is ever dropped.
struct TabCandidats {
    ModeleListePersonnes* peres = nullptr;
    ModeleListePersonnes* meres = nullptr;
};

// The parent-linking dialog: father and mother candidates, a birth rank for each.
class TFormLien : public QDialog {
    Q_OBJECT
public:
    explicit TFormLien(QWidget* parent = nullptr);
    ~TFormLien() override;

    // Empties both candidate lists and the father's rank; the mother's rank stays.
    void preparer(const QString& descriptionEnfant);
    void ajouterPere(const QString& ligne, std::int32_t numero);
    void ajouterMere(const QString& ligne, std::int32_t numero);
    // Adds the final lines and makes the lists visible.
    void terminerListes();

    // Selections: -1 when none.
    int lignePere() const;
    int ligneMere() const;
    int rangPere() const;
    int rangMere() const;
    std::int32_t candidatPere(int ligne) const { return m_tab.peres->numero(ligne); }
    std::int32_t candidatMere(int ligne) const { return m_tab.meres->numero(ligne); }
    void selectionner(QListView* liste, int ligne);
    int NbCandidatsPere = 0;
    int NbCandidatsMere = 0;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QListView* LBPere = nullptr;
    QListView* LBMere = nullptr;
    QLabel* Label3 = nullptr;
    QListWidget* LbOrdreP = nullptr;
    QListWidget* LBordreM = nullptr;
    QLineEdit* EEnfant = nullptr;
    QPushButton* BAnnuler = nullptr;
    QPushButton* BitBtn1 = nullptr;

private:
    QListView* listeCandidats(const char* nom, QRect geometrie, ModeleListePersonnes* modele);
    QListWidget* listeRangs(const char* nom, QRect geometrie);
    TabCandidats m_tab;
};

extern TFormLien* FormLien;
