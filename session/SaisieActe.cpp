#include "session/SaisieActe.h"

#include "data/complements/Complements.h"
#include "data/fichier/Dates.h"
#include "data/fichier/DatesSaisies.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/IntervalleDate.h"
#include "data/fichier/Translitteration.h"
#include "data/rapports/Rapports.h"
#include "data/recherche/Parente.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

QString nomDuGenre(GenreActe genre) {
    switch (genre) {
    case GenreActe::Bapteme:
        return QStringLiteral("baptême");
    case GenreActe::Naissance:
        return QStringLiteral("naissance");
    case GenreActe::Mariage:
        return QStringLiteral("mariage");
    case GenreActe::Inhumation:
        return QStringLiteral("inhumation");
    case GenreActe::Deces:
        return QStringLiteral("décès");
    }
    return {};
}

const std::vector<RoleDActe>& rolesDe(GenreActe genre) {
    using L = LienDuRole;
    static const std::vector<RoleDActe> bapteme = {{QStringLiteral("Enfant"), 0, L::Principal},
                                                   {QStringLiteral("Père"), 'M', L::Pere},
                                                   {QStringLiteral("Mère"), 'F', L::Mere},
                                                   {QStringLiteral("Parrain"), 'M'},
                                                   {QStringLiteral("Marraine"), 'F'}};
    static const std::vector<RoleDActe> naissance = {{QStringLiteral("Enfant"), 0, L::Principal},
                                                     {QStringLiteral("Père"), 'M', L::Pere},
                                                     {QStringLiteral("Mère"), 'F', L::Mere},
                                                     {QStringLiteral("Déclarant"), 'M'},
                                                     {QStringLiteral("Témoin 1"), 0},
                                                     {QStringLiteral("Témoin 2"), 0}};
    static const std::vector<RoleDActe> mariage = {
        {QStringLiteral("Époux"), 'M', L::Principal, 0},
        {QStringLiteral("Épouse"), 'F', L::Principal, 1},
        {QStringLiteral("Père de l'époux"), 'M', L::Pere, 0},
        {QStringLiteral("Mère de l'époux"), 'F', L::Mere, 0},
        {QStringLiteral("Père de l'épouse"), 'M', L::Pere, 1},
        {QStringLiteral("Mère de l'épouse"), 'F', L::Mere, 1},
        {QStringLiteral("Témoin 1"), 0},
        {QStringLiteral("Témoin 2"), 0},
        {QStringLiteral("Témoin 3"), 0},
        {QStringLiteral("Témoin 4"), 0}};
    static const std::vector<RoleDActe> inhumation = {
        {QStringLiteral("Défunt(e)"), 0, L::Principal},
        {QStringLiteral("Conjoint(e)"), 0, L::Conjoint},
        {QStringLiteral("Père"), 'M', L::Pere},
        {QStringLiteral("Mère"), 'F', L::Mere},
        {QStringLiteral("Témoin 1"), 0},
        {QStringLiteral("Témoin 2"), 0}};
    static const std::vector<RoleDActe> deces = {{QStringLiteral("Défunt(e)"), 0, L::Principal},
                                                 {QStringLiteral("Conjoint(e)"), 0, L::Conjoint},
                                                 {QStringLiteral("Père"), 'M', L::Pere},
                                                 {QStringLiteral("Mère"), 'F', L::Mere},
                                                 {QStringLiteral("Déclarant 1"), 0},
                                                 {QStringLiteral("Déclarant 2"), 0}};
    switch (genre) {
    case GenreActe::Bapteme:
        return bapteme;
    case GenreActe::Naissance:
        return naissance;
    case GenreActe::Mariage:
        return mariage;
    case GenreActe::Inhumation:
        return inhumation;
    case GenreActe::Deces:
        break;
    }
    return deces;
}

QStringList registresConnus() {
    return {QStringLiteral("registres paroissiaux (BMS)"), QStringLiteral("état civil (NMD)"),
            QStringLiteral("actes notariés"), QStringLiteral("recensement")};
}

bool SourceDeLActe::vide() const {
    for (const QString* t : {&service, &commune, &annees, &cote, &vue, &numero, &lien})
        if (!t->trimmed().isEmpty()) return false;
    return true;
}

QString SourceDeLActe::titre() const {
    QStringList parties;
    for (const QString& t : {commune, registre, annees})
        if (!t.trimmed().isEmpty()) parties << t.trimmed();
    return parties.join(QStringLiteral(", "));
}

