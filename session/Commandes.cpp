#include "session/Commandes.h"

#include "data/complements/Complements.h"
#include "data/gedcom/ComplementsDImport.h"
#include "data/gedcom/EchangeGedcom.h"
#include "data/rapports/Rapports.h"
#include "data/recherche/Parente.h"

#include <algorithm>

Modification enregistrementDeLaFiche(std::int32_t numero, std::int64_t nombre, const TFiche& avant,
                                     const TFiche& apres, bool remplacement) {
    Modification modification;
    const QString nom = nomComplet(apres);
    if (numero >= nombre)
        modification.libelle = QStringLiteral("la création %1").arg(deNom(nom));
    else if (remplacement)
        modification.libelle =
            QStringLiteral("le remplacement %1 par %2").arg(deNom(nomComplet(avant)), nom);
    else
        modification.libelle = QStringLiteral("l'enregistrement %1").arg(deNom(nom));
    modification.personne = numero;
    modification.fiches[numero] = apres;
    return modification;
}

PartDuMagasin suiviDesComplements(std::int32_t numero, std::int64_t nombre, const TFiche& avant,
                                  const TFiche& apres, bool remplacement) {
    if (numero >= nombre) return {};
    return [=](Complements& c) { c.suivreEnregistrement(numero, avant, apres, remplacement); };
}

namespace {

// Which links of a record name a given number: father, mother, then the ten
// child slots, one bit each.
std::uint16_t liensVers(const TFiche& fiche, std::int32_t numero) {
    std::uint16_t masque = 0;
    if (fiche.Pere == numero) masque |= 1u;
    if (fiche.Mere == numero) masque |= 2u;
    for (int s = 0; s < NbEmplacementsEnfants; ++s)
        if (fiche.Enfants[static_cast<std::size_t>(s)] == numero) masque |= 4u << s;
    return masque;
}

void remplacerLiens(TFiche& fiche, std::uint16_t masque, std::int32_t valeur) {
    if (masque & 1u) fiche.Pere = valeur;
    if (masque & 2u) fiche.Mere = valeur;
    for (int s = 0; s < NbEmplacementsEnfants; ++s)
        if (masque & (4u << s)) fiche.Enfants[static_cast<std::size_t>(s)] = valeur;
}

} // namespace

Modification suppressionDeLaDerniere(FichierEnregistrements& fichier, std::int32_t numero) {
    Modification modification;
    modification.personne = numero;
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& fiche) {
        if (n == numero) {
            modification.libelle =
                QStringLiteral("la suppression %1").arg(deNom(nomComplet(fiche)));
            return false;
        }
        if (const std::uint16_t masque = liensVers(fiche, numero)) {
            TFiche sansLien = fiche;
            remplacerLiens(sansLien, masque, -1);
            modification.fiches[n] = sansLien;
        }
        return true;
    });
    modification.nombreFinal = numero;
    return modification;
}

PartDuMagasin complementsDeLaSupprimee(std::int32_t numero, bool supprimer) {
    return [numero, supprimer](Complements& c) {
        if (supprimer)
            c.supprimerFiche(numero);
        else
            c.detacherFiche(numero);
    };
}

namespace {

// The parent's record, as the change leaves it, with the child entered at its rank.
void inscrireChezLeParent(FichierEnregistrements& fichier, Modification& modification,
                          std::int32_t parent, int rang, std::int32_t enfant) {
    if (parent == -1) return;
    TFiche fiche = modification.fiche(fichier, parent);
    inscrireEnfant(fiche, rang, enfant);
    modification.fiches[parent] = fiche;
}

} // namespace

Modification chainage(FichierEnregistrements& fichier, std::int32_t enfant,
                      const TFiche& ficheEnfant, std::int32_t pere, int rangPere, std::int32_t mere,
                      int rangMere) {
    Modification modification;
    modification.libelle = QStringLiteral("le chaînage %1").arg(deNom(nomComplet(ficheEnfant)));
    modification.personne = enfant;
    inscrireChezLeParent(fichier, modification, pere, rangPere, enfant);
    inscrireChezLeParent(fichier, modification, mere, rangMere, enfant);
    modification.fiches[enfant] = ficheEnfant;
    return modification;
}

LienFait lienAuParent(FichierEnregistrements& fichier, Modification& modification,
                      std::int32_t enfant, std::int32_t parent, bool pere, QStringList& remarques) {
    TFiche e = modification.fiche(fichier, enfant);
    std::int32_t& lien = pere ? e.Pere : e.Mere;
    if (lien >= 0 && lien != parent) {
        remarques << QStringLiteral("%1 a déjà pour %2 %3 : ce lien n'est pas changé.")
                         .arg(nomComplet(e), pere ? QStringLiteral("père") : QStringLiteral("mère"),
                              nomComplet(modification.fiche(fichier, lien)));
        return LienFait::Refuse;
    }
    lien = parent;
    modification.fiches[enfant] = e;
    TFiche p = modification.fiche(fichier, parent);
    const auto fin = p.Enfants.begin() + std::min<int>(p.NbEnfants, NbEmplacementsEnfants);
    if (std::find(p.Enfants.begin(), fin, enfant) != fin) return LienFait::Fait;
    if (p.NbEnfants >= NbEmplacementsEnfants) return LienFait::HorsDeLaFiche;
    inscrireEnfant(p, p.NbEnfants, enfant);
    modification.fiches[parent] = p;
    return LienFait::Fait;
}

Modification suppressionDesChainages(FichierEnregistrements& fichier, std::int32_t numero,
                                     const TFiche& avant, bool desDeuxCotes) {
    TFiche sansLien = avant;
    sansLien.NbEnfants = 0;
    sansLien.Pere = -1;
    sansLien.Mere = -1;
    sansLien.Enfants.fill(-1);
    Modification modification;
    modification.libelle =
        QStringLiteral("la suppression des chaînages %1").arg(deNom(nomComplet(avant)));
    modification.personne = numero;
    modification.fiches[numero] = sansLien;
    if (!desDeuxCotes) return modification;
    // The other side: the person leaves the child slots of the parents it
    // named, and the children it listed no longer name it.
    const std::int64_t nombre = fichier.nombreFiches();
    auto changer = [&](std::int32_t n, const std::function<void(TFiche&)>& retirer) {
        if (n < 0 || n >= nombre || n == numero) return;
        TFiche fiche = modification.fiche(fichier, n);
        const TFiche ancienne = fiche;
        retirer(fiche);
        if (!(fiche == ancienne)) modification.fiches[n] = fiche;
    };
    for (const std::int32_t parent : {avant.Pere, avant.Mere})
        changer(parent, [numero](TFiche& f) {
            std::replace(f.Enfants.begin(), f.Enfants.end(), numero, -1);
        });
    for (const std::int32_t enfant : avant.Enfants)
        changer(enfant, [numero](TFiche& f) {
            if (f.Pere == numero) f.Pere = -1;
            if (f.Mere == numero) f.Mere = -1;
        });
    return modification;
}

QString creationDepuisImport(const QString& cible, const ResultatImport& resultat) {
    creerFichierImporte(cible, resultat.fiches);
    ComplementsDImport complements(cible, false);
    complements.garder(resultat);
    return complements.avertissement();
}
