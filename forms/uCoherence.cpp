#include "forms/uCoherence.h"

#include "data/fichier/Texte.h"
#include "platform/Polices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum ColonneDeConstat { ColGravite, ColFiche, ColRegle, ColMessage };
constexpr int RoleRangDeConstat = Qt::UserRole + 1;

} // namespace

TCoherence::TCoherence(std::vector<Ligne> lignes, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Coherence"));
    setWindowTitle(QStringLiteral("Vérifier la cohérence"));
    setFont(policeFenetre());
    resize(900, 560);
    auto* etiquette = new QLabel(QStringLiteral("&Chercher :"), this);
    EFiltre = new QLineEdit(this);
    EFiltre->setObjectName(QStringLiteral("EFiltre"));
    EFiltre->setClearButtonEnabled(true);
    etiquette->setBuddy(EFiltre);
    CbGravite = new QComboBox(this);
    CbGravite->setObjectName(QStringLiteral("CbGravite"));
    CbGravite->addItems({QStringLiteral("Erreurs et avertissements"), QStringLiteral("Erreurs"),
                         QStringLiteral("Avertissements")});
    CkIgnores = new QCheckBox(QStringLiteral("Montrer les constats &ignorés"), this);
    CkIgnores->setObjectName(QStringLiteral("CkIgnores"));
    Table = new QTableWidget(0, 4, this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setHorizontalHeaderLabels({QStringLiteral("Gravité"), QStringLiteral("Fiche"),
                                      QStringLiteral("Règle"), QStringLiteral("Constat")});
    Table->horizontalHeader()->setSectionResizeMode(ColMessage, QHeaderView::Stretch);
    Table->verticalHeader()->hide();
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(true);
    LCompte = new QLabel(this);
    LCompte->setObjectName(QStringLiteral("LCompte"));
    BtIgnorer = new QPushButton(QStringLiteral("I&gnorer ce constat"), this);
    BtIgnorer->setObjectName(QStringLiteral("BtIgnorer"));
    BtSeuils = new QPushButton(QStringLiteral("&Seuils…"), this);
    BtSeuils->setObjectName(QStringLiteral("BtSeuils"));
    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setDefault(true);
    auto* haut = new QHBoxLayout;
    haut->addWidget(etiquette);
    haut->addWidget(EFiltre, 1);
    haut->addWidget(CbGravite);
    haut->addWidget(CkIgnores);
    auto* bas = new QHBoxLayout;
    bas->addWidget(LCompte, 1);
    bas->addWidget(BtIgnorer);
    bas->addWidget(BtSeuils);
    bas->addWidget(BtFermer);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(haut);
    tout->addWidget(Table, 1);
    tout->addLayout(bas);
    connect(EFiltre, &QLineEdit::textChanged, this, &TCoherence::filtrer);
    connect(CbGravite, &QComboBox::currentIndexChanged, this, &TCoherence::filtrer);
    connect(CkIgnores, &QCheckBox::toggled, this, &TCoherence::filtrer);
    connect(Table, &QTableWidget::cellDoubleClicked, this, [this](int ligne) {
        const int i = Table->item(ligne, ColGravite)->data(RoleRangDeConstat).toInt();
        emit personneDemandee(m_lignes.at(static_cast<std::size_t>(i)).constat.fiche);
    });
    connect(BtIgnorer, &QPushButton::clicked, this, [this] {
        if (const int i = ligneChoisie(); i >= 0) emit ignorerDemande(i);
    });
    connect(BtSeuils, &QPushButton::clicked, this, &TCoherence::seuilsDemandes);
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::accept);
    remplacer(std::move(lignes));
}

// Errors first, then warnings, each by record.
void TCoherence::remplacer(std::vector<Ligne> lignes) {
    m_lignes = std::move(lignes);
    std::stable_sort(m_lignes.begin(), m_lignes.end(), [](const Ligne& a, const Ligne& b) {
        if (a.constat.gravite != b.constat.gravite) return a.constat.gravite == Gravite::Erreur;
        return a.constat.fiche < b.constat.fiche;
    });
    remplir();
}

