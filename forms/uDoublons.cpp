#include "forms/uDoublons.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

TDoublons::TDoublons(std::vector<Ligne> lignes, QWidget* parent)
    : QDialog(parent), m_lignes(std::move(lignes)) {
    setObjectName(QStringLiteral("Doublons"));
    setWindowTitle(QStringLiteral("Doublons possibles"));
    resize(760, 440);
    auto* colonne = new QVBoxLayout(this);
    LCompte = new QLabel(
        m_lignes.empty()
            ? QStringLiteral("Aucun doublon possible : aucune paire de personnes ne porte des noms "
                             "qui se prononcent de même avec des dates compatibles.")
            : QStringLiteral("%1 paire(s) de personnes peut-être saisies deux fois, les plus "
                             "probables d'abord. Double-cliquez sur une paire pour la comparer.")
                  .arg(m_lignes.size()),
        this);
    LCompte->setWordWrap(true);
    colonne->addWidget(LCompte);
    Table = new QTableWidget(static_cast<int>(m_lignes.size()), 3, this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setHorizontalHeaderLabels({QStringLiteral("Score"), QStringLiteral("Première fiche"),
                                      QStringLiteral("Seconde fiche")});
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->hide();
    Table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    Table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    Table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    for (int i = 0; i < Table->rowCount(); ++i) {
        const Ligne& l = m_lignes[static_cast<std::size_t>(i)];
        Table->setItem(i, 0, new QTableWidgetItem(QString::number(l.paire.score)));
        Table->setItem(i, 1, new QTableWidgetItem(l.premier));
        Table->setItem(i, 2, new QTableWidgetItem(l.second));
    }
    if (Table->rowCount()) Table->selectRow(0);
    colonne->addWidget(Table);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch();
    BtFusionner = new QPushButton(QStringLiteral("Fusionner…"), this);
    BtFusionner->setObjectName(QStringLiteral("BtFusionner"));
    BtFusionner->setEnabled(!m_lignes.empty());
    BtFermer = new QPushButton(QStringLiteral("Fermer"), this);
    BtFermer->setObjectName(QStringLiteral("BtFermer"));
    boutons->addWidget(BtFusionner);
    boutons->addWidget(BtFermer);
    colonne->addLayout(boutons);
    connect(BtFusionner, &QPushButton::clicked, this, &TDoublons::fusionDemandee);
    connect(Table, &QTableWidget::cellDoubleClicked, this, &TDoublons::fusionDemandee);
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::reject);
}

const TDoublons::Ligne* TDoublons::ligneChoisie() const {
    const int rang = Table->currentRow();
    return rang < 0 || rang >= static_cast<int>(m_lignes.size())
               ? nullptr
               : &m_lignes[static_cast<std::size_t>(rang)];
}