// One field a line, in a fixed order: the store's text of the last source.
QString SourceDeLActe::enTexte() const {
    return QStringList{service, commune, registre, annees, cote, vue, numero, lien}
        .replaceInStrings(QStringLiteral("\n"), QStringLiteral(" "))
        .join(u'\n');
}

SourceDeLActe SourceDeLActe::depuisTexte(const QString& texte) {
    const QStringList l = texte.split(u'\n');
    auto champ = [&](qsizetype i) { return i < l.size() ? l[i] : QString(); };
    return {champ(0), champ(1), champ(2), champ(3), champ(4), champ(5), champ(6), champ(7)};
}

namespace {

const char* etiquetteDe(GenreActe genre) {
    switch (genre) {
    case GenreActe::Bapteme:
        return "BAPM";
    case GenreActe::Naissance:
        return "BIRT";
    case GenreActe::Mariage:
        return "MARR";
    case GenreActe::Inhumation:
        return "BURI";
    case GenreActe::Deces:
        break;
    }
    return "DEAT";
}

std::string utf8(const QString& t) {
    return t.simplified().toStdString();
}

// "25", "25 ans": GEDCOM's "25y"; anything else stays words, in a note.
std::optional<std::string> ageGedcom(const QString& age) {
    static const QRegularExpression ans(QStringLiteral("^(\\d{1,3})\\s*(ans?)?$"));
    const auto m = ans.match(age.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).toStdString() + 'y';
}

// Everything the act's change needs, built role by role.
class Preparation {
public:
    Preparation(FichierEnregistrements& fichier, const Acte& acte)
        : m_fichier(fichier), m_acte(acte), m_roles(rolesDe(acte.genre)),
          m_nombre(fichier.nombreFiches()) {}

    ActePrepare preparer();

private:
    TFiche fiche(std::int32_t n) { return m_resultat.modification.fiche(m_fichier, n); }
    void ecrire(std::int32_t n, const TFiche& f) { m_resultat.modification.fiches[n] = f; }
    void lireLaDate();
    std::int32_t numeroDe(std::size_t role);
    void remplirLesChamps();
    void lier(std::size_t role);
    void lierAuParent(std::int32_t enfant, std::int32_t parent, bool pere);
    std::string citation(int niveau) const;
    std::string evenement() const;
    std::string participants(int niveau) const;
    PartDuMagasin partDuMagasin();

