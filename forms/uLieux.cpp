#include "forms/uLieux.h"

#include "data/fichier/Texte.h"
#include "platform/Polices.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>
#include <unordered_map>

namespace {

enum ColonneLieu { Nom, Insee, Coordonnees, Personnes };
constexpr int RoleNomEntier = Qt::UserRole;

QString coordonneesLisibles(const std::optional<std::pair<double, double>>& c) {
    if (!c) return {};
    const QLocale francais(QLocale::French, QLocale::France);
    return QStringLiteral("%1, %2").arg(francais.toString(c->first, 'f', 5),
                                        francais.toString(c->second, 'f', 5));
}

} // namespace

TLieux::TLieux(const std::vector<LieuConnu>& lieux, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Lieux"));
    setWindowTitle(QStringLiteral("Lieux"));
    setFont(policeFenetre());
    resize(760, 520);
    auto* etiquette = new QLabel(QStringLiteral("&Chercher un lieu :"), this);
    EFiltre = new QLineEdit(this);
    EFiltre->setObjectName(QStringLiteral("EFiltre"));
    EFiltre->setClearButtonEnabled(true);
    etiquette->setBuddy(EFiltre);
    Arbre = new QTreeWidget(this);
    Arbre->setObjectName(QStringLiteral("Arbre"));
    Arbre->setHeaderLabels({QStringLiteral("Lieu"), QStringLiteral("Code INSEE"),
                            QStringLiteral("Coordonnées"), QStringLiteral("Personnes")});
    Arbre->header()->setSectionResizeMode(Nom, QHeaderView::Stretch);
    Arbre->header()->setStretchLastSection(false);
    Arbre->setSortingEnabled(true);
    LCompte = new QLabel(this);
    LCompte->setObjectName(QStringLiteral("LCompte"));
    BtPersonnes = new QPushButton(QStringLiteral("&Personnes de ce lieu"), this);
    BtPersonnes->setObjectName(QStringLiteral("BtPersonnes"));
    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setObjectName(QStringLiteral("BtFermer"));

    auto* haut = new QHBoxLayout;
    haut->addWidget(etiquette);
    haut->addWidget(EFiltre, 1);
    auto* bas = new QHBoxLayout;
    bas->addWidget(LCompte, 1);
    bas->addWidget(BtPersonnes);
    bas->addWidget(BtFermer);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(haut);
    tout->addWidget(Arbre, 1);
    tout->addLayout(bas);

    connect(EFiltre, &QLineEdit::textChanged, this, &TLieux::filtrer);
    connect(Arbre, &QTreeWidget::itemDoubleClicked, this, [this] { demanderLesPersonnes(); });
    connect(BtPersonnes, &QPushButton::clicked, this, &TLieux::demanderLesPersonnes);
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::accept);
    remplir(lieux);
}

// Each place under the one it lies in; a place whose parent is unknown at the top.
void TLieux::remplir(const std::vector<LieuConnu>& lieux) {
    std::unordered_map<std::int64_t, QTreeWidgetItem*> elements;
    for (const LieuConnu& l : lieux) {
        auto* e = new QTreeWidgetItem;
        e->setText(Nom, l.libelle.isEmpty() ? l.nom : l.libelle);
        e->setData(Nom, RoleNomEntier, l.nom);
        e->setText(Insee, l.insee);
        e->setText(Coordonnees, coordonneesLisibles(l.coordonnees));
        e->setData(Personnes, Qt::DisplayRole, static_cast<qlonglong>(l.personnes));
        e->setTextAlignment(Personnes, Qt::AlignRight | Qt::AlignVCenter);
        elements.emplace(l.id, e);
    }
    for (const LieuConnu& l : lieux) {
        QTreeWidgetItem* e = elements.at(l.id);
        if (const auto parent = elements.find(l.parent); l.parent && parent != elements.end())
            parent->second->addChild(e);
        else
            Arbre->addTopLevelItem(e);
    }
    Arbre->sortByColumn(Nom, Qt::AscendingOrder);
    // Room for the widest values, whatever the font.
    const QFontMetrics mesure(Arbre->font());
    Arbre->setColumnWidth(Insee, mesure.horizontalAdvance(QStringLiteral("Code INSEE")) + 24);
    Arbre->setColumnWidth(Coordonnees,
                          mesure.horizontalAdvance(QStringLiteral("-00,00000, -000,00000")) + 24);
    Arbre->setColumnWidth(Personnes, mesure.horizontalAdvance(QStringLiteral("Personnes")) + 24);
    LCompte->setText(QStringLiteral("%1 lieu(x)")
                         .arg(nombreEnFrancais(static_cast<std::int64_t>(lieux.size()))));
}

// The places whose name holds the text, with the places they lie in.
void TLieux::filtrer(const QString& texte) {
    const QString cherche = reduireTexte(texte.trimmed());
    std::function<bool(QTreeWidgetItem*)> montrer = [&](QTreeWidgetItem* e) {
        bool visible = cherche.isEmpty() || reduireTexte(e->text(Nom)).contains(cherche);
        for (int i = 0; i < e->childCount(); ++i)
            visible = montrer(e->child(i)) || visible;
        e->setHidden(!visible);
        if (!cherche.isEmpty() && visible) e->setExpanded(true);
        return visible;
    };
    for (int i = 0; i < Arbre->topLevelItemCount(); ++i)
        montrer(Arbre->topLevelItem(i));
}

void TLieux::demanderLesPersonnes() {
    if (QTreeWidgetItem* e = Arbre->currentItem())
        emit personnesDemandees(e->data(Nom, RoleNomEntier).toString());
}
