// The user manual, the help file and the About box.
#include "forms/UVelmorS.h"

#include "data/fichier/Erreurs.h"
#include "forms/uAbout.h"
#include "platform/Dialogues.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
constexpr int AfficherFenetre = 5; // activate, at its current size and place
}

// The manual in the start-up directory first, then beside the program, then
// where the installation puts it. The separator is always added, even after a
// directory that ends in one.
QString TForm1::cheminDuManuel() const {
    const QString programme = QCoreApplication::applicationDirPath();
    const QString candidats[] = {m_RepProgramme + QStringLiteral("/GENEA.pdf"),
                                 programme + QStringLiteral("/GENEA.pdf"),
                                 programme + QStringLiteral("/../share/velmoris/GENEA.pdf")};
    for (const QString& chemin : candidats)
        if (QFileInfo::exists(chemin)) return chemin;
    return candidats[0];
}

// When nothing can show the manual, the user learns where it is.
void TForm1::BtAideClick() {
    const QString manuel = cheminDuManuel();
    if (LancerCommande(QStringLiteral("explorer.exe ") + manuel, AfficherFenetre)) return;
    if (!QFileInfo::exists(manuel))
        m_dialogues.message(QStringLiteral("Le manuel GENEA.pdf est introuvable : il devrait se "
                                           "trouver ici :\r") +
                            manuel);
    else
        m_dialogues.message(QStringLiteral("Aucun lecteur de documents PDF n'est installé pour "
                                           "ouvrir le manuel. Vous le trouverez ici :\r") +
                            manuel +
                            QStringLiteral("\rInstallez un lecteur de PDF (Evince ou Okular par "
                                           "exemple) pour l'ouvrir depuis Velmoris."));
}

// The launcher takes the whole line, however long: a cut line would name
// another document.
bool TForm1::LancerCommande(const QString& ligne, int) {
    return m_dialogues.lancer(ligne);
}

// Without a viewer for the old help file, the manual takes its place, or
// the user learns where it is, as with the help button.
void TForm1::Fichierdaide1Click() {
    m_fichierAide = m_RepProgramme + QStringLiteral("/GENEA.HLP");
    try {
        m_dialogues.afficherSommaireAide(m_fichierAide);
    } catch (const ErreurVelmoris&) {
        BtAideClick();
    }
}

void TForm1::Apropos1Click() {
    m_dialogues.executerModal(*AboutBox);
    AboutBox->hide();
}
