// The printer choice, the printout of the whole file, its preview and its PDF.
#include "forms/UVelmorS.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/rapports/Rapports.h"
#include "forms/uArbre.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
#include "platform/ImprimanteQt.h"
#include "print/ArbrePapier.h"
#include "print/uImprime.h"
#include "session/OuvrirFichier.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

const QString TitreExportPdf = QStringLiteral("Exporter en PDF");
const QString FiltrePdf = QStringLiteral("Documents PDF |*.PDF");

} // namespace

QPrinter& TForm1::imprimanteChoisie() {
    if (!m_imprimante) {
        m_imprimante = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_imprimante->setPageSize(QPageSize(QPageSize::A4));
    }
    return *m_imprimante;
}

void TForm1::definirServiceImpression(std::unique_ptr<Imprimante> service) {
    m_serviceImpression = std::move(service);
}

// Without any printer Qt falls back on a PDF printer with no file to write:
// that is no printer for the user.
bool TForm1::imprimanteDisponible() {
    const QPrinter& imprimante = imprimanteChoisie();
    const bool pdfNomme =
        imprimante.outputFormat() == QPrinter::PdfFormat && !imprimante.outputFileName().isEmpty();
    return m_serviceImpression || pdfNomme || !QPrinterInfo::availablePrinters().isEmpty();
}

void TForm1::Choixdelimprimante1Click() {
    m_dialogues.configurerImprimante(imprimanteChoisie());
}

// The listing stage: every record of the current file into the listing file.
bool TForm1::surLeFichier(const std::function<void()>& travail) {
    if (!m_seance->ouvrir()) return false;
    FermetureGarantie fermeture(m_seance->fichier());
    travail();
    m_seance->fichier().fermer();
    return true;
}

// The listing is the file as it stands unless the user chooses to protect
// the persons presumed living.
bool TForm1::ecrireListingDuFichier() {
    refuserSiFichierGenealogie(NomFichierListing, m_seance->chemin(), QStringLiteral("Le listing"));
    const auto c = choisirLaConfidentialite(QStringLiteral("ce listing"), nullptr, true);
    if (!c) return false;
    return surLeFichier([&] { ecrireFichierListing(m_seance->fichier(), NomFichierListing, &*c); });
}

void TForm1::imprimerListingSur(Imprimante& imprimante) {
    ImprimerFichier(NomFichierListing, windowTitle(), Imprimante::Orientation::Portrait, 80, 70,
                    imprimante, m_dialogues);
}

void TForm1::Imprimer1Click() {
    if (!ecrireListingDuFichier()) return;
    // Without any printer the listing would go nowhere: the PDF is offered instead.
    if (!imprimanteDisponible()) {
        if (m_dialogues.questionAvertissement(
                QStringLiteral("Aucune imprimante n'est installée.\rVoulez-vous enregistrer le "
                               "listing dans un fichier PDF ?")))
            exporterListingEnPdf();
        return;
    }
    if (!m_serviceImpression)
        m_serviceImpression = std::make_unique<ImprimanteQt>(imprimanteChoisie());
    imprimerListingSur(*m_serviceImpression);
}

void TForm1::Apercu1Click() {
    if (!ecrireListingDuFichier()) return;
    const auto peindre = [this](QPrinter& imprimante) {
        ImprimanteQt service(imprimante);
        imprimerListingSur(service);
    };
    montrerApercu(titreDuListing(), peindre);
}

// The preview of a document, whose "Enregistrer en PDF" proposes the
// document's own name beside the genealogy file; a printer set to print into
// a PDF file proposes that name too, not the one of the previous document.
void TForm1::montrerApercu(const QString& titre, const std::function<void(QPrinter&)>& peindre) {
    QPrinter& imprimante = imprimanteChoisie();
    imprimante.setDocName(titre);
    if (imprimante.outputFormat() == QPrinter::PdfFormat)
        imprimante.setOutputFileName(cheminPdfPropose(titre));
    m_dialogues.apercu(
        imprimante,
        [this, &peindre](QPrinter& p) {
            // Painting happens inside the preview's own events: errors stop here.
            executerCommande(m_dialogues, [&] { peindre(p); });
        },
        [this, &titre, &peindre] {
            executerCommande(m_dialogues, [&] { enregistrerEnPdf(titre, peindre); });
        });
}

// The folder of the genealogy file, where its documents belong.
QString TForm1::dossierDesDocuments() const {
    return m_seance->chemin().isEmpty() ? m_RepProgramme
                                        : QFileInfo(m_seance->chemin()).absolutePath();
}

