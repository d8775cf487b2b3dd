#pragma once

#include "data/recherche/IndexPersonnes.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The index as a table: the cells come from the index when they are shown,
// never a widget item per person.
class ModeleIndex : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModeleIndex(IndexPersonnes& index, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int colonne, Qt::SortOrder ordre) override;
    // After the index changed under the model.
    void recharger();

private:
    IndexPersonnes& m_index;
};

// The index of persons: everyone of the file, sorted by a column, narrowed
// as the user types; Enter or a double-click shows the person in the main
// window. It stays open beside the main window and follows the file.
class TIndex : public QWidget {
    Q_OBJECT
public:
    explicit TIndex(QWidget* parent = nullptr);
    ~TIndex() override;

    // Reads the whole file again, keeping the sort, the filter and the
    // person selected.
    void charger(FichierEnregistrements& fichier, const std::vector<AutreNom>& autresNoms = {});
    // The record of the line selected, -1 when none.
    std::int32_t ficheSelectionnee() const;
    void selectionnerFiche(std::int32_t numero);
    const IndexPersonnes& index() const { return m_index; }
    // How the store finds persons by place and date; none without a store.
    using RechercheDesComplements =
        std::function<std::vector<std::pair<std::int32_t, std::string>>(const CritereLieuDate&)>;
    void definirRechercheDesComplements(RechercheDesComplements recherche) {
        m_rechercheDesComplements = std::move(recherche);
    }
    // Narrows to the persons with any event in a place (the places window).
    void chercherLieu(const QString& lieu);

    QLineEdit* EFiltre = nullptr;
    QLineEdit* ELieu = nullptr;
    QComboBox* CbEvenement = nullptr;
    QLineEdit* EDepuis = nullptr;
    QLineEdit* EJusqua = nullptr;
    QPushButton* BtChercher = nullptr;
    QTableView* Liste = nullptr;
    QLabel* LCompte = nullptr;
    QPushButton* BtAfficher = nullptr;
    QPushButton* BtFermer = nullptr;

signals:
    void ficheDemandee(std::int32_t numero);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;
    void keyPressEvent(QKeyEvent* evenement) override;

private:
    void filtrer(const QString& texte);
    void chercherParLieuEtDate();
    void creerRechercheParLieu();
    CritereLieuDate critereSaisi() const;
    void demanderLaFiche();
    void compter();
    IndexPersonnes m_index;
    ModeleIndex* m_modele = nullptr;
    RechercheDesComplements m_rechercheDesComplements;
};

// A table of the index: whole rows selected, sorted by clicking a heading,
// by name first.
void preparerListeIndex(QTableView* liste, ModeleIndex* modele);
// The record of the line selected in such a table, -1 when none.
std::int32_t ficheDeLaLigneChoisie(const QTableView& liste, const IndexPersonnes& index);

extern TIndex* Index;
