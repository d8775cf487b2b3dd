#include "forms/uSources.h"

#include "data/fichier/Texte.h"
#include "platform/Polices.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum ColonneDeSource { ColTitre, ColDepot, ColCote, ColCitations, ColPersonnes };
constexpr int RoleRangDeSource = Qt::UserRole + 1;

QTableWidget* table(QWidget* parent, const QStringList& entetes) {
    auto* t = new QTableWidget(0, static_cast<int>(entetes.size()), parent);
    t->setHorizontalHeaderLabels(entetes);
    t->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    t->verticalHeader()->hide();
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return t;
}

// A number that sorts as a number.
QTableWidgetItem* nombre(std::int64_t n) {
    auto* e = new QTableWidgetItem;
    e->setData(Qt::DisplayRole, static_cast<qlonglong>(n));
    e->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return e;
}

} // namespace

TSources::TSources(std::vector<SourceDetaillee> sources, const std::vector<DepotConnu>& depots,
                   Citations citations, NomDe nomDe, QWidget* parent)
    : QDialog(parent), m_sources(std::move(sources)), m_lireCitations(std::move(citations)),
      m_nomDe(std::move(nomDe)) {
    setObjectName(QStringLiteral("Sources"));
    setWindowTitle(QStringLiteral("Sources"));
    setFont(policeFenetre());
    resize(820, 600);
    Onglets = new QTabWidget(this);
    auto* page = new QWidget(this);
    auto* etiquette = new QLabel(QStringLiteral("&Chercher :"), page);
    EFiltre = new QLineEdit(page);
    EFiltre->setObjectName(QStringLiteral("EFiltre"));
    EFiltre->setClearButtonEnabled(true);
    etiquette->setBuddy(EFiltre);
    TableSources =
        table(page, {QStringLiteral("Source"), QStringLiteral("Dépôt"), QStringLiteral("Cote"),
                     QStringLiteral("Citations"), QStringLiteral("Personnes")});
    TableSources->setObjectName(QStringLiteral("TableSources"));
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        const SourceDetaillee& s = m_sources[i];
        const int ligne = TableSources->rowCount();
        TableSources->insertRow(ligne);
        auto* titre = new QTableWidgetItem(s.titre);
        titre->setData(RoleRangDeSource, static_cast<qulonglong>(i));
        TableSources->setItem(ligne, ColTitre, titre);
        TableSources->setItem(ligne, ColDepot, new QTableWidgetItem(s.depot));
        TableSources->setItem(ligne, ColCote, new QTableWidgetItem(s.cote));
        TableSources->setItem(ligne, ColCitations, nombre(s.citations));
        TableSources->setItem(ligne, ColPersonnes, nombre(s.personnes));
    }
    TableSources->resizeColumnsToContents();
    TableSources->horizontalHeader()->setSectionResizeMode(ColTitre, QHeaderView::Stretch);
    TableSources->setSortingEnabled(true);
    TableSources->sortByColumn(ColTitre, Qt::AscendingOrder);
    ListeCitations = new QListWidget(page);
    ListeCitations->setObjectName(QStringLiteral("ListeCitations"));
    LCompte = new QLabel(page);
    auto* haut = new QHBoxLayout;
    haut->addWidget(etiquette);
    haut->addWidget(EFiltre, 1);
    auto* disposition = new QVBoxLayout(page);
    disposition->addLayout(haut);
    disposition->addWidget(TableSources, 3);
    disposition->addWidget(new QLabel(QStringLiteral("Ce que la source choisie prouve (un "
                                                     "double-clic montre la personne) :"),
                                      page));
    disposition->addWidget(ListeCitations, 2);
    disposition->addWidget(LCompte);
    Onglets->addTab(page, QStringLiteral("&Sources"));

    TableDepots = table(this, {QStringLiteral("Dépôt"), QStringLiteral("Sources")});
    TableDepots->setObjectName(QStringLiteral("TableDepots"));
    for (const DepotConnu& d : depots) {
        const int ligne = TableDepots->rowCount();
        TableDepots->insertRow(ligne);
        TableDepots->setItem(ligne, 0, new QTableWidgetItem(d.nom));
        TableDepots->setItem(ligne, 1, nombre(d.sources));
    }
    TableDepots->setSortingEnabled(true);
    Onglets->addTab(TableDepots, QStringLiteral("&Dépôts"));

    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setObjectName(QStringLiteral("BtFermer"));
    BtFermer->setDefault(true);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(BtFermer);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(Onglets, 1);
    tout->addLayout(bas);
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::accept);
    connect(EFiltre, &QLineEdit::textChanged, this, &TSources::filtrer);
    connect(TableSources, &QTableWidget::itemSelectionChanged, this,
            &TSources::montrerLesCitations);
    connect(ListeCitations, &QListWidget::itemDoubleClicked, this, [this] {
        const int i = ListeCitations->currentRow();
        if (i >= 0 && static_cast<std::size_t>(i) < m_citations.size())
            emit personneDemandee(m_citations[static_cast<std::size_t>(i)].fiche);
    });
    LCompte->setText(QStringLiteral("%1 source(s), %2 dépôt(s)")
                         .arg(nombreEnFrancais(static_cast<std::int64_t>(m_sources.size())),
                              nombreEnFrancais(static_cast<std::int64_t>(depots.size()))));
    if (TableSources->rowCount()) TableSources->selectRow(0);
}

// The sources whose title, repository or call number holds every word typed.
void TSources::filtrer(const QString& texte) {
    const QStringList mots = reduireTexte(texte).split(u' ', Qt::SkipEmptyParts);
    for (int ligne = 0; ligne < TableSources->rowCount(); ++ligne) {
        QString tout;
        for (int c : {ColTitre, ColDepot, ColCote})
            tout += reduireTexte(TableSources->item(ligne, c)->text()) + u' ';
        const bool visible = std::all_of(mots.begin(), mots.end(),
                                         [&](const QString& m) { return tout.contains(m); });
        TableSources->setRowHidden(ligne, !visible);
    }
}

void TSources::montrerLesCitations() {
    ListeCitations->clear();
    m_citations.clear();
    const auto choisis = TableSources->selectedItems();
    if (choisis.isEmpty()) return;
    const QTableWidgetItem* titre = TableSources->item(choisis.front()->row(), ColTitre);
    const auto i = static_cast<std::size_t>(titre->data(RoleRangDeSource).toULongLong());
    m_citations = m_lireCitations(m_sources.at(i).xref);
    for (const CitationDeSource& c : m_citations) {
        QString ligne = m_nomDe(c.fiche, c.empreinte) + QStringLiteral(" — ") + c.fait;
        if (!c.page.isEmpty()) ligne += QStringLiteral(" — ") + c.page;
        ListeCitations->addItem(ligne);
    }
}
