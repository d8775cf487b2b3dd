#pragma once

#include "data/complements/Complements.h"

#include <QDialog>

#include <functional>
#include <optional>

class Dialogues;
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
    // A change of the places, as one entry of the history: the places then,
    // or nothing when it could not be made (told).
    using Modifier = std::function<std::optional<std::vector<LieuConnu>>(
        const QString& libelle, const std::function<void(Complements&)>& changement)>;
    // `personnes` counts the persons of a place, asked for the places shown;
    // without `modifier`, the places are only read.
    TLieux(std::vector<LieuConnu> lieux, std::function<std::int64_t(std::int64_t)> personnes,
           QWidget* parent = nullptr, Dialogues* dialogues = nullptr, Modifier modifier = {});

    QLineEdit* EFiltre = nullptr;
    QTreeWidget* Arbre = nullptr;
    QLabel* LCompte = nullptr;
    QPushButton* BtPersonnes = nullptr;
    QPushButton* BtRenommer = nullptr;
    QPushButton* BtFusionner = nullptr;
    QPushButton* BtDefinir = nullptr;
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
    const LieuConnu* lieuChoisi() const;
    void renommer();
    void fusionner();
    void definir();
    void changer(const QString& libelle, const std::function<void(Complements&)>& changement);
    Dialogues* m_dialogues;
    Modifier m_modifier;
    std::vector<LieuConnu> m_lieux;
    std::function<std::int64_t(std::int64_t)> m_personnes;
    std::vector<std::vector<std::size_t>> m_enfants; // by place, the places inside it
    std::vector<std::size_t> m_racines;
};
