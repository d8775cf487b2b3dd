#include "forms/uActe.h"

#include "data/fichier/DatesSaisies.h"
#include "platform/Polices.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const GenreActe Genres[] = {GenreActe::Bapteme, GenreActe::Naissance, GenreActe::Mariage,
                            GenreActe::Inhumation, GenreActe::Deces};

QLineEdit* champ(QWidget* parent, const char* nom, int largeurEnCaracteres = 0) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(nom));
    if (largeurEnCaracteres)
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * largeurEnCaracteres);
    return edit;
}

} // namespace

TSaisieActe::TSaisieActe(const SourceDeLActe& derniereSource, Chercher chercher, QWidget* parent)
    : QDialog(parent), m_chercher(std::move(chercher)) {
    setObjectName(QStringLiteral("SaisieActe"));
    setWindowTitle(QStringLiteral("Saisir un acte"));
    setFont(policeFenetre());
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(creerActe());
    tout->addWidget(creerSource(derniereSource));
    auto* cadre = new QGroupBox(QStringLiteral("Personnes de l'acte"), this);
    m_personnes = cadre;
    m_grille = new QGridLayout(cadre);
    tout->addWidget(cadre, 1);
    BtEnregistrer = new QPushButton(QStringLiteral("&Enregistrer"), this);
    BtEnregistrer->setObjectName(QStringLiteral("BtEnregistrer"));
    BtEnregistrer->setDefault(true);
    BtAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    BtAnnuler->setObjectName(QStringLiteral("BtAnnuler"));
    connect(BtEnregistrer, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(BtEnregistrer);
    bas->addWidget(BtAnnuler);
    tout->addLayout(bas);
    connect(CbGenre, &QComboBox::currentIndexChanged, this, [this] { remplirLesRoles(); });
    remplirLesRoles();
    EDate->setFocus();
}

QWidget* TSaisieActe::creerActe() {
    auto* cadre = new QGroupBox(QStringLiteral("Acte"), this);
    CbGenre = new QComboBox(cadre);
    CbGenre->setObjectName(QStringLiteral("CbGenre"));
    for (GenreActe g : Genres) {
        QString nom = nomDuGenre(g);
        nom[0] = nom[0].toUpper();
        CbGenre->addItem(nom);
    }
    EDate = champ(cadre, "EDate", 22);
    EDate->setMaxLength(40);
    EDate->setPlaceholderText(QStringLiteral("12/03/1750, 12 vendémiaire an IV…"));
    LDate = new QLabel(cadre);
    LDate->setObjectName(QStringLiteral("LDate"));
    ELieu = champ(cadre, "ELieu", 30);
    ELieu->setPlaceholderText(QStringLiteral("Commune, département, pays"));
    connect(EDate, &QLineEdit::textChanged, this, [this] { montrerLaDate(); });
    auto* ligne = new QHBoxLayout(cadre);
    auto ajouter = [&](const QString& texte, QWidget* w, int etirement = 0) {
        auto* etiquette = new QLabel(texte, cadre);
        etiquette->setBuddy(w);
        ligne->addWidget(etiquette);
        ligne->addWidget(w, etirement);
    };
    ajouter(QStringLiteral("&Type :"), CbGenre);
    ajouter(QStringLiteral("&Date :"), EDate);
    ligne->addWidget(LDate);
    ajouter(QStringLiteral("&Lieu :"), ELieu, 1);
    return cadre;
}

QWidget* TSaisieActe::creerSource(const SourceDeLActe& s) {
    auto* cadre = new QGroupBox(QStringLiteral("Source"), this);
    EService = champ(cadre, "EService", 18);
    EService->setPlaceholderText(QStringLiteral("AD Finistère"));
    ECommune = champ(cadre, "ECommune", 18);
    CbRegistre = new QComboBox(cadre);
    CbRegistre->setObjectName(QStringLiteral("CbRegistre"));
    CbRegistre->addItems(registresConnus());
    EAnnees = champ(cadre, "EAnnees", 10);
    EAnnees->setPlaceholderText(QStringLiteral("1700-1710"));
    ECote = champ(cadre, "ECote", 10);
    EVue = champ(cadre, "EVue", 5);
    ENumero = champ(cadre, "ENumero", 5);
    ELien = champ(cadre, "ELien", 30);
    ELien->setPlaceholderText(QStringLiteral("ark:/… ou https://…"));
    // The register of the last act is offered again; the act's own place in it is not.
    EService->setText(s.service);
    ECommune->setText(s.commune);
    if (const int i = CbRegistre->findText(s.registre); i >= 0) CbRegistre->setCurrentIndex(i);
    EAnnees->setText(s.annees);
    ECote->setText(s.cote);
    auto* grille = new QGridLayout(cadre);
    auto ajouter = [&](int ligne, int colonne, const QString& texte, QWidget* w, int largeur = 1) {
        auto* etiquette = new QLabel(texte, cadre);
        etiquette->setBuddy(w);
        grille->addWidget(etiquette, ligne, colonne);
        grille->addWidget(w, ligne, colonne + 1, 1, largeur);
    };
    ajouter(0, 0, QStringLiteral("&Service d'archives :"), EService);
    ajouter(0, 2, QStringLiteral("&Commune :"), ECommune);
    ajouter(0, 4, QStringLiteral("&Registre :"), CbRegistre);
    ajouter(1, 0, QStringLiteral("&Années :"), EAnnees);
    ajouter(1, 2, QStringLiteral("C&ote :"), ECote);
    auto* vueEtNumero = new QHBoxLayout;
    vueEtNumero->addWidget(EVue);
    auto* etiquetteNumero = new QLabel(QStringLiteral("&N° d'acte :"), cadre);
    etiquetteNumero->setBuddy(ENumero);
    vueEtNumero->addWidget(etiquetteNumero);
    vueEtNumero->addWidget(ENumero);
    auto* etiquetteVue = new QLabel(QStringLiteral("&Vue :"), cadre);
    etiquetteVue->setBuddy(EVue);
    grille->addWidget(etiquetteVue, 1, 4);
    grille->addLayout(vueEtNumero, 1, 5);
    ajouter(2, 0, QStringLiteral("Lien (ar&k) :"), ELien, 5);
    return cadre;
}

// One row per role of the act's kind; what was typed in a role that stays is kept.
void TSaisieActe::remplirLesRoles() {
    for (Ligne& l : m_lignes)
        for (QWidget* w :
             std::initializer_list<QWidget*>{l.role, l.nom, l.prenoms, l.sexe, l.chercher,
                                             l.effacer, l.age, l.profession, l.residence})
            if (w) w->deleteLater();
    m_lignes.clear();
    const QStringList entetes = {QString(),
                                 QStringLiteral("Nom"),
                                 QStringLiteral("Prénoms"),
                                 QStringLiteral("Sexe"),
                                 QString(),
                                 QString(),
                                 QStringLiteral("Âge"),
                                 QStringLiteral("Profession"),
                                 QStringLiteral("Résidence")};
    for (int c = 0; c < entetes.size(); ++c) {
        if (m_grille->itemAtPosition(0, c) || entetes[c].isEmpty()) continue;
        m_grille->addWidget(new QLabel(entetes[c], m_personnes), 0, c);
    }
    const auto& roles = rolesDe(Genres[std::max(0, CbGenre->currentIndex())]);
    for (std::size_t r = 0; r < roles.size(); ++r) {
        Ligne l;
        const int y = static_cast<int>(r) + 1;
        const QString suffixe = QString::number(r);
        l.role = new QLabel(roles[r].nom + QStringLiteral(" :"), m_personnes);
        l.nom = champ(m_personnes, "", 14);
        l.nom->setObjectName(QStringLiteral("ENom") + suffixe);
        l.role->setBuddy(l.nom);
        l.prenoms = champ(m_personnes, "", 16);
        l.prenoms->setObjectName(QStringLiteral("EPrenoms") + suffixe);
        if (!roles[r].sexe) {
            l.sexe = new QComboBox(m_personnes);
            l.sexe->setObjectName(QStringLiteral("CbSexe") + suffixe);
            l.sexe->addItems({QStringLiteral("Homme"), QStringLiteral("Femme")});
        }
        l.chercher = new QPushButton(QStringLiteral("Chercher…"), m_personnes);
        l.chercher->setObjectName(QStringLiteral("BtChercher") + suffixe);
        l.chercher->setToolTip(QStringLiteral("Choisir cette personne dans le fichier"));
        l.effacer = new QPushButton(QStringLiteral("Nouvelle"), m_personnes);
        l.effacer->setObjectName(QStringLiteral("BtNouvelle") + suffixe);
        l.effacer->setToolTip(QStringLiteral("Créer une nouvelle personne pour ce rôle"));
        l.effacer->setEnabled(false);
        l.age = champ(m_personnes, "", 8);
        l.age->setObjectName(QStringLiteral("EAge") + suffixe);
        l.profession = champ(m_personnes, "", 14);
        l.profession->setObjectName(QStringLiteral("EProfession") + suffixe);
        l.residence = champ(m_personnes, "", 14);
        l.residence->setObjectName(QStringLiteral("EResidence") + suffixe);
        int c = 0;
        for (QWidget* w :
             std::initializer_list<QWidget*>{l.role, l.nom, l.prenoms, l.sexe, l.chercher,
                                             l.effacer, l.age, l.profession, l.residence}) {
            if (w) m_grille->addWidget(w, y, c);
            ++c;
        }
        connect(l.chercher, &QPushButton::clicked, this, [this, r] {
            if (const auto p = m_chercher(acte(), r)) choisir(r, *p);
        });
        connect(l.effacer, &QPushButton::clicked, this, [this, r] { effacer(r); });
        m_lignes.push_back(l);
    }
}

void TSaisieActe::choisir(std::size_t ligne, const Trouvee& p) {
    Ligne& l = m_lignes.at(ligne);
    l.fiche = p.fiche;
    l.nom->setText(p.nom);
    l.prenoms->setText(p.prenoms);
    for (QLineEdit* e : {l.nom, l.prenoms}) {
        e->setReadOnly(true);
        e->setToolTip(QStringLiteral("Fiche n° %1").arg(p.fiche));
    }
    if (l.sexe) {
        l.sexe->setCurrentIndex(p.homme ? 0 : 1);
        l.sexe->setEnabled(false);
    }
    l.effacer->setEnabled(true);
}

void TSaisieActe::effacer(std::size_t ligne) {
    Ligne& l = m_lignes.at(ligne);
    l.fiche = -1;
    for (QLineEdit* e : {l.nom, l.prenoms}) {
        e->clear();
        e->setReadOnly(false);
        e->setToolTip({});
    }
    if (l.sexe) l.sexe->setEnabled(true);
    l.effacer->setEnabled(false);
    l.nom->setFocus();
}

void TSaisieActe::preparer(GenreActe genre, const std::optional<Trouvee>& principal) {
    for (int i = 0; i < static_cast<int>(std::size(Genres)); ++i)
        if (Genres[i] == genre) CbGenre->setCurrentIndex(i);
    if (!principal) return;
    // The person on screen is the act's principal one: the husband or the
    // wife of a marriage as the record's sex says.
    const std::size_t ligne = genre == GenreActe::Mariage && !principal->homme ? 1 : 0;
    choisir(ligne, *principal);
}

void TSaisieActe::montrerLaDate() {
    const DateSaisie d = lireDateSaisie(EDate->text());
    QString texte;
    if (!d.valide)
        texte = QStringLiteral("date inexistante");
    else if (!d.equivalent.isEmpty())
        texte = QStringLiteral("= ") + d.equivalent;
    LDate->setText(texte);
    LDate->setToolTip(d.valide ? d.enClair : d.erreur);
}

Acte TSaisieActe::acte() const {
    Acte a;
    a.genre = Genres[std::max(0, CbGenre->currentIndex())];
    a.date = EDate->text();
    a.lieu = ELieu->text();
    a.source = {EService->text(), ECommune->text(), CbRegistre->currentText(), EAnnees->text(),
                ECote->text(),    EVue->text(),     ENumero->text(),           ELien->text()};
    for (const Ligne& l : m_lignes) {
        PersonneDeLActe p;
        p.fiche = l.fiche;
        p.nom = l.nom->text();
        p.prenoms = l.prenoms->text();
        p.homme = !l.sexe || l.sexe->currentIndex() == 0;
        p.age = l.age->text();
        p.profession = l.profession->text();
        p.residence = l.residence->text();
        a.personnes.push_back(p);
    }
    return a;
}
