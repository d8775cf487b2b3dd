// The five-generation chart, the name search and the portrait browse.
#include "forms/UVelmorS.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/Texte.h"
#include "data/recherche/Recherches.h"
#include "forms/UEnfants.h"
#include "forms/uArbre.h"
#include "platform/ChargeurImage.h"
#include "platform/Dialogues.h"
#include "session/OuvrirFichier.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {

constexpr int BoitesEnfants = 8;
const QString TitreRecherche = QStringLiteral("RECHERCHE ARBRE GENEALOGIQUE");

} // namespace

TForm1::Parents TForm1::ChercherParents(const TFiche& fiche, QPlainTextEdit* boitePere,
                                        QPlainTextEdit* boiteMere) {
    Parents parents;
    parents.pereTrouve = fiche.Pere != -1;
    if (parents.pereTrouve) {
        m_seance->fichier().positionner(fiche.Pere);
        m_seance->fichier().lire(parents.pere);
        RemplirMemo(boitePere, parents.pere);
        Form3->noterFiche(boitePere, fiche.Pere);
    }
    parents.mereTrouvee = fiche.Mere != -1;
    if (parents.mereTrouvee) {
        m_seance->fichier().positionner(fiche.Mere);
        m_seance->fichier().lire(parents.mere);
        RemplirMemo(boiteMere, parents.mere);
        Form3->noterFiche(boiteMere, fiche.Mere);
    }
    return parents;
}

// The ancestors of one side: a parent, its parents, and theirs.
void TForm1::remplirAscendance(const TFiche& parent, QPlainTextEdit* const boites[6]) {
    const Parents grandsParents = ChercherParents(parent, boites[0], boites[1]);
    if (grandsParents.pereTrouve) ChercherParents(grandsParents.pere, boites[2], boites[3]);
    if (grandsParents.mereTrouvee) ChercherParents(grandsParents.mere, boites[4], boites[5]);
}

// Each child keeps the box of its rank; ranks 9 and 10 go below the box
// filled last, or into the last box when none was.
void TForm1::remplirEnfants() {
    const std::int64_t nombre = m_seance->fichier().nombreFiches();
    QPlainTextEdit* dernierRempli = nullptr;
    TFiche enfant;
    for (int rang = 1; rang <= emplacementsEnfants(m_FicheCourante.NbEnfants); ++rang) {
        const std::int32_t numero = m_FicheCourante.Enfants[static_cast<std::size_t>(rang - 1)];
        if (numero == -1) continue;
        bool lu = numero >= 0 && numero < nombre;
        if (lu) {
            try {
                m_seance->fichier().positionner(numero);
                m_seance->fichier().lire(enfant);
            } catch (const ErreurES&) {
                lu = false;
            }
        }
        if (!lu) {
            m_dialogues.message(
                QStringLiteral("Le chaînage Enfant ne correspond pas au nombre d'enfants"));
            continue;
        }
        QPlainTextEdit* boite = rang <= BoitesEnfants ? Form3->boiteEnfant(rang)
                                : dernierRempli       ? dernierRempli
                                                      : Form3->boiteEnfant(BoitesEnfants);
        RemplirMemo(boite, enfant);
        Form3->noterFiche(boite, numero);
        dernierRempli = boite;
    }
}

void TForm1::SbArbreClick() {
    if (!m_seance->ouvrir()) return;
    FermetureGarantie fermeture(m_seance->fichier());
    Form3->viderBoites();
    RemplirMemo(Form3->MPers, m_FicheCourante);
    Form3->noterFiche(Form3->MPers, numeroCourant(-1));
    const Parents parents = ChercherParents(m_FicheCourante, Form3->MP, Form3->MM);
    if (parents.pereTrouve) {
        QPlainTextEdit* const boites[6] = {Form3->mgpp,  Form3->mgmp,  Form3->MAGP1,
                                           Form3->MAGP2, Form3->MAGP3, Form3->MAGP4};
        remplirAscendance(parents.pere, boites);
    }
    if (parents.mereTrouvee) {
        QPlainTextEdit* const boites[6] = {Form3->mgpm,  Form3->mgmm,  Form3->MAGP5,
                                           Form3->MAGP6, Form3->MAGP7, Form3->MAGP8};
        remplirAscendance(parents.mere, boites);
    }
    remplirEnfants();
    m_seance->fichier().fermer();
    TFiche conjoint = m_FicheCourante;
    const std::int32_t numeroConjoint = ChercherConjoint(conjoint);
    RemplirMemo(Form3->MC, conjoint);
    Form3->noterFiche(Form3->MC, numeroConjoint);
    Form3->montrerAutresUnions(autresUnions(numeroConjoint));
    Form3->terminerRemplissage();
    Form3->show();
    Form3->raise();
}