    FichierEnregistrements& m_fichier;
    const Acte& m_acte;
    const std::vector<RoleDActe>& m_roles;
    std::int64_t m_nombre;
    std::int64_t m_nouvelles = 0;
    ActePrepare m_resultat;
    DateSaisie m_date;
    std::string m_dateGedcom;
    std::map<std::int32_t, TFiche> m_avant;       // existing records the act changes
    std::map<std::int32_t, std::string> m_champs; // "BIRT"… the record now holds from this act
    std::map<std::int32_t, bool> m_professionEcrite;
    std::vector<std::pair<std::int32_t, std::int32_t>>
        m_enfantsEnPlus; // (child, parent) beyond ten
};

void Preparation::lireLaDate() {
    const QString saisie = m_acte.date.simplified();
    m_date = lireDateSaisie(saisie);
    if (!m_date.valide)
        throw ErreurVelmoris(
            QStringLiteral("La date de l'acte n'existe pas : %1").arg(m_date.erreur));
    if (m_date.fiche.size() > 10)
        throw ErreurVelmoris(
            QStringLiteral("La date de l'acte « %1 » n'est pas comprise : tapez-la "
                           "sous une forme courte (12/03/1750, vers 1750, entre "
                           "1750 et 1760…), ou en calendrier républicain ou julien")
                .arg(saisie));
    // An act's day is a day of the calendar: no 31 April, no 29 February 1700.
    const DateLue lue = lireDate(m_date.fiche);
    static const QRegularExpression jourMoisAnnee(QStringLiteral("^\\d\\d/\\d\\d/\\d{4}$"));
    if (jourMoisAnnee.match(m_date.fiche).hasMatch() && lue.genre != DateLue::Genre::Exacte)
        throw ErreurVelmoris(QStringLiteral("La date de l'acte « %1 » n'existe pas dans le "
                                            "calendrier")
                                 .arg(saisie));
    if (lue.aUneAnnee() && (lue.annee < 1000 || lue.annee > 2050))
        throw ErreurVelmoris(QStringLiteral("La date %1 doit contenir une année à quatre chiffres "
                                            "entre 1000 et 2050")
                                 .arg(m_date.fiche));
    m_dateGedcom = utf8(m_date.gedcom.isEmpty() ? dateGedcom(m_date.fiche) : m_date.gedcom);
}

// The record of a role: the one found, or a new one appended.
std::int32_t Preparation::numeroDe(std::size_t role) {
    const PersonneDeLActe& p = m_acte.personnes[role];
    if (!p.presente()) return -1;
    if (p.fiche >= 0) {
        if (p.fiche >= m_nombre)
            throw ErreurVelmoris(QStringLiteral("La personne choisie pour « %1 » n'existe plus")
                                     .arg(m_roles[role].nom));
        return p.fiche;
    }
    TFiche nouvelle;
    ViderFiche(nouvelle);
    const char sexe = m_roles[role].sexe ? m_roles[role].sexe : (p.homme ? 'M' : 'F');
    nouvelle.Qualite = sexe == 'M' ? 0 : 1;
    nouvelle.Nom.definir(versCp1252(p.nom.simplified()));
    nouvelle.Prenom.definir(versCp1252(p.prenoms.simplified()));
    const auto n = static_cast<std::int32_t>(m_nombre + m_nouvelles++);
    ecrire(n, nouvelle);
    return n;
}

// The date and place the record can hold, where it holds none yet; a
// profession where it has none.
void Preparation::remplirLesChamps() {
    const QString lieu = versCp1252(m_acte.lieu.simplified());
    for (std::size_t r = 0; r < m_roles.size(); ++r) {
        const std::int32_t n = m_resultat.numeros[r];
        if (n < 0) continue;
        TFiche f = fiche(n);
        const TFiche avant = f;
        if (m_roles[r].lien == LienDuRole::Principal) {
            switch (m_acte.genre) {
            case GenreActe::Bapteme:
            case GenreActe::Naissance:
                if (f.DateNaissance.vide() && f.LieuNaissance.vide()) {
                    f.DateNaissance.definir(m_date.fiche);
                    f.LieuNaissance.definir(lieu);
                    m_champs[n] = "BIRT";
                }
                break;
            case GenreActe::Mariage:
                if (f.DateMariage.vide() && f.LieuMariage.vide()) {
                    f.DateMariage.definir(m_date.fiche);
                    f.LieuMariage.definir(lieu);
                }
                break;
            case GenreActe::Inhumation:
            case GenreActe::Deces:
                if (f.DateDeces.vide() && f.LieuDeces.vide()) {
                    f.DateDeces.definir(m_date.fiche);
                    f.LieuDeces.definir(lieu);
                    m_champs[n] = "DEAT";
                }
                break;
            }
        }
        const QString profession = m_acte.personnes[r].profession.simplified();
        if (!profession.isEmpty() && f.Profession.vide()) {
            f.Profession.definir(versCp1252(profession));
            m_professionEcrite[n] = true;
        }
        if (!(f == avant)) ecrire(n, f);
    }
}

void Preparation::lierAuParent(std::int32_t enfant, std::int32_t parent, bool pere) {
    switch (lienAuParent(m_fichier, m_resultat.modification, enfant, parent, pere,
                         m_resultat.remarques)) {
    case LienFait::HorsDeLaFiche:
        m_enfantsEnPlus.push_back({enfant, parent});
        break;
    case LienFait::Fait:
    case LienFait::Refuse:
        break;
    }
}

void Preparation::lier(std::size_t role) {
    const RoleDActe& r = m_roles[role];
    const std::int32_t n = m_resultat.numeros[role];
    if (n < 0 || r.lien == LienDuRole::Aucun || r.lien == LienDuRole::Principal) return;
    const auto principal = std::find_if(m_roles.begin(), m_roles.end(), [&](const RoleDActe& x) {
        return x.lien == LienDuRole::Principal && x.de == r.de;
    });
    const std::int32_t p =
        m_resultat.numeros[static_cast<std::size_t>(principal - m_roles.begin())];
    if (p < 0 || p == n) return;
    if (r.lien == LienDuRole::Pere || r.lien == LienDuRole::Mere)
        lierAuParent(p, n, r.lien == LienDuRole::Pere);
}

std::string Preparation::citation(int niveau) const {
    const SourceDeLActe& s = m_acte.source;
    if (s.vide()) return {};
    const std::string n = std::to_string(niveau), sous = std::to_string(niveau + 1);
    // The identifier is the store's: "@SOURCE@" is replaced once it is known.
    std::string t = n + " SOUR @SOURCE@\n";
    QStringList page;
    if (!s.vue.trimmed().isEmpty()) page << QStringLiteral("vue %1").arg(s.vue.simplified());
    if (!s.numero.trimmed().isEmpty())
        page << QStringLiteral("acte n° %1").arg(s.numero.simplified());
    if (!page.isEmpty()) t += sous + " PAGE " + utf8(page.join(QStringLiteral(", "))) + '\n';
    if (!s.lien.trimmed().isEmpty()) t += sous + " NOTE " + utf8(s.lien) + '\n';
    return t;
}

// Every other person of the act, under its event, with their role.
std::string Preparation::participants(int niveau) const {
    std::string t;
    const std::string n = std::to_string(niveau), sous = std::to_string(niveau + 1);
    for (std::size_t r = 0; r < m_roles.size(); ++r) {
        const std::int32_t numero = m_resultat.numeros[r];
        if (numero < 0 || m_roles[r].lien == LienDuRole::Principal) continue;
        t += n + " ASSO @I" + std::to_string(numero) + "@\n" + sous + " RELA " +
             utf8(m_roles[r].nom) + '\n';
        const QString age = m_acte.personnes[r].age.simplified();
        if (!age.isEmpty()) t += sous + " NOTE Âge dans l'acte : " + utf8(age) + '\n';
    }
    return t;
}

// The act's event, at level 1, with its date, place, ages, citation and participants.
std::string Preparation::evenement() const {
    std::string t = std::string("1 ") + etiquetteDe(m_acte.genre) + '\n';
    if (!m_dateGedcom.empty()) t += "2 DATE " + m_dateGedcom + '\n';
    if (!m_acte.lieu.trimmed().isEmpty()) t += "2 PLAC " + utf8(m_acte.lieu) + '\n';
    for (std::size_t r = 0; r < m_roles.size(); ++r) {
        if (m_roles[r].lien != LienDuRole::Principal || m_resultat.numeros[r] < 0) continue;
        const QString age = m_acte.personnes[r].age;
        const auto gedcom = ageGedcom(age);
        if (!gedcom && !age.trimmed().isEmpty()) {
            t += "2 NOTE Âge dans l'acte : " + utf8(age) + '\n';
        } else if (gedcom && m_acte.genre == GenreActe::Mariage) {
            t += std::string(m_roles[r].de == 0 ? "2 HUSB\n" : "2 WIFE\n") + "3 AGE " + *gedcom +
                 '\n';
        } else if (gedcom) {
            t += "2 AGE " + *gedcom + '\n';
        }
    }
    return t + citation(2) + participants(2);
}

// The act's register as a source of the store, and its archive service as
// a repository: the ones an earlier act wrote are used again.
std::string sourceDuMagasin(Complements& c, const SourceDeLActe& s) {
    std::string depot;
    if (!s.service.trimmed().isEmpty()) {
        const std::string corps = " REPO\n1 NAME " + utf8(s.service) + '\n';
        c.parcourirEnregistrements([&](const EnregistrementComplement& e) {
            if (depot.empty() && e.xref.starts_with("@VR") && e.gedcom == "0 " + e.xref + corps)
                depot = e.xref;
        });
        if (depot.empty()) {
            depot = c.nouvelIdentifiant("VR");
            c.ecrireEnregistrement(depot, "0 " + depot + corps);
        }
    }
    std::string corps =
        " SOUR\n1 TITL " + utf8(s.titre().isEmpty() ? QStringLiteral("Acte") : s.titre()) + '\n';
    if (!depot.empty()) {
        corps += "1 REPO " + depot + '\n';
        if (!s.cote.trimmed().isEmpty()) corps += "2 CALN " + utf8(s.cote) + '\n';
    }
    std::string source;
    c.parcourirEnregistrements([&](const EnregistrementComplement& e) {
        if (source.empty() && e.xref.starts_with("@VS") && e.gedcom == "0 " + e.xref + corps)
            source = e.xref;
    });
    if (source.empty()) {
        source = c.nouvelIdentifiant("VS");
        c.ecrireEnregistrement(source, "0 " + source + corps);
    }
    return source;
}

std::string avecSource(std::string texte, const std::string& xref) {
    for (std::size_t i = texte.find("@SOURCE@"); i != std::string::npos;
         i = texte.find("@SOURCE@", i + xref.size()))
        texte.replace(i, 8, xref);
    return texte;
}

// What the store gets: the records it follows brought up to date, the
// source, the event, the professions and residences the act gives, the
// unions it proves.
PartDuMagasin Preparation::partDuMagasin() {
    struct Ecriture {
        std::int32_t numero;
        std::string gedcom, champ;
    };
    std::map<std::int32_t, TFiche> apres;
    for (const std::int32_t n : m_resultat.numeros)
        if (n >= 0) apres[n] = fiche(n);
    for (const auto& [n, f] : m_avant)
        apres[n] = fiche(n);
    std::vector<Ecriture> ecritures;
    const std::size_t principal = static_cast<std::size_t>(
        std::find_if(m_roles.begin(), m_roles.end(),
                     [](const RoleDActe& r) { return r.lien == LienDuRole::Principal; }) -
        m_roles.begin());
    const bool mariage = m_acte.genre == GenreActe::Mariage;
    if (!mariage) {
        const std::int32_t n = m_resultat.numeros[principal];
        ecritures.push_back({n, evenement(), m_champs.count(n) ? m_champs.at(n) : std::string()});
    }
    // The witnesses, godparents and declarants also as the principal
    // persons' associations, the one place GEDCOM 5.5.1 has for them, which
    // every program reads.
    for (std::size_t p = 0; p < m_roles.size(); ++p) {
        const std::int32_t n = m_resultat.numeros[p];
        if (m_roles[p].lien != LienDuRole::Principal || n < 0) continue;
        std::string associations;
        for (std::size_t r = 0; r < m_roles.size(); ++r)
            if (m_roles[r].lien == LienDuRole::Aucun && m_resultat.numeros[r] >= 0)
                associations +=
                    "1 ASSO @I" + std::to_string(m_resultat.numeros[r]) + "@\n2 RELA " +
                    utf8(QStringLiteral("%1 (%2)").arg(m_roles[r].nom, nomDuGenre(m_acte.genre))) +
                    '\n';
        if (!associations.empty()) ecritures.push_back({n, associations, ""});
    }
    for (std::size_t r = 0; r < m_roles.size(); ++r) {
        const std::int32_t n = m_resultat.numeros[r];
        const PersonneDeLActe& p = m_acte.personnes[r];
        if (n < 0) continue;
        const std::string date =
            m_dateGedcom.empty() ? std::string() : "2 DATE " + m_dateGedcom + '\n';
        if (!p.profession.trimmed().isEmpty())
            ecritures.push_back({n, "1 OCCU " + utf8(p.profession) + '\n' + date + citation(2),
                                 m_professionEcrite.count(n) ? "OCCU" : ""});
        if (!p.residence.trimmed().isEmpty())
            ecritures.push_back(
                {n, "1 RESI\n" + date + "2 PLAC " + utf8(p.residence) + '\n' + citation(2), ""});
    }
    // The unions the act proves: the spouses' (with the marriage), the deceased's.
    std::vector<std::tuple<std::int32_t, std::int32_t, std::string>> unions;
    auto union_ = [&](std::int32_t a, std::int32_t b, std::string gedcom) {
        if (a < 0 && b < 0) return;
        const bool aHomme = a >= 0 ? apres.at(a).Qualite == 0 : b >= 0 && apres.at(b).Qualite != 0;
        unions.emplace_back(aHomme ? a : b, aHomme ? b : a, std::move(gedcom));
    };
    if (mariage) union_(m_resultat.numeros[0], m_resultat.numeros[1], evenement());
    for (std::size_t r = 0; r < m_roles.size(); ++r)
        if (m_roles[r].lien == LienDuRole::Conjoint && m_resultat.numeros[r] >= 0 &&
            m_resultat.numeros[principal] >= 0)
            union_(m_resultat.numeros[principal], m_resultat.numeros[r], {});
    return [avant = m_avant, apres, ecritures, unions, enfants = m_enfantsEnPlus,
            source = m_acte.source](Complements& c) {
        for (const auto& [n, f] : avant)
            if (!(f == apres.at(n))) c.suivreEnregistrement(n, f, apres.at(n), false);
        std::string xref;
        if (!source.vide()) {
            xref = sourceDuMagasin(c, source);
            c.definirMeta(CleDerniereSource, source.enTexte().toStdString());
        }
        auto partenaire = [&](std::int32_t n) {
            return Complements::Partenaire{n, n >= 0 ? &apres.at(n) : nullptr};
        };
        for (const auto& [mari, femme, gedcom] : unions)
            c.ajouterAuCouple(partenaire(mari), partenaire(femme), avecSource(gedcom, xref));
        for (const Ecriture& e : ecritures)
            c.ajouterALaPersonne(e.numero, apres.at(e.numero), avecSource(e.gedcom, xref), e.champ);
        for (const auto& [enfant, parent] : enfants) {
            const TFiche& f = apres.at(enfant);
            c.ajouterEnfantAuCouple(partenaire(f.Pere), partenaire(f.Mere), enfant, f);
        }
    };
}

ActePrepare Preparation::preparer() {
    if (m_acte.personnes.size() != m_roles.size())
        throw ErreurVelmoris(QStringLiteral("L'acte ne nomme pas ses personnes rôle par rôle"));
    const bool principal = std::any_of(m_roles.begin(), m_roles.end(), [&](const RoleDActe& r) {
        return r.lien == LienDuRole::Principal &&
               m_acte.personnes[static_cast<std::size_t>(&r - m_roles.data())].presente();
    });
    if (!principal)
        throw ErreurVelmoris(QStringLiteral("Nommez la personne « %1 » de l'acte pour "
                                            "l'enregistrer")
                                 .arg(m_roles.front().nom));
    lireLaDate();
    for (std::size_t r = 0; r < m_roles.size(); ++r) {
        const std::int32_t n = numeroDe(r);
        if (n >= 0 && n < m_nombre && !m_avant.count(n))
            m_avant[n] = Modification().fiche(m_fichier, n);
        m_resultat.numeros.push_back(n);
    }
    remplirLesChamps();
    for (std::size_t r = 0; r < m_roles.size(); ++r)
        lier(r);
    const std::size_t p = static_cast<std::size_t>(
        std::find_if(m_roles.begin(), m_roles.end(),
                     [](const RoleDActe& r) { return r.lien == LienDuRole::Principal; }) -
        m_roles.begin());
    const std::int32_t principale =
        m_resultat.numeros[p] >= 0 ? m_resultat.numeros[p] : m_resultat.numeros[p + 1];
    m_resultat.modification.libelle =
        QStringLiteral("l'acte de %1 %2")
            .arg(nomDuGenre(m_acte.genre), deNom(nomComplet(fiche(principale))));
    m_resultat.modification.personne = principale;
    m_resultat.magasin = partDuMagasin();
    return std::move(m_resultat);
}

} // namespace

