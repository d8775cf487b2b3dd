#include "forms/uFait.h"

#include "data/fichier/Dates.h"
#include "data/fichier/DatesSaisies.h"
#include "data/fichier/Erreurs.h"
#include "platform/Polices.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// A stored GEDCOM date as the user types one: the record's form when it
// says it all, the French words of another calendar otherwise.
QString dateAMontrer(const std::string& gedcom) {
    if (gedcom.empty()) return {};
    const QString g = QString::fromStdString(gedcom);
    const DateImportee d = dateDepuisGedcom(g);
    if (d.ecart == DateImportee::Ecart::Aucun && !d.fiche.isEmpty()) return d.fiche;
    return dateGedcomEnClair(gedcom);
}

} // namespace

TFait::TFait(Pour pour, const FaitSaisi& fait, bool dateDeLaFiche,
             std::vector<SourceConnue> sources, NouvelleSource nouvelleSource, QWidget* parent)
    : QDialog(parent), m_pour(pour), m_origine(fait), m_sources(std::move(sources)),
      m_nouvelleSource(std::move(nouvelleSource)) {
    setObjectName(QStringLiteral("Fait"));
    setWindowTitle(pour == Pour::Nom        ? QStringLiteral("Nom")
                   : pour == Pour::Note     ? QStringLiteral("Note")
                   : pour == Pour::Citation ? QStringLiteral("Source citée")
                                            : QStringLiteral("Événement ou fait"));
    setFont(policeFenetre());
    auto* formulaire = new QFormLayout;
    CbGenre = new QComboBox(this);
    CbGenre->setObjectName(QStringLiteral("CbGenre"));
    int choisi = -1;
    for (const GenreDeFait& g : genres()) {
        if (g.etiquette == fait.etiquette && (g.type.empty() || g.type == fait.type) && choisi < 0)
            choisi = CbGenre->count();
        CbGenre->addItem(g.libelle);
    }
    if (choisi < 0 && !fait.etiquette.empty()) { // a kind the list does not offer: kept
        choisi = CbGenre->count();
        CbGenre->addItem(libelleDEtiquette(fait.etiquette));
    }
    CbGenre->setCurrentIndex(std::max(choisi, 0));
    EType = new QLineEdit(QString::fromStdString(fait.type), this);
    EType->setObjectName(QStringLiteral("EType"));
    EValeur = new QLineEdit(QString::fromStdString(fait.valeur), this);
    EValeur->setObjectName(QStringLiteral("EValeur"));
    m_dateMontree = dateAMontrer(fait.date);
    EDate = new QLineEdit(m_dateMontree, this);
    EDate->setObjectName(QStringLiteral("EDate"));
    EDate->setMaxLength(60);
    LDate = new QLabel(this);
    ELieu = new QLineEdit(QString::fromStdString(fait.lieu), this);
    ELieu->setObjectName(QStringLiteral("ELieu"));
    ENote = new QPlainTextEdit(QString::fromStdString(pour == Pour::Note ? fait.valeur : fait.note),
                               this);
    ENote->setObjectName(QStringLiteral("ENote"));
    ENote->setTabChangesFocus(true);
    ENote->setMaximumHeight(pour == Pour::Note ? 16777215 : 70);
    // The record's own date and place are typed on the entry form.
    for (QLineEdit* e : {EDate, ELieu}) {
        e->setReadOnly(dateDeLaFiche);
        if (dateDeLaFiche)
            e->setToolTip(
                QStringLiteral("La date et le lieu de la fiche se modifient sur la fiche"));
    }
    connect(EDate, &QLineEdit::textChanged, this, [this] { montrerLaDate(); });
    auto* ligneDate = new QHBoxLayout;
    ligneDate->addWidget(EDate, 1);
    ligneDate->addWidget(LDate);
    const bool evenement = pour == Pour::Personne || pour == Pour::Union;
    if (evenement) formulaire->addRow(QStringLiteral("&Genre :"), CbGenre);
    if (evenement) formulaire->addRow(QStringLiteral("&Type précis :"), EType);
    if (pour != Pour::Note && pour != Pour::Citation)
        formulaire->addRow(pour == Pour::Nom ? QStringLiteral("&Nom (Prénoms /NOM/) :")
                                             : QStringLiteral("&Description :"),
                           EValeur);
    if (evenement) {
        auto* etiquetteDate = new QLabel(QStringLiteral("&Date :"), this);
        etiquetteDate->setBuddy(EDate);
        formulaire->addRow(etiquetteDate, ligneDate);
        formulaire->addRow(QStringLiteral("&Lieu :"), ELieu);
    }
    if (pour != Pour::Citation)
        formulaire->addRow(
            pour == Pour::Note ? QStringLiteral("&Texte :") : QStringLiteral("N&ote :"), ENote);
    // What this kind of fact does not show stays out of the window.
    if (!evenement)
        for (QWidget* w : std::initializer_list<QWidget*>{CbGenre, EType, EDate, LDate, ELieu})
            w->hide();
    if (pour == Pour::Note || pour == Pour::Citation) EValeur->hide();
    if (pour == Pour::Citation) ENote->hide();

    Citations = new QTableWidget(0, 2, this);
    Citations->setObjectName(QStringLiteral("Citations"));
    Citations->setHorizontalHeaderLabels(
        {QStringLiteral("Source"), QStringLiteral("Page, vue, acte")});
    Citations->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    Citations->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    Citations->verticalHeader()->hide();
    Citations->setMinimumHeight(110);
    for (const CitationSaisie& c : fait.citations)
        ajouterLigne(c);
    BtCiter = new QPushButton(QStringLiteral("&Citer une source"), this);
    BtCiter->setObjectName(QStringLiteral("BtCiter"));
    BtNouvelleSource = new QPushButton(QStringLiteral("No&uvelle source…"), this);
    BtNouvelleSource->setObjectName(QStringLiteral("BtNouvelleSource"));
    BtRetirer = new QPushButton(QStringLiteral("&Retirer la citation"), this);
    BtRetirer->setObjectName(QStringLiteral("BtRetirer"));
    connect(BtCiter, &QPushButton::clicked, this, [this] {
        if (m_sources.empty()) {
            BtNouvelleSource->click();
            return;
        }
        citer(m_sources.front().xref);
    });
    connect(BtNouvelleSource, &QPushButton::clicked, this, [this] {
        if (const auto xref = m_nouvelleSource ? m_nouvelleSource() : std::nullopt) citer(*xref);
    });
    connect(BtRetirer, &QPushButton::clicked, this, [this] {
        if (Citations->currentRow() >= 0) Citations->removeRow(Citations->currentRow());
    });
    auto* boutonsCitation = new QHBoxLayout;
    boutonsCitation->addWidget(BtCiter);
    boutonsCitation->addWidget(BtNouvelleSource);
    boutonsCitation->addWidget(BtRetirer);
    boutonsCitation->addStretch(1);

    BtOK = new QPushButton(QStringLiteral("OK"), this);
    BtOK->setObjectName(QStringLiteral("BtOK"));
    BtOK->setDefault(true);
    BtAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    connect(BtOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(BtOK);
    bas->addWidget(BtAnnuler);
    auto* tout = new QVBoxLayout(this);
    tout->addLayout(formulaire);
    if (pour != Pour::Note) {
        tout->addWidget(new QLabel(QStringLiteral("Sources qui le prouvent :"), this));
        tout->addWidget(Citations, 1);
        tout->addLayout(boutonsCitation);
    } else {
        Citations->hide();
        for (QPushButton* b : {BtCiter, BtNouvelleSource, BtRetirer})
            b->hide();
    }
    tout->addLayout(bas);
    resize(560, pour == Pour::Citation ? 260 : 460);
    montrerLaDate();
}

const std::vector<GenreDeFait>& TFait::genres() const {
    static const std::vector<GenreDeFait> aucun;
    return m_pour == Pour::Personne ? genresDeFaitsDePersonne()
           : m_pour == Pour::Union  ? genresDeFaitsDUnion()
                                    : aucun;
}

void TFait::ajouterLigne(const CitationSaisie& c) {
    const int ligne = Citations->rowCount();
    Citations->insertRow(ligne);
    auto* source = new QComboBox(Citations);
    source->setObjectName(QStringLiteral("CbSource%1").arg(ligne));
    int choisie = -1;
    for (const SourceConnue& s : m_sources) {
        if (s.xref == c.source) choisie = source->count();
        source->addItem(s.titre, QString::fromStdString(s.xref));
    }
    if (choisie < 0) { // a source the list does not have (a text, a lost pointer): kept
        choisie = source->count();
        source->addItem(QString::fromStdString(c.source), QString::fromStdString(c.source));
    }
    source->setCurrentIndex(choisie);
    Citations->setCellWidget(ligne, 0, source);
    auto* page = new QTableWidgetItem(QString::fromStdString(c.page));
    page->setData(Qt::UserRole, c.origine);
    Citations->setItem(ligne, 1, page);
}

void TFait::citer(const std::string& source, const QString& page) {
    if (std::none_of(m_sources.begin(), m_sources.end(),
                     [&](const SourceConnue& s) { return s.xref == source; }))
        m_sources.push_back({source, QString::fromStdString(source)});
    ajouterLigne({source, page.toStdString(), -1});
    Citations->setCurrentCell(Citations->rowCount() - 1, 1);
}

void TFait::montrerLaDate() {
    if (EDate->text() == m_dateMontree) {
        LDate->setText(m_origine.date.empty() ? QString() : dateGedcomEnClair(m_origine.date));
        return;
    }
    const DateSaisie d = lireDateSaisie(EDate->text());
    LDate->setText(!d.valide                 ? QStringLiteral("date inexistante")
                   : !d.equivalent.isEmpty() ? QStringLiteral("= ") + d.equivalent
                                             : QString());
}

FaitSaisi TFait::fait() const {
    FaitSaisi f = m_origine;
    if (const auto& g = genres(); CbGenre->currentIndex() >= 0 &&
                                  static_cast<std::size_t>(CbGenre->currentIndex()) < g.size()) {
        const GenreDeFait& genre = g[static_cast<std::size_t>(CbGenre->currentIndex())];
        f.etiquette = genre.etiquette;
        f.type = EType->text().trimmed().isEmpty() ? genre.type
                                                   : EType->text().simplified().toStdString();
    } else {
        f.type = EType->text().simplified().toStdString();
    }
    if (m_pour == Pour::Note) {
        f.valeur = ENote->toPlainText().trimmed().toStdString();
    } else {
        f.valeur = EValeur->text().simplified().toStdString();
        f.note = ENote->toPlainText().trimmed().toStdString();
    }
    f.lieu = ELieu->text().simplified().toStdString();
    if (EDate->text() != m_dateMontree) {
        const DateSaisie d = lireDateSaisie(EDate->text().simplified());
        if (!d.valide) throw ErreurVelmoris(d.erreur);
        f.date = (d.gedcom.isEmpty() ? dateGedcom(d.fiche) : d.gedcom).toStdString();
    }
    f.citations.clear();
    for (int i = 0; i < Citations->rowCount(); ++i) {
        const auto* source = static_cast<QComboBox*>(Citations->cellWidget(i, 0));
        const QTableWidgetItem* page = Citations->item(i, 1);
        f.citations.push_back({source->currentData().toString().toStdString(),
                               page ? page->text().simplified().toStdString() : std::string(),
                               page ? page->data(Qt::UserRole).toInt() : -1});
    }
    return f;
}