// The spouses the store knows besides the one shown; the records alone know
// one spouse, and the chart reads nothing more for them.
int TForm1::autresUnions(std::int32_t conjointMontre) {
    std::vector<std::int32_t> autres;
    surLeFichier([&] {
        const auto connues = famillesConnues();
        if (!connues) return;
        for (const UnionConnue& u : connues->unions(m_seance->numeroExige(), m_FicheCourante))
            if (u.conjoint >= 0 && u.conjoint != conjointMontre &&
                std::find(autres.begin(), autres.end(), u.conjoint) == autres.end())
                autres.push_back(u.conjoint);
    });
    return static_cast<int>(autres.size());
}

void TForm1::SbRechercherClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    if (!m_seance->ouvrir()) return;
    FermetureGarantie fermeture(m_seance->fichier());
    MontrePM();
    const QString nom =
        m_dialogues.saisie(TitreRecherche, QStringLiteral("Quel nom cherchez-vous ?"), QString())
            .left(25);
    const QString prenom =
        m_dialogues.saisie(TitreRecherche, QStringLiteral("Quel prénom cherchez-vous ?"), QString())
            .left(25);
    Form2->commencer(QStringLiteral("Sélectionnez une personne et cliquez sur Fermer, ou Annuler"));
    rechercherNoms(m_seance->fichier(), CritereNom(nom, prenom),
                   [](std::int32_t numero, const TFiche& fiche) {
                       Form2->ajouter(lignePersonne(fiche), numero);
                   });
    m_seance->fichier().fermer();
    if (const auto choix = Form2->choisir(m_dialogues)) {
        MontrePM();
        pAfficherEnreg(*choix);
    }
}

void TForm1::BtPhotoClick() {
    const QString actuelle = IPhoto->isHidden() ? QString() : m_FicheCourante.Photo.texte();
    const auto choix = m_dialogues.ouvrirFichier(
        {QStringLiteral("Nom du fichier image"), QStringLiteral("*.JPG;*.BMP"),
         QStringLiteral("Fichiers Images (BMP et JPG)|*.JPG;*.BMP"), m_RepDonnees, QString()});
    if (!choix) {
        // No picture on display: the next save stores none.
        IPhoto->hide();
        m_PhotoChoisie.clear();
        return;
    }
    // The genealogy file holds Windows-1252 text: a path it cannot hold would
    // be stored damaged and never found again.
    if (!cp1252::representable(*choix)) {
        m_dialogues.message(
            QStringLiteral("Le chemin de cette image contient des caractères que le fichier de "
                           "généalogie ne peut pas enregistrer :\r") +
            *choix +
            QStringLiteral("\rRenommez l'image ou son dossier, puis choisissez-la de nouveau."));
        return;
    }
    // A cut path would name another file, and the portrait would be lost at
    // the next display.
    if (choix->size() > decltype(TFiche::Photo)::largeur) {
        m_dialogues.message(
            QStringLiteral("Le chemin de cette image a %1 caractères, et le fichier de "
                           "généalogie n'en garde que %2 :\r")
                .arg(choix->size())
                .arg(decltype(TFiche::Photo)::largeur) +
            *choix +
            QStringLiteral("\rRangez l'image dans un dossier au chemin plus court, ou dans le "
                           "dossier PHOTOS à côté du fichier de généalogie, puis choisissez-la "
                           "de nouveau."));
        return;
    }
    m_PhotoChoisie = *choix;
    IPhoto->show();
    montrerImage(chargerImage(*choix));
    if (majusculesAZ(*choix) != majusculesAZ(actuelle)) marquerModifie();
}