void TCoherence::remplir() {
    Table->setRowCount(0);
    Table->setRowCount(static_cast<int>(m_lignes.size()));
    for (std::size_t i = 0; i < m_lignes.size(); ++i) {
        const Constat& c = m_lignes[i].constat;
        const int ligne = static_cast<int>(i);
        auto* gravite = new QTableWidgetItem(nomDeGravite(c.gravite));
        gravite->setData(RoleRangDeConstat, static_cast<int>(i));
        if (c.gravite == Gravite::Erreur) gravite->setForeground(QColor(170, 0, 0));
        Table->setItem(ligne, ColGravite, gravite);
        auto* fiche = new QTableWidgetItem;
        fiche->setData(Qt::DisplayRole, c.fiche);
        Table->setItem(ligne, ColFiche, fiche);
        Table->setItem(ligne, ColRegle, new QTableWidgetItem(QString::fromLatin1(c.regle)));
        Table->setItem(ligne, ColMessage, new QTableWidgetItem(c.message));
    }
    Table->resizeColumnToContents(ColGravite);
    Table->resizeColumnToContents(ColFiche);
    Table->resizeColumnToContents(ColRegle);
    filtrer();
}

void TCoherence::filtrer() {
    const QStringList mots = reduireTexte(EFiltre->text()).split(u' ', Qt::SkipEmptyParts);
    int visibles = 0, erreurs = 0;
    for (int ligne = 0; ligne < Table->rowCount(); ++ligne) {
        const Ligne& l = m_lignes[static_cast<std::size_t>(ligne)];
        const QString texte =
            reduireTexte(l.constat.message + u' ' + QString::fromLatin1(l.constat.regle));
        const bool gravite =
            CbGravite->currentIndex() == 0 ||
            (CbGravite->currentIndex() == 1) == (l.constat.gravite == Gravite::Erreur);
        const bool visible = gravite && (!l.ignore || CkIgnores->isChecked()) &&
                             std::all_of(mots.begin(), mots.end(),
                                         [&](const QString& m) { return texte.contains(m); });
        Table->setRowHidden(ligne, !visible);
        visibles += visible;
        erreurs += visible && l.constat.gravite == Gravite::Erreur;
    }
    LCompte->setText(visibles == 0
                         ? QStringLiteral("Aucun constat : la généalogie est cohérente.")
                         : QStringLiteral("%1 constat(s), dont %2 erreur(s)")
                               .arg(nombreEnFrancais(visibles), nombreEnFrancais(erreurs)));
}

int TCoherence::ligneChoisie() const {
    const auto choisis = Table->selectedItems();
    if (choisis.isEmpty()) return -1;
    return Table->item(choisis.front()->row(), ColGravite)->data(RoleRangDeConstat).toInt();
}

TSeuils::TSeuils(const Seuils& seuils, QWidget* parent) : QDialog(parent), m_seuils(seuils) {
    setObjectName(QStringLiteral("Seuils"));
    setWindowTitle(QStringLiteral("Seuils de la vérification"));
    setFont(policeFenetre());
    resize(720, 560);
    constexpr int nombre = static_cast<int>(Seuil::Nombre);
    Table = new QTableWidget(nombre, 2, this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setHorizontalHeaderLabels({QStringLiteral("Seuil"), QStringLiteral("Valeur")});
    Table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    Table->verticalHeader()->hide();
    for (int i = 0; i < nombre; ++i) {
        const auto s = static_cast<Seuil>(i);
        auto* texte = new QTableWidgetItem(QString::fromUtf8(descriptionDe(s).texte));
        texte->setFlags(Qt::ItemIsEnabled);
        Table->setItem(i, 0, texte);
        auto* valeur = new QSpinBox(Table);
        valeur->setRange(0, 100000);
        valeur->setValue(seuils[s]);
        Table->setCellWidget(i, 1, valeur);
    }
    BtDefaut = new QPushButton(QStringLiteral("Valeurs par &défaut"), this);
    BtOK = new QPushButton(QStringLiteral("OK"), this);
    BtOK->setDefault(true);
    auto* annuler = new QPushButton(QStringLiteral("Annuler"), this);
    connect(BtDefaut, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < nombre; ++i)
            static_cast<QSpinBox*>(Table->cellWidget(i, 1))
                ->setValue(descriptionDe(static_cast<Seuil>(i)).parDefaut);
    });
    connect(BtOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
    auto* bas = new QHBoxLayout;
    bas->addWidget(BtDefaut);
    bas->addStretch(1);
    bas->addWidget(BtOK);
    bas->addWidget(annuler);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(Table, 1);
    tout->addLayout(bas);
}

Seuils TSeuils::seuils() const {
    Seuils s = m_seuils;
    for (int i = 0; i < static_cast<int>(Seuil::Nombre); ++i)
        s.definir(static_cast<Seuil>(i), static_cast<QSpinBox*>(Table->cellWidget(i, 1))->value());
    return s;
}
