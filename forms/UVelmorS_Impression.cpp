// The printer choice and the printout of the whole file.
#include "forms/UVelmorS.h"

#include "data/OperationsFichier.h"
#include "platform/Dialogues.h"
#include "platform/ImprimanteQt.h"
#include "print/uImprime.h"

#include <QPrinter>

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

void TForm1::Choixdelimprimante1Click() { m_dialogues.configurerImprimante(imprimanteChoisie()); }

void TForm1::Imprimer1Click() {
    if (!OuvrirFichier(*m_FichierGenea, m_CheminFichier, m_dialogues)) return;
    {
        FermetureGarantie fermeture(*m_FichierGenea);
        ecrireFichierListing(*m_FichierGenea, NomFichierListing);
        m_FichierGenea->fermer();
    }
    if (!m_serviceImpression) m_serviceImpression = std::make_unique<ImprimanteQt>(imprimanteChoisie());
    ImprimerFichier(NomFichierListing, windowTitle(), Imprimante::Orientation::Portrait, 80, 70,
                    *m_serviceImpression, m_dialogues);
}
