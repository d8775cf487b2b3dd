#pragma once

#include "data/complements/Complements.h"
#include "data/doublons/Doublons.h"
#include "data/fichier/TFiche.h"
#include "session/Fusion.h"

#include <QDialog>

#include <array>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

// "Rechercher les doublons": every candidate pair, best first, each person
// as the index shows them; a double-click or "Fusionner…" opens the merge.
class TDoublons : public QDialog {
    Q_OBJECT
public:
    struct Ligne {
        PaireDoublon paire;
        QString premier, second; // "DUPONT Jean, ° 12/03/1850"
    };
    explicit TDoublons(std::vector<Ligne> lignes, QWidget* parent = nullptr);
    // The pair of the row chosen, or none.
    const Ligne* ligneChoisie() const;

    QTableWidget* Table = nullptr;
    QLabel* LCompte = nullptr;
    QPushButton* BtFusionner = nullptr;
    QPushButton* BtFermer = nullptr;

signals:
    void fusionDemandee();

private:
    std::vector<Ligne> m_lignes;
};

// One side of a merge: the record, its number, its parents by name
// ("DUPONT Jean (fiche 4)") and what the store keeps of it, by section.
struct CoteDeFusion {
    TFiche fiche;
    std::int32_t numero = -1;
    QString pere, mere;
    std::vector<VueComplements::Section> magasin;
};

// The two records side by side, field by field: a conflict (two values that
// differ) in red, one radio button a side; what is not chosen is kept as
// another version. Below, what the store keeps of each, section by
// section, all of it kept by the merge.
class TFusion : public QDialog {
    Q_OBJECT
public:
    TFusion(const CoteDeFusion& premier, const CoteDeFusion& second, QWidget* parent = nullptr);
    ChoixDeFusion choix() const;
    // The side of one field: the second record's when true.
    void choisir(ChampFusion champ, bool second);

    QPushButton* BtFusionner = nullptr;
    QPushButton* BtAnnuler = nullptr;

private:
    void ajouterLesChamps(QGridLayout* grille, const CoteDeFusion& premier,
                          const CoteDeFusion& second);
    void ajouterLeMagasin(QGridLayout* grille, const CoteDeFusion& premier,
                          const CoteDeFusion& second);
    std::array<QRadioButton*, NbChampsFusion> m_seconds{};
};