ActePrepare preparerActe(FichierEnregistrements& fichier, const Acte& acte) {
    return Preparation(fichier, acte).preparer();
}

bool candidatImpossible(const Acte& acte, std::size_t role, const QString& naissance,
                        const QString& deces) {
    const std::vector<RoleDActe>& roles = rolesDe(acte.genre);
    if (role >= roles.size()) return false;
    const DateSaisie date = lireDateSaisie(acte.date.simplified());
    const IntervalleDate jour = intervalleDe(date.fiche);
    if (!date.valide || !jour.connu()) return false;
    const IntervalleDate ne = intervalleDe(naissance), mort = intervalleDe(deces);
    if (jour.avant(ne)) return true; // not born yet
    const LienDuRole lien = roles[role].lien;
    const bool parent = lien == LienDuRole::Pere || lien == LienDuRole::Mere;
    const bool defunt = lien == LienDuRole::Principal &&
                        (acte.genre == GenreActe::Inhumation || acte.genre == GenreActe::Deces);
    // A burial comes after the death; anyone else is alive at the act.
    if (!parent && !defunt && mort.avant(jour)) return true;
    if (defunt && jour.avant(mort)) return true;
    if (parent && ne.connu()) {
        const int an = premiereAnnee(jour);
        return derniereAnnee(ne) <= an - 90 || premiereAnnee(ne) >= an - 12;
    }
    return false;
}
