#include "forms/uIndex.h"

#include <QColor>

#include "platform/Polices.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TIndex* Index = nullptr;

namespace {

using Colonne = IndexPersonnes::Colonne;

const char* const Entetes[IndexPersonnes::NombreColonnes] = {
    "N°", "Nom", "Prénom(s)", "Naissance", "Lieu de naissance", "Décès"};

} // namespace

ModeleIndex::ModeleIndex(IndexPersonnes& index, QObject* parent)
    : QAbstractTableModel(parent), m_index(index) {}

int ModeleIndex::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_index.visibles().size());
}

int ModeleIndex::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : IndexPersonnes::NombreColonnes;
}

QVariant ModeleIndex::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::TextAlignmentRole && index.column() == 0)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    const std::int32_t personne = m_index.visibles()[static_cast<std::size_t>(index.row())];
    // A candidate whose dates cannot fit what is sought: last, in red, said.
    const bool douteuse = m_index.douteuse(personne);
    if (douteuse && role == Qt::ForegroundRole) return QColor(160, 0, 0);
    if (douteuse && role == Qt::ToolTipRole)
        return QStringLiteral("Ses dates ne s'accordent pas avec ce qui est cherché");
    if (role != Qt::DisplayRole) return {};
    const QString texte = m_index.texte(personne, static_cast<Colonne>(index.column()));
    return douteuse && index.column() == static_cast<int>(Colonne::Nom)
               ? QStringLiteral("⚠ ") + texte
               : texte;
}

QVariant ModeleIndex::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= IndexPersonnes::NombreColonnes)
        return {};
    return QString::fromUtf8(Entetes[section]);
}

void ModeleIndex::sort(int colonne, Qt::SortOrder ordre) {
    beginResetModel();
    m_index.trier(static_cast<Colonne>(colonne), ordre == Qt::AscendingOrder);
    endResetModel();
}

void ModeleIndex::recharger() {
    beginResetModel();
    endResetModel();
}

void preparerListeIndex(QTableView* liste, ModeleIndex* modele) {
    liste->setObjectName(QStringLiteral("Liste"));
    liste->setModel(modele);
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setSortingEnabled(true);
    liste->sortByColumn(static_cast<int>(Colonne::Nom), Qt::AscendingOrder);
    liste->verticalHeader()->hide();
    liste->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    liste->verticalHeader()->setDefaultSectionSize(liste->fontMetrics().height() + 6);
    liste->horizontalHeader()->setStretchLastSection(true);
    liste->setWordWrap(false);
    const int largeurs[] = {64, 150, 170, 80, 170};
    for (int c = 0; c < 5; ++c)
        liste->setColumnWidth(c, largeurs[c]);
}

std::int32_t ficheDeLaLigneChoisie(const QTableView& liste, const IndexPersonnes& index) {
    const QModelIndexList lignes = liste.selectionModel()->selectedRows();
    if (lignes.isEmpty()) return -1;
    const int ligne = lignes.front().row();
    if (ligne < 0 || ligne >= static_cast<int>(index.visibles().size())) return -1;
    return index.numeroFiche(index.visibles()[static_cast<std::size_t>(ligne)]);
}

