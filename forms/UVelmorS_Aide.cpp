// The user manual, the help file and the About box.
#include "forms/UVelmorS.h"

#include "forms/uAbout.h"
#include "platform/Dialogues.h"

namespace {
constexpr int AfficherFenetre = 5; // activate, at its current size and place
}

void TForm1::BtAideClick() {
    // The separator is always added, even after a directory that ends in one.
    LancerCommande(QStringLiteral("explorer.exe ") + m_RepProgramme + QStringLiteral("/GENEA.pdf"),
                   AfficherFenetre);
}

// The launcher takes the whole line, however long: a cut line would name
// another document.
void TForm1::LancerCommande(const QString& ligne, int) { m_dialogues.lancer(ligne); }

void TForm1::Fichierdaide1Click() {
    m_fichierAide = m_RepProgramme + QStringLiteral("/GENEA.HLP");
    m_dialogues.afficherSommaireAide(m_fichierAide);
}

void TForm1::Apropos1Click() {
    m_dialogues.executerModal(*AboutBox);
    AboutBox->hide();
}
