// The GEDCOM import of a person: its names, its events, its links, and what
// the record cannot hold, each told.
#include "data/gedcom/Importateur.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"

namespace importation {

// What a line and its lines say beyond what the record holds, each item
// told in its kind: `dans` names where it was ("la naissance").
void Importateur::detailsDeLigne(std::size_t l, std::int32_t n, const QString& dans, bool garde) {
    const std::uint64_t c = m_e.code(l);
    auto perteIci = [&](Ecart genre, std::int32_t fiche, const QString& detail) {
        perte(genre, fiche, detail, 1, garde);
    };
    const QString v = valeurSurUneLigne(l).left(60);
    auto avecValeur = [&](const QString& quoi) {
        return v.isEmpty() ? quoi : quoi + QStringLiteral(" « ") + v + QStringLiteral(" »");
    };
    if (c == SOUR)
        perteIci(Ecart::Source, n, QStringLiteral("une source (%1) n'est pas gardée").arg(dans));
    else if (c == NOTE)
        perteIci(Ecart::Note, n, QStringLiteral("une note (%1) n'est pas gardée").arg(dans));
    else if (c == OBJE)
        perteIci(Ecart::Media, n, QStringLiteral("une image (%1) n'est pas gardée").arg(dans));
    else if (c == CAUS)
        perteIci(Ecart::Cause, n,
                 avecValeur(QStringLiteral("la cause (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardée"));
    else if (c == AGE)
        perteIci(Ecart::Age, n,
                 avecValeur(QStringLiteral("l'âge (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardé"));
    else if (adresse(c))
        perteIci(Ecart::Adresse, n,
                 avecValeur(QStringLiteral("l'adresse (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardée"));
    else if (c == MAP || c == LATI || c == LONG)
        perteIci(Ecart::Coordonnees, n,
                 QStringLiteral("les coordonnées du lieu (%1) ne sont pas gardées").arg(dans));
    else if (c == RESN)
        perteIci(Ecart::Confidentialite, n,
                 avecValeur(QStringLiteral("la mention de confidentialité (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardée"));
    else if (identifiant(c))
        perteIci(Ecart::Identifiant, n,
                 avecValeur(QStringLiteral("le numéro (%1)").arg(dans)) +
                     QStringLiteral(" n'est pas gardé"));
    else if (!administratif(c))
        perteIci(Ecart::DetailEvenement, n,
                 avecValeur(QStringLiteral("%1 : %2").arg(dans, nomEvenement(m_e.etiquette(l)))) +
                     QStringLiteral(" n'est pas gardé"));
}

// ---------------------------------------------------------------- a person

// "Given names /Surname/ suffix", its parts given apart when the value lacks them.
NomLu Importateur::lireNom(std::size_t l, std::int32_t n, TFiche& f) {
    NomLu nom;
    const QString v = valeurSurUneLigne(l);
    const auto barre = v.indexOf(u'/');
    const auto seconde = barre < 0 ? -1 : v.indexOf(u'/', barre + 1);
    nom.prenom = barre < 0 ? v : v.left(barre).trimmed();
    nom.nom =
        barre < 0 ? QString() : v.mid(barre + 1, seconde < 0 ? -1 : seconde - barre - 1).trimmed();
    nom.suffixe = seconde < 0 ? QString() : v.mid(seconde + 1).trimmed();
    QString prefixeNom;
    for (std::size_t j = l + 1, fin = m_e.fin(l); j < fin; j = m_e.fin(j)) {
        const std::uint64_t c = m_e.code(j);
        const QString partie = valeurSurUneLigne(j);
        if (c == GIVN) {
            if (nom.prenom.isEmpty())
                nom.prenom = partie;
            else if (partie.compare(nom.prenom, Qt::CaseInsensitive) != 0)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("les prénoms donnés à part « %1 » ne sont pas gardés")
                          .arg(partie));
        } else if (c == SURN) {
            const QString complet = prefixeNom.isEmpty() ? partie : prefixeNom + u' ' + partie;
            if (nom.nom.isEmpty())
                nom.nom = partie;
            else if (partie.compare(nom.nom, Qt::CaseInsensitive) != 0 &&
                     complet.compare(nom.nom, Qt::CaseInsensitive) != 0)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("le nom donné à part « %1 » n'est pas gardé").arg(partie));
        } else if (c == SPFX) {
            prefixeNom = partie;
            if (!nom.nom.startsWith(partie, Qt::CaseInsensitive))
                perte(Ecart::NomComplement, n,
                      QStringLiteral("la particule « %1 » n'est pas gardée").arg(partie));
        } else if (c == NPFX) {
            bool titre = false;
            for (std::uint8_t q = 0; q <= 2; ++q)
                if (partie.compare(motQualite(q), Qt::CaseInsensitive) == 0) {
                    f.Qualite = q;
                    m_titreDonne.back() = 1;
                    titre = true;
                }
            if (!titre)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("le titre « %1 » n'est pas gardé").arg(partie));
        } else if (c == NSFX) {
            if (partie != nom.suffixe)
                perte(Ecart::NomComplement, n,
                      QStringLiteral("le suffixe « %1 » n'est pas gardé").arg(partie));
        } else if (c == NICK) {
            perte(Ecart::NomComplement, n,
                  QStringLiteral("le surnom « %1 » n'est pas gardé").arg(partie));
        } else if (c == MARNM) {
            perte(Ecart::NomAlternatif, n,
                  QStringLiteral("le nom d'épouse « %1 » n'est pas gardé").arg(partie));
        } else if (c != TYPE) {
            detailsDeLigne(j, n, QStringLiteral("le nom"));
        }
    }
    if (!nom.suffixe.isEmpty())
        perte(Ecart::NomComplement, n,
              QStringLiteral("« %1 » n'est pas gardé avec le nom").arg(nom.suffixe));
    return nom;
}

// A kept event: its date and place went into the record; the rest is told.
void Importateur::lireEvenement(std::size_t l, std::int32_t n, const QString& nom,
                                bool aDateEtLieu) {
    for (std::size_t j = l + 1, fin = m_e.fin(l); j < fin; j = m_e.fin(j)) {
        const std::uint64_t c = m_e.code(j);
        if (aDateEtLieu && c == DATE) {
            for (std::size_t k = j + 1; k < m_e.fin(j); k = m_e.fin(k))
                detailsDeLigne(k, n, nom);
            continue;
        }
        if (aDateEtLieu && c == PLAC) {
            for (std::size_t k = j + 1; k < m_e.fin(j); k = m_e.fin(k))
                if (m_e.code(k) != FORM) detailsDeLigne(k, n, nom);
            continue;
        }
        detailsDeLigne(j, n, nom);
    }
}

void Importateur::individu() {
    m_differer = true;
    lirePersonne();
    m_differer = false;
    const auto n = static_cast<std::int32_t>(m_r.fiches.size()) - 1;
    if (m_controles) {
        perte(Ecart::Lecture, n,
              QStringLiteral("%1 caractère(s) de contrôle (tabulation, octet nul…) retiré(s) des "
                             "textes, une tabulation devenant un blanc")
                  .arg(m_controles),
              m_controles);
        m_controles = 0;
    }
    for (const Famille::Perte& p : m_enAttente)
        perte(p.genre, n, p.detail, p.quantite, p.gardable);
    m_enAttente.clear();
}

void Importateur::lirePersonne() {
    const auto n = static_cast<std::int32_t>(m_r.fiches.size());
    if (!m_e.reference(0).empty()) {
        const std::int32_t id = m_personnes.numero(m_e.reference(0));
        if (static_cast<std::size_t>(id) >= m_ficheDe.size())
            m_ficheDe.resize(static_cast<std::size_t>(id) + 1, -1);
        if (m_ficheDe[static_cast<std::size_t>(id)] < 0)
            m_ficheDe[static_cast<std::size_t>(id)] = n;
    }
    m_r.fiches.emplace_back();
    m_avecFamille.push_back(0);
    m_titreDonne.push_back(0);
    TFiche& f = m_r.fiches.back();
    ViderFiche(f);
    f.Qualite = 255;
    // Where each kind of line is; the first of each goes into the record.
    std::vector<std::size_t>& noms = m_noms;
    std::vector<std::size_t>& autres = m_autres;
    noms.clear();
    autres.clear();
    std::size_t sexe = 0, profession = 0, naissance = 0, deces = 0, bapteme = 0, inhumation = 0,
                portrait = 0;
    for (std::size_t l = 1; l < m_e.taille(); l = m_e.fin(l)) {
        const std::uint64_t c = m_e.code(l);
        std::size_t* premier = c == SEX                 ? &sexe
                               : c == OCCU              ? &profession
                               : c == BIRT              ? &naissance
                               : c == DEAT              ? &deces
                               : c == CHR || c == BAPM  ? &bapteme
                               : c == BURI || c == CREM ? &inhumation
                                                        : nullptr;
        if (c == NAME) {
            noms.push_back(l);
        } else if (c == FAMC || c == FAMS) {
            const std::string_view ref = gedcom::sansBlancs(m_e.valeur(l));
            const std::size_t pedi = m_e.sous(l, PEDI);
            LienPersonne& lien = (c == FAMC ? m_famc : m_fams)
                                     .emplace_back(LienPersonne{n,
                                                                m_familles.numero(ref),
                                                                pedi ? filiationDe(m_e.valeur(pedi))
                                                                     : Filiation::Naissance,
                                                                {}});
            if (c == FAMS) m_avecFamille.back() = 1;
            for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j))
                if (m_e.code(j) != PEDI && m_e.code(j) != code("STAT")) {
                    autres.push_back(j);
                    if (c == FAMC && m_avecComplements) lien.lignes += texteUtf8(j, 2);
                }
        } else if (c == OBJE && !portrait &&
                   (m_e.sous(l, FILE) || gedcom::sansBlancs(m_e.valeur(l)).starts_with('@'))) {
            portrait = l;
        } else if (premier && !*premier) {
            *premier = l;
        } else if (!administratif(c)) {
            autres.push_back(l);
        }
    }
    if (m_e.lignesReparees()) autres.push_back(0); // told once the name is known

