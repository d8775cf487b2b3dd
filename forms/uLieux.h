#pragma once

#include "data/complements/Complements.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The places of the companion store as a tree: each place under the one it
// lies in (lieu-dit › commune › département › région › pays), with its INSEE
// code, coordinates and how many persons have an event there. A double-click
// or "Personnes de ce lieu" asks for the index narrowed to the place.
class TLieux : public QDialog {
    Q_OBJECT
public:
    TLieux(const std::vector<LieuConnu>& lieux, QWidget* parent = nullptr);

    QLineEdit* EFiltre = nullptr;
    QTreeWidget* Arbre = nullptr;
    QLabel* LCompte = nullptr;
    QPushButton* BtPersonnes = nullptr;
    QPushButton* BtFermer = nullptr;

signals:
    // The whole name of the place chosen: "Kerozar, Morlaix, Finistère".
    void personnesDemandees(const QString& lieu);

private:
    void remplir(const std::vector<LieuConnu>& lieux);
    void filtrer(const QString& texte);
    void demanderLesPersonnes();
};