TIndex::TIndex(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Index"));
    setWindowTitle(QStringLiteral("Index des personnes"));
    setFont(policeFenetre());
    resize(760, 520);

    auto* etiquette = new QLabel(QStringLiteral("&Chercher (nom, prénom ou numéro) :"), this);
    EFiltre = new QLineEdit(this);
    EFiltre->setObjectName(QStringLiteral("EFiltre"));
    EFiltre->setClearButtonEnabled(true);
    EFiltre->setPlaceholderText(QStringLiteral("Dupont, Jean, « Dupont Jean » ou 1234"));
    etiquette->setBuddy(EFiltre);
    EFiltre->installEventFilter(this);

    creerRechercheParLieu();
    m_modele = new ModeleIndex(m_index, this);
    Liste = new QTableView(this);
    preparerListeIndex(Liste, m_modele);
    Liste->installEventFilter(this);
    connect(Liste, &QTableView::doubleClicked, this, [this] { demanderLaFiche(); });

    LCompte = new QLabel(this);
    LCompte->setObjectName(QStringLiteral("LCompte"));
    BtAfficher = new QPushButton(QStringLiteral("&Afficher"), this);
    BtAfficher->setObjectName(QStringLiteral("BtAfficher"));
    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setObjectName(QStringLiteral("BtFermer"));
    connect(BtAfficher, &QPushButton::clicked, this, [this] { demanderLaFiche(); });
    connect(BtFermer, &QPushButton::clicked, this, &QWidget::close);

    auto* haut = new QHBoxLayout;
    haut->addWidget(etiquette);
    haut->addWidget(EFiltre, 1);
    auto* bas = new QHBoxLayout;
    bas->addWidget(LCompte, 1);
    bas->addWidget(BtAfficher);
    bas->addWidget(BtFermer);
    auto* lieu = new QHBoxLayout;
    for (const auto& [texte, champ, etirement] :
         {std::tuple{QStringLiteral("&Lieu :"), static_cast<QWidget*>(ELieu), 3},
          std::tuple{QStringLiteral("É&vénement :"), static_cast<QWidget*>(CbEvenement), 0},
          std::tuple{QStringLiteral("A&nnées :"), static_cast<QWidget*>(EDepuis), 0},
          std::tuple{QStringLiteral("à"), static_cast<QWidget*>(EJusqua), 0}}) {
        auto* e = new QLabel(texte, this);
        e->setBuddy(champ);
        lieu->addWidget(e);
        lieu->addWidget(champ, etirement);
    }
    lieu->addWidget(BtChercher);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(haut);
    tout->addLayout(lieu);
    tout->addWidget(Liste, 1);
    tout->addLayout(bas);

    connect(EFiltre, &QLineEdit::textChanged, this, &TIndex::filtrer);
}

// The search by place and date: a place (with every place inside it), a
// kind of event, a range of years.
void TIndex::creerRechercheParLieu() {
    ELieu = new QLineEdit(this);
    ELieu->setObjectName(QStringLiteral("ELieu"));
    ELieu->setClearButtonEnabled(true);
    ELieu->setPlaceholderText(QStringLiteral("Morlaix, ou « Morlaix, Finistère »"));
    CbEvenement = new QComboBox(this);
    CbEvenement->setObjectName(QStringLiteral("CbEvenement"));
    CbEvenement->addItems(nomsDesEvenementsCherches());
    for (QLineEdit** annee : {&EDepuis, &EJusqua}) {
        *annee = new QLineEdit(this);
        (*annee)->setValidator(new QIntValidator(1, 9999, *annee));
        (*annee)->setMaxLength(4);
        (*annee)->setFixedWidth((*annee)->fontMetrics().horizontalAdvance(u'0') * 6 + 12);
        connect(*annee, &QLineEdit::returnPressed, this, &TIndex::chercherParLieuEtDate);
    }
    EDepuis->setObjectName(QStringLiteral("EDepuis"));
    EJusqua->setObjectName(QStringLiteral("EJusqua"));
    BtChercher = new QPushButton(QStringLiteral("C&hercher"), this);
    BtChercher->setObjectName(QStringLiteral("BtChercher"));
    connect(ELieu, &QLineEdit::returnPressed, this, &TIndex::chercherParLieuEtDate);
    connect(BtChercher, &QPushButton::clicked, this, &TIndex::chercherParLieuEtDate);
    connect(CbEvenement, &QComboBox::currentIndexChanged, this, &TIndex::chercherParLieuEtDate);
}

CritereLieuDate TIndex::critereSaisi() const {
    CritereLieuDate c;
    c.lieu = ELieu->text().trimmed();
    c.evenement = static_cast<CritereLieuDate::Evenement>(std::max(0, CbEvenement->currentIndex()));
    bool lu = false;
    if (const int a = EDepuis->text().toInt(&lu); lu) c.depuis = a;
    if (const int a = EJusqua->text().toInt(&lu); lu) c.jusqua = a;
    return c;
}