TFusion::TFusion(const CoteDeFusion& premier, const CoteDeFusion& second, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Fusion"));
    setWindowTitle(QStringLiteral("Fusionner deux fiches"));
    auto* colonne = new QVBoxLayout(this);
    auto* explication = new QLabel(
        QStringLiteral("Choisissez, champ par champ, la valeur que garde la personne fusionnée. "
                       "En rouge, ce où les deux fiches diffèrent. Ce qui n'est pas choisi reste "
                       "dans le fichier de compléments comme une autre version ; les enfants, "
                       "les conjoints, les sources et les notes des deux fiches sont gardés, et "
                       "le fait du côté choisi reste le principal, avec ses sources. Deux unions "
                       "avec le même conjoint n'en font plus qu'une. Annuler (Ctrl+Z) défait la "
                       "fusion."),
        this);
    explication->setWordWrap(true);
    colonne->addWidget(explication);
    auto* contenu = new QWidget;
    auto* grille = new QGridLayout(contenu);
    grille->setColumnStretch(1, 1);
    grille->setColumnStretch(2, 1);
    ajouterLesChamps(grille, premier, second);
    ajouterLeMagasin(grille, premier, second);
    grille->setRowStretch(grille->rowCount(), 1); // the rows kept together at the top
    auto* defilement = new QScrollArea(this);
    defilement->setWidget(contenu);
    defilement->setWidgetResizable(true);
    defilement->setFrameShape(QFrame::NoFrame);
    colonne->addWidget(defilement, 1);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch();
    BtFusionner = new QPushButton(QStringLiteral("Fusionner"), this);
    BtFusionner->setObjectName(QStringLiteral("BtFusionner"));
    BtFusionner->setDefault(true);
    BtAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    BtAnnuler->setObjectName(QStringLiteral("BtAnnuler"));
    boutons->addWidget(BtFusionner);
    boutons->addWidget(BtAnnuler);
    colonne->addLayout(boutons);
    connect(BtFusionner, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    const QSize voulue = contenu->sizeHint() + QSize(40, explication->sizeHint().height() + 90);
    resize(std::clamp(voulue.width(), 640, 1100), std::clamp(voulue.height(), 360, 760));
}

void TFusion::ajouterLesChamps(QGridLayout* grille, const CoteDeFusion& premier,
                               const CoteDeFusion& second) {
    QWidget* parent = grille->parentWidget();
    grille->addWidget(new QLabel(QStringLiteral("<b>Fiche %1</b>").arg(premier.numero), parent), 0,
                      1);
    grille->addWidget(new QLabel(QStringLiteral("<b>Fiche %1</b>").arg(second.numero), parent), 0,
                      2);
    const ChoixDeFusion defaut = ChoixDeFusion::parDefaut(premier.fiche, second.fiche);
    const auto valeur = [](const CoteDeFusion& cote, ChampFusion champ) {
        if (champ == ChampFusion::Pere) return cote.pere;
        if (champ == ChampFusion::Mere) return cote.mere;
        return valeurDuChamp(cote.fiche, champ);
    };
    for (int k = 0; k < NbChampsFusion; ++k) {
        const auto champ = static_cast<ChampFusion>(k);
        const QString a = valeur(premier, champ), b = valeur(second, champ);
        auto* libelle = new QLabel(libelleDuChamp(champ), parent);
        if (!a.isEmpty() && !b.isEmpty() && a != b)
            libelle->setStyleSheet(QStringLiteral("color: red"));
        auto* groupe = new QButtonGroup(this);
        auto* gauche = new QRadioButton(a.isEmpty() ? QStringLiteral("(vide)") : a, parent);
        auto* droite = new QRadioButton(b.isEmpty() ? QStringLiteral("(vide)") : b, parent);
        gauche->setObjectName(QStringLiteral("RbPremier%1").arg(k));
        droite->setObjectName(QStringLiteral("RbSecond%1").arg(k));
        groupe->addButton(gauche);
        groupe->addButton(droite);
        (defaut.second[static_cast<std::size_t>(k)] ? droite : gauche)->setChecked(true);
        m_seconds[static_cast<std::size_t>(k)] = droite;
        grille->addWidget(libelle, k + 1, 0);
        grille->addWidget(gauche, k + 1, 1);
        grille->addWidget(droite, k + 1, 2);
    }
}

namespace {

const VueComplements::Section* section(const CoteDeFusion& cote, const QString& titre) {
    for (const VueComplements::Section& s : cote.magasin)
        if (s.titre == titre) return &s;
    return nullptr;
}

QLabel* lignesDeLaSection(const VueComplements::Section* s, QWidget* parent) {
    auto* l = new QLabel(s ? s->lignes.join(u'\n') : QStringLiteral("—"), parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

} // namespace

void TFusion::ajouterLeMagasin(QGridLayout* grille, const CoteDeFusion& premier,
                               const CoteDeFusion& second) {
    QStringList titres;
    for (const CoteDeFusion* cote : {&premier, &second})
        for (const VueComplements::Section& s : cote->magasin)
            if (!titres.contains(s.titre)) titres << s.titre;
    if (titres.isEmpty()) return;
    QWidget* parent = grille->parentWidget();
    int rang = grille->rowCount();
    auto* entete = new QLabel(QStringLiteral("<b>Dans le fichier de compléments</b> (tout est "
                                             "gardé)"),
                              parent);
    entete->setContentsMargins(0, 10, 0, 0);
    grille->addWidget(entete, rang++, 0, 1, 3);
    for (const QString& titre : titres) {
        const VueComplements::Section *a = section(premier, titre), *b = section(second, titre);
        auto* libelle = new QLabel(titre, parent);
        libelle->setWordWrap(true);
        libelle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (a && b && a->lignes != b->lignes) libelle->setStyleSheet(QStringLiteral("color: red"));
        grille->addWidget(libelle, rang, 0);
        grille->addWidget(lignesDeLaSection(a, parent), rang, 1);
        grille->addWidget(lignesDeLaSection(b, parent), rang, 2);
        ++rang;
    }
}

ChoixDeFusion TFusion::choix() const {
    ChoixDeFusion c;
    for (std::size_t k = 0; k < m_seconds.size(); ++k)
        c.second[k] = m_seconds[k]->isChecked();
    return c;
}

void TFusion::choisir(ChampFusion champ, bool second) {
    QRadioButton* droite = m_seconds[static_cast<std::size_t>(champ)];
    if (second) {
        droite->setChecked(true);
        return;
    }
    for (QAbstractButton* b : droite->group()->buttons())
        if (b != droite) b->setChecked(true);
}
