#include "forms/uLien.h"

#include "data/fichier/Erreurs.h"
#include "data/recherche/IndexPersonnes.h"
#include "data/recherche/Parente.h"
#include "platform/Polices.h"

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>

TFormLien* FormLien = nullptr;

namespace {

const QStringList Rangs = {QStringLiteral("ainé"),      QStringLiteral("deuxième"),
                           QStringLiteral("troisième"), QStringLiteral("quatrième"),
                           QStringLiteral("cinquième"), QStringLiteral("sixième"),
                           QStringLiteral("septième"),  QStringLiteral("huitième"),
                           QStringLiteral("neuvième"),  QStringLiteral("dixième")};

QLabel* etiquette(QWidget* parent, const char* nom, const QString& texte, int x, int y,
                  const QString& style = {}, bool italique = false) {
    auto* label = new QLabel(texte, parent);
    label->setObjectName(QString::fromLatin1(nom));
    if (!style.isEmpty()) label->setStyleSheet(style);
    if (italique) {
        QFont f = label->font();
        f.setItalic(true);
        label->setFont(f);
    }
    label->move(x, y);
    label->adjustSize();
    return label;
}

// Three red lines asking for the rank, then three italic lines of explanation.
void consignesDeRang(QWidget* parent, int x, const char* const noms[6], const QString& pourQui) {
    const QString rouge = QStringLiteral("color: red");
    etiquette(parent, noms[0], QStringLiteral("Donner le numéro"), x, 216, rouge);
    etiquette(parent, noms[1], QStringLiteral("d'ordre de l'enfant"), x, 232, rouge);
    etiquette(parent, noms[2], pourQui, x, 248, rouge);
    etiquette(parent, noms[3], QStringLiteral("(On ne tient compte "), x, 272, {}, true);
    etiquette(parent, noms[4], QStringLiteral("que des enfants saisis"), x, 288, {}, true);
    etiquette(parent, noms[5], QStringLiteral("dans la base)"), x, 304, {}, true);
}

int ligneChoisie(const QListView* liste) {
    const auto selection = liste->selectionModel()->selectedRows();
    return selection.isEmpty() ? -1 : selection.front().row();
}

} // namespace

ModeleCandidats::ModeleCandidats(bool peres, QObject* parent)
    : QAbstractListModel(parent), m_peres(peres) {}

int ModeleCandidats::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_numeros.size());
}

QVariant ModeleCandidats::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_numeros.size())) return {};
    const std::int32_t numero = m_numeros[static_cast<std::size_t>(index.row())];
    const bool impossible =
        numero >= 0 && m_marques[static_cast<std::size_t>(numero)] == Impossible;
    // The impossible ones in grey; a line too long for the list whole on hovering.
    if (role == Qt::ForegroundRole && impossible) return QColor(Qt::darkGray);
    if (role == Qt::ToolTipRole) return impossible ? data(index, Qt::DisplayRole) : QVariant();
    if (role != Qt::DisplayRole) return {};
    if (numero == -1) return m_peres ? QStringLiteral("Inconnu") : QStringLiteral("Inconnue");
    if (!m_lecteur) return {};
    // Painting must never raise: a record that cannot be read says so.
    try {
        TFiche fiche;
        m_lecteur(numero, fiche);
        QString ligne = ligneCandidat(fiche, m_peres);
        if (impossible && m_raison)
            ligne += QStringLiteral(" — impossible : ") + m_raison(fiche, m_peres);
        return ligne;
    } catch (const ErreurVelmoris& e) {
        return QStringLiteral("(fiche %1 illisible : %2)").arg(numero).arg(e.texte());
    }
}

void ModeleCandidats::vider() {
    beginResetModel();
    m_marques.clear();
    m_candidats = 0;
    m_numeros.clear();
    endResetModel();
}

void ModeleCandidats::ajouter(std::int32_t numero, bool impossible) {
    if (numero < 0) return;
    if (m_marques.size() <= static_cast<std::size_t>(numero))
        m_marques.resize(static_cast<std::size_t>(numero) + 1, Aucune);
    m_marques[static_cast<std::size_t>(numero)] = impossible ? Impossible : Candidat;
    ++m_candidats;
}

void ModeleCandidats::montrer(const std::vector<std::int32_t>& personnes) {
    beginResetModel();
    m_numeros.clear();
    auto marque = [&](std::int32_t n) {
        return static_cast<std::size_t>(n) < m_marques.size()
                   ? m_marques[static_cast<std::size_t>(n)]
                   : std::uint8_t{Aucune};
    };
    for (const Marque voulue : {Candidat, Impossible})
        for (const std::int32_t n : personnes)
            if (marque(n) == voulue) m_numeros.push_back(n);
    m_numeros.push_back(-1);
    endResetModel();
}

