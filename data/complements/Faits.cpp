#include "data/complements/Faits.h"

#include "data/complements/Complements.h"
#include "data/complements/Structures.h"
#include "data/fichier/DatesSaisies.h"

#include <algorithm>

using structures::Element;
using structures::Sorte;

const std::vector<GenreDeFait>& genresDeFaitsDePersonne() {
    static const std::vector<GenreDeFait> genres = {
        {"BIRT", "", QStringLiteral("Naissance")},
        {"BAPM", "", QStringLiteral("Baptême")},
        {"EVEN", "Ondoiement", QStringLiteral("Ondoiement")},
        {"DEAT", "", QStringLiteral("Décès")},
        {"BURI", "", QStringLiteral("Inhumation")},
        {"CREM", "", QStringLiteral("Crémation")},
        {"OCCU", "", QStringLiteral("Profession")},
        {"RESI", "", QStringLiteral("Résidence")},
        {"CENS", "", QStringLiteral("Recensement")},
        {"WILL", "", QStringLiteral("Testament")},
        {"PROB", "", QStringLiteral("Succession")},
        {"CONF", "", QStringLiteral("Confirmation")},
        {"FCOM", "", QStringLiteral("Première communion")},
        {"ORDN", "", QStringLiteral("Ordination")},
        {"GRAD", "", QStringLiteral("Diplôme")},
        {"EVEN", "Service militaire", QStringLiteral("Service militaire")},
        {"EMIG", "", QStringLiteral("Émigration")},
        {"IMMI", "", QStringLiteral("Immigration")},
        {"NATU", "", QStringLiteral("Naturalisation")},
        {"RETI", "", QStringLiteral("Retraite")},
        {"TITL", "", QStringLiteral("Titre")},
        {"RELI", "", QStringLiteral("Religion")},
        {"EDUC", "", QStringLiteral("Études")},
        {"DSCR", "", QStringLiteral("Description")},
        {"EVEN", "", QStringLiteral("Autre événement")}};
    return genres;
}

const std::vector<GenreDeFait>& genresDeFaitsDUnion() {
    static const std::vector<GenreDeFait> genres = {
        {"MARR", "civil", QStringLiteral("Mariage civil")},
        {"MARR", "religieux", QStringLiteral("Mariage religieux")},
        {"MARR", "", QStringLiteral("Mariage")},
        {"MARC", "", QStringLiteral("Contrat de mariage")},
        {"MARB", "", QStringLiteral("Publication de bans")},
        {"ENGA", "", QStringLiteral("Fiançailles")},
        {"MARL", "", QStringLiteral("Dispense ou autorisation")},
        {"DIV", "", QStringLiteral("Divorce")},
        {"DIVF", "", QStringLiteral("Demande de divorce")},
        {"ANUL", "", QStringLiteral("Annulation")},
        {"EVEN", "", QStringLiteral("Autre événement")}};
    return genres;
}

namespace {

Element elementDe(const std::string& gedcom) {
    std::vector<Element> lus = structures::lireStructures(gedcom, Sorte::Personne, 1);
    return lus.empty() ? Element{} : std::move(lus.front());
}

// A column of the structure's table; a kind without it (a name has no
// place) leaves it alone.
void definirColonne(Element& e, std::string_view nom, std::optional<std::string> valeur) {
    const auto& colonnes = structures::descriptionDe(e.sorte).colonnes;
    const auto i = std::find_if(colonnes.begin(), colonnes.end(),
                                [&](const structures::Colonne& c) { return c.nom == nom; });
    if (i == colonnes.end()) return;
    e.colonnes.resize(colonnes.size());
    e.colonnes[static_cast<std::size_t>(i - colonnes.begin())] = std::move(valeur);
}

std::string colonne(const Element& e, std::string_view nom) {
    const auto& colonnes = structures::descriptionDe(e.sorte).colonnes;
    const bool existe = std::any_of(colonnes.begin(), colonnes.end(),
                                    [&](const structures::Colonne& c) { return c.nom == nom; });
    return existe ? e.colonne(nom).value_or("") : std::string();
}

// A structure of that sorte under an event, as the reader makes it.
Element sousStructure(const std::string& ligne) {
    std::vector<Element> lus = structures::lireStructures("1 EVEN\n" + ligne, Sorte::Personne, 1);
    return std::move(lus.front().enfants.front());
}

std::optional<std::string> texteOuRien(const std::string& t) {
    return t.empty() ? std::nullopt : std::optional<std::string>(t);
}

void sourcesDe(const Element& e, std::vector<std::string>& sources) {
    for (const Element& enfant : e.enfants) {
        if (enfant.sorte == Sorte::Citation) sources.push_back(enfant.valeur.value_or(""));
        sourcesDe(enfant, sources);
    }
}

} // namespace

