// The printer choice, the printout of the whole file, its preview and its PDF.
#include "forms/UVelmorS.h"

#include "data/Erreurs.h"
#include "data/FichiersSurs.h"
#include "data/OperationsFichier.h"
#include "forms/uArbre.h"
#include "platform/Commande.h"
#include "platform/Dialogues.h"
#include "platform/ImprimanteQt.h"
#include "print/uImprime.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
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

namespace {

// The chart as it appears, scaled to fit the page and centred.
void peindreArbre(QPagedPaintDevice& page, int resolution) {
    QPainter peintre;
    if (!peintre.begin(&page))
        throw ErreurVelmoris(QStringLiteral("L'impression de l'arbre a été refusée"));
    const QRect cible = page.pageLayout().paintRectPixels(resolution);
    const QSize taille = Form3->size();
    const double echelle =
        std::min(double(cible.width()) / taille.width(), double(cible.height()) / taille.height());
    peintre.translate((cible.width() - taille.width() * echelle) / 2,
                      (cible.height() - taille.height() * echelle) / 2);
    peintre.scale(echelle, echelle);
    Form3->render(&peintre, {}, {}, QWidget::DrawChildren);
    peintre.end();
}

} // namespace

void TForm1::ImprimerArbreClick() {
    if (!imprimanteDisponible()) {
        m_dialogues.message(QStringLiteral("Aucune imprimante n'est installée : le bouton Exporter "
                                           "enregistre l'arbre en image ou en PDF."));
        return;
    }
    QPrinter& imprimante = imprimanteChoisie();
    imprimante.setDocName(QStringLiteral("Cinq générations"));
    imprimante.setPageOrientation(QPageLayout::Landscape);
    peindreArbre(imprimante, imprimante.resolution());
    imprimante.setPageOrientation(QPageLayout::Portrait);
}

void TForm1::ExporterArbreClick() {
    const auto choix = m_dialogues.enregistrerFichier(
        {QStringLiteral("Exporter l'arbre"), QStringLiteral("*.PNG"),
         QStringLiteral("Image PNG ou document PDF |*.PNG;*.PDF"), m_RepProgramme, QString()});
    if (!choix) return;
    QString chemin = *choix;
    if (QFileInfo(chemin).suffix().isEmpty()) chemin += QStringLiteral(".png");
    refuserSiFichierGenealogie(chemin, m_CheminFichier, QStringLiteral("L'arbre"));
    EcritureAtomique sortie(chemin);
    if (chemin.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        {
            QPdfWriter pdf(sortie.cheminTemporaire());
            pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                          QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
            peindreArbre(pdf, pdf.resolution());
        }
        validerPdf(sortie);
        return;
    }
    QByteArray png;
    QBuffer tampon(&png);
    tampon.open(QIODevice::WriteOnly);
    if (!Form3->grab().save(&tampon, "PNG"))
        throw ErreurVelmoris(
            QStringLiteral("L'arbre n'a pas pu être enregistré dans « %1 »").arg(chemin));
    sortie.ecrire(png);
    sortie.valider();
}
