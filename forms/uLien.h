#pragma once

#include "data/fichier/TFiche.h"

#include <QAbstractListModel>
#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;

class IndexPersonnes;

// Reads one record of the genealogy file, open while the dialog is shown.
using LecteurFiche = std::function<void(std::int32_t, TFiche&)>;
// Why a candidate cannot be the parent, empty when it can.
using RaisonImpossible = std::function<QString(const TFiche&, bool pere)>;

// One list of candidates: the record numbers only, each line read from the
// file when it comes into view, so that a list of hundreds of thousands of
// candidates costs a few bytes each. Sorted by name, those whose dates rule
// the parenthood out last and marked, narrowed by a filter; it ends with
// the "Inconnu" line and its -1.
class ModeleCandidats : public QAbstractListModel {
    Q_OBJECT
public:
    ModeleCandidats(bool peres, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void vider();
    void ajouter(std::int32_t numero, bool impossible);
    // The lines, in the order of `personnes` (an index's persons, sorted and
    // filtered): the possible candidates, then the impossible ones, then the
    // final line.
    void montrer(const std::vector<std::int32_t>& personnes);
    void definirLecteur(LecteurFiche lecteur) { m_lecteur = std::move(lecteur); }
    void definirRaison(RaisonImpossible raison) { m_raison = std::move(raison); }
    std::int32_t numero(int ligne) const { return m_numeros[static_cast<std::size_t>(ligne)]; }
    // The candidates, the final line left out.
    int total() const { return m_candidats; }

private:
    enum Marque : std::uint8_t { Aucune, Candidat, Impossible };
    bool m_peres;
    std::vector<std::uint8_t> m_marques; // by record number
    int m_candidats = 0;
    std::vector<std::int32_t> m_numeros; // the lines shown
    LecteurFiche m_lecteur;
    RaisonImpossible m_raison;
};

// The candidates behind the lines of the two lists: one column per list. The
// columns grow with the candidates, so none is ever dropped.
struct TabCandidats {
    ModeleCandidats* peres = nullptr;
    ModeleCandidats* meres = nullptr;
};

// What the user chose in the linking dialog: the father's and the mother's
// record (-1 for "Inconnu(e)"), none when no line was selected, and the
// child's rank among each parent's children (-1: none chosen).
struct ChoixDuLien {
    std::optional<std::int32_t> pere;
    std::optional<std::int32_t> mere;
    int rangPere = -1;
    int rangMere = -1;
};

// The parent-linking dialog: father and mother candidates, a birth rank for each.
class TFormLien : public QDialog {
    Q_OBJECT
public:
    explicit TFormLien(QWidget* parent = nullptr);
    ~TFormLien() override;

    // Empties both candidate lists, their filters and both ranks (a rank
    // chosen for another child, or in another file, means nothing here).
    // The lines are read through `lecteur` while the dialog is shown.
    void preparer(const QString& descriptionEnfant, LecteurFiche lecteur, RaisonImpossible raison);
    void ajouterPere(std::int32_t numero, bool impossible) {
        m_tab.peres->ajouter(numero, impossible);
    }
    void ajouterMere(std::int32_t numero, bool impossible) {
        m_tab.meres->ajouter(numero, impossible);
    }
    // The file is closed: its lines can no longer be read.
    void oublierLecteur();
    // Sorts both lists by the index's order, adds the final lines and makes
    // them visible; the filters narrow them through the index, which lives
    // while the dialog is shown.
    void terminerListes(IndexPersonnes& index);

    // The selections as they stand.
    ChoixDuLien choix() const;
    void selectionner(QListView* liste, int ligne);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EFiltrePere = nullptr;
    QLineEdit* EFiltreMere = nullptr;
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
    QLineEdit* filtre(const char* nom, QRect geometrie, ModeleCandidats* modele, QListView* liste);
    TabCandidats m_tab;
    IndexPersonnes* m_index = nullptr;
};

extern TFormLien* FormLien;