void TIndex::chercherParLieuEtDate() {
    const CritereLieuDate critere = critereSaisi();
    std::vector<std::pair<std::int32_t, std::string>> duMagasin;
    if (m_rechercheDesComplements && !critere.vide())
        duMagasin = m_rechercheDesComplements(critere);
    m_index.restreindre(critere, duMagasin);
    m_modele->recharger();
    compter();
}

void TIndex::chercherLieu(const QString& lieu) {
    ELieu->setText(lieu);
    CbEvenement->setCurrentIndex(0);
    EDepuis->clear();
    EJusqua->clear();
    chercherParLieuEtDate();
}

TIndex::~TIndex() {
    if (Index == this) Index = nullptr;
}

void TIndex::charger(FichierEnregistrements& fichier, const std::vector<AutreNom>& autresNoms) {
    const std::int32_t avant = ficheSelectionnee();
    const Colonne colonne = m_index.colonneDeTri();
    const bool croissant = m_index.croissant();
    const QString filtre = m_index.filtre();
    m_index.construire(fichier);
    m_index.ajouterAutresNoms(autresNoms);
    m_index.trier(colonne, croissant);
    m_index.filtrer(filtre);
    chercherParLieuEtDate();
    selectionnerFiche(avant);
    compter();
}

void TIndex::filtrer(const QString& texte) {
    m_index.filtrer(texte);
    m_modele->recharger();
    // The first person found is ready for Enter.
    if (!m_index.visibles().empty()) Liste->selectRow(0);
    compter();
}

void TIndex::compter() {
    const QLocale francais(QLocale::French, QLocale::France);
    LCompte->setText(QStringLiteral("%1 personne(s) sur %2")
                         .arg(francais.toString(static_cast<qlonglong>(m_index.visibles().size())),
                              francais.toString(m_index.nombre())));
}

std::int32_t TIndex::ficheSelectionnee() const {
    return ficheDeLaLigneChoisie(*Liste, m_index);
}

void TIndex::selectionnerFiche(std::int32_t numero) {
    const std::int32_t ligne = numero < 0 ? -1 : m_index.ligneDe(numero);
    if (ligne < 0) {
        Liste->clearSelection();
        return;
    }
    Liste->selectRow(ligne);
    Liste->scrollTo(m_modele->index(ligne, 0), QAbstractItemView::PositionAtCenter);
}

void TIndex::demanderLaFiche() {
    const std::int32_t numero = ficheSelectionnee();
    if (numero >= 0) emit ficheDemandee(numero);
}

// Escape closes the index, wherever the focus is in it.
void TIndex::keyPressEvent(QKeyEvent* evenement) {
    if (evenement->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(evenement);
}

void TIndex::showEvent(QShowEvent* evenement) {
    QWidget::showEvent(evenement);
    EFiltre->setFocus();
    EFiltre->selectAll();
}

// In the filter, the arrows move through the list and Enter shows the
// person; in the list, Enter shows the person.
bool TIndex::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() != QEvent::KeyPress) return QWidget::eventFilter(objet, evenement);
    const auto* touche = static_cast<QKeyEvent*>(evenement);
    if (touche->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (touche->key() == Qt::Key_Return || touche->key() == Qt::Key_Enter) {
        demanderLaFiche();
        return true;
    }
    if (objet == EFiltre &&
        (touche->key() == Qt::Key_Down || touche->key() == Qt::Key_Up ||
         touche->key() == Qt::Key_PageDown || touche->key() == Qt::Key_PageUp)) {
        QKeyEvent copie(touche->type(), touche->key(), touche->modifiers());
        QCoreApplication::sendEvent(Liste, &copie);
        return true;
    }
    return QWidget::eventFilter(objet, evenement);
}
