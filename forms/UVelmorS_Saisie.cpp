// New record, the save prompt, the date check, saving and deletion.
#include "forms/UVelmorS.h"

#include "data/fichier/DatesSaisies.h"

#include "data/complements/Complements.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/Modification.h"
#include "data/fichier/Texte.h"
#include "data/fichier/Translitteration.h"
#include "data/rapports/Rapports.h"
#include "platform/BoutonImage.h"
#include "platform/Dialogues.h"
#include "session/Commandes.h"
#include "session/OuvrirFichier.h"

#include <QComboBox>
#include <QLineEdit>

#include <vector>

void TForm1::passerEnNouvelleFiche() {
    viderEditsSaisie();
    montrerNumero(-1);
    ENom->setFocus();
    selectionnerQualite(0);
    for (QWidget* w :
         {static_cast<QWidget*>(ENP), static_cast<QWidget*>(EPP), static_cast<QWidget*>(ENM),
          static_cast<QWidget*>(EPM), static_cast<QWidget*>(IPhoto)})
        w->hide();
    m_PhotoChoisie.clear();
    ViderFiche(m_FicheCourante);
    SbSupprimer->setText(QStringLiteral("Supprimer"));
    m_Modifie = false;
    m_remplacement = false;
    actualiserMenuEdition();
}

void TForm1::SbNouveauClick() {
    if (m_Modifie && !DemanderEnregistrement()) return;
    passerEnNouvelleFiche();
}

// True when the command that asked may go on: the user answered No, or the
// save completed. A save that did not complete keeps the edits on the form.
bool TForm1::DemanderEnregistrement() {
    if (!m_dialogues.questionAvertissement(QuestionEnregistrer)) return true;
    return enregistrer();
}

bool TForm1::DateValide(const QString& date) {
    if (dateAcceptable(date)) return true;
    m_dialogues.message(
        QStringLiteral("La date ") + date +
        QStringLiteral(" doit contenir une année à quatre chiffres entre 1000 et 2050"));
    return false;
}

void TForm1::SbEnregistrerClick() {
    enregistrer();
}

// A date is checked when the user typed it: one that the file already held
// (kept by an import, written by another program) does not block every later
// save of that person; the file check lists those dates.
bool TForm1::dateSaisieValide(const QLineEdit* edit, const ChampTexte<10>& stockee) {
    const bool inchangee = m_seance->numero() >= 0 && edit->text() == stockee.texte();
    if (inchangee) return true;
    // Another calendar, a double year, "avant 1750": checked as the record will hold it.
    const DateSaisie d = lireDateSaisie(edit->text());
    if (!d.valide) {
        m_dialogues.message(d.erreur);
        return false;
    }
    if (d.fiche.size() > 10) {
        m_dialogues.message(QStringLiteral("La date « %1 » ne tient pas dans les dix caractères "
                                           "de la fiche : tapez-la sous une forme courte "
                                           "(12/03/1750, vers 1750, avant 1750, entre 1750 et "
                                           "1760…), ou en calendrier républicain ou julien.")
                                .arg(edit->text().simplified()));
        return false;
    }
    return d.fiche == edit->text().simplified() ? DateValide(edit->text()) : DateValide(d.fiche);
}

bool TForm1::datesSaisiesValides() {
    return dateSaisieValide(EDN, m_FicheCourante.DateNaissance) &&
           dateSaisieValide(EDM, m_FicheCourante.DateMariage) &&
           dateSaisieValide(EDD, m_FicheCourante.DateDeces);
}

// The record keeps the number of children in one byte: a number it cannot
// hold is refused, not stored as another one.
bool TForm1::nombreEnfantsTientDansLaFiche() {
    int nombre = 0;
    const QString texte = ENBE->text();
    // A text that is no number gets the conversion error when the form is copied.
    if (texte.isEmpty() || !lireEntier(texte, nombre) || (nombre >= 0 && nombre <= 255))
        return true;
    m_dialogues.message(QStringLiteral("Le nombre d'enfants %1 ne tient pas dans la fiche : "
                                       "tapez un nombre de 0 à 255.")
                            .arg(texte.trimmed()));
    return false;
}

// A person with neither surname nor given names is most often a form emptied
// by "Changer Nom" or "Nouveau" and saved by habit: the user confirms it,
// knowing whose record it would replace.
bool TForm1::ficheSansNomAcceptee() {
    if (!ENom->text().trimmed().isEmpty() || !EPrenom->text().trimmed().isEmpty()) return true;
    const int numero = m_seance->numero();
    QString remplacee;
    auto lireLaRemplacee = [&] {
        if (numero >= m_seance->fichier().nombreFiches()) return;
        TFiche fiche;
        m_seance->fichier().positionner(numero);
        m_seance->fichier().lire(fiche);
        if (!fiche.Nom.vide() || !fiche.Prenom.vide()) remplacee = nomComplet(fiche);
    };
    // The linking asks with the file already open.
    if (numero >= 0) {
        if (m_seance->fichier().estOuvert())
            lireLaRemplacee();
        else if (fichierExiste(m_seance->chemin()))
            surLeFichier(lireLaRemplacee);
    }
    return m_dialogues.confirmer(
        remplacee.isEmpty()
            ? QStringLiteral("Cette fiche n'a ni nom ni prénoms. L'enregistrer quand même ?")
            : QStringLiteral("La fiche n° %1 de %2 serait remplacée par une fiche sans nom ni "
                             "prénoms. L'enregistrer quand même ?")
                  .arg(numero)
                  .arg(remplacee));
}