    // The main name: the first that is not an alias or a married name.
    std::size_t principal = 0;
    for (const std::size_t l : noms) {
        const std::size_t type = m_e.sous(l, TYPE);
        const QString t = type ? valeurSurUneLigne(type).toLower() : QString();
        if (t.isEmpty() || t == u"birth" || t == u"naissance") {
            principal = l;
            break;
        }
    }
    if (!principal && !noms.empty()) principal = noms.front();
    if (principal) {
        const NomLu nom = lireNom(principal, n, f);
        texte(n, f.Nom, nom.nom, "le nom");
        texte(n, f.Prenom, nom.prenom, "le prénom");
    }
    const QString s = sexe ? valeurSurUneLigne(sexe).toUpper() : QString();
    if (!m_titreDonne.back())
        f.Qualite = s == u"M"   ? 0
                    : s == u"F" ? 1
                                : 255; // settled for women once the links are read
    for (const std::size_t l : noms)
        if (l != principal)
            perte(Ecart::NomAlternatif, n,
                  QStringLiteral("le nom secondaire « %1 » n'est pas gardé")
                      .arg(QString(valeurSurUneLigne(l)).remove(u'/').simplified()));
    if (profession) {
        texte(n, f.Profession, valeurSurUneLigne(profession), "la profession");
        lireEvenement(profession, n, QStringLiteral("la profession"), false);
    }
    // A baptism or a burial stands in for a birth or a death that has nothing.
    auto evenement = [&](std::size_t principalEv, std::size_t substitut, const char* nomEv,
                         const char* nomSubstitut, ChampTexte<10>& champDate,
                         ChampTexte<30>& champLieu, const char* quoiDate, const char* quoiLieu) {
        auto dateEtLieu = [&](std::size_t ev) {
            return ev && (m_e.sous(ev, DATE) || m_e.sous(ev, PLAC));
        };
        const bool remplace = !dateEtLieu(principalEv) && dateEtLieu(substitut);
        const std::size_t ev = remplace ? substitut : principalEv;
        if (ev) {
            if (const std::size_t d = m_e.sous(ev, DATE))
                date(n, champDate, valeurSurUneLigne(d), quoiDate);
            if (const std::size_t p = m_e.sous(ev, PLAC))
                texte(n, champLieu, valeurSurUneLigne(p), quoiLieu);
            lireEvenement(ev, n, QString::fromUtf8(remplace ? nomSubstitut : nomEv), true);
        }
        if (remplace)
            perte(Ecart::Substitut, n,
                  QStringLiteral("%1 tient lieu de %2")
                      .arg(QString::fromUtf8(nomSubstitut), QString::fromUtf8(nomEv)));
        else if (substitut)
            autres.push_back(substitut);
        return ev;
    };
    const std::size_t evNaissance =
        evenement(naissance, bapteme, "naissance", "le baptême", f.DateNaissance, f.LieuNaissance,
                  "la date de naissance", "le lieu de naissance");
    const std::size_t evDeces = evenement(deces, inhumation, "décès", "l'inhumation", f.DateDeces,
                                          f.LieuDeces, "la date de décès", "le lieu de décès");
    if (deces && evDeces == deces && !m_e.sous(deces, DATE) && !m_e.sous(deces, PLAC))
        perte(
            Ecart::DecesSansDate, n,
            QStringLiteral("le décès est connu sans date ni lieu : la fiche ne peut pas le dire"));
    if (portrait) {
        const std::string_view pointeur = gedcom::sansBlancs(m_e.valeur(portrait));
        if (pointeur.starts_with('@'))
            m_objetsDe.push_back({n, m_objets.numero(pointeur)});
        else
            texte(n, f.Photo, valeurSurUneLigne(m_e.sous(portrait, FILE)), "le chemin du portrait");
        for (std::size_t j = portrait + 1; j < m_e.fin(portrait); j = m_e.fin(j))
            if (m_e.code(j) != FILE && m_e.code(j) != FORM)
                perte(Ecart::Media, n,
                      QStringLiteral("un détail du portrait (%1) n'est pas gardé")
                          .arg(nomEvenement(m_e.etiquette(j))));
    }
    if (m_avecComplements)
        garderPersonne(n, principal, noms, profession, evNaissance, evNaissance != naissance,
                       evDeces, evDeces != deces, portrait, autres);
    for (const std::size_t l : autres) {
        if (l == 0) {
            perte(Ecart::Structure, n,
                  QStringLiteral("%1 ligne(s) mal placée(s), rattachée(s) à la ligne qui les "
                                 "précède")
                      .arg(m_e.lignesReparees()),
                  m_e.lignesReparees());
            continue;
        }
        const std::uint64_t c = m_e.code(l);
        if (m_e.niveau(l) > 1) {
            // What a FAMC or FAMS line says goes with the link, which is made
            // anew; the companion store keeps what a FAMC says.
            std::size_t lien = l;
            while (lien > 1 && m_e.niveau(lien) > 1)
                --lien;
            detailsDeLigne(l, n, QStringLiteral("un lien de famille"), m_e.code(lien) == FAMC);
        } else if (c == SOUR || c == NOTE || c == OBJE || c == RESN || identifiant(c) ||
                   adresse(c)) {
            detailsDeLigne(l, n, QStringLiteral("la personne"));
        } else if (c == MARNM || c == code("_AKA")) {
            perte(Ecart::NomAlternatif, n,
                  QStringLiteral("le nom « %1 » n'est pas gardé").arg(valeurSurUneLigne(l)));
        } else {
            QString nom = nomEvenement(m_e.etiquette(l));
            if (const std::size_t d = m_e.sous(l, DATE))
                nom += QStringLiteral(" (%1)").arg(valeurSurUneLigne(d));
            else if (const QString v = valeurSurUneLigne(l);
                     !v.isEmpty() && !v.startsWith(u'@') && v != u"Y")
                nom += QStringLiteral(" « %1 »").arg(v.left(40));
            perte(Ecart::Evenement, n, QStringLiteral("non gardé : ") + nom);
        }
    }
}

} // namespace importation
