#pragma once

#include "data/coherence/Coherence.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Vérifier la cohérence": the findings by severity and person, filtered as
// the user types or by severity; a double-click shows the person; a finding
// dismissed ("Ignorer") is kept so in the companion store and no longer
// listed until what it compared changes; "Seuils…" sets the thresholds.
class TCoherence : public QDialog {
    Q_OBJECT
public:
    struct Ligne {
        Constat constat;
        bool ignore = false;
    };
    TCoherence(std::vector<Ligne> lignes, QWidget* parent = nullptr);
    void remplacer(std::vector<Ligne> lignes);

    QLineEdit* EFiltre = nullptr;
    QComboBox* CbGravite = nullptr;
    QCheckBox* CkIgnores = nullptr;
    QTableWidget* Table = nullptr;
    QLabel* LCompte = nullptr;
    QPushButton* BtIgnorer = nullptr;
    QPushButton* BtSeuils = nullptr;
    QPushButton* BtFermer = nullptr;

    // The finding of a row of the table, by its rank in lignes().
    const std::vector<Ligne>& lignes() const { return m_lignes; }
    int ligneChoisie() const;

signals:
    void personneDemandee(std::int32_t fiche);
    void ignorerDemande(int rang);
    void seuilsDemandes();

private:
    void remplir();
    void filtrer();
    std::vector<Ligne> m_lignes;
};

// The thresholds, each with its French text, edited in a table.
class TSeuils : public QDialog {
    Q_OBJECT
public:
    explicit TSeuils(const Seuils& seuils, QWidget* parent = nullptr);
    Seuils seuils() const;

    QTableWidget* Table = nullptr;
    QPushButton* BtOK = nullptr;
    QPushButton* BtDefaut = nullptr;

private:
    Seuils m_seuils;
};
