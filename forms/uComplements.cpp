#include "forms/uComplements.h"

#include "platform/Polices.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

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

TComplements::TComplements(const QString& personne, const VueComplements& vue,
                           const QString& raisonSansNote, QWidget* parent)
    : QDialog(parent), m_noteInitiale(vue.note) {
    setObjectName(QStringLiteral("Complements"));
    setWindowTitle(QStringLiteral("Compléments"));
    setFont(policeFenetre());
    resize(640, 560);
    LPersonne = new QLabel(personne, this);
    LPersonne->setObjectName(QStringLiteral("LPersonne"));
    LPersonne->setWordWrap(true);
    QFont gras = LPersonne->font();
    gras.setBold(true);
    LPersonne->setFont(gras);
    Texte = new QTextBrowser(this);
    Texte->setObjectName(QStringLiteral("Texte"));
    Texte->setOpenLinks(false);
    Texte->setHtml(enHtml(vue));
    Texte->moveCursor(QTextCursor::Start);
    LNote = new QLabel(raisonSansNote.isEmpty()
                           ? QStringLiteral("&Votre note sur cette personne :")
                           : QStringLiteral("Votre note (elle ne peut pas être modifiée : %1) :")
                                 .arg(raisonSansNote),
                       this);
    LNote->setWordWrap(true);
    Note = new QPlainTextEdit(this);
    Note->setObjectName(QStringLiteral("Note"));
    Note->setPlainText(vue.note);
    Note->setReadOnly(!raisonSansNote.isEmpty());
    Note->setTabChangesFocus(true);
    LNote->setBuddy(Note);
    BtEnregistrer = new QPushButton(QStringLiteral("&Enregistrer la note"), this);
    BtEnregistrer->setObjectName(QStringLiteral("BtEnregistrer"));
    BtEnregistrer->setVisible(raisonSansNote.isEmpty());
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
    tout->addWidget(Texte, 3);
    tout->addWidget(LNote);
    tout->addWidget(Note, 1);
    tout->addLayout(bas);
}

QString TComplements::note() const {
    return Note->toPlainText();
}

bool TComplements::noteModifiee() const {
    return !Note->isReadOnly() && Note->toPlainText() != m_noteInitiale;
}

TComplementsDetaches::TComplementsDetaches(const std::vector<EntreeDetachee>& entrees,
                                           Contenu contenu, QWidget* parent)
    : QDialog(parent), m_contenu(std::move(contenu)) {
    setObjectName(QStringLiteral("ComplementsDetaches"));
    setWindowTitle(QStringLiteral("Compléments détachés"));
    setFont(policeFenetre());
    resize(680, 520);
    auto* explication = new QLabel(
        QStringLiteral("Ces compléments ne correspondent plus à la personne de leur fiche : ils "
                       "ne sont ni montrés ni exportés avec elle. Rattachez-les à la bonne "
                       "fiche, ou supprimez-les."),
        this);
    explication->setWordWrap(true);
    Liste = new QListWidget(this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setWordWrap(true);
    Liste->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Detail = new QTextBrowser(this);
    Detail->setObjectName(QStringLiteral("Detail"));
    BtRattacher = new QPushButton(QStringLiteral("&Rattacher à une fiche…"), this);
    BtRattacher->setObjectName(QStringLiteral("BtRattacher"));
    BtSupprimer = new QPushButton(QStringLiteral("&Supprimer"), this);
    BtSupprimer->setObjectName(QStringLiteral("BtSupprimer"));
    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setDefault(true);
    connect(Liste, &QListWidget::currentRowChanged, this, [this] { montrerDetail(); });
    connect(BtRattacher, &QPushButton::clicked, this, [this] {
        if (const std::int64_t id = entreeChoisie()) emit rattachementDemande(id);
    });
    connect(BtSupprimer, &QPushButton::clicked, this, [this] {
        if (const std::int64_t id = entreeChoisie()) emit suppressionDemandee(id);
    });
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::accept);

    auto* bas = new QHBoxLayout;
    bas->addWidget(BtRattacher);
    bas->addWidget(BtSupprimer);
    bas->addStretch(1);
    bas->addWidget(BtFermer);
    auto* tout = new QVBoxLayout(this);
    tout->addWidget(explication);
    tout->addWidget(Liste, 1);
    tout->addWidget(Detail, 1);
    tout->addLayout(bas);
    remplir(entrees);
}

void TComplementsDetaches::remplir(const std::vector<EntreeDetachee>& entrees) {
    Liste->clear();
    for (const EntreeDetachee& e : entrees) {
        auto* ligne = new QListWidgetItem(QStringLiteral("%1 — écrit pour la fiche %2\n    %3")
                                              .arg(empreinteLisible(e.empreinte))
                                              .arg(e.fiche)
                                              .arg(e.raison),
                                          Liste);
        ligne->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(e.id));
    }
    if (Liste->count()) Liste->setCurrentRow(0);
    BtRattacher->setEnabled(Liste->count() > 0);
    BtSupprimer->setEnabled(Liste->count() > 0);
    montrerDetail();
}

std::int64_t TComplementsDetaches::entreeChoisie() const {
    const QListWidgetItem* ligne = Liste->currentItem();
    return ligne ? ligne->data(Qt::UserRole).toLongLong() : 0;
}

void TComplementsDetaches::montrerDetail() {
    const std::int64_t id = entreeChoisie();
    Detail->setPlainText(id ? m_contenu(id).join(u'\n')
                            : QStringLiteral("Aucun complément détaché."));
}