bool TForm1::saisieEnregistrable() {
    return datesSaisiesValides() && nombreEnfantsTientDansLaFiche() && ficheSansNomAcceptee();
}

// Opens the current file, or, when there is none, the file named in the save
// dialog: an existing file is opened as it is, never emptied.
bool TForm1::ouvrirOuCreerPourEnregistrer(bool& parDialogue) {
    parDialogue = false;
    if (fichierExiste(m_seance->chemin())) {
        try {
            m_seance->rejouerJournal(m_seance->chemin());
            m_seance->fichier().ouvrir(m_seance->chemin());
        } catch (const ErreurES&) {
            m_dialogues.message(QStringLiteral("Problème avec le fichier ") + m_seance->chemin());
            return false;
        }
        return true;
    }
    const auto choix = choisirFichierGenealogie(
        true, {QStringLiteral("Nom du fichier de généalogie"), QStringLiteral("*.FIC"),
               QStringLiteral("Fichiers de généalogie |*.FIC"), m_RepProgramme, QString(), false});
    if (!choix) return false;
    if (fichierExiste(*choix)) {
        m_seance->fichier().ouvrir(*choix);
    } else {
        creerFichierNeuf(*choix);
        m_seance->fichier().ouvrir(*choix);
    }
    m_seance->nommer(*choix);
    parDialogue = true;
    memoriserFichierCourant();
    return true;
}

bool TForm1::enregistrer(bool dejaControlee) {
    if (!dejaControlee && !saisieEnregistrable()) return false;
    bool parDialogue = false;
    if (!ouvrirOuCreerPourEnregistrer(parDialogue)) return false;
    FermetureGarantie fermeture(m_seance->fichier());
    if (parDialogue) {
        setWindowTitle(m_seance->chemin());
        // Links name records of the file the person was read from, not of this one.
        m_FicheCourante.Pere = m_FicheCourante.Mere = -1;
        m_FicheCourante.Enfants.fill(-1);
    }

    const std::int64_t nombre = m_seance->fichier().nombreFiches();
    std::int64_t numero = nombre;
    if (!parDialogue && m_seance->numero() >= 0) numero = m_seance->numero();
    // Never leave a run of empty records before the one written (the file
    // may have been cut by another program since the display).
    if (numero > nombre || numero < 0) numero = nombre;
    montrerNumero(static_cast<std::int32_t>(numero));

    // The record as it was, for the companion entries that follow it.
    TFiche avant;
    if (numero < nombre) {
        m_seance->fichier().positionner(numero);
        m_seance->fichier().lire(avant);
    }
    const QStringList romanises = copierFormulaireDansFiche();
    const auto n = static_cast<std::int32_t>(numero);
    m_seance->ecrireChangement(
        enregistrementDeLaFiche(n, nombre, avant, m_FicheCourante, m_remplacement),
        partDuMagasin(n, nombre, avant), !m_datesEntieres.empty());
    m_seance->fichier().fermer();
    pAfficherEnreg(static_cast<std::int32_t>(numero));
    actualiserIndex();
    signalerRomanisation(romanises);
    signalerMariageEnPartie(n);
    return true;
}

// The store's part of a save: its entries follow the record, and the dates
// the record holds only in part are kept whole.
PartDuMagasin TForm1::partDuMagasin(std::int32_t n, std::int64_t nombre, const TFiche& avant) {
    PartDuMagasin suivi = suiviDesComplements(n, nombre, avant, m_FicheCourante, m_remplacement);
    if (m_datesEntieres.empty()) return suivi;
    return [suivi = std::move(suivi), dates = m_datesEntieres, n,
            apres = m_FicheCourante](Complements& c) {
        if (suivi) suivi(c);
        for (const auto& [champ, date] : dates)
            if (champ == "MARR")
                c.ecrireDateDuPremierMariage(n, apres, date);
            else
                c.ecrireDateEntiere(n, apres, champ, date);
    };
}

// A whole marriage date is kept in the person's first union: without one,
// only the record's part is, and the user is told where to add the union.
void TForm1::signalerMariageEnPartie(std::int32_t n) {
    const auto mariage = std::find_if(m_datesEntieres.begin(), m_datesEntieres.end(),
                                      [](const auto& d) { return d.first == "MARR"; });
    if (mariage == m_datesEntieres.end()) return;
    Complements* base = complements();
    if (base && base->dateDuPremierMariage(n, m_FicheCourante) == mariage->second) return;
    m_dialogues.message(QStringLiteral("La fiche garde « %1 » de la date de mariage. Pour garder "
                                       "la date entière, ajoutez l'union dans la fiche complète "
                                       "(Ctrl+K), puis tapez la date à nouveau.")
                            .arg(m_FicheCourante.DateMariage.texte()));
}

