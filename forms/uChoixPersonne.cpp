#include "forms/uChoixPersonne.h"

#include "forms/uIndex.h"
#include "platform/Polices.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TChoixPersonne::TChoixPersonne(const QString& titre, FichierEnregistrements& fichier,
                               QWidget* parent, std::int32_t exclue,
                               const std::vector<AutreNom>& autresNoms)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ChoixPersonne"));
    setWindowTitle(titre);
    setFont(policeFenetre());
    resize(640, 420);
    m_index.construire(fichier);
    m_index.ajouterAutresNoms(autresNoms);
    m_index.exclure(exclue);

    auto* etiquette = new QLabel(QStringLiteral("&Chercher (nom, prénom ou numéro) :"), this);
    EFiltre = new QLineEdit(this);
    EFiltre->setObjectName(QStringLiteral("EFiltre"));
    etiquette->setBuddy(EFiltre);
    m_modele = new ModeleIndex(m_index, this);
    Liste = new QTableView(this);
    preparerListeIndex(Liste, m_modele);
    BtOK = new QPushButton(QStringLiteral("OK"), this);
    BtOK->setDefault(true);
    BtAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    connect(BtOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(Liste, &QTableView::doubleClicked, this, &QDialog::accept);
    connect(EFiltre, &QLineEdit::textChanged, this, [this](const QString& texte) {
        m_index.filtrer(texte);
        m_modele->recharger();
        if (!m_index.visibles().empty()) Liste->selectRow(0);
    });

    auto* haut = new QHBoxLayout;
    haut->addWidget(etiquette);
    haut->addWidget(EFiltre, 1);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(BtOK);
    bas->addWidget(BtAnnuler);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(haut);
    tout->addWidget(Liste, 1);
    tout->addLayout(bas);
    EFiltre->setFocus();
}

std::int32_t TChoixPersonne::ficheChoisie() const {
    return ficheDeLaLigneChoisie(*Liste, m_index);
}

void TChoixPersonne::repousser(
    std::function<bool(const QString& naissance, const QString& deces)> douteuse) {
    m_index.repousser(std::move(douteuse));
    m_modele->recharger();
}
