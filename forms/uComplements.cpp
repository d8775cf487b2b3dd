#include "forms/uComplements.h"

#include "platform/Polices.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

TComplementsDetaches::TComplementsDetaches(const std::vector<EntreeDetachee>& entrees,
                                           Contenu contenu, QWidget* parent)
    : QDialog(parent), m_contenu(std::move(contenu)) {
    setObjectName(QStringLiteral("ComplementsDetaches"));
    setWindowTitle(QStringLiteral("Compléments détachés"));
    setFont(policeFenetre());
    resize(680, 520);
    auto* explication = new QLabel(
        QStringLiteral("Ces compléments ne correspondent plus à la personne de leur fiche : ils "
                       "ne sont ni montrés ni exportés avec elle. Rattachez-les à la bonne "
                       "fiche, ou supprimez-les."),
        this);
    explication->setWordWrap(true);
    Liste = new QListWidget(this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setWordWrap(true);
    Liste->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Detail = new QTextBrowser(this);
    Detail->setObjectName(QStringLiteral("Detail"));
    BtRattacher = new QPushButton(QStringLiteral("&Rattacher à une fiche…"), this);
    BtRattacher->setObjectName(QStringLiteral("BtRattacher"));
    BtSupprimer = new QPushButton(QStringLiteral("&Supprimer"), this);
    BtSupprimer->setObjectName(QStringLiteral("BtSupprimer"));
    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setDefault(true);
    connect(Liste, &QListWidget::currentRowChanged, this, [this] { montrerDetail(); });
    connect(BtRattacher, &QPushButton::clicked, this, [this] {
        if (const std::int64_t id = entreeChoisie()) emit rattachementDemande(id);
    });
    connect(BtSupprimer, &QPushButton::clicked, this, [this] {
        if (const std::int64_t id = entreeChoisie()) emit suppressionDemandee(id);
    });
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::accept);

    auto* bas = new QHBoxLayout;
    bas->addWidget(BtRattacher);
    bas->addWidget(BtSupprimer);
    bas->addStretch(1);
    bas->addWidget(BtFermer);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(explication);
    tout->addWidget(Liste, 1);
    tout->addWidget(Detail, 1);
    tout->addLayout(bas);
    remplir(entrees);
}

void TComplementsDetaches::remplir(const std::vector<EntreeDetachee>& entrees) {
    Liste->clear();
    for (const EntreeDetachee& e : entrees) {
        auto* ligne = new QListWidgetItem(QStringLiteral("%1 — écrit pour la fiche %2\n    %3")
                                              .arg(empreinteLisible(e.empreinte))
                                              .arg(e.fiche)
                                              .arg(e.raison),
                                          Liste);
        ligne->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(e.id));
    }
    if (Liste->count()) Liste->setCurrentRow(0);
    BtRattacher->setEnabled(Liste->count() > 0);
    BtSupprimer->setEnabled(Liste->count() > 0);
    montrerDetail();
}

std::int64_t TComplementsDetaches::entreeChoisie() const {
    const QListWidgetItem* ligne = Liste->currentItem();
    return ligne ? ligne->data(Qt::UserRole).toLongLong() : 0;
}

void TComplementsDetaches::montrerDetail() {
    const std::int64_t id = entreeChoisie();
    Detail->setPlainText(id ? m_contenu(id).join(u'\n')
                            : QStringLiteral("Aucun complément détaché."));
}
