// What the companion store keeps, in readable French: the Compléments window
// shows it as lines, never as GEDCOM.
#include "data/complements/Complements.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Texte.h"

#include <QHash>

#include <map>
#include <memory>

#include <string_view>

namespace {

struct Noeud {
    std::string etiquette;
    std::string valeur;
    std::vector<Noeud> enfants;
};

// The lines of a structure as a tree; continuation lines join their value.
std::vector<Noeud> arbreDe(const std::string& gedcom) {
    std::vector<Noeud> racines;
    std::vector<std::pair<int, Noeud*>> pile; // level, node
    std::size_t debut = 0;
    while (debut < gedcom.size()) {
        std::size_t fin = gedcom.find('\n', debut);
        if (fin == std::string::npos) fin = gedcom.size();
        std::string_view ligne(gedcom.data() + debut, fin - debut);
        debut = fin + 1;
        std::size_t espace = ligne.find(' ');
        if (espace == std::string_view::npos || espace == 0) continue;
        int niveau = 0;
        for (char c : ligne.substr(0, espace)) {
            if (c < '0' || c > '9' || niveau > 99) {
                niveau = -1;
                break;
            }
            niveau = niveau * 10 + (c - '0');
        }
        if (niveau < 0) continue;
        ligne.remove_prefix(espace + 1);
        if (!ligne.empty() && ligne.front() == '@') { // the record's own identifier
            const std::size_t apres = ligne.find(' ');
            ligne.remove_prefix(apres == std::string_view::npos ? ligne.size() : apres + 1);
        }
        espace = ligne.find(' ');
        const std::string etiquette(ligne.substr(0, espace));
        const std::string valeur(espace == std::string_view::npos ? std::string_view()
                                                                  : ligne.substr(espace + 1));
        while (!pile.empty() && pile.back().first >= niveau)
            pile.pop_back();
        if (!pile.empty() && (etiquette == "CONT" || etiquette == "CONC")) {
            pile.back().second->valeur += (etiquette == "CONT" ? "\n" : "") + valeur;
            continue;
        }
        std::vector<Noeud>& freres = pile.empty() ? racines : pile.back().second->enfants;
        freres.push_back({etiquette, valeur, {}});
        pile.emplace_back(niveau, &freres.back());
        // The addresses held by `pile` stay valid: a node's children are only
        // added while it is the last of its brothers.
    }
    return racines;
}

const QHash<QString, QString>& libelles() {
    static const QHash<QString, QString> table{{"NAME", "Autre nom"},
                                               {"BIRT", "Naissance"},
                                               {"CHR", "Baptême"},
                                               {"BAPM", "Baptême"},
                                               {"BAPL", "Baptême (mormon)"},
                                               {"DEAT", "Décès"},
                                               {"BURI", "Inhumation"},
                                               {"CREM", "Crémation"},
                                               {"ADOP", "Adoption"},
                                               {"BARM", "Bar-mitsva"},
                                               {"BASM", "Bat-mitsva"},
                                               {"BLES", "Bénédiction"},
                                               {"CHRA", "Baptême d'adulte"},
                                               {"CONF", "Confirmation"},
                                               {"FCOM", "Première communion"},
                                               {"ORDN", "Ordination"},
                                               {"NATU", "Naturalisation"},
                                               {"EMIG", "Émigration"},
                                               {"IMMI", "Immigration"},
                                               {"CENS", "Recensement"},
                                               {"PROB", "Homologation du testament"},
                                               {"WILL", "Testament"},
                                               {"GRAD", "Diplôme"},
                                               {"RETI", "Retraite"},
                                               {"EVEN", "Événement"},
                                               {"FACT", "Fait"},
                                               {"CAST", "Caste"},
                                               {"DSCR", "Description"},
                                               {"EDUC", "Études"},
                                               {"IDNO", "Numéro d'identité"},
                                               {"NATI", "Nationalité"},
                                               {"NCHI", "Nombre d'enfants"},
                                               {"NMR", "Nombre de mariages"},
                                               {"OCCU", "Profession"},
                                               {"PROP", "Biens"},
                                               {"RELI", "Religion"},
                                               {"RESI", "Résidence"},
                                               {"SSN", "Numéro de sécurité sociale"},
                                               {"TITL", "Titre"},
                                               {"MARR", "Mariage"},
                                               {"MARB", "Bans"},
                                               {"MARC", "Contrat de mariage"},
                                               {"MARL", "Autorisation de mariage"},
                                               {"MARS", "Accord de mariage"},
                                               {"ENGA", "Fiançailles"},
                                               {"DIV", "Divorce"},
                                               {"DIVF", "Demande de divorce"},
                                               {"ANUL", "Annulation"},
                                               {"SOUR", "Source"},
                                               {"NOTE", "Note"},
                                               {"SEX", "Sexe"},
                                               {"OBJE", "Image ou document"},
                                               {"PAGE", "Page"},
                                               {"QUAY", "Fiabilité"},
                                               {"DATA", "Données"},
                                               {"TEXT", "Texte"},
                                               {"AGE", "Âge"},
                                               {"CAUS", "Cause"},
                                               {"AGNC", "Autorité"},
                                               {"ADDR", "Adresse"},
                                               {"PHON", "Téléphone"},
                                               {"EMAIL", "Courriel"},
                                               {"WWW", "Site"},
                                               {"FILE", "Fichier"},
                                               {"FORM", "Format"},
                                               {"GIVN", "Prénoms"},
                                               {"SURN", "Nom"},
                                               {"NPFX", "Avant le nom"},
                                               {"NSFX", "Après le nom"},
                                               {"SPFX", "Particule"},
                                               {"NICK", "Surnom"},
                                               {"FAMC", "Enfant de la famille"},
                                               {"FAMS", "Conjoint dans la famille"},
                                               {"PEDI", "Filiation"},
                                               {"ASSO", "Personne liée"},
                                               {"RELA", "Lien"},
                                               {"RESN", "Confidentialité"},
                                               {"REFN", "Référence"},
                                               {"RIN", "Numéro"},
                                               {"CHAN", "Modifié"},
                                               {"REPO", "Dépôt"},
                                               {"CALN", "Cote"},
                                               {"AUTH", "Auteur"},
                                               {"PUBL", "Publication"},
                                               {"ABBR", "Abréviation"},
                                               {"ROLE", "Rôle"},
                                               {"HUSB", "Mari"},
                                               {"WIFE", "Épouse"},
                                               {"MAP", "Coordonnées"},
                                               {"LATI", "Latitude"},
                                               {"LONG", "Longitude"},
                                               {"ROMN", "Forme latine"},
                                               {"FONE", "Forme phonétique"},
                                               {"CITY", "Ville"},
                                               {"STAE", "Région"},
                                               {"CTRY", "Pays"},
                                               {"POST", "Code postal"},
                                               {"ADR1", "Adresse"},
                                               {"ADR2", "Adresse (suite)"},
                                               {"ADR3", "Adresse (suite)"},
                                               {"FAX", "Télécopie"},
                                               {"SLGS", "Scellement au conjoint (mormon)"},
                                               {"SLGC", "Scellement aux parents (mormon)"},
                                               {"ENDL", "Dotation (mormon)"},
                                               {"TEMP", "Temple"},
                                               {"STAT", "État"},
                                               {"MEDI", "Support"},
                                               {"_MILT", "Service militaire"},
                                               {"_MARNM", "Nom d'épouse"},
                                               {"_AKA", "Aussi connu sous"},
                                               {"_FREL", "Lien au père"},
                                               {"_MREL", "Lien à la mère"},
                                               {"SUBM", "Auteur"}};
    return table;
}

QString libelle(const std::string& etiquette) {
    const QString e = QString::fromStdString(etiquette);
    return libelles().value(e, e);
}

QString enClair(const std::string& v) {
    return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

// "ABT 13 OCT 1784" as "vers 13 octobre 1784", "@#DJULIAN@ 1 MAR 1700" with
// its calendar named.
QString dateEnFrancais(const std::string& date) {
    static const QHash<QString, QString> mots{{"JAN", "janvier"},
                                              {"FEB", "février"},
                                              {"MAR", "mars"},
                                              {"APR", "avril"},
                                              {"MAY", "mai"},
                                              {"JUN", "juin"},
                                              {"JUL", "juillet"},
                                              {"AUG", "août"},
                                              {"SEP", "septembre"},
                                              {"OCT", "octobre"},
                                              {"NOV", "novembre"},
                                              {"DEC", "décembre"},
                                              {"ABT", "vers"},
                                              {"EST", "estimé"},
                                              {"CAL", "calculé"},
                                              {"BEF", "avant"},
                                              {"AFT", "après"},
                                              {"BET", "entre"},
                                              {"AND", "et"},
                                              {"FROM", "de"},
                                              {"TO", "à"},
                                              {"INT", "interprété"},
                                              {"@#DJULIAN@", "(julien)"},
                                              {"@#DGREGORIAN@", ""},
                                              {"@#DHEBREW@", "(hébreu)"},
                                              {"@#DFRENCH", "(républicain)"},
                                              {"R@", ""},
                                              {"B.C.", "av. J.-C."}};
    QStringList sortie;
    QString calendrier; // said after the date it is of
    for (const QString& mot : enClair(date).split(u' ', Qt::SkipEmptyParts)) {
        const auto i = mots.find(mot.toUpper());
        if (i == mots.end())
            sortie << mot;
        else if (i->startsWith(u'('))
            calendrier = *i;
        else if (!i->isEmpty())
            sortie << *i;
    }
    if (!calendrier.isEmpty()) sortie << calendrier;
    return sortie.join(u' ');
}

QString nomEnClair(const std::string& nom) {
    return enClair(nom).remove(u'/').simplified();
}

class Lecteur {
public:
    explicit Lecteur(const std::function<std::string(const std::string&)>& enregistrement)
        : m_enregistrement(enregistrement) {}

    void ecrire(const Noeud& n, int profondeur, QStringList& lignes) {
        QString ligne = QString(profondeur * 2, u' ') + libelle(n.etiquette);
        QStringList details;
        QString valeur = valeurDe(n);
        for (const Noeud& e : n.enfants) {
            if (e.etiquette == "TYPE")
                ligne += QStringLiteral(" (%1)").arg(enClair(e.valeur));
            else if (e.etiquette == "DATE")
                details << dateEnFrancais(e.valeur);
            else if (e.etiquette == "PLAC")
                details << enClair(e.valeur);
        }
        if (!valeur.isEmpty()) details.prepend(valeur);
        details.removeAll(QString());
        if (!details.isEmpty()) ligne += QStringLiteral(" : ") + details.join(QStringLiteral(", "));
        lignes << ligne;
        for (const Noeud& e : n.enfants)
            if (e.etiquette != "TYPE" && e.etiquette != "DATE" && e.etiquette != "PLAC")
                ecrire(e, profondeur + 1, lignes);
    }

private:
    QString valeurDe(const Noeud& n) {
        if (n.valeur.size() > 2 && n.valeur.front() == '@' && n.valeur.back() == '@')
            return renvoi(n.valeur);
        if (n.etiquette == "NAME") return nomEnClair(n.valeur);
        if (n.etiquette == "DATE") return dateEnFrancais(n.valeur);
        if (n.valeur == "Y") return {}; // "1 DEAT Y": the event is known, nothing more
        return enClair(n.valeur);
    }

    // A pointer to another record of the file, told by what names it.
    QString renvoi(const std::string& xref) {
        const std::string texte = m_enregistrement(xref);
        if (texte.empty()) return {};
        const std::vector<Noeud> arbre = arbreDe(texte);
        if (arbre.empty()) return {};
        const Noeud& r = arbre.front();
        if (!r.valeur.empty() && r.etiquette == "NOTE") return enClair(r.valeur);
        for (const char* nom : {"TITL", "NAME", "ABBR", "FILE", "AUTH", "TEXT"})
            for (const Noeud& e : r.enfants)
                if (e.etiquette == nom && !e.valeur.empty()) {
                    if (e.etiquette == "NAME") return nomEnClair(e.valeur);
                    if (e.etiquette != "FILE" || e.enfants.empty()) return enClair(e.valeur);
                    for (const Noeud& f : e.enfants)
                        if (f.etiquette == "TITL") return enClair(f.valeur);
                    return enClair(e.valeur);
                }
        return {};
    }

    const std::function<std::string(const std::string&)>& m_enregistrement;
};

} // namespace

namespace {

QString lieuDe(const std::string& gedcom, const char* etiquette) {
    for (const Noeud& n : arbreDe(gedcom))
        if (n.etiquette == etiquette)
            for (const Noeud& e : n.enfants)
                if (e.etiquette == "PLAC") return enClair(e.valeur);
    return {};
}

} // namespace

QString lieuEntier(Complements& base, std::int32_t fiche, const TFiche& personne,
                   const char* champ) {
    const std::string maintenant = ecritDe(personne, champ);
    if (std::string_view(champ) == "MARR") {
        // The marriage the import wrote in the record, while the record holds it so.
        for (const EntreeCouple& c : base.couplesDe(fiche))
            if ((c.mari == fiche ? c.ecritMari : c.ecritFemme) == maintenant &&
                (c.mari == fiche ? c.empreinteMari : c.empreinteFemme) == empreinteDe(personne))
                return lieuDe(c.gedcom, "MARR");
        return {};
    }
    const std::unique_ptr<EntreePersonne> entree = base.personne(fiche, personne);
    if (!entree) return {};
    const std::string lieuMaintenant = maintenant.substr(maintenant.find('\x1f') + 1);
    for (const EntreePersonne::Champ& ch : entree->champs) {
        if (ch.nom != champ || ch.ecrit.substr(ch.ecrit.find('\x1f') + 1) != lieuMaintenant)
            continue;
        if (const QString lieu = lieuDe(ch.gedcom, champ); !lieu.isEmpty()) return lieu;
    }
    return {};
}

QString dateGedcomEnClair(const std::string& date) {
    return dateEnFrancais(date);
}

QString libelleDEtiquette(const std::string& etiquette) {
    return libelle(etiquette);
}

QStringList texteLisible(const std::string& gedcom,
                         const std::function<std::string(const std::string&)>& enregistrement) {
    QStringList lignes;
    Lecteur lecteur(enregistrement);
    for (const Noeud& n : arbreDe(gedcom))
        lecteur.ecrire(n, 0, lignes);
    return lignes;
}

namespace {

QString etiquetteDe(const std::string& structure) {
    const std::size_t debut = structure.find(' ');
    if (debut == std::string::npos) return {};
    const std::size_t fin = structure.find_first_of(" \n", debut + 1);
    return QString::fromStdString(structure.substr(
        debut + 1, fin == std::string::npos ? std::string::npos : fin - debut - 1));
}

QString qui(FichierEnregistrements& fichier, std::int32_t n) {
    if (n < 0) return QStringLiteral("une personne dont la fiche a changé depuis");
    TFiche f;
    fichier.positionner(n);
    fichier.lire(f);
    return QStringLiteral("%1 (fiche %2)").arg(nomComplet(f)).arg(n);
}

// A field's structure, the person's own name told as such.
QStringList texteDuChamp(const EntreePersonne::Champ& champ,
                         const std::function<std::string(const std::string&)>& enregistrement) {
    QStringList lignes = texteLisible(champ.gedcom, enregistrement);
    if (champ.nom == "NAME" && !lignes.isEmpty())
        lignes.front().replace(0, lignes.front().indexOf(u':'), QStringLiteral("Nom complet "));
    return lignes;
}

QString nomDeFiliation(const std::string& filiation) {
    if (filiation == "adopted") return QStringLiteral("adopté(e) par");
    if (filiation == "foster") return QStringLiteral("accueilli(e) par");
    if (filiation == "step") return QStringLiteral("enfant du conjoint de");
    if (filiation == "other-birth") return QStringLiteral("aussi dit(e) enfant de");
    return QStringLiteral("enfant de");
}

} // namespace

VueComplements vueComplements(Complements& base, FichierEnregistrements& fichier,
                              std::int32_t fiche, const TFiche& personne) {
    VueComplements vue;
    const Complements::LectureGroupee lecture(base);
    const std::unique_ptr<EntreePersonne> entree = base.personne(fiche, personne);
    const auto enregistrement = enregistrementsEtPersonnes(base, fichier);
    std::map<QString, QStringList> parSection;
    auto ajouter = [&](const QString& section, const QStringList& lignes) {
        parSection[section] << lignes;
    };
    if (entree) {
        vue.note = QString::fromStdString(entree->note);
        for (const EntreePersonne::Champ& ch : entree->champs) {
            if (ch.nom == "NAME0") { // a name the source gave before the record's
                ajouter(QStringLiteral("Autres noms"), texteLisible(ch.gedcom, enregistrement));
                continue;
            }
            QStringList lignes = texteDuChamp(ch, enregistrement);
            if (lignes.isEmpty()) continue;
            // Edited since in Velmoris: the record's value wins, what was said of it stays.
            if (ch.ecrit != ecritDe(personne, ch.nom))
                lignes.front() = lignes.front().section(u':', 0, 0).trimmed() +
                                 QStringLiteral(" : remplacé par ce que la fiche contient");
            ajouter(QStringLiteral("Textes entiers des champs"), lignes);
        }
        for (const std::string& structure : structuresDe(entree->structures)) {
            const QString e = etiquetteDe(structure);
            const QString section = e == u"NAME"   ? QStringLiteral("Autres noms")
                                    : e == u"SOUR" ? QStringLiteral("Sources et citations")
                                    : e == u"NOTE" ? QStringLiteral("Notes")
                                    : e == u"OBJE" ? QStringLiteral("Images et documents")
                                                   : QStringLiteral("Événements et faits");
            ajouter(section, texteLisible(structure, enregistrement));
        }
    }
    FamillesDesComplements familles(base, fichier);
    for (const EntreeCouple& c : familles.couplesVerifies(fiche, personne)) {
        QStringList lignes{QStringLiteral("Avec ") +
                           qui(fichier, c.mari == fiche ? c.femme : c.mari)};
        for (const QString& l : texteLisible(c.gedcom, enregistrement))
            lignes << QStringLiteral("  ") + l;
        for (const EntreeCouple::Enfant& e : c.enfants)
            lignes << QStringLiteral("  Enfant : %1%2")
                          .arg(qui(fichier, e.fiche),
                               e.filiation == "birth"
                                   ? QString()
                                   : QStringLiteral(", ") +
                                         nomDeFiliation(e.filiation).section(u' ', 0, 0));
        ajouter(QStringLiteral("Mariages"), lignes);
    }
    const std::string empreinte = empreinteDe(personne);
    for (const EntreeCouple& c : base.couplesDeLEnfant(fiche)) {
        for (const EntreeCouple::Enfant& e : c.enfants) {
            if (e.fiche != fiche || e.empreinte != empreinte || e.filiation == "birth") continue;
            QStringList parents;
            if (c.mari >= 0)
                parents << qui(fichier,
                               familles.estToujours(c.mari, c.empreinteMari) ? c.mari : -1);
            if (c.femme >= 0)
                parents << qui(fichier,
                               familles.estToujours(c.femme, c.empreinteFemme) ? c.femme : -1);
            QStringList lignes{QStringLiteral("%1 %2").arg(
                nomDeFiliation(e.filiation).left(1).toUpper() + nomDeFiliation(e.filiation).mid(1),
                parents.join(QStringLiteral(" et ")))};
            for (const QString& l : texteLisible("1 FAMC\n" + e.gedcom, enregistrement).mid(1))
                lignes << l;
            ajouter(QStringLiteral("Filiations"), lignes);
        }
    }
    for (const char* titre :
         {"Textes entiers des champs", "Autres noms", "Événements et faits", "Mariages",
          "Filiations", "Sources et citations", "Notes", "Images et documents"}) {
        const QString t = QString::fromUtf8(titre);
        if (const auto i = parSection.find(t); i != parSection.end())
            vue.sections.push_back({t, i->second});
    }
    return vue;
}

QString empreinteLisible(const std::string& empreinte) {
    // The fingerprint holds the record's own bytes, in its code page.
    const QStringList parties =
        cp1252::decoder(QByteArray::fromStdString(empreinte)).split(u'\x1f');
    QString texte = (parties.value(0) + u' ' + parties.value(1)).trimmed();
    if (texte.isEmpty()) texte = QStringLiteral("(sans nom)");
    if (!parties.value(2).trimmed().isEmpty())
        texte += QStringLiteral(", né(e) le ") + parties.value(2).trimmed();
    return texte;
}

QStringList texteDeLEntree(Complements& base, const EntreePersonne& entree) {
    auto enregistrement = [&base](const std::string& xref) { return base.enregistrement(xref); };
    QStringList lignes;
    for (const EntreePersonne::Champ& ch : entree.champs)
        lignes << texteDuChamp(ch, enregistrement);
    for (const std::string& structure : structuresDe(entree.structures))
        lignes << texteLisible(structure, enregistrement);
    if (!entree.note.empty())
        lignes << QStringLiteral("Note : ") + QString::fromStdString(entree.note);
    return lignes;
}

QString nomDeLaSourceAMontrer(const std::vector<NomStocke>& noms, const TFiche& fiche) {
    if (noms.empty()) return {};
    const NomStocke& n = noms.front();
    const QString prenoms = QString::fromStdString(n.prenoms).simplified();
    const QString patronyme = QString::fromStdString(n.patronyme).simplified();
    const bool tenu =
        prenoms.compare(fiche.Prenom.texte().simplified(), Qt::CaseInsensitive) == 0 &&
        patronyme.compare(fiche.Nom.texte().simplified(), Qt::CaseInsensitive) == 0;
    if (tenu || (prenoms.isEmpty() && patronyme.isEmpty())) return {};
    return (prenoms + u' ' + patronyme).trimmed();
}
