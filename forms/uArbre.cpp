#include "forms/uArbre.h"

#include "platform/BoutonImage.h"
#include "platform/Polices.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>

TForm3* Form3 = nullptr;

QStringList lignesDeBoite(const TFiche& fiche) {
    return {fiche.Nom.texte() + u' ' + fiche.Prenom.texte(),
            QStringLiteral("N : ") + fiche.DateNaissance.texte(),
            QStringLiteral("M : ") + fiche.DateMariage.texte(),
            QStringLiteral("D : ") + fiche.DateDeces.texte()};
}

void RemplirMemo(QPlainTextEdit* boite, const TFiche& fiche) {
    for (const QString& ligne : lignesDeBoite(fiche))
        boite->appendPlainText(ligne);
}

TForm3::TForm3(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Cinq générations"));
    setFont(police(QStringLiteral("MS Sans Serif"), 10));
    setFixedSize(646, 480);
    move(138, 109);

    // The lines first, so that the boxes lie over their ends.
    creerConnecteurs();
    MAGP1 = boite("MAGP1", {8, 48, 73, 65});
    MAGP2 = boite("MAGP2", {80, 48, 73, 65});
    MAGP3 = boite("MAGP3", {168, 48, 73, 65});
    MAGP4 = boite("MAGP4", {240, 48, 73, 65});
    MAGP5 = boite("MAGP5", {328, 48, 73, 65});
    MAGP6 = boite("MAGP6", {400, 48, 73, 65});
    MAGP7 = boite("MAGP7", {488, 48, 73, 65});
    MAGP8 = boite("MAGP8", {560, 48, 73, 65});
    mgpp = boite("mgpp", {8, 136, 113, 73});
    mgmp = boite("mgmp", {200, 136, 113, 73});
    mgpm = boite("mgpm", {328, 136, 113, 73});
    mgmm = boite("mgmm", {520, 136, 113, 73});
    MP = boite("MP", {96, 224, 129, 65});
    MM = boite("MM", {416, 224, 129, 65});
    MC = boite("MC", {8, 296, 121, 65}, QStringLiteral("green"));
    MPers = boite("MPers", {256, 304, 137, 65}, QStringLiteral("red"));
    ME1 = boite("ME1", {8, 384, 73, 65});
    ME2 = boite("ME2", {80, 384, 73, 65});
    ME3 = boite("ME3", {168, 384, 73, 65});
    ME4 = boite("ME4", {240, 384, 73, 65});
    ME5 = boite("ME5", {328, 384, 73, 65});
    ME6 = boite("ME6", {400, 384, 73, 65});
    Me7 = boite("Me7", {488, 384, 73, 65});
    Me8 = boite("Me8", {557, 384, 73, 65});
    creerTextesFixes();

    connect(MPers, &QPlainTextEdit::textChanged, this, &TForm3::MPersChange);
    // A double-click on a filled box makes that person the pivot.
    for (QPlainTextEdit* b : boites())
        b->viewport()->installEventFilter(this);
}

TForm3::~TForm3() {
    if (Form3 == this) Form3 = nullptr;
}

QPlainTextEdit* TForm3::boite(const char* nom, QRect geometrie, const QString& couleur) {
    auto* b = new QPlainTextEdit(this);
    b->setObjectName(QString::fromLatin1(nom));
    b->setGeometry(geometrie);
    b->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A box shows what fits, as a memo without scroll bars does.
    b->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    b->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    b->setDocumentTitle({});
    b->document()->setDocumentMargin(1);
    if (!couleur.isEmpty()) b->setStyleSheet(QStringLiteral("color: %1").arg(couleur));
    return b;
}

void TForm3::creerConnecteurs() {
    int numero = 1;
    auto ligne = [this, &numero](int x, int y, int largeur, int hauteur) {
        auto* trait = new QFrame(this);
        trait->setObjectName(QStringLiteral("Bevel%1").arg(numero++));
        const bool verticale = largeur == 0;
        trait->setFrameShape(verticale ? QFrame::VLine : QFrame::HLine);
        trait->setFrameShadow(QFrame::Sunken);
        trait->setGeometry(x, y, verticale ? 2 : largeur, verticale ? hauteur : 2);
    };
    for (int x : {56, 104, 216, 264, 376, 424, 536, 584})
        ligne(x, 96, 0, 137 - 96);
    for (int x : {80, 240, 400, 560})
        ligne(x, 184, 0, 249 - 184);
    for (int x : {80, 200, 400, 520})
        ligne(x, 248, 41, 0);
    for (int x : {160, 480})
        ligne(x, 272, 0, 329 - 272);
    ligne(128, 328, 33, 0);
    ligne(160, 328, 121, 0);
    ligne(360, 328, 121, 0);
    ligne(320, 352, 0, 377 - 352);
    ligne(40, 376, 553, 0);
    for (int x : {40, 120, 208, 272, 368, 432, 520, 592})
        ligne(x, 376, 0, 401 - 376);
}