TFormLien::TFormLien(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormLien"));
    setWindowTitle(QStringLiteral("Recherche des parents dans les listes"));
    setFont(policeFenetre());
    setFixedSize(542, 420);
    move(138, 112);

    const QFont titre = police(QStringLiteral("Arial Black"), 16, true);
    Label1 =
        etiquette(this, "Label1", QStringLiteral("PERE"), 104, 8, QStringLiteral("color: red"));
    Label1->setFont(titre);
    Label1->setGeometry(104, 8, 48, 23);
    Label2 =
        etiquette(this, "Label2", QStringLiteral("MERE"), 376, 8, QStringLiteral("color: red"));
    Label2->setFont(titre);
    Label2->setGeometry(376, 8, 51, 23);

    m_tab.peres = new ModeleCandidats(true, this);
    m_tab.meres = new ModeleCandidats(false, this);
    LBPere = listeCandidats("LBPere", {16, 40, 241, 137}, m_tab.peres);
    LBMere = listeCandidats("LBMere", {280, 40, 241, 137}, m_tab.meres);
    // Beside each heading, a filter as the index has: words of the names, in any order.
    EFiltrePere = filtre("EFiltrePere", {160, 9, 97, 22}, m_tab.peres, LBPere);
    EFiltreMere = filtre("EFiltreMere", {432, 9, 89, 22}, m_tab.meres, LBMere);
    Label3 = etiquette(this, "Label3",
                       QStringLiteral("Choisissez le père et la mère dans les listes ci-dessus"),
                       128, 184);

    LbOrdreP = listeRangs("LbOrdreP", {8, 200, 73, 137});
    LBordreM = listeRangs("LBordreM", {448, 200, 73, 137});
    const char* const nomsPere[6] = {"Label10", "Label11", "Label15", "Label6", "Label7", "Label8"};
    const char* const nomsMere[6] = {"Label4", "Label5", "Label9", "Label12", "Label13", "Label14"};
    consignesDeRang(this, 96, nomsPere, QStringLiteral("pour le père"));
    consignesDeRang(this, 336, nomsMere, QStringLiteral("pour la mère "));

    EEnfant = new QLineEdit(this);
    EEnfant->setObjectName(QStringLiteral("EEnfant"));
    EEnfant->setGeometry(120, 352, 281, 21);

    BAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    BAnnuler->setObjectName(QStringLiteral("BAnnuler"));
    BAnnuler->setGeometry(8, 344, 105, 33);
    BAnnuler->setAutoDefault(false);
    connect(BAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(408, 344, 121, 33);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TFormLien::~TFormLien() {
    if (FormLien == this) FormLien = nullptr;
}

QListView* TFormLien::listeCandidats(const char* nom, QRect geometrie, ModeleCandidats* modele) {
    auto* liste = new QListView(this);
    liste->setObjectName(QString::fromLatin1(nom));
    liste->setModel(modele);
    liste->setGeometry(geometrie);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setUniformItemSizes(true);
    return liste;
}

QListWidget* TFormLien::listeRangs(const char* nom, QRect geometrie) {
    auto* liste = new QListWidget(this);
    liste->setObjectName(QString::fromLatin1(nom));
    liste->addItems(Rangs);
    liste->setGeometry(geometrie);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setToolTip(
        QStringLiteral("Choisir la mère si le nombre d'enfants est différents de celui du père"));
    return liste;
}

QLineEdit* TFormLien::filtre(const char* nom, QRect geometrie, ModeleCandidats* modele,
                             QListView* liste) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(nom));
    edit->setGeometry(geometrie);
    edit->setPlaceholderText(QStringLiteral("Filtrer"));
    edit->setClearButtonEnabled(true);
    edit->setToolTip(QStringLiteral("Tapez le début des mots du nom ou des prénoms"));
    connect(edit, &QLineEdit::textChanged, this, [this, modele, liste](const QString& texte) {
        if (!m_index) return;
        m_index->filtrer(texte);
        modele->montrer(m_index->visibles());
        liste->scrollToTop();
    });
    return edit;
}

void TFormLien::preparer(const QString& descriptionEnfant, LecteurFiche lecteur,
                         RaisonImpossible raison) {
    m_index = nullptr;
    for (QLineEdit* f : {EFiltrePere, EFiltreMere})
        f->clear();
    m_tab.peres->vider();
    m_tab.meres->vider();
    m_tab.peres->definirLecteur(lecteur);
    m_tab.meres->definirLecteur(std::move(lecteur));
    m_tab.peres->definirRaison(raison);
    m_tab.meres->definirRaison(std::move(raison));
    for (QListWidget* rangs : {LbOrdreP, LBordreM}) {
        rangs->clearSelection();
        rangs->setCurrentRow(-1);
    }
    EEnfant->setText(descriptionEnfant);
}

void TFormLien::oublierLecteur() {
    m_index = nullptr;
    m_tab.peres->definirLecteur({});
    m_tab.meres->definirLecteur({});
}

void TFormLien::terminerListes(IndexPersonnes& index) {
    m_index = &index;
    index.filtrer({});
    m_tab.peres->montrer(index.visibles());
    m_tab.meres->montrer(index.visibles());
    LBPere->scrollToTop();
    LBMere->scrollToTop();
}

namespace {

std::optional<std::int32_t> candidatChoisi(QListView* liste, const ModeleCandidats& modele) {
    const int ligne = ligneChoisie(liste);
    if (ligne < 0) return std::nullopt;
    return modele.numero(ligne);
}

int rangChoisi(const QListWidget* rangs) {
    const auto choisis = rangs->selectedItems();
    return choisis.isEmpty() ? -1 : rangs->row(choisis.front());
}

} // namespace

ChoixDuLien TFormLien::choix() const {
    return {candidatChoisi(LBPere, *m_tab.peres), candidatChoisi(LBMere, *m_tab.meres),
            rangChoisi(LbOrdreP), rangChoisi(LBordreM)};
}

void TFormLien::selectionner(QListView* liste, int ligne) {
    liste->setCurrentIndex(liste->model()->index(ligne, 0));
}