FaitSaisi lireFait(const std::string& gedcom) {
    Element e = elementDe(gedcom);
    FaitSaisi f;
    f.etiquette = e.etiquette;
    f.valeur = e.valeur.value_or("");
    f.type = colonne(e, "type");
    f.date = colonne(e, "date");
    f.lieu = colonne(e, "lieu");
    int rang = 0;
    for (const Element& enfant : e.enfants) {
        if (enfant.sorte == Sorte::Citation) {
            f.citations.push_back({enfant.valeur.value_or(""), colonne(enfant, "page"), rang++});
        } else if (enfant.sorte == Sorte::NoteJointe && enfant.valeur &&
                   !enfant.valeur->starts_with('@') && f.note.empty()) {
            f.note = *enfant.valeur;
        }
    }
    return f;
}

std::string ecrireFait(const FaitSaisi& f, const std::string& origine) {
    Element e = origine.empty() ? Element{} : elementDe(origine);
    if (origine.empty() || e.etiquette != f.etiquette) {
        // A new fact, or one of another kind: its structure made anew, what
        // was under it kept.
        Element neuf = elementDe("1 " + f.etiquette + '\n');
        neuf.enfants = std::move(e.enfants);
        e = std::move(neuf);
    }
    e.verbatim.clear(); // written as the columns now say
    e.valeur = texteOuRien(f.valeur);
    definirColonne(e, "type", texteOuRien(f.type));
    definirColonne(e, "date", texteOuRien(f.date));
    definirColonne(e, "lieu", texteOuRien(f.lieu));
    // The citations as edited: those kept keep what is under them.
    std::vector<Element> anciennes, autres;
    for (Element& enfant : e.enfants)
        (enfant.sorte == Sorte::Citation ? anciennes : autres).push_back(std::move(enfant));
    bool noteEcrite = false;
    std::vector<Element> enfants;
    for (Element& a : autres) {
        const bool noteEnLigne =
            a.sorte == Sorte::NoteJointe && a.valeur && !a.valeur->starts_with('@');
        if (noteEnLigne && !noteEcrite) {
            noteEcrite = true;
            if (f.note.empty()) continue;
            a.valeur = f.note;
            a.verbatim.clear();
        }
        enfants.push_back(std::move(a));
    }
    if (!noteEcrite && !f.note.empty()) {
        Element note = sousStructure("2 NOTE x\n");
        note.valeur = f.note;
        enfants.push_back(std::move(note));
    }
    for (const CitationSaisie& c : f.citations) {
        Element citation;
        if (c.origine >= 0 && static_cast<std::size_t>(c.origine) < anciennes.size()) {
            citation = anciennes[static_cast<std::size_t>(c.origine)];
        } else {
            citation = sousStructure("2 SOUR @S@\n");
        }
        citation.verbatim.clear();
        citation.valeur = c.source;
        definirColonne(citation, "page", texteOuRien(c.page));
        enfants.push_back(std::move(citation));
    }
    e.enfants = std::move(enfants);
    std::string sortie;
    structures::ecrireStructure(sortie, e, 1);
    return sortie;
}

std::vector<std::string> sourcesCitees(const std::string& gedcom) {
    std::vector<std::string> sources;
    for (const Element& e : structures::lireStructures(gedcom, Sorte::Personne, 1)) {
        if (e.sorte == Sorte::Citation) sources.push_back(e.valeur.value_or(""));
        sourcesDe(e, sources);
    }
    return sources;
}

QString resumeDuFait(const std::string& gedcom) {
    const FaitSaisi f = lireFait(gedcom);
    QString genre = libelleDEtiquette(f.etiquette);
    for (const auto* liste : {&genresDeFaitsDePersonne(), &genresDeFaitsDUnion()})
        for (const GenreDeFait& g : *liste)
            if (g.etiquette == f.etiquette && !g.type.empty() && g.type == f.type)
                genre = g.libelle;
    if (f.etiquette == "EVEN" && !f.type.empty()) genre = QString::fromStdString(f.type);
    QStringList parties{genre};
    if (!f.valeur.empty())
        parties.front() +=
            QStringLiteral(" : ") + QString::fromStdString(f.valeur).replace(u'\n', u' ');
    QStringList quand;
    if (!f.date.empty()) {
        // Another calendar in its own words, with its Gregorian day.
        const QString autre = dateEntiereEnClair(QString::fromStdString(f.date));
        quand << (autre.isEmpty() ? dateGedcomEnClair(f.date) : autre);
    }
    if (!f.lieu.empty()) quand << QString::fromStdString(f.lieu);
    if (!quand.isEmpty()) parties << quand.join(QStringLiteral(", "));
    const std::size_t n = sourcesCitees(gedcom).size();
    if (n) parties << (n == 1 ? QStringLiteral("1 source") : QStringLiteral("%1 sources").arg(n));
    return parties.join(QStringLiteral(" — "));
}

CitationSaisie lireCitation(const std::string& gedcom) {
    const Element e = elementDe(gedcom);
    return {e.valeur.value_or(""), colonne(e, "page"), 0};
}

std::string ecrireCitation(const CitationSaisie& c, const std::string& origine) {
    Element e = origine.empty() ? elementDe("1 SOUR @S@\n") : elementDe(origine);
    e.verbatim.clear();
    e.valeur = c.source;
    definirColonne(e, "page", texteOuRien(c.page));
    std::string sortie;
    structures::ecrireStructure(sortie, e, 1);
    return sortie;
}