void TForm1::signalerRomanisation(const QStringList& romanises) {
    if (romanises.isEmpty()) return;
    m_dialogues.message(
        QStringLiteral("Le fichier de généalogie ne peut pas garder certains caractères tels "
                       "quels : ils ont été remplacés par les lettres latines les plus "
                       "proches.\r") +
        romanises.join(u'\r'));
}

// Returns one line for each field whose text the code page could not hold
// as typed, with what is stored instead.
QStringList TForm1::copierFormulaireDansFiche() {
    // The only step that can fail comes first, so a refused number changes nothing.
    const int enfants = ENBE->text().isEmpty() ? 0 : versEntier(ENBE->text());
    QStringList romanises;
    auto copier = [&](auto& champ, QLineEdit* edit, const char* nomChamp) {
        const QString saisi = edit->text();
        const QString stocke = versCp1252(saisi);
        champ.definir(stocke);
        if (stocke != saisi)
            romanises << QStringLiteral("%1 : « %2 » devient « %3 »")
                             .arg(QString::fromUtf8(nomChamp), saisi, champ.texte());
    };
    TFiche& f = m_FicheCourante;
    f.Qualite = static_cast<std::uint8_t>(indexQualite());
    copier(f.Nom, ENom, "Nom");
    copier(f.Prenom, EPrenom, "Prénoms");
    // A date beyond the record's forms: the record holds what it can, the
    // store the whole date (the marriage's in the person's first union).
    m_datesEntieres.clear();
    auto copierDate = [&](ChampTexte<10>& champ, QLineEdit* edit, const char* nomChamp,
                          const char* etiquette) {
        const DateSaisie d = lireDateSaisie(edit->text());
        if (!d.valide || d.fiche == edit->text().simplified()) return copier(champ, edit, nomChamp);
        champ.definir(d.fiche);
        if (!d.gedcom.isEmpty() && etiquette)
            m_datesEntieres.push_back({etiquette, d.gedcom.toStdString()});
    };
    copierDate(f.DateNaissance, EDN, "Date de naissance", "BIRT");
    copierDate(f.DateMariage, EDM, "Date de mariage", "MARR");
    copierDate(f.DateDeces, EDD, "Date de décès", "DEAT");
    copier(f.LieuNaissance, ELN, "Lieu de naissance");
    copier(f.LieuMariage, ELM, "Lieu de mariage");
    copier(f.LieuDeces, ELD, "Lieu de décès");
    f.NbEnfants = static_cast<std::uint8_t>(enfants);
    copier(f.Profession, EProfession, "Profession");
    appliquerRegleDuPortrait();
    return romanises;
}

void TForm1::appliquerRegleDuPortrait() {
    if (IPhoto->isHidden()) {
        m_FicheCourante.Photo.vider();
    } else if (!m_PhotoChoisie.isEmpty()) {
        if (majusculesAZ(extensionDe(m_PhotoChoisie)) == u".FIC")
            m_FicheCourante.Photo.vider();
        else
            m_FicheCourante.Photo.definir(m_PhotoChoisie);
    }
}

void TForm1::SbSupprimerClick() {
    if (m_seance->numero() < 0) return;
    const int a = m_seance->numero();
    if (!m_seance->ouvrir()) return;
    FermetureGarantie fermeture(m_seance->fichier());
    const std::int64_t dernier = m_seance->fichier().nombreFiches() - 1;
    if (a < dernier) {
        m_dialogues.message(QStringLiteral("Seul le dernier enregistrement peut-être supprimé\r"
                                           "Remplacez celui-ci par un autre nom"));
        m_remplacement = true;
        viderEditsSaisie();
        // The portrait was the replaced person's: it does not pass to the new one.
        IPhoto->hide();
        m_PhotoChoisie.clear();
        marquerModifie();
        m_seance->fichier().fermer();
        return;
    }
    if (a > dernier || !m_dialogues.questionAttention(QStringLiteral(
                           "Voulez-vous vraiment supprimer le dernier enregistrement"))) {
        m_seance->fichier().fermer();
        return;
    }
    bool supprimerComplements = false;
    if (!decisionSurLesComplements(static_cast<std::int32_t>(dernier), supprimerComplements)) {
        m_seance->fichier().fermer();
        return;
    }
    MontrePM();
    // The store's entries of the record go (or are detached) with it, and
    // come back with it on an undo.
    const auto numero = static_cast<std::int32_t>(dernier);
    m_seance->ecrireChangement(
        suppressionDeLaDerniere(m_seance->fichier(), numero),
        complements() ? complementsDeLaSupprimee(numero, supprimerComplements) : PartDuMagasin());
    m_seance->fichier().fermer();
    if (a >= 1)
        pAfficherEnreg(a - 1);
    else
        passerEnNouvelleFiche(); // the file is now empty
    actualiserIndex();
}
