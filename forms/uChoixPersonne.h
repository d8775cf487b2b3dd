#pragma once

#include "data/recherche/IndexPersonnes.h"

#include <QDialog>

#include <functional>

class ModeleIndex;
class QLineEdit;
class QPushButton;
class QTableView;

// Choosing one person of the file through the index: the filter as one
// types, the list sorted in French, OK or a double-click to choose.
class TChoixPersonne : public QDialog {
    Q_OBJECT
public:
    // `exclue`, when given, is not offered (the person the choice is about).
    TChoixPersonne(const QString& titre, FichierEnregistrements& fichier, QWidget* parent = nullptr,
                   std::int32_t exclue = -1, const std::vector<AutreNom>& autresNoms = {});
    // The candidates whose dates cannot fit put last and marked.
    void repousser(std::function<bool(const QString& naissance, const QString& deces)> douteuse);
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
