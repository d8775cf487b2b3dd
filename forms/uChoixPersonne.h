#pragma once

#include "data/IndexPersonnes.h"

#include <QDialog>

class ModeleIndex;
class QLineEdit;
class QPushButton;
class QTableView;

// Choosing one person of the file through the index: the filter as one
// types, the list sorted in French, OK or a double-click to choose.
class TChoixPersonne : public QDialog {
    Q_OBJECT
public:
    TChoixPersonne(const QString& titre, FichierEnregistrements& fichier,
                   QWidget* parent = nullptr);
    // The record chosen, -1 when none.
    std::int32_t ficheChoisie() const;

    QLineEdit* EFiltre = nullptr;
    QTableView* Liste = nullptr;
    QPushButton* BtOK = nullptr;
    QPushButton* BtAnnuler = nullptr;

private:
    IndexPersonnes m_index;
    ModeleIndex* m_modele = nullptr;
};
