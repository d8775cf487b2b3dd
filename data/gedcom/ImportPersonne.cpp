// The GEDCOM import of a person: its names, its events, its links, and what
// the record cannot hold, each told.
#include "data/gedcom/Importateur.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

namespace importation {

namespace {

// How a detail the record cannot hold is told: its kind, what it is, and
// whether its value is quoted.
struct Detail {
    Ecart genre;
    const char* quoi;  // "%1" is where it was: "la source (la naissance)"
    const char* verbe; // " n'est pas gardée"
    bool avecValeur;
};

const Detail* detailDe(std::uint64_t c) {
    static const std::unordered_map<std::uint64_t, Detail> Details = {
        {SOUR, {Ecart::Source, "une source (%1)", " n'est pas gardée", false}},
        {NOTE, {Ecart::Note, "une note (%1)", " n'est pas gardée", false}},
        {OBJE, {Ecart::Media, "une image (%1)", " n'est pas gardée", false}},
        {CAUS, {Ecart::Cause, "la cause (%1)", " n'est pas gardée", true}},
        {AGE, {Ecart::Age, "l'âge (%1)", " n'est pas gardé", true}},
        {MAP, {Ecart::Coordonnees, "les coordonnées du lieu (%1)", " ne sont pas gardées", false}},
        {LATI, {Ecart::Coordonnees, "les coordonnées du lieu (%1)", " ne sont pas gardées", false}},
        {LONG, {Ecart::Coordonnees, "les coordonnées du lieu (%1)", " ne sont pas gardées", false}},
        {RESN,
         {Ecart::Confidentialite, "la mention de confidentialité (%1)", " n'est pas gardée",
          true}}};
    static const Detail AdresseDetail{Ecart::Adresse, "l'adresse (%1)", " n'est pas gardée", true};
    static const Detail IdentifiantDetail{Ecart::Identifiant, "le numéro (%1)", " n'est pas gardé",
                                          true};
    if (const auto i = Details.find(c); i != Details.end()) return &i->second;
    if (adresse(c)) return &AdresseDetail;
    if (identifiant(c)) return &IdentifiantDetail;
    return nullptr;
}

} // namespace

// What a line and its lines say beyond what the record holds, each item
// told in its kind: `dans` names where it was ("la naissance").
void Importateur::detailsDeLigne(std::size_t l, std::int32_t n, const QString& dans, bool garde) {
    const std::uint64_t c = m_e.code(l);
    if (administratif(c)) return;
    const QString v = valeurSurUneLigne(l).left(60);
    auto avecValeur = [&](const QString& quoi) {
        return v.isEmpty() ? quoi : quoi + QStringLiteral(" « ") + v + QStringLiteral(" »");
    };
    if (const Detail* d = detailDe(c)) {
        const QString quoi = QString::fromUtf8(d->quoi).arg(dans);
        perte(d->genre, n, (d->avecValeur ? avecValeur(quoi) : quoi) + QString::fromUtf8(d->verbe),
              1, garde);
        return;
    }
    perte(Ecart::DetailEvenement, n,
          avecValeur(QStringLiteral("%1 : %2").arg(dans, nomEvenement(m_e.etiquette(l)))) +
              QStringLiteral(" n'est pas gardé"),
          1, garde);
}

// ---------------------------------------------------------------- a person

// "Given names /Surname/ suffix", its parts given apart when the value lacks
// them; each part's tag has its handler, whatever else is told.
NomLu Importateur::lireNom(std::size_t l, std::int32_t n, TFiche& f) {
    NomEnLecture lu{{}, {}, n, f};
    const QString v = valeurSurUneLigne(l);
    const auto barre = v.indexOf(u'/');
    const auto seconde = barre < 0 ? -1 : v.indexOf(u'/', barre + 1);
    // Cut as views: one copy for each part, not two.
    const QStringView vue(v);
    lu.nom.prenom = barre < 0 ? v : vue.left(barre).trimmed().toString();
    lu.nom.nom = barre < 0 ? QString()
                           : vue.mid(barre + 1, seconde < 0 ? -1 : seconde - barre - 1)
                                 .trimmed()
                                 .toString();
    lu.nom.suffixe = seconde < 0 ? QString() : vue.mid(seconde + 1).trimmed().toString();
    using Partie = void (Importateur::*)(const QString&, NomEnLecture&);
    static const std::unordered_map<std::uint64_t, Partie> Parties = {
        {GIVN, &Importateur::prenomsAPart}, {SURN, &Importateur::nomAPart},
        {SPFX, &Importateur::particule},    {NPFX, &Importateur::titre},
        {NSFX, &Importateur::suffixe},      {NICK, &Importateur::surnom},
        {MARNM, &Importateur::nomDEpouse}};
    for (std::size_t j = l + 1, fin = m_e.fin(l); j < fin; j = m_e.fin(j)) {
        const std::uint64_t c = m_e.code(j);
        if (const auto partie = Parties.find(c); partie != Parties.end())
            (this->*partie->second)(valeurSurUneLigne(j), lu);
        else if (c != TYPE)
            detailsDeLigne(j, n, QStringLiteral("le nom"));
    }
    if (!lu.nom.suffixe.isEmpty())
        perte(Ecart::NomComplement, n,
              QStringLiteral("« %1 » n'est pas gardé avec le nom").arg(lu.nom.suffixe));
    return lu.nom;
}

void Importateur::prenomsAPart(const QString& partie, NomEnLecture& lu) {
    if (lu.nom.prenom.isEmpty())
        lu.nom.prenom = partie;
    else if (partie.compare(lu.nom.prenom, Qt::CaseInsensitive) != 0)
        perte(Ecart::NomComplement, lu.fiche,
              QStringLiteral("les prénoms donnés à part « %1 » ne sont pas gardés").arg(partie));
}

void Importateur::nomAPart(const QString& partie, NomEnLecture& lu) {
    const QString complet = lu.particule.isEmpty() ? partie : lu.particule + u' ' + partie;
    if (lu.nom.nom.isEmpty())
        lu.nom.nom = partie;
    else if (partie.compare(lu.nom.nom, Qt::CaseInsensitive) != 0 &&
             complet.compare(lu.nom.nom, Qt::CaseInsensitive) != 0)
        perte(Ecart::NomComplement, lu.fiche,
              QStringLiteral("le nom donné à part « %1 » n'est pas gardé").arg(partie));
}

void Importateur::particule(const QString& partie, NomEnLecture& lu) {
    lu.particule = partie;
    if (!lu.nom.nom.startsWith(partie, Qt::CaseInsensitive))
        perte(Ecart::NomComplement, lu.fiche,
              QStringLiteral("la particule « %1 » n'est pas gardée").arg(partie));
}

// A title the record knows (Monsieur, Madame, Mademoiselle) becomes its title.
void Importateur::titre(const QString& partie, NomEnLecture& lu) {
    bool connu = false;
    for (std::uint8_t q = 0; q <= 2; ++q)
        if (partie.compare(motQualite(q), Qt::CaseInsensitive) == 0) {
            lu.personne.Qualite = q;
            m_titreDonne.back() = 1;
            connu = true;
        }
    if (!connu)
        perte(Ecart::NomComplement, lu.fiche,
              QStringLiteral("le titre « %1 » n'est pas gardé").arg(partie));
}

void Importateur::suffixe(const QString& partie, NomEnLecture& lu) {
    if (partie != lu.nom.suffixe)
        perte(Ecart::NomComplement, lu.fiche,
              QStringLiteral("le suffixe « %1 » n'est pas gardé").arg(partie));
}

void Importateur::surnom(const QString& partie, NomEnLecture& lu) {
    perte(Ecart::NomComplement, lu.fiche,
          QStringLiteral("le surnom « %1 » n'est pas gardé").arg(partie));
}

void Importateur::nomDEpouse(const QString& partie, NomEnLecture& lu) {
    perte(Ecart::NomAlternatif, lu.fiche,
          QStringLiteral("le nom d'épouse « %1 » n'est pas gardé").arg(partie));
}

// A kept event: its date and place went into the record; the rest is told.
void Importateur::lireEvenement(std::size_t l, std::int32_t n, const char* nom, bool aDateEtLieu) {
    // Named in French only when something is told: most events have nothing more.
    const auto dire = [&](std::size_t ligne) { detailsDeLigne(ligne, n, QString::fromUtf8(nom)); };
    for (std::size_t j = l + 1, fin = m_e.fin(l); j < fin; j = m_e.fin(j)) {
        const std::uint64_t c = m_e.code(j);
        if (aDateEtLieu && c == DATE) {
            for (std::size_t k = j + 1; k < m_e.fin(j); k = m_e.fin(k))
                dire(k);
            continue;
        }
        if (aDateEtLieu && c == PLAC) {
            for (std::size_t k = j + 1; k < m_e.fin(j); k = m_e.fin(k))
                if (m_e.code(k) != FORM) dire(k);
            continue;
        }
        dire(j);
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
    // A person with a rich history has many lines told: named once for all.
    const QString qui =
        m_enAttente.empty() ? QString() : designationPersonne(fiche(n)) + QStringLiteral(" : ");
    for (const Famille::Perte& p : m_enAttente)
        dire(p.genre, p.quantite, qui + p.detail, p.gardable);
    m_enAttente.clear();
}

// Each line of a person goes where its tag says: a name, a link to a
// family, a portrait, the first of an event the record holds, or the rest.
void Importateur::classer(std::size_t l, PersonneLue& lue) {
    using Classement = void (Importateur::*)(std::size_t, PersonneLue&);
    static const std::unordered_map<std::uint64_t, Classement> ParEtiquette = {
        {NAME, &Importateur::nomDeLaPersonne},
        {FAMC, &Importateur::lienDeFamille},
        {FAMS, &Importateur::lienDeFamille},
        {OBJE, &Importateur::portraitDeLaPersonne},
        {SEX, &Importateur::premiere<PersonneLue::Sexe>},
        {OCCU, &Importateur::premiere<PersonneLue::Profession>},
        {BIRT, &Importateur::premiere<PersonneLue::Naissance>},
        {DEAT, &Importateur::premiere<PersonneLue::Deces>},
        {CHR, &Importateur::premiere<PersonneLue::Bapteme>},
        {BAPM, &Importateur::premiere<PersonneLue::Bapteme>},
        {BURI, &Importateur::premiere<PersonneLue::Inhumation>},
        {CREM, &Importateur::premiere<PersonneLue::Inhumation>}};
    const std::uint64_t c = m_e.code(l);
    // Identifiers other programs know the person by (_UID, RIN, EXID, CHAN)
    // go to the store with the rest: given back on export, never a loss.
    if (const auto i = ParEtiquette.find(c); i != ParEtiquette.end())
        (this->*i->second)(l, lue);
    else
        lue.autres.push_back(l);
}

void Importateur::nomDeLaPersonne(std::size_t l, PersonneLue& lue) {
    lue.noms.push_back(l);
}

// A FAMC or FAMS: the link, and what its lines say, which goes with it.
void Importateur::lienDeFamille(std::size_t l, PersonneLue& lue) {
    const std::uint64_t c = m_e.code(l);
    const std::string_view ref = gedcom::sansBlancs(m_e.valeur(l));
    const std::size_t pedi = m_e.sous(l, PEDI);
    std::string lignes;
    for (std::size_t j = l + 1; j < m_e.fin(l); j = m_e.fin(j))
        if (m_e.code(j) != PEDI) {
            lue.autres.push_back(j);
            if (c == FAMC && m_avecComplements) ajouterTexteUtf8(lignes, j, 2);
        }
    (c == FAMC ? m_famc : m_fams)
        .push_back({lue.fiche, m_familles.numero(ref),
                    pedi ? filiationDe(m_e.valeur(pedi)) : Filiation::Naissance,
                    lignesGardees(std::move(lignes))});
}

// The first picture with a file or a pointer is the portrait; the others are the rest.
void Importateur::portraitDeLaPersonne(std::size_t l, PersonneLue& lue) {
    if (!lue.premieres[PersonneLue::Portrait] &&
        (m_e.sous(l, FILE) || gedcom::sansBlancs(m_e.valeur(l)).starts_with('@')))
        lue.premieres[PersonneLue::Portrait] = l;
    else
        lue.autres.push_back(l);
}

void Importateur::lirePersonne() {
    const std::int32_t n = nouvelleFiche();
    TFiche& f = fiche(n);
    PersonneLue lue{n, {}, m_noms, m_autres};
    lue.noms.clear();
    lue.autres.clear();
    for (std::size_t l = 1; l < m_e.taille(); l = m_e.fin(l))
        classer(l, lue);
    if (m_e.lignesReparees()) lue.autres.push_back(0); // told once the name is known
    const std::size_t principal = nomPrincipal(lue, f);
    qualiteParLeSexe(lue, f);
    if (const std::size_t sexe = lue.premieres[PersonneLue::Sexe])
        lireEvenement(sexe, n, "le sexe", false);
    autresNoms(lue, principal);
    if (const std::size_t profession = lue.premieres[PersonneLue::Profession]) {
        texteDeLaLigne(n, f.Profession, profession, "la profession");
        lireEvenement(profession, n, "la profession", false);
    }
    const std::size_t naissance = lue.premieres[PersonneLue::Naissance];
    const std::size_t deces = lue.premieres[PersonneLue::Deces];
    const std::size_t evNaissance = evenementDeLaFiche(
        lue, naissance, lue.premieres[PersonneLue::Bapteme],
        {"naissance", "le baptême", "la date de naissance", "le lieu de naissance"},
        f.DateNaissance, f.LieuNaissance);
    const std::size_t evDeces =
        evenementDeLaFiche(lue, deces, lue.premieres[PersonneLue::Inhumation],
                           {"décès", "l'inhumation", "la date de décès", "le lieu de décès"},
                           f.DateDeces, f.LieuDeces);
    if (deces && evDeces == deces && !m_e.sous(deces, DATE) && !m_e.sous(deces, PLAC))
        perte(
            Ecart::DecesSansDate, n,
            QStringLiteral("le décès est connu sans date ni lieu : la fiche ne peut pas le dire"));
    const std::size_t portrait = lue.premieres[PersonneLue::Portrait];
    if (portrait) portraitLu(portrait, n, f);
    if (m_avecComplements)
        garderPersonne(n, principal, lue.noms, lue.premieres[PersonneLue::Sexe],
                       lue.premieres[PersonneLue::Profession], evNaissance,
                       evNaissance != naissance, evDeces, evDeces != deces, portrait, lue.autres);
    for (const std::size_t l : lue.autres)
        resteDeLaPersonne(l, n);
}

// A record for the person, found again by its identifier for the links.
void Importateur::prevoir(std::int64_t octets) {
    // A person takes 150 bytes of GEDCOM at the least that matters; room
    // reserved and never written costs no memory, only address space. Not
    // asked in large pages: the system would gather 2 MiB of free memory for
    // each as it is first written, which it does slowly when its memory holds
    // the files it has read (1M persons: 4.7 s with them, 4.0 s without).
    constexpr std::int64_t OctetsParPersonne = 150, AuPlus = 8'000'000;
    const auto personnes =
        static_cast<std::size_t>(std::clamp<std::int64_t>(octets / OctetsParPersonne, 0, AuPlus));
    try {
        m_r.fiches.reserve(personnes);
        m_titreDonne.reserve(personnes);
    } catch (const std::bad_alloc&) {
        // The vector grows as it goes instead.
    }
}

std::int32_t Importateur::nouvelleFiche() {
    const auto n = static_cast<std::int32_t>(m_r.fiches.size());
    if (!m_e.reference(0).empty()) {
        const std::int32_t id = m_personnes.numero(m_e.reference(0));
        if (static_cast<std::size_t>(id) >= m_ficheDe.size())
            m_ficheDe.resize(static_cast<std::size_t>(id) + 1, -1);
        if (m_ficheDe[static_cast<std::size_t>(id)] < 0)
            m_ficheDe[static_cast<std::size_t>(id)] = n;
    }
    m_r.fiches.emplace_back();
    m_titreDonne.push_back(0);
    TFiche& f = m_r.fiches.back();
    ViderFiche(f);
    f.Qualite = 255;
    return n;
}

// The main name, the first that is not an alias or a married name, goes
// into the record; returns its line.
std::size_t Importateur::nomPrincipal(const PersonneLue& lue, TFiche& f) {
    std::size_t principal = 0;
    for (const std::size_t l : lue.noms) {
        const std::size_t type = m_e.sous(l, TYPE);
        const QString t = type ? valeurSurUneLigne(type).toLower() : QString();
        if (t.isEmpty() || t == u"birth" || t == u"naissance") {
            principal = l;
            break;
        }
    }
    if (!principal && !lue.noms.empty()) principal = lue.noms.front();
    if (principal) {
        const NomLu nom = lireNom(principal, lue.fiche, f);
        texte(lue.fiche, f.Nom, nom.nom, "le nom");
        texte(lue.fiche, f.Prenom, nom.prenom, "le prénom");
    }
    return principal;
}

// Without a title given, the sex says Monsieur or Madame; a woman's is
// settled once the links are read.
void Importateur::qualiteParLeSexe(const PersonneLue& lue, TFiche& f) {
    const std::size_t sexe = lue.premieres[PersonneLue::Sexe];
    const QString s = sexe ? valeurSurUneLigne(sexe).toUpper() : QString();
    if (!m_titreDonne.back()) f.Qualite = s == u"M" ? 0 : s == u"F" ? 1 : 255;
}

void Importateur::autresNoms(const PersonneLue& lue, std::size_t principal) {
    for (const std::size_t l : lue.noms)
        if (l != principal)
            perte(Ecart::NomAlternatif, lue.fiche,
                  QStringLiteral("le nom secondaire « %1 » n'est pas gardé")
                      .arg(QString(valeurSurUneLigne(l)).remove(u'/').simplified()));
}

// A birth or a death, or, when it has no date nor place, the baptism or
// burial that stands in for it: its date and place go into the record.
// Returns the line kept.
std::size_t Importateur::evenementDeLaFiche(PersonneLue& lue, std::size_t principal,
                                            std::size_t substitut, const NomsDEvenement& noms,
                                            ChampTexte<10>& champDate, ChampTexte<30>& champLieu) {
    auto dateEtLieu = [&](std::size_t ev) {
        return ev && (m_e.sous(ev, DATE) || m_e.sous(ev, PLAC));
    };
    const bool remplace = !dateEtLieu(principal) && dateEtLieu(substitut);
    const std::size_t ev = remplace ? substitut : principal;
    if (ev) {
        if (const std::size_t d = m_e.sous(ev, DATE)) {
            // A common date is the same bytes in every character set: read
            // straight into the record, without decoding it.
            char fiche[10];
            if (ficheDeDateCourante(gedcom::sansBlancs(m_e.valeur(d)), fiche)) {
                std::memcpy(champDate.octets.data(), fiche, sizeof fiche);
                champDate.longueur = sizeof fiche;
            } else {
                date(lue.fiche, champDate, valeurSurUneLigne(d), noms.date);
            }
        }
        if (const std::size_t p = m_e.sous(ev, PLAC))
            texteDeLaLigne(lue.fiche, champLieu, p, noms.lieu);
        lireEvenement(ev, lue.fiche, remplace ? noms.substitut : noms.evenement, true);
    }
    if (remplace) {
        perte(Ecart::Substitut, lue.fiche,
              QStringLiteral("%1 tient lieu de %2")
                  .arg(QString::fromUtf8(noms.substitut), QString::fromUtf8(noms.evenement)));
        // The birth or death it stands in for still says something (that it
        // happened, a note, a cause): it goes with the rest.
        if (principal) lue.autres.push_back(principal);
    } else if (substitut)
        lue.autres.push_back(substitut);
    return ev;
}

// A picture record pointed to is found once every record is read; a path
// goes into the record at once.
void Importateur::portraitLu(std::size_t portrait, std::int32_t n, TFiche& f) {
    const std::string_view pointeur = gedcom::sansBlancs(m_e.valeur(portrait));
    if (pointeur.starts_with('@'))
        m_objetsDe.push_back({n, m_objets.numero(pointeur)});
    else
        texteDeLaLigne(n, f.Photo, m_e.sous(portrait, FILE), "le chemin du portrait");
    for (std::size_t j = portrait + 1; j < m_e.fin(portrait); j = m_e.fin(j))
        if (m_e.code(j) != FILE && m_e.code(j) != FORM)
            perte(Ecart::Media, n,
                  QStringLiteral("un détail du portrait (%1) n'est pas gardé")
                      .arg(nomEvenement(m_e.etiquette(j))));
}

// A line of the person the record cannot hold, told by its kind.
void Importateur::resteDeLaPersonne(std::size_t l, std::int32_t n) {
    if (l == 0) {
        perte(Ecart::Structure, n,
              QStringLiteral("%1 ligne(s) mal placée(s), rattachée(s) à la ligne qui les précède")
                  .arg(m_e.lignesReparees()),
              m_e.lignesReparees());
        return;
    }
    const std::uint64_t c = m_e.code(l);
    if (administratif(c)) return; // kept in the store, nothing the user entered
    if (m_e.niveau(l) > 1) {
        // What a FAMC or FAMS line says goes with the link, which is made
        // anew; the companion store keeps what a FAMC says.
        std::size_t lien = l;
        while (lien > 1 && m_e.niveau(lien) > 1)
            --lien;
        detailsDeLigne(l, n, QStringLiteral("un lien de famille"), m_e.code(lien) == FAMC);
    } else if (c == SOUR || c == NOTE || c == OBJE || c == RESN || identifiant(c) || adresse(c)) {
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

} // namespace importation
