// Enters two acts in a genealogy file as a user would in "Saisir un acte",
// for the exchange check with Gramps: genea_acte FICHIER.FIC
// A baptism of a new child of the file's first person, with its register,
// godparents and their professions; a marriage with both spouses' parents
// and two witnesses, cited in the same register.
#include "data/fichier/Erreurs.h"
#include "session/Seance.h"
#include "tools/DialoguesMuets.h"

#include <QApplication>

#include <cstdio>

namespace {

PersonneDeLActe nouvelle(const char* nom, const char* prenoms, const char* profession = "") {
    PersonneDeLActe p;
    p.nom = QString::fromUtf8(nom);
    p.prenoms = QString::fromUtf8(prenoms);
    p.profession = QString::fromUtf8(profession);
    return p;
}

SourceDeLActe registre(const char* vue, const char* numero) {
    return {QStringLiteral("AD Finistère"), QStringLiteral("Morlaix"),
            registresConnus().front(),      QStringLiteral("1795-1796"),
            QStringLiteral("3 E 152/4"),    QString::fromUtf8(vue),
            QString::fromUtf8(numero),      QStringLiteral("ark:/67033/a011234")};
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList a = application.arguments();
    if (a.size() != 2) {
        std::fprintf(stderr, "usage : genea_acte FICHIER.FIC\n");
        return 2;
    }
    DialoguesMuets dialogues;
    Seance seance(dialogues, std::make_unique<FichierDisque>());
    seance.changerDeFichier(a[1]);
    try {
        Acte bapteme;
        bapteme.genre = GenreActe::Bapteme;
        bapteme.date = QStringLiteral("12 vendémiaire an IV");
        bapteme.lieu = QStringLiteral("Saint-Martin-des-Champs, Morlaix, Finistère, France");
        bapteme.source = registre("34", "12");
        bapteme.personnes = {nouvelle("DURAND", "Yves"),
                             {},
                             {},
                             nouvelle("MADEC", "Jean", "laboureur"),
                             nouvelle("LE ROUX", "Marie")};
        bapteme.personnes[1].fiche = 0;
        seance.enregistrerActe(bapteme);
        Acte mariage;
        mariage.genre = GenreActe::Mariage;
        mariage.date = QStringLiteral("3 pluviôse an IV");
        mariage.lieu = QStringLiteral("Morlaix, Finistère, France");
        mariage.source = registre("40", "3");
        mariage.personnes = {nouvelle("KERJEAN", "Alain", "tisserand"),
                             nouvelle("LE BIHAN", "Anne"),
                             nouvelle("KERJEAN", "Louis"),
                             nouvelle("MORVAN", "Jeanne"),
                             nouvelle("LE BIHAN", "Guillaume"),
                             nouvelle("CORRE", "Marie"),
                             nouvelle("MADEC", "Jean"),
                             nouvelle("QUÉRÉ", "Hervé"),
                             {},
                             {}};
        seance.enregistrerActe(mariage);
    } catch (const ErreurVelmoris& e) {
        std::fprintf(stderr, "genea_acte : %s\n", e.what());
        return 1;
    }
    return 0;
}
