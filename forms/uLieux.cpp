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
constexpr int RoleRang = Qt::UserRole + 1;

QString coordonneesLisibles(const std::optional<std::pair<double, double>>& c) {
    if (!c) return {};
    const QLocale francais(QLocale::French, QLocale::France);
    return QStringLiteral("%1, %2").arg(francais.toString(c->first, 'f', 5),
                                        francais.toString(c->second, 'f', 5));
}

} // namespace

TLieux::TLieux(std::vector<LieuConnu> lieux, std::function<std::int64_t(std::int64_t)> personnes,
               QWidget* parent)
    : QDialog(parent), m_lieux(std::move(lieux)), m_personnes(std::move(personnes)) {
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
    connect(Arbre, &QTreeWidget::itemExpanded, this, &TLieux::ouvrir);
    remplir();
}

// Each place under the one it lies in, a place whose parent is unknown at
// the top. Items are made when their parent is opened: a store of half a
// million places opens at once.
void TLieux::remplir() {
    std::unordered_map<std::int64_t, std::size_t> rangDe;
    for (std::size_t i = 0; i < m_lieux.size(); ++i)
        rangDe.emplace(m_lieux[i].id, i);
    m_enfants.assign(m_lieux.size(), {});
    for (std::size_t i = 0; i < m_lieux.size(); ++i) {
        const auto parent = m_lieux[i].parent ? rangDe.find(m_lieux[i].parent) : rangDe.end();
        if (parent == rangDe.end())
            m_racines.push_back(i);
        else
            m_enfants[parent->second].push_back(i);
    }
    for (const std::size_t i : m_racines)
        Arbre->addTopLevelItem(element(i));
    Arbre->sortByColumn(Nom, Qt::AscendingOrder);
    // Room for the widest values, whatever the font.
    const QFontMetrics mesure(Arbre->font());
    Arbre->setColumnWidth(Insee, mesure.horizontalAdvance(QStringLiteral("Code INSEE")) + 24);
    Arbre->setColumnWidth(Coordonnees,
                          mesure.horizontalAdvance(QStringLiteral("-00,00000, -000,00000")) + 24);
    Arbre->setColumnWidth(Personnes, mesure.horizontalAdvance(QStringLiteral("Personnes")) + 24);
    LCompte->setText(QStringLiteral("%1 lieu(x)")
                         .arg(nombreEnFrancais(static_cast<std::int64_t>(m_lieux.size()))));
}

QTreeWidgetItem* TLieux::element(std::size_t i) const {
    const LieuConnu& l = m_lieux[i];
    auto* e = new QTreeWidgetItem;
    e->setText(Nom, l.libelle.isEmpty() ? l.nom : l.libelle);
    e->setData(Nom, RoleNomEntier, l.nom);
    e->setData(Nom, RoleRang, static_cast<qulonglong>(i));
    e->setText(Insee, l.insee);
    e->setText(Coordonnees, coordonneesLisibles(l.coordonnees));
    if (const std::int64_t n = m_personnes ? m_personnes(l.id) : -1; n >= 0)
        e->setData(Personnes, Qt::DisplayRole, static_cast<qlonglong>(n));
    e->setTextAlignment(Personnes, Qt::AlignRight | Qt::AlignVCenter);
    if (!m_enfants[i].empty()) e->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return e;
}

// The places inside one, made when it is opened.
void TLieux::ouvrir(QTreeWidgetItem* e) {
    if (e->childCount() > 0) return;
    const auto i = static_cast<std::size_t>(e->data(Nom, RoleRang).toULongLong());
    for (const std::size_t enfant : m_enfants[i])
        e->addChild(element(enfant));
    e->sortChildren(Arbre->sortColumn(), Arbre->header()->sortIndicatorOrder());
}

// The places whose name holds the text, with the places they lie in, opened.
void TLieux::filtrer(const QString& texte) {
    const QString cherche = reduireTexte(texte.trimmed());
    std::vector<bool> visible(m_lieux.size(), cherche.isEmpty());
    if (!cherche.isEmpty()) {
        // A place shown shows the places it lies in: marked from the deepest.
        std::vector<std::int64_t> parentDe(m_lieux.size(), -1);
        for (std::size_t i = 0; i < m_lieux.size(); ++i)
            for (const std::size_t enfant : m_enfants[i])
                parentDe[enfant] = static_cast<std::int64_t>(i);
        for (std::size_t i = 0; i < m_lieux.size(); ++i) {
            const QString& nom = m_lieux[i].libelle.isEmpty() ? m_lieux[i].nom : m_lieux[i].libelle;
            if (!reduireTexte(nom).contains(cherche)) continue;
            for (std::int64_t p = static_cast<std::int64_t>(i); p >= 0 && !visible[p];
                 p = parentDe[static_cast<std::size_t>(p)])
                visible[static_cast<std::size_t>(p)] = true;
        }
    }
    std::function<void(QTreeWidgetItem*)> montrer = [&](QTreeWidgetItem* e) {
        const auto i = static_cast<std::size_t>(e->data(Nom, RoleRang).toULongLong());
        e->setHidden(!visible[i]);
        if (cherche.isEmpty() || !visible[i]) return;
        ouvrir(e);
        e->setExpanded(true);
        for (int k = 0; k < e->childCount(); ++k)
            montrer(e->child(k));
    };
    for (int k = 0; k < Arbre->topLevelItemCount(); ++k)
        montrer(Arbre->topLevelItem(k));
}

void TLieux::demanderLesPersonnes() {
    if (QTreeWidgetItem* e = Arbre->currentItem())
        emit personnesDemandees(e->data(Nom, RoleNomEntier).toString());
}
