#pragma once

#include "data/TFiche.h"

#include <QAbstractListModel>
#include <QDialog>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;

// Reads one record of the genealogy file, open while the dialog is shown.
using LecteurFiche = std::function<void(std::int32_t, TFiche&)>;

// One list of candidates: the record numbers only, each line read from the
// file when it comes into view, so that a list of hundreds of thousands of
// candidates costs four bytes each. It ends with the "Inconnu" line and its -1.
class ModeleCandidats : public QAbstractListModel {
    Q_OBJECT
public:
    ModeleCandidats(bool peres, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void vider();
    void ajouter(std::int32_t numero) { m_numeros.push_back(numero); }
    void terminer(); // the final line, then the list is shown
    void definirLecteur(LecteurFiche lecteur) { m_lecteur = std::move(lecteur); }
    std::int32_t numero(int ligne) const { return m_numeros[static_cast<std::size_t>(ligne)]; }
    int total() const { return static_cast<int>(m_numeros.size()); }

private:
    bool m_peres;
    std::vector<std::int32_t> m_numeros;
    int m_publiees = 0;
    LecteurFiche m_lecteur;
};

// The candidates behind the lines of the two lists: one column per list. The
// columns grow with the candidates, so none is ever dropped.
struct TabCandidats {
    ModeleCandidats* peres = nullptr;
    ModeleCandidats* meres = nullptr;
};

// The parent-linking dialog: father and mother candidates, a birth rank for each.
class TFormLien : public QDialog {
    Q_OBJECT
public:
    explicit TFormLien(QWidget* parent = nullptr);
    ~TFormLien() override;

    // Empties both candidate lists and the father's rank; the mother's rank
    // stays. The lines are read through `lecteur` while the dialog is shown.
    void preparer(const QString& descriptionEnfant, LecteurFiche lecteur);
    void ajouterPere(std::int32_t numero) { m_tab.peres->ajouter(numero); }
    void ajouterMere(std::int32_t numero) { m_tab.meres->ajouter(numero); }
    // The file is closed: its lines can no longer be read.
    void oublierLecteur();
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
    QListView* listeCandidats(const char* nom, QRect geometrie, ModeleCandidats* modele);
    QListWidget* listeRangs(const char* nom, QRect geometrie);
    TabCandidats m_tab;
};

extern TFormLien* FormLien;
