#include "forms/uFicheComplete.h"

#include "data/complements/Faits.h"
#include "data/complements/Structures.h"
#include "data/fichier/Erreurs.h"
#include "forms/uFait.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
#include "platform/Polices.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <limits>

namespace {

// Sections as headings, lines as paragraphs; what the store holds is shown
// as text only, never as markup.
QString enHtml(const VueComplements& vue) {
    if (vue.sections.empty())
        return QStringLiteral("<p>Aucun complément pour cette personne : ce que sa fiche "
                              "contient est tout ce que le fichier sait d'elle.</p>");
    QString html;
    for (const VueComplements::Section& s : vue.sections) {
        html += QStringLiteral("<h3>%1</h3>").arg(s.titre.toHtmlEscaped());
        for (const QString& ligne : s.lignes) {
            const qsizetype retrait =
                ligne.size() -
                QString(ligne).remove(QRegularExpression(QStringLiteral("^ +"))).size();
            html +=
                QStringLiteral("<p style=\"margin:0 0 0 %1px\">%2</p>")
                    .arg(retrait * 8)
                    .arg(ligne.trimmed().toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")));
        }
    }
    return html;
}

} // namespace

namespace {

std::string etiquetteDe(const std::string& structure) {
    const std::size_t debut = structure.find(' ') + 1;
    const std::size_t fin = structure.find_first_of(" \n", debut);
    return structure.substr(debut, fin == std::string::npos ? std::string::npos : fin - debut);
}

// What an OBJE structure says: its title, else its file.
QString resumeDuMedia(const std::string& structure) {
    const FaitSaisi f = lireFait(structure);
    QString fichier, titre;
    parcourirLignes(structure, [&](std::string_view ligne) {
        if (ligne.starts_with("2 FILE ")) fichier = QString::fromUtf8(ligne.substr(7));
        if (ligne.starts_with("2 TITL ") || ligne.starts_with("3 TITL "))
            titre = QString::fromUtf8(ligne.substr(7));
        return true;
    });
    if (!f.valeur.empty() && fichier.isEmpty()) fichier = QString::fromStdString(f.valeur);
    return titre.isEmpty() ? fichier : titre + QStringLiteral(" (") + fichier + u')';
}

QString resume(TFicheComplete::Categorie c, const std::string& structure) {
    if (c == TFicheComplete::Medias) return resumeDuMedia(structure);
    if (c == TFicheComplete::Notes || c == TFicheComplete::Sources) {
        const FaitSaisi f = lireFait(structure);
        if (c == TFicheComplete::Notes)
            return QString::fromStdString(f.valeur).replace(u'\n', u' ');
    }
    return resumeDuFait(structure);
}

const TFait::Pour PourDe[] = {TFait::Pour::Nom, TFait::Pour::Personne, TFait::Pour::Citation,
                              TFait::Pour::Note, TFait::Pour::Personne};

} // namespace

TFicheComplete::Categorie TFicheComplete::categorieDe(const std::string& structure) {
    const std::string e = etiquetteDe(structure);
    if (e == "NAME") return Noms;
    if (e == "SOUR") return Sources;
    if (e == "NOTE") return Notes;
    if (e == "OBJE") return Medias;
    if (structures::estEvenement(e)) return Evenements;
    return NombreDeCategories; // kept, in no tab
}

TFicheComplete::TFicheComplete(ContenuFiche contenu, Dialogues& dialogues, ActionsFiche* actions,
                               QWidget* parent)
    : QDialog(parent), m_contenu(std::move(contenu)), m_dialogues(dialogues), m_actions(actions),
      m_noteInitiale(m_contenu.vue.note) {
    setObjectName(QStringLiteral("FicheComplete"));
    setWindowTitle(QStringLiteral("Fiche complète"));
    setFont(policeFenetre());
    resize(720, 600);
    LPersonne = new QLabel(m_contenu.titre, this);
    LPersonne->setObjectName(QStringLiteral("LPersonne"));
    LPersonne->setWordWrap(true);
    QFont gras = LPersonne->font();
    gras.setBold(true);
    LPersonne->setFont(gras);
    Onglets = new QTabWidget(this);
    Onglets->setObjectName(QStringLiteral("Onglets"));
    Onglets->addTab(creerResume(), QStringLiteral("&Résumé"));
    Onglets->addTab(creerListe(Noms, QStringLiteral("Ajouter un nom…")), QStringLiteral("&Noms"));
    Onglets->addTab(creerListe(Evenements, QStringLiteral("Ajouter un événement…")),
                    QStringLiteral("É&vénements"));
    Onglets->addTab(creerUnions(), QStringLiteral("&Unions"));
    Onglets->addTab(creerListe(Sources, QStringLiteral("Citer une source…")),
                    QStringLiteral("&Sources"));
    Onglets->addTab(creerListe(Notes, QStringLiteral("Ajouter une note…")),
                    QStringLiteral("N&otes"));
    Onglets->addTab(creerListe(Medias, QStringLiteral("Ajouter un document…")),
                    QStringLiteral("&Médias"));
    BtEnregistrer = new QPushButton(QStringLiteral("&Enregistrer la note"), this);
    BtEnregistrer->setObjectName(QStringLiteral("BtEnregistrer"));
    BtEnregistrer->setVisible(m_contenu.lectureSeule.isEmpty());
    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setObjectName(QStringLiteral("BtFermer"));
    BtFermer->setDefault(true);
    connect(BtEnregistrer, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::reject);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(BtEnregistrer);
    bas->addWidget(BtFermer);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(LPersonne);
    tout->addWidget(Onglets, 1);
    tout->addLayout(bas);
    remplirListes();
}

QWidget* TFicheComplete::creerResume() {
    auto* page = new QWidget(this);
    Texte = new QTextBrowser(page);
    Texte->setObjectName(QStringLiteral("Texte"));
    Texte->setOpenLinks(false);
    const QString& raison = m_contenu.lectureSeule;
    LNote = new QLabel(
        raison.isEmpty()
            ? QStringLiteral("&Votre note sur cette personne :")
            : QStringLiteral("Votre note (elle ne peut pas être modifiée : %1) :").arg(raison),
        page);
    LNote->setWordWrap(true);
    Note = new QPlainTextEdit(page);
    Note->setObjectName(QStringLiteral("Note"));
    Note->setPlainText(m_contenu.vue.note);
    Note->setReadOnly(!raison.isEmpty());
    Note->setTabChangesFocus(true);
    LNote->setBuddy(Note);
    CbVie = new QComboBox(page);
    CbVie->setObjectName(QStringLiteral("CbVie"));
    CbVie->addItems({QStringLiteral("selon ses dates et celles de ses proches"),
                     QStringLiteral("vivant(e)"), QStringLiteral("décédé(e)")});
    CbVie->setEnabled(raison.isEmpty() && m_actions);
    auto* etiquetteVie = new QLabel(QStringLiteral("Pour une publication, cette personne est "
                                                   "&tenue pour :"),
                                    page);
    etiquetteVie->setBuddy(CbVie);
    connect(CbVie, &QComboBox::activated, this, [this](int choix) {
        commande([this, choix] {
            appliquer(
                m_actions->marquerVie(choix == 0 ? std::nullopt : std::optional<bool>(choix == 1)));
        });
    });
    auto* vie = new QHBoxLayout;
    vie->addWidget(etiquetteVie);
    vie->addWidget(CbVie, 1);
    auto* tout = new QVBoxLayout(page);
    tout->addWidget(Texte, 3);
    tout->addLayout(vie);
    tout->addWidget(LNote);
    tout->addWidget(Note, 1);
    return page;
}

TFicheComplete::Liste TFicheComplete::boutonsDeListe(QWidget* parent, QListWidget* liste,
                                                     const QString& ajout) {
    Liste l;
    l.liste = liste;
    liste->setWordWrap(true);
    l.ajouter = new QPushButton(ajout, parent);
    l.modifier = new QPushButton(QStringLiteral("Modifier…"), parent);
    l.supprimer = new QPushButton(QStringLiteral("Supprimer"), parent);
    l.monter = new QPushButton(QStringLiteral("Monter"), parent);
    l.descendre = new QPushButton(QStringLiteral("Descendre"), parent);
    const bool modifiable = m_contenu.lectureSeule.isEmpty();
    for (QPushButton* b : {l.ajouter, l.modifier, l.supprimer, l.monter, l.descendre})
        b->setEnabled(modifiable);
    connect(liste, &QListWidget::itemDoubleClicked, l.modifier, &QPushButton::click);
    return l;
}

QWidget* TFicheComplete::creerListe(Categorie c, const QString& ajout) {
    auto* page = new QWidget(this);
    auto* liste = new QListWidget(page);
    liste->setObjectName(QStringLiteral("Liste%1").arg(int(c)));
    Liste& l = listes[c] = boutonsDeListe(page, liste, ajout);
    l.ajouter->setObjectName(QStringLiteral("BtAjouter%1").arg(int(c)));
    l.modifier->setObjectName(QStringLiteral("BtModifier%1").arg(int(c)));
    l.supprimer->setObjectName(QStringLiteral("BtSupprimer%1").arg(int(c)));
    if (c == Medias) l.modifier->hide();
    connect(l.ajouter, &QPushButton::clicked, this,
            [this, c] { commande([this, c] { ajouter(c); }); });
    connect(l.modifier, &QPushButton::clicked, this,
            [this, c] { commande([this, c] { modifier(c); }); });
    connect(l.supprimer, &QPushButton::clicked, this,
            [this, c] { commande([this, c] { supprimer(c); }); });
    connect(l.monter, &QPushButton::clicked, this,
            [this, c] { commande([this, c] { deplacer(c, -1); }); });
    connect(l.descendre, &QPushButton::clicked, this,
            [this, c] { commande([this, c] { deplacer(c, +1); }); });
    auto* boutons = new QVBoxLayout;
    for (QPushButton* b : {l.ajouter, l.modifier, l.supprimer, l.monter, l.descendre})
        boutons->addWidget(b);
    boutons->addStretch(1);
    auto* tout = new QHBoxLayout(page);
    tout->addWidget(liste, 1);
    tout->addLayout(boutons);
    return page;
}

QWidget* TFicheComplete::creerUnions() {
    auto* page = new QWidget(this);
    ListeUnions = new QListWidget(page);
    ListeUnions->setObjectName(QStringLiteral("ListeUnions"));
    BtAjouterUnion = new QPushButton(QStringLiteral("Ajouter une union…"), page);
    BtAjouterUnion->setObjectName(QStringLiteral("BtAjouterUnion"));
    BtSupprimerUnion = new QPushButton(QStringLiteral("Supprimer l'union"), page);
    BtSupprimerUnion->setObjectName(QStringLiteral("BtSupprimerUnion"));
    auto* evenements = new QListWidget(page);
    evenements->setObjectName(QStringLiteral("EvenementsUnion"));
    evenementsUnion = boutonsDeListe(page, evenements, QStringLiteral("Ajouter un événement…"));
    evenementsUnion.ajouter->setObjectName(QStringLiteral("BtAjouterEvenementUnion"));
    evenementsUnion.modifier->setObjectName(QStringLiteral("BtModifierEvenementUnion"));
    EnfantsUnion = new QListWidget(page);
    EnfantsUnion->setObjectName(QStringLiteral("EnfantsUnion"));
    BtAjouterEnfant = new QPushButton(QStringLiteral("Ajouter un enfant…"), page);
    BtAjouterEnfant->setObjectName(QStringLiteral("BtAjouterEnfant"));
    BtRetirerEnfant = new QPushButton(QStringLiteral("Retirer l'enfant"), page);
    BtRetirerEnfant->setObjectName(QStringLiteral("BtRetirerEnfant"));
    const bool modifiable = m_contenu.lectureSeule.isEmpty();
    for (QPushButton* b : {BtAjouterUnion, BtSupprimerUnion, BtAjouterEnfant, BtRetirerEnfant})
        b->setEnabled(modifiable);
    connect(ListeUnions, &QListWidget::currentRowChanged, this, [this] { remplirUnion(); });
    const std::pair<QPushButton*, int> actions[] = {{BtAjouterUnion, 0},
                                                    {BtSupprimerUnion, 1},
                                                    {evenementsUnion.ajouter, 2},
                                                    {evenementsUnion.modifier, 3},
                                                    {evenementsUnion.supprimer, 4},
                                                    {evenementsUnion.monter, 5},
                                                    {evenementsUnion.descendre, 6},
                                                    {BtAjouterEnfant, 7},
                                                    {BtRetirerEnfant, 8}};
    for (const auto& [bouton, action] : actions)
        connect(bouton, &QPushButton::clicked, this,
                [this, a = action] { commande([this, a] { modifierUnion(a); }); });

    auto* grille = new QVBoxLayout(page);
    auto ligne = [&](const QString& titre, QWidget* liste, std::initializer_list<QPushButton*> bs) {
        grille->addWidget(new QLabel(titre, page));
        auto* h = new QHBoxLayout;
        h->addWidget(liste, 1);
        auto* v = new QVBoxLayout;
        for (QPushButton* b : bs)
            v->addWidget(b);
        v->addStretch(1);
        h->addLayout(v);
        grille->addLayout(h, 1);
    };
    // One column of buttons of one width, down the three lists.
    int largeur = 0;
    for (QPushButton* b : page->findChildren<QPushButton*>())
        largeur = std::max(largeur, b->sizeHint().width());
    for (QPushButton* b : page->findChildren<QPushButton*>())
        b->setFixedWidth(largeur);
    ligne(QStringLiteral("Unions (la première est celle que la fiche tient) :"), ListeUnions,
          {BtAjouterUnion, BtSupprimerUnion});
    ligne(QStringLiteral("Événements de l'union choisie :"), evenements,
          {evenementsUnion.ajouter, evenementsUnion.modifier, evenementsUnion.supprimer,
           evenementsUnion.monter, evenementsUnion.descendre});
    ligne(QStringLiteral("Enfants de l'union choisie :"), EnfantsUnion,
          {BtAjouterEnfant, BtRetirerEnfant});
    return page;
}

// Each change is a command: what goes wrong is told in the error box.
void TFicheComplete::commande(const std::function<void()>& action) {
    executerCommande(m_dialogues, action);
}

QString TFicheComplete::note() const {
    return Note->toPlainText();
}

bool TFicheComplete::noteModifiee() const {
    return !Note->isReadOnly() && Note->toPlainText() != m_noteInitiale;
}

QString TFicheComplete::nomDeLaPersonne() const {
    return m_contenu.titre.section(QStringLiteral(" — "), 0, 0);
}

std::vector<int> TFicheComplete::indicesDe(Categorie c) const {
    std::vector<int> indices;
    for (std::size_t k = 0; k < m_contenu.champs.size(); ++k)
        if (categorieDe(m_contenu.champs[k].gedcom) == c)
            indices.push_back(-1 - static_cast<int>(k));
    for (std::size_t k = 0; k < m_contenu.faits.size(); ++k)
        if (categorieDe(m_contenu.faits[k]) == c) indices.push_back(static_cast<int>(k));
    return indices;
}

void TFicheComplete::remplirListes() {
    {
        const QSignalBlocker sansSignal(CbVie);
        CbVie->setCurrentIndex(!m_contenu.vivant ? 0 : *m_contenu.vivant ? 1 : 2);
    }
    Texte->setHtml(enHtml(m_contenu.vue));
    Texte->moveCursor(QTextCursor::Start);
    for (int c = 0; c < NombreDeCategories; ++c) {
        QListWidget* liste = listes[c].liste;
        const int choisie = liste->currentRow();
        liste->clear();
        for (const int i : indicesDe(Categorie(c))) {
            const bool champ = i < 0;
            const std::string& s = champ ? m_contenu.champs[static_cast<std::size_t>(-1 - i)].gedcom
                                         : m_contenu.faits[static_cast<std::size_t>(i)];
            QString texte = resume(Categorie(c), s);
            if (champ) texte += QStringLiteral("  (celui de la fiche)");
            liste->addItem(texte);
        }
        liste->setCurrentRow(std::min(choisie, liste->count() - 1));
    }
    const int union_ = ListeUnions->currentRow();
    ListeUnions->clear();
    for (const ContenuFiche::Union& u : m_contenu.unions) {
        QString texte = QStringLiteral("Avec ") + u.conjoint;
        for (const std::string& f : u.faits)
            if (categorieDe(f) == Evenements) {
                texte += QStringLiteral(" — ") + resumeDuFait(f);
                break;
            }
        ListeUnions->addItem(texte);
    }
    ListeUnions->setCurrentRow(union_ >= 0 ? std::min(union_, ListeUnions->count() - 1)
                                           : (ListeUnions->count() ? 0 : -1));
    remplirUnion();
}

void TFicheComplete::remplirUnion() {
    evenementsUnion.liste->clear();
    EnfantsUnion->clear();
    const int u = ListeUnions->currentRow();
    const bool choisie = u >= 0 && static_cast<std::size_t>(u) < m_contenu.unions.size();
    const bool modifiable = choisie && m_contenu.lectureSeule.isEmpty();
    for (QPushButton* b : {BtSupprimerUnion, evenementsUnion.ajouter, evenementsUnion.modifier,
                           evenementsUnion.supprimer, evenementsUnion.monter,
                           evenementsUnion.descendre, BtAjouterEnfant, BtRetirerEnfant})
        b->setEnabled(modifiable);
    if (!choisie) return;
    for (const std::string& f : m_contenu.unions[static_cast<std::size_t>(u)].faits)
        evenementsUnion.liste->addItem(resumeDuFait(f));
    for (const auto& e : m_contenu.unions[static_cast<std::size_t>(u)].enfants)
        EnfantsUnion->addItem(e.nom);
}

void TFicheComplete::recharger(const ContenuFiche& contenu) {
    const QString note = Note->toPlainText();
    m_contenu = contenu;
    m_contenu.vue.note = m_noteInitiale; // the note typed and not saved yet stays
    Note->setPlainText(note);
    remplirListes();
}

void TFicheComplete::appliquer(const std::optional<ContenuFiche>& contenu) {
    if (contenu) recharger(*contenu);
}

int TFicheComplete::indiceChoisi(Categorie c) const {
    const std::vector<int> indices = indicesDe(c);
    const int ligne = listes[c].liste->currentRow();
    return ligne >= 0 && static_cast<std::size_t>(ligne) < indices.size()
               ? indices[static_cast<std::size_t>(ligne)]
               : std::numeric_limits<int>::max();
}

// The fact editor on a structure (empty for a new one); its new structure
// when confirmed.
std::optional<std::string> TFicheComplete::editer(int pour, const std::string& origine,
                                                  bool champ) {
    const auto p = static_cast<TFait::Pour>(pour);
    FaitSaisi f = origine.empty() ? FaitSaisi{} : lireFait(origine);
    if (p == TFait::Pour::Nom && origine.empty()) f.etiquette = "NAME";
    if (p == TFait::Pour::Note) f.etiquette = "NOTE";
    if (p == TFait::Pour::Citation) {
        f = {};
        if (!origine.empty()) f.citations = {lireCitation(origine)};
    }
    TFait fenetre(
        p, f, champ, m_contenu.sources,
        [this]() {
            std::optional<std::string> source;
            if (m_actions) commande([&] { source = m_actions->nouvelleSource(); });
            return source;
        },
        this);
    if (p == TFait::Pour::Citation && origine.empty() && !m_contenu.sources.empty())
        fenetre.citer(m_contenu.sources.front().xref);
    while (m_dialogues.executerModal(fenetre)) {
        try {
            const FaitSaisi saisi = fenetre.fait();
            if (p != TFait::Pour::Citation) return ecrireFait(saisi, origine);
            if (saisi.citations.empty()) return std::nullopt;
            return ecrireCitation(saisi.citations.front(), origine);
        } catch (const ErreurVelmoris& e) {
            m_dialogues.message(e.texte()); // corrected in the same window
        }
    }
    return std::nullopt;
}

void TFicheComplete::ajouter(Categorie c) {
    if (!m_actions) return;
    std::optional<std::string> nouveau;
    if (c == Medias) {
        // A picture or a document of the person: a scan of an act, a photograph.
        const auto chemin = m_dialogues.ouvrirFichier(
            {QStringLiteral("Image ou document"),
             {},
             QStringLiteral("Images et documents (JPG, PNG, PDF…)|*.jpg;*.jpeg;*.png;*.tif;*.tiff;"
                            "*.bmp;*.pdf|Tous les fichiers|*"),
             {},
             {}});
        if (!chemin) return;
        const QString titre = QFileInfo(*chemin).completeBaseName();
        const QString forme = QFileInfo(*chemin).suffix().toLower();
        std::string objet = "1 OBJE\n2 FILE " + chemin->toStdString() + '\n';
        if (!forme.isEmpty()) objet += "3 FORM " + forme.toStdString() + '\n';
        nouveau = objet + "2 TITL " + titre.toStdString() + '\n';
    } else {
        nouveau = editer(static_cast<int>(PourDe[c]), {}, false);
    }
    if (!nouveau) return;
    std::vector<std::string> faits = m_contenu.faits;
    faits.push_back(*nouveau);
    appliquer(m_actions->ecrireFaits(QStringLiteral("ajout : %1").arg(resume(c, *nouveau)),
                                     m_contenu.champs, faits));
}

void TFicheComplete::modifier(Categorie c) {
    const int i = indiceChoisi(c);
    if (!m_actions || i == std::numeric_limits<int>::max()) return;
    const bool champ = i < 0;
    std::vector<EntreePersonne::Champ> champs = m_contenu.champs;
    std::vector<std::string> faits = m_contenu.faits;
    std::string& s = champ ? champs[static_cast<std::size_t>(-1 - i)].gedcom
                           : faits[static_cast<std::size_t>(i)];
    if (c == Notes && lireFait(s).valeur.starts_with('@')) {
        m_dialogues.message(QStringLiteral("Cette note est partagée avec d'autres fiches : elle "
                                           "se lit ici, elle ne se modifie pas."));
        return;
    }
    const auto nouveau = editer(static_cast<int>(PourDe[c]), s, champ);
    if (!nouveau || *nouveau == s) return;
    s = *nouveau;
    appliquer(m_actions->ecrireFaits(QStringLiteral("modification : %1").arg(resume(c, s)), champs,
                                     faits));
}

void TFicheComplete::supprimer(Categorie c) {
    const int i = indiceChoisi(c);
    if (!m_actions || i == std::numeric_limits<int>::max()) return;
    if (i < 0) {
        m_dialogues.message(QStringLiteral("Ce fait est celui de la fiche : videz-le sur la fiche "
                                           "elle-même."));
        return;
    }
    const std::string& s = m_contenu.faits[static_cast<std::size_t>(i)];
    if (!m_dialogues.confirmer(QStringLiteral("Supprimer « %1 » ? (Édition › Annuler le rétablit.)")
                                   .arg(resume(c, s))))
        return;
    std::vector<std::string> faits = m_contenu.faits;
    const QString quoi = QStringLiteral("suppression : %1").arg(resume(c, s));
    faits.erase(faits.begin() + i);
    appliquer(m_actions->ecrireFaits(quoi, m_contenu.champs, faits));
}

// Swapped with the next structure of the same tab the other way; the
// record's fields stay first.
void TFicheComplete::deplacer(Categorie c, int sens) {
    const std::vector<int> indices = indicesDe(c);
    const int ligne = listes[c].liste->currentRow();
    const int autre = ligne + sens;
    if (!m_actions || ligne < 0 || autre < 0 || autre >= static_cast<int>(indices.size())) return;
    const int a = indices[static_cast<std::size_t>(ligne)],
              b = indices[static_cast<std::size_t>(autre)];
    if (a < 0 || b < 0) return;
    std::vector<std::string> faits = m_contenu.faits;
    std::swap(faits[static_cast<std::size_t>(a)], faits[static_cast<std::size_t>(b)]);
    listes[c].liste->setCurrentRow(autre);
    appliquer(m_actions->ecrireFaits(QStringLiteral("ordre des faits"), m_contenu.champs, faits));
    listes[c].liste->setCurrentRow(autre);
}

void TFicheComplete::modifierUnion(int action) {
    if (!m_actions) return;
    const int u = ListeUnions->currentRow();
    if (action == 0) return appliquer(m_actions->ajouterUnion());
    if (u < 0 || static_cast<std::size_t>(u) >= m_contenu.unions.size()) return;
    const auto rang = static_cast<std::size_t>(u);
    const ContenuFiche::Union& un = m_contenu.unions[rang];
    std::vector<std::string> faits = un.faits;
    const int e = evenementsUnion.liste->currentRow();
    const bool evenementChoisi = e >= 0 && static_cast<std::size_t>(e) < faits.size();
    switch (action) {
    case 1:
        if (m_dialogues.confirmer(QStringLiteral("Supprimer l'union avec %1, ses événements et "
                                                 "ses liens d'enfants ? (Édition › Annuler la "
                                                 "rétablit.)")
                                      .arg(un.conjoint)))
            appliquer(m_actions->supprimerUnion(rang));
        return;
    case 2:
        if (const auto nouveau = editer(static_cast<int>(TFait::Pour::Union), {}, false)) {
            faits.push_back(*nouveau);
            appliquer(m_actions->ecrireFaitsDUnion(
                QStringLiteral("ajout : %1").arg(resumeDuFait(*nouveau)), rang, faits));
        }
        return;
    case 3:
        if (!evenementChoisi) return;
        if (const auto nouveau = editer(static_cast<int>(TFait::Pour::Union),
                                        faits[static_cast<std::size_t>(e)], false);
            nouveau && *nouveau != faits[static_cast<std::size_t>(e)]) {
            faits[static_cast<std::size_t>(e)] = *nouveau;
            appliquer(m_actions->ecrireFaitsDUnion(
                QStringLiteral("modification : %1").arg(resumeDuFait(*nouveau)), rang, faits));
        }
        return;
    case 4:
        if (!evenementChoisi ||
            !m_dialogues.confirmer(QStringLiteral("Supprimer « %1 » ? (Édition › Annuler le "
                                                  "rétablit.)")
                                       .arg(resumeDuFait(faits[static_cast<std::size_t>(e)]))))
            return;
        faits.erase(faits.begin() + e);
        appliquer(m_actions->ecrireFaitsDUnion(QStringLiteral("suppression d'un événement"), rang,
                                               faits));
        return;
    case 5:
    case 6: {
        const int autre = e + (action == 5 ? -1 : 1);
        if (!evenementChoisi || autre < 0 || static_cast<std::size_t>(autre) >= faits.size())
            return;
        std::swap(faits[static_cast<std::size_t>(e)], faits[static_cast<std::size_t>(autre)]);
        appliquer(
            m_actions->ecrireFaitsDUnion(QStringLiteral("ordre des événements"), rang, faits));
        evenementsUnion.liste->setCurrentRow(autre);
        return;
    }
    case 7:
        return appliquer(m_actions->ajouterEnfant(rang));
    case 8: {
        const int k = EnfantsUnion->currentRow();
        if (k < 0 || static_cast<std::size_t>(k) >= un.enfants.size()) return;
        return appliquer(
            m_actions->retirerEnfant(rang, un.enfants[static_cast<std::size_t>(k)].fiche));
    }
    default:
        return;
    }
}
