#pragma once

#include "data/journal/Sauvegardes.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

// "Restaurer une sauvegarde": the backups of the open file, newest first,
// with their date, time and number of persons.
class TSauvegardes : public QDialog {
    Q_OBJECT
public:
    TSauvegardes(std::vector<sauvegardes::Sauvegarde> liste, const QString& dossier,
                 QWidget* parent = nullptr);
    // The backup chosen, null when none.
    const sauvegardes::Sauvegarde* choisie() const;

    QTreeWidget* Liste = nullptr;
    QPushButton* BtRestaurer = nullptr;
    QPushButton* BtAnnuler = nullptr;

private:
    std::vector<sauvegardes::Sauvegarde> m_liste;
};
