#include "forms/uLieux.h"

#include "data/fichier/Texte.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
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
    return QStringLiteral("%1 ; %2").arg(francais.toString(c->first, 'f', 5),
                                         francais.toString(c->second, 'f', 5));
}

} // namespace

TLieux::TLieux(std::vector<LieuConnu> lieux, std::function<std::int64_t(std::int64_t)> personnes,
               QWidget* parent, Dialogues* dialogues, Modifier modifier)
    : QDialog(parent), m_dialogues(dialogues), m_modifier(std::move(modifier)),
      m_lieux(std::move(lieux)), m_personnes(std::move(personnes)) {
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
    BtRenommer = new QPushButton(QStringLiteral("&Renommer…"), this);
    BtRenommer->setObjectName(QStringLiteral("BtRenommer"));
    BtFusionner = new QPushButton(QStringLiteral("F&usionner avec…"), this);
    BtFusionner->setObjectName(QStringLiteral("BtFusionner"));
    BtDefinir = new QPushButton(QStringLiteral("Code INSEE et c&oordonnées…"), this);
    BtDefinir->setObjectName(QStringLiteral("BtDefinir"));
    for (QPushButton* b : {BtRenommer, BtFusionner, BtDefinir})
        b->setVisible(static_cast<bool>(m_modifier) && m_dialogues);

    auto* haut = new QHBoxLayout;
    haut->addWidget(etiquette);
    haut->addWidget(EFiltre, 1);
    auto* changements = new QHBoxLayout;
    changements->addWidget(BtRenommer);
    changements->addWidget(BtFusionner);
    changements->addWidget(BtDefinir);
    changements->addStretch(1);
    auto* bas = new QHBoxLayout;
    bas->addWidget(LCompte, 1);
    bas->addWidget(BtPersonnes);
    bas->addWidget(BtFermer);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(haut);
    tout->addWidget(Arbre, 1);
    tout->addLayout(changements);
    tout->addLayout(bas);

    connect(EFiltre, &QLineEdit::textChanged, this, &TLieux::filtrer);
    connect(Arbre, &QTreeWidget::itemDoubleClicked, this, [this] { demanderLesPersonnes(); });
    connect(BtPersonnes, &QPushButton::clicked, this, &TLieux::demanderLesPersonnes);
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::accept);
    connect(Arbre, &QTreeWidget::itemExpanded, this, &TLieux::ouvrir);
    connect(BtRenommer, &QPushButton::clicked, this,
            [this] { executerCommande(*m_dialogues, [this] { renommer(); }); });
    connect(BtFusionner, &QPushButton::clicked, this,
            [this] { executerCommande(*m_dialogues, [this] { fusionner(); }); });
    connect(BtDefinir, &QPushButton::clicked, this,
            [this] { executerCommande(*m_dialogues, [this] { definir(); }); });
    remplir();
}

// Each place under the one it lies in, a place whose parent is unknown at
// the top. Items are made when their parent is opened: a store of half a
// million places opens at once.
void TLieux::remplir() {
    Arbre->clear();
    m_racines.clear();
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
                          mesure.horizontalAdvance(QStringLiteral("-00,00000 ; -000,00000")) + 24);
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

const LieuConnu* TLieux::lieuChoisi() const {
    const QTreeWidgetItem* e = Arbre->currentItem();
    if (!e) return nullptr;
    return &m_lieux[static_cast<std::size_t>(e->data(Nom, RoleRang).toULongLong())];
}

// One change of the places, the tree shown again on the same place.
void TLieux::changer(const QString& libelle, const std::function<void(Complements&)>& changement) {
    const LieuConnu* choisi = lieuChoisi();
    const std::int64_t id = choisi ? choisi->id : 0;
    const auto lieux = m_modifier(libelle, changement);
    if (!lieux) return;
    m_lieux = *lieux;
    remplir();
    filtrer(EFiltre->text());
    // The same place chosen again, when it is still there (a merge removes it).
    const auto rang = std::find_if(m_lieux.begin(), m_lieux.end(),
                                   [&](const LieuConnu& l) { return l.id == id; });
    if (rang == m_lieux.end()) return;
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> chercher = [&](QTreeWidgetItem* e) {
        if (e->data(Nom, RoleRang).toULongLong() == static_cast<qulonglong>(rang - m_lieux.begin()))
            return e;
        for (int k = 0; k < e->childCount(); ++k)
            if (QTreeWidgetItem* trouve = chercher(e->child(k))) return trouve;
        return static_cast<QTreeWidgetItem*>(nullptr);
    };
    for (int k = 0; k < Arbre->topLevelItemCount(); ++k)
        if (QTreeWidgetItem* e = chercher(Arbre->topLevelItem(k))) {
            Arbre->setCurrentItem(e);
            return;
        }
}

