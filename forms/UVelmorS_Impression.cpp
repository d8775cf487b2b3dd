// The printer choice, the printout of the whole file, its preview and its PDF.
#include "forms/UVelmorS.h"

#include "data/Erreurs.h"
#include "data/FichiersSurs.h"
#include "data/OperationsFichier.h"
#include "forms/uArbre.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
#include "platform/ImprimanteQt.h"
#include "print/ArbrePapier.h"
#include "print/uImprime.h"

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
    if (!OuvrirFichier(*m_FichierGenea, m_CheminFichier, m_dialogues)) return false;
    FermetureGarantie fermeture(*m_FichierGenea);
    travail();
    m_FichierGenea->fermer();
    return true;
}

bool TForm1::ecrireListingDuFichier() {
    refuserSiFichierGenealogie(NomFichierListing, m_CheminFichier, QStringLiteral("Le listing"));
    return surLeFichier([this] { ecrireFichierListing(*m_FichierGenea, NomFichierListing); });
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
    m_dialogues.apercu(imprimanteChoisie(), [this](QPrinter& imprimante) {
        // Painting happens inside the preview's own events: errors stop here.
        executerCommande(m_dialogues, [&] {
            ImprimanteQt service(imprimante);
            imprimerListingSur(service);
        });
    });
}

void TForm1::ExporterPdf1Click() {
    if (!ecrireListingDuFichier()) return;
    exporterListingEnPdf();
}

void TForm1::exporterListingEnPdf() {
    const auto choix = m_dialogues.enregistrerFichier(
        {TitreExportPdf, QStringLiteral("*.PDF"), FiltrePdf, m_RepProgramme, QString()});
    if (!choix) return;
    refuserSiFichierGenealogie(*choix, m_CheminFichier, QStringLiteral("Le document PDF"));
    EcritureAtomique document(*choix);
    {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setOutputFileName(document.cheminTemporaire());
        ImprimanteQt service(pdf);
        imprimerListingSur(service);
    }
    validerPdf(document);
}

void TForm1::ImprimerArbreClick() {
    if (!imprimanteDisponible()) {
        m_dialogues.message(QStringLiteral("Aucune imprimante n'est installée : le bouton Exporter "
                                           "enregistre l'arbre en PDF, en SVG ou en image PNG."));
        return;
    }
    QPrinter& imprimante = imprimanteChoisie();
    imprimante.setDocName(QStringLiteral("Cinq générations"));
    imprimante.setPageOrientation(QPageLayout::Landscape);
    QPainter peintre;
    const bool commence = peintre.begin(&imprimante);
    imprimante.setPageOrientation(QPageLayout::Portrait);
    if (!commence) throw ErreurVelmoris(QStringLiteral("L'impression de l'arbre a été refusée"));
    peindreDessinArbre(peintre, Form3->dessin(),
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
    refuserSiFichierGenealogie(chemin, m_CheminFichier, QStringLiteral("L'arbre"));
    exporterDessinArbre(Form3->dessin(), chemin);
}
