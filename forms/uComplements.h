#pragma once

#include "data/complements/Complements.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;
class QTextBrowser;

// The entries the records no longer match: each with the person it was
// written for and why it is detached; reattached to a record, or deleted.
class TComplementsDetaches : public QDialog {
    Q_OBJECT
public:
    using Contenu = std::function<QStringList(std::int64_t id)>;
    TComplementsDetaches(const std::vector<EntreeDetachee>& entrees, Contenu contenu,
                         QWidget* parent = nullptr);
    // The entry selected, 0 when none.
    std::int64_t entreeChoisie() const;
    void remplir(const std::vector<EntreeDetachee>& entrees);

    QListWidget* Liste = nullptr;
    QTextBrowser* Detail = nullptr;
    QPushButton* BtRattacher = nullptr;
    QPushButton* BtSupprimer = nullptr;
    QPushButton* BtFermer = nullptr;

signals:
    void rattachementDemande(std::int64_t id);
    void suppressionDemandee(std::int64_t id);

private:
    void montrerDetail();
    Contenu m_contenu;
};