void TLieux::renommer() {
    const LieuConnu* l = lieuChoisi();
    if (!l) return;
    const QString nom =
        m_dialogues
            ->saisie(QStringLiteral("Renommer un lieu"),
                     QStringLiteral("Nouveau nom de « %1 » (sans les lieux qui le contiennent) :")
                         .arg(l->nom),
                     l->libelle)
            .simplified();
    if (nom.isEmpty() || nom == l->libelle) return;
    const std::int64_t id = l->id;
    changer(QStringLiteral("le lieu « %1 » renommé « %2 »").arg(l->libelle, nom),
            [=](Complements& c) { c.renommerLieu(id, nom); });
}

void TLieux::fusionner() {
    const LieuConnu* l = lieuChoisi();
    if (!l) return;
    const QString cible =
        m_dialogues
            ->saisie(QStringLiteral("Fusionner deux lieux"),
                     QStringLiteral("Fusionner « %1 » avec quel lieu ? Tapez son nom entier "
                                    "(« Morlaix, Finistère, France ») :")
                         .arg(l->nom),
                     {})
            .simplified();
    if (cible.isEmpty()) return;
    const auto dans = std::find_if(m_lieux.begin(), m_lieux.end(), [&](const LieuConnu& x) {
        return x.nom.compare(cible, Qt::CaseInsensitive) == 0;
    });
    if (dans == m_lieux.end()) {
        m_dialogues->message(QStringLiteral("Aucun lieu ne s'appelle « %1 ».").arg(cible));
        return;
    }
    if (!m_dialogues->confirmer(QStringLiteral("Fusionner « %1 » dans « %2 » ? Ses événements et "
                                               "les lieux qu'il contient passent à « %2 ». "
                                               "(Édition › Annuler la défait.)")
                                    .arg(l->nom, dans->nom)))
        return;
    const std::int64_t source = l->id, destination = dans->id;
    changer(QStringLiteral("la fusion de « %1 » dans « %2 »").arg(l->libelle, dans->libelle),
            [=](Complements& c) { c.fusionnerLieux(source, destination); });
}

void TLieux::definir() {
    const LieuConnu* l = lieuChoisi();
    if (!l) return;
    const QString insee = m_dialogues->saisie(
        QStringLiteral("Code INSEE"),
        QStringLiteral("Code INSEE de « %1 » (vide s'il n'en a pas) :").arg(l->nom), l->insee);
    const QString anciennes = coordonneesLisibles(l->coordonnees);
    const QString texte =
        m_dialogues
            ->saisie(QStringLiteral("Coordonnées"),
                     QStringLiteral("Latitude et longitude de « %1 » en degrés, séparées par un "
                                    "point-virgule (48,5775 ; -3,8272), vides s'il n'en a pas :")
                         .arg(l->nom),
                     anciennes)
            .simplified();
    std::optional<std::pair<double, double>> coordonnees;
    if (!texte.isEmpty()) {
        const QStringList parties = texte.split(u';');
        bool ok1 = false, ok2 = false;
        const double lat = parties.value(0).trimmed().replace(u',', u'.').toDouble(&ok1);
        const double lon = parties.value(1).trimmed().replace(u',', u'.').toDouble(&ok2);
        if (parties.size() != 2 || !ok1 || !ok2) {
            m_dialogues->message(QStringLiteral("« %1 » n'est pas une latitude et une longitude "
                                                "séparées par un point-virgule.")
                                     .arg(texte));
            return;
        }
        coordonnees = std::pair{lat, lon};
    }
    const std::int64_t id = l->id;
    changer(QStringLiteral("le code INSEE et les coordonnées de « %1 »").arg(l->libelle),
            [=](Complements& c) { c.definirLieu(id, insee, coordonnees); });
}
