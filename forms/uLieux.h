#pragma once

#include "data/complements/Complements.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The places of the companion store as a tree: each place under the one it
// lies in (lieu-dit › commune › département › région › pays), with its INSEE
// code, coordinates and how many persons have an event there. A double-click
// or "Personnes de ce lieu" asks for the index narrowed to the place.
class TLieux : public QDialog {
    Q_OBJECT
public:
    // `personnes` counts the persons of a place, asked for the places shown.
    TLieux(std::vector<LieuConnu> lieux, std::function<std::int64_t(std::int64_t)> personnes,
           QWidget* parent = nullptr);

    QLineEdit* EFiltre = nullptr;
    QTreeWidget* Arbre = nullptr;
    QLabel* LCompte = nullptr;
    QPushButton* BtPersonnes = nullptr;
    QPushButton* BtFermer = nullptr;

signals:
    // The whole name of the place chosen: "Kerozar, Morlaix, Finistère".
    void personnesDemandees(const QString& lieu);

private:
    void remplir();
    QTreeWidgetItem* element(std::size_t rang) const;
    void ouvrir(QTreeWidgetItem* element);
    void filtrer(const QString& texte);
    void demanderLesPersonnes();
    std::vector<LieuConnu> m_lieux;
    std::function<std::int64_t(std::int64_t)> m_personnes;
    std::vector<std::vector<std::size_t>> m_enfants; // by place, the places inside it
    std::vector<std::size_t> m_racines;
};
