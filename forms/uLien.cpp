#include "forms/uLien.h"

#include "data/Erreurs.h"
#include "data/Parente.h"
#include "platform/Polices.h"

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
    return parent.isValid() ? 0 : m_publiees;
}

QVariant ModeleCandidats::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_publiees) return {};
    const std::int32_t numero = m_numeros[static_cast<std::size_t>(index.row())];
    if (numero == -1) return m_peres ? QStringLiteral("Inconnu") : QStringLiteral("Inconnue");
    if (!m_lecteur) return {};
    // Painting must never raise: a record that cannot be read says so.
    try {
        TFiche fiche;
        m_lecteur(numero, fiche);
        return ligneCandidat(fiche, m_peres);
    } catch (const ErreurVelmoris& e) {
        return QStringLiteral("(fiche %1 illisible : %2)").arg(numero).arg(e.texte());
    }
}

void ModeleCandidats::vider() {
    beginResetModel();
    m_numeros.clear();
    m_publiees = 0;
    endResetModel();
}

void ModeleCandidats::terminer() {
    m_numeros.push_back(-1);
    beginInsertRows({}, 0, total() - 1);
    m_publiees = total();
    endInsertRows();
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

void TFormLien::preparer(const QString& descriptionEnfant, LecteurFiche lecteur) {
    m_tab.peres->vider();
    m_tab.meres->vider();
    m_tab.peres->definirLecteur(lecteur);
    m_tab.meres->definirLecteur(std::move(lecteur));
    LbOrdreP->clearSelection();
    LbOrdreP->setCurrentRow(-1);
    EEnfant->setText(descriptionEnfant);
}

void TFormLien::oublierLecteur() {
    m_tab.peres->definirLecteur({});
    m_tab.meres->definirLecteur({});
}

void TFormLien::terminerListes() {
    NbCandidatsPere = m_tab.peres->total();
    NbCandidatsMere = m_tab.meres->total();
    m_tab.peres->terminer();
    m_tab.meres->terminer();
    LBPere->scrollToTop();
    LBMere->scrollToTop();
}

int TFormLien::lignePere() const {
    return ligneChoisie(LBPere);
}
int TFormLien::ligneMere() const {
    return ligneChoisie(LBMere);
}

int TFormLien::rangPere() const {
    return LbOrdreP->selectedItems().isEmpty() ? -1
                                               : LbOrdreP->row(LbOrdreP->selectedItems().front());
}

int TFormLien::rangMere() const {
    return LBordreM->selectedItems().isEmpty() ? -1
                                               : LBordreM->row(LBordreM->selectedItems().front());
}

void TFormLien::selectionner(QListView* liste, int ligne) {
    liste->setCurrentIndex(liste->model()->index(ligne, 0));
}