void TForm3::creerTextesFixes() {
    const QFont titre = police(QStringLiteral("MS Sans Serif"), 16, true);
    Panel1 = new QLabel(QStringLiteral("Arborescence ascendante et descendante"), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(152, 0, 369, 25);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFont(titre);
    Panel1->setStyleSheet(QStringLiteral("color: red"));
    ajusterALaLargeur(Panel1, 369 - 8);

    const struct {
        const char* nom;
        const char* texte;
        int x, y;
    } etiquettes[] = {{"Label7", "Arrières grands parents paternels", 88, 32},
                      {"Label8", "Arrières grands parents maternels", 400, 32},
                      {"Label3", "Grands parents", 128, 136},
                      {"Label4", "parternels", 144, 160},
                      {"Label5", "Grands parents", 440, 136},
                      {"Label6", "maternels", 456, 160},
                      {"Label1", "PERE", 144, 208},
                      {"Label2", "MERE", 464, 208},
                      {"Label11", "Conjoint(e)", 40, 280},
                      {"Label9", "Enfants", 144, 360},
                      {"Label10", "Enfants", 464, 360}};
    for (const auto& e : etiquettes) {
        auto* label = new QLabel(QString::fromUtf8(e.texte), this);
        label->setObjectName(QString::fromLatin1(e.nom));
        label->move(e.x, e.y);
        label->adjustSize();
    }

    StaticText1 = new QLabel(QStringLiteral("Personnage pivot"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(248, 272, 144, 24);
    StaticText1->setFrameStyle(QFrame::Box | QFrame::Plain);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setFont(titre);
    StaticText1->setAutoFillBackground(true);
    StaticText1->setStyleSheet(
        QStringLiteral("color: red; background-color: palette(midlight); border: 1px solid black"));
    ajusterALaLargeur(StaticText1, 144 - 6);

    SbSortie = new BoutonImage(QStringLiteral("Sortir"), Glyphe::Sortie, 24,
                               BoutonImage::Disposition::ImageGauche, this);
    SbSortie->setObjectName(QStringLiteral("SbSortie"));
    SbSortie->setGeometry(520, 304, 81, 49);
    connect(SbSortie, &QAbstractButton::clicked, this, &TForm3::SbSortieClick);

    // Below the child boxes, clear of every control of the chart.
    BtImprimer = new QPushButton(QStringLiteral("Imprimer"), this);
    BtImprimer->setObjectName(QStringLiteral("BtImprimer"));
    BtImprimer->setGeometry(472, 454, 76, 22);
    connect(BtImprimer, &QPushButton::clicked, this, &TForm3::impressionDemandee);
    BtExporter = new QPushButton(QStringLiteral("Exporter"), this);
    BtExporter->setObjectName(QStringLiteral("BtExporter"));
    BtExporter->setGeometry(554, 454, 76, 22);
    connect(BtExporter, &QPushButton::clicked, this, &TForm3::exportDemande);
    // Back to the previous pivot; beside the other buttons, clear of the chart.
    BtRetour = new QPushButton(QStringLiteral("Retour"), this);
    BtRetour->setObjectName(QStringLiteral("BtRetour"));
    BtRetour->setGeometry(390, 454, 76, 22);
    BtRetour->setToolTip(QStringLiteral("Revenir au personnage pivot précédent (Alt+Gauche)"));
    BtRetour->setEnabled(false);
    connect(BtRetour, &QPushButton::clicked, this, &TForm3::retourDemande);
    auto* sortie = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(sortie, &QShortcut::activated, this, &TForm3::SbSortieClick);
    auto* retour = new QShortcut(QKeySequence(QStringLiteral("Alt+Left")), this);
    connect(retour, &QShortcut::activated, this, [this] {
        if (BtRetour->isEnabled()) emit retourDemande();
    });
}

DessinArbre TForm3::dessin(const TexteAPublier& aPublier) const {
    DessinArbre d;
    d.taille = size();
    d.police = MPers->font();
    for (const QFrame* trait : findChildren<QFrame*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (trait->objectName().startsWith(QStringLiteral("Bevel")))
            d.traits.push_back(trait->geometry());
    }
    for (const QLabel* l : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        DessinArbre::Texte t;
        t.place = l->geometry();
        t.texte = l->text();
        t.police = l->font();
        t.couleur = l == Panel1 || l == StaticText1 ? QColor(Qt::red) : QColor(Qt::black);
        t.cadre = l == Panel1 || l == StaticText1;
        if (l == StaticText1) t.fond = QColor(0xE0, 0xE0, 0xE0);
        d.textes.push_back(t);
    }
    for (const QPlainTextEdit* b : boites()) {
        DessinArbre::Boite boite;
        boite.place = b->geometry();
        const QString texte = b->toPlainText();
        if (!texte.isEmpty()) boite.lignes = texte.split(u'\n');
        if (aPublier)
            if (auto publie = aPublier(fichesDe(b))) boite.lignes = *publie;
        boite.couleur = b == MPers ? QColor(Qt::red)
                        : b == MC  ? QColor(Qt::darkGreen)
                                   : QColor(Qt::black);
        d.boites.push_back(boite);
    }
    return d;
}

void TForm3::viderBoites() {
    for (QPlainTextEdit* b : boites()) {
        b->clear();
        b->setToolTip({});
    }
    m_fiches.clear();
}

void TForm3::noterFiche(QPlainTextEdit* boite, std::int32_t numero) {
    if (numero >= 0) m_fiches[boite].push_back(numero);
}

std::int32_t TForm3::ficheDe(const QPlainTextEdit* boite) const {
    return m_fiches.value(boite).value(0, -1);
}

QList<std::int32_t> TForm3::fichesDe(const QPlainTextEdit* boite) const {
    return m_fiches.value(boite);
}

void TForm3::montrerAutresUnions(int autres) {
    if (!m_autresUnions) {
        // Under the spouse's box, above the children's: the one free strip.
        m_autresUnions = new QLabel(this);
        m_autresUnions->setObjectName(QStringLiteral("LAutresUnions"));
        m_autresUnions->setGeometry(8, 363, 121, 16);
        m_autresUnions->setStyleSheet(QStringLiteral("color: green"));
    }
    m_autresUnions->setText(autres <= 0   ? QString()
                            : autres == 1 ? QStringLiteral("et 1 autre union")
                                          : QStringLiteral("et %1 autres unions").arg(autres));
    m_autresUnions->setVisible(autres > 0);
}

void TForm3::terminerRemplissage() {
    // The boxes are narrow: the whole text, names and dates, on hovering.
    for (QPlainTextEdit* b : boites()) {
        // A box that holds several persons (the children past the eighth
        // join the last one) shows its first from the top.
        b->moveCursor(QTextCursor::Start);
        b->ensureCursorVisible();
        const QList<std::int32_t> fiches = fichesDe(b);
        if (fiches.size() == 1)
            b->setToolTip(b->toPlainText() +
                          QStringLiteral("\n(fiche %1 — double-clic pour en faire le pivot)")
                              .arg(fiches.front()));
        else if (fiches.size() > 1) {
            QStringList numeros;
            for (const std::int32_t n : fiches)
                numeros << QString::number(n);
            b->setToolTip(b->toPlainText() +
                          QStringLiteral("\n(fiches %1 — double-clic pour choisir le pivot)")
                              .arg(numeros.join(QStringLiteral(", "))));
        }
    }
    BtRetour->setEnabled(!m_historique.isEmpty());
}

void TForm3::retenirPivot(std::int32_t numero) {
    m_historique.push_back(numero);
}

void TForm3::oublierPivotPrecedent() {
    if (!m_historique.isEmpty()) m_historique.pop_back();
}

bool TForm3::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::MouseButtonDblClick)
        for (QPlainTextEdit* b : boites())
            if (b->viewport() == objet && ficheDe(b) >= 0) {
                if (fichesDe(b).size() > 1)
                    emit choixDuPivotDemande(fichesDe(b));
                else
                    emit pivotDemande(ficheDe(b));
                return true;
            }
    return QWidget::eventFilter(objet, evenement);
}

QList<QPlainTextEdit*> TForm3::boites() const {
    return {MAGP1, MAGP2, MAGP3, MAGP4, MAGP5, MAGP6, MAGP7, MAGP8, mgpp, mgmp, mgpm, mgmm,
            MP,    MM,    MC,    MPers, ME1,   ME2,   ME3,   ME4,   ME5,  ME6,  Me7,  Me8};
}

QPlainTextEdit* TForm3::boiteEnfant(int rang) const {
    const QPlainTextEdit* const enfants[] = {ME1, ME2, ME3, ME4, ME5, ME6, Me7, Me8};
    return const_cast<QPlainTextEdit*>(enfants[rang - 1]);
}
