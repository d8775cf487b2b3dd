#include "forms/uSauvegardes.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TSauvegardes::TSauvegardes(std::vector<sauvegardes::Sauvegarde> liste, const QString& dossier,
                           QWidget* parent)
    : QDialog(parent), m_liste(std::move(liste)) {
    setObjectName(QStringLiteral("Sauvegardes"));
    setWindowTitle(QStringLiteral("Restaurer une sauvegarde"));
    auto* disposition = new QVBoxLayout(this);
    auto* explication = new QLabel(
        QStringLiteral("Sauvegardes du fichier, dans « %1 ». Le fichier actuel est lui-même "
                       "sauvegardé avant d'être remplacé par celle que vous choisissez.")
            .arg(dossier),
        this);
    explication->setWordWrap(true);
    disposition->addWidget(explication);
    Liste = new QTreeWidget(this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setRootIsDecorated(false);
    Liste->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Heure"),
                            QStringLiteral("Personnes"), QStringLiteral("Taille")});
    const QLocale francais(QLocale::French, QLocale::France);
    for (const sauvegardes::Sauvegarde& s : m_liste) {
        auto* ligne = new QTreeWidgetItem(Liste);
        ligne->setText(0, francais.toString(s.quand.date(), QStringLiteral("dddd d MMMM yyyy")));
        ligne->setText(1, s.quand.time().toString(QStringLiteral("HH:mm:ss")));
        ligne->setText(2, francais.toString(s.personnes));
        ligne->setText(3, francais.formattedDataSize(s.octets, 1, QLocale::DataSizeSIFormat));
        ligne->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        ligne->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    }
    Liste->header()->setStretchLastSection(false);
    Liste->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Liste->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    if (!m_liste.empty()) Liste->setCurrentItem(Liste->topLevelItem(0));
    disposition->addWidget(Liste);
    auto* boutons = new QDialogButtonBox(this);
    BtRestaurer = boutons->addButton(QStringLiteral("&Restaurer"), QDialogButtonBox::AcceptRole);
    BtAnnuler = boutons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    BtRestaurer->setEnabled(!m_liste.empty());
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Liste, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    disposition->addWidget(boutons);
    resize(560, 360);
}

const sauvegardes::Sauvegarde* TSauvegardes::choisie() const {
    const int rang = Liste->indexOfTopLevelItem(Liste->currentItem());
    if (rang < 0 || rang >= static_cast<int>(m_liste.size())) return nullptr;
    return &m_liste[static_cast<std::size_t>(rang)];
}