QString TForm1::cheminPdfPropose(const QString& titre) const {
    QString nom = titre;
    // Characters no file name may hold on the usual desktops.
    for (QChar& c : nom)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20) c = u'-';
    nom = nom.simplified();
    // "…Jr." gives "…Jr.pdf", never a name ending in two dots.
    while (nom.endsWith(u'.'))
        nom.chop(1);
    if (nom.isEmpty()) nom = QStringLiteral("document");
    return QDir(dossierDesDocuments()).filePath(nom + QStringLiteral(".pdf"));
}

QString TForm1::titreDuListing() const {
    return QStringLiteral("Listing de ") + QFileInfo(m_seance->chemin()).completeBaseName();
}

void TForm1::enregistrerEnPdf(const QString& titre, const std::function<void(QPrinter&)>& peindre) {
    const QString propose = cheminPdfPropose(titre);
    const auto choix =
        m_dialogues.enregistrerFichier({TitreExportPdf, QStringLiteral("*.PDF"), FiltrePdf,
                                        QFileInfo(propose).path(), QFileInfo(propose).fileName()});
    if (!choix) return;
    refuserSiFichierGenealogie(*choix, m_seance->chemin(), QStringLiteral("Le document PDF"));
    EcritureAtomique document(*choix);
    {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setDocName(titre);
        pdf.setOutputFileName(document.cheminTemporaire());
        peindre(pdf);
    }
    validerPdf(document);
}

void TForm1::ExporterPdf1Click() {
    if (!ecrireListingDuFichier()) return;
    exporterListingEnPdf();
}

void TForm1::exporterListingEnPdf() {
    enregistrerEnPdf(titreDuListing(), [this](QPrinter& pdf) {
        ImprimanteQt service(pdf);
        imprimerListingSur(service);
    });
}

// The chart as it may be published: the boxes of persons presumed living
// drawn from their records as the privacy leaves them.
std::optional<DessinArbre> TForm1::dessinPublie() {
    std::vector<std::int32_t> concernes;
    for (const QPlainTextEdit* b : Form3->boites())
        for (const std::int32_t n : Form3->fichesDe(b))
            concernes.push_back(n);
    const auto c = choisirLaConfidentialite(QStringLiteral("cet arbre"), &concernes);
    if (!c) return std::nullopt;
    if (!c->actif()) return Form3->dessin();
    DessinArbre dessin;
    surLeFichier([&] {
        FichierConfidentiel publie(m_seance->fichier(), *c);
        dessin =
            Form3->dessin([&](const QList<std::int32_t>& fiches) -> std::optional<QStringList> {
                if (std::none_of(fiches.begin(), fiches.end(), [&](std::int32_t n) {
                        return c->protege(n) || c->conjointProtege(n);
                    }))
                    return std::nullopt;
                QStringList lignes;
                TFiche f;
                for (const std::int32_t n : fiches) {
                    if (c->exclu(n)) continue;
                    publie.positionner(n);
                    publie.lire(f);
                    lignes << lignesDeBoite(f);
                }
                return lignes;
            });
    });
    return dessin;
}

void TForm1::ImprimerArbreClick() {
    if (!imprimanteDisponible()) {
        m_dialogues.message(QStringLiteral("Aucune imprimante n'est installée : le bouton Exporter "
                                           "enregistre l'arbre en PDF, en SVG ou en image PNG."));
        return;
    }
    const auto dessin = dessinPublie();
    if (!dessin) return;
    QPrinter& imprimante = imprimanteChoisie();
    imprimante.setDocName(QStringLiteral("Cinq générations"));
    imprimante.setPageOrientation(QPageLayout::Landscape);
    QPainter peintre;
    const bool commence = peintre.begin(&imprimante);
    imprimante.setPageOrientation(QPageLayout::Portrait);
    if (!commence) throw ErreurVelmoris(QStringLiteral("L'impression de l'arbre a été refusée"));
    peindreDessinArbre(peintre, *dessin,
                       imprimante.pageLayout().paintRectPixels(imprimante.resolution()));
    peintre.end();
}

// Drawn for paper, not captured from the screen: vector PDF and SVG, or a
// PNG at print resolution.
void TForm1::ExporterArbreClick() {
    const auto choix = m_dialogues.enregistrerFichier(
        {QStringLiteral("Exporter l'arbre"), QStringLiteral("*.PDF"),
         QStringLiteral("Document PDF, dessin SVG ou image PNG |*.PDF;*.SVG;*.PNG"), m_RepProgramme,
         QString()});
    if (!choix) return;
    QString chemin = *choix;
    const QString extension = QFileInfo(chemin).suffix().toLower();
    if (extension != u"pdf" && extension != u"svg" && extension != u"png")
        chemin += QStringLiteral(".pdf");
    refuserSiFichierGenealogie(chemin, m_seance->chemin(), QStringLiteral("L'arbre"));
    const auto dessin = dessinPublie();
    if (!dessin) return;
    exporterDessinArbre(*dessin, chemin);
}
