#include "forms/UEnfants.h"

#include "platform/Dialogues.h"
#include "platform/Polices.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>

TForm2* Form2 = nullptr;

namespace {

QLabel* etiquette(QWidget* parent, const char* nom, const QString& texte, QRect geometrie) {
    auto* label = new QLabel(texte, parent);
    label->setObjectName(QString::fromLatin1(nom));
    label->setGeometry(geometrie);
    return label;
}

} // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Liste des enfants connus ou enregistrés"));
    setFont(policeFenetre());
    setFixedSize(423, 366);
    move(222, 126);

    m_modele = new ModeleListePersonnes(this);
    LB = new QListView(this);
    LB->setObjectName(QStringLiteral("LB"));
    LB->setModel(m_modele);
    LB->setGeometry(16, 104, 393, 225);
    LB->setSelectionMode(QAbstractItemView::SingleSelection);
    LB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LB->setUniformItemSizes(true);

    BitBtn1 = new QPushButton(QStringLiteral("&Fermer"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(312, 8, 97, 89);
    BitBtn1->setAutoDefault(false);
    BitBtn1->setDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    // A double-click chooses the line and closes the list, as a click and "&Fermer" do.
    connect(LB, &QListView::doubleClicked, this, [this](const QModelIndex& ligne) {
        LB->setCurrentIndex(ligne);
        reject();
    });

    GroupBox1 = new QGroupBox(QStringLiteral("INFORMATION"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 297, 89);
    Lab = etiquette(GroupBox1, "Lab",
                    QStringLiteral("Sélectionnez l'un des enfants ou cliquez le bouton Fermer"),
                    {8, 16, 285, 13});
    Label1 =
        etiquette(GroupBox1, "Label1",
                  QStringLiteral("Si des enfants sont présents deux fois dans cette liste, c'est"),
                  {8, 32, 285, 13});
    Label2 =
        etiquette(GroupBox1, "Label2",
                  QStringLiteral("qu'ils n'ont pas le même rang pour le père et pour la mère."),
                  {8, 48, 285, 13});
    Label3 =
        etiquette(GroupBox1, "Label3",
                  QStringLiteral("Ceci est sans importance pour la recherche."), {8, 64, 285, 13});
}

TForm2::~TForm2() {
    if (Form2 == this) Form2 = nullptr;
}

void TForm2::commencer(const QString& consigne) {
    m_modele->vider();
    Lab->setText(consigne);
}

void TForm2::ajouter(const QString& ligne, std::int32_t numero) {
    m_modele->ajouter(ligne, numero);
}

int TForm2::nombreLignes() const {
    return m_modele->total();
}

int TForm2::ligneSelectionnee() const {
    const auto selection = LB->selectionModel()->selectedRows();
    return selection.isEmpty() ? -1 : selection.front().row();
}

void TForm2::selectionnerLigne(int ligne) {
    LB->setCurrentIndex(m_modele->index(ligne));
}

QString TForm2::texteLigne(int ligne) const {
    return m_modele->ligne(ligne);
}

std::optional<std::int32_t> TForm2::choisir(Dialogues& dialogues) {
    m_modele->publier();
    LB->clearSelection();
    LB->setCurrentIndex({});
    LB->scrollToTop();
    dialogues.executerModal(*this);
    hide();
    const int ligne = ligneSelectionnee();
    if (ligne < 0) return {};
    return m_modele->numero(ligne);
}

void TForm2::keyPressEvent(QKeyEvent* evenement) {
    switch (evenement->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        evenement->accept();
        return;
    default:
        QDialog::keyPressEvent(evenement);
    }
}
