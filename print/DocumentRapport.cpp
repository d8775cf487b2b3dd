#include "print/DocumentRapport.h"

#include "data/fichier/Dates.h"
#include "data/fichier/Erreurs.h"

#include "data/fichier/Texte.h"

#include <QAbstractTextDocumentLayout>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include <unordered_map>

#include <algorithm>
#include <cmath>

namespace {

QString h(const QString& texte) {
    return texte.toHtmlEscaped();
}

// "12/03/1890 à Mâcon", or whichever of the two is known.
QString dateEtLieu(const QString& date, const QString& lieu) {
    QStringList parties;
    if (!date.trimmed().isEmpty()) parties << date.trimmed();
    if (!lieu.trimmed().isEmpty()) parties << lieu.trimmed();
    return parties.join(QStringLiteral(" à "));
}

QString entete(const QString& titre, const QString& fichier, const QString& date) {
    return QStringLiteral("<h1>%1</h1><p class=\"source\">D'après le fichier %2, le %3.</p>")
        .arg(h(titre), h(fichier), h(date));
}

QString notes(const QStringList& remarques) {
    if (remarques.isEmpty()) return {};
    QString html = QStringLiteral("<h2>Remarques</h2><ul>");
    for (const QString& r : remarques)
        html += QStringLiteral("<li>%1</li>").arg(h(r));
    return html + QStringLiteral("</ul>");
}

const QString Style = QStringLiteral(
    "h1 { color: #9a0000; font-size: 15pt; } h2 { color: #7a1010; font-size: 12pt; } h3 { color: "
    "#7a1010; font-size: 11pt; } "
    "p.source { color: #555555; font-size: 9pt; } td { padding: 2px 4px; vertical-align: top; } "
    "td.numero { color: #7a1010; font-weight: bold; white-space: nowrap; } "
    "th { background-color: #eeeeee; padding: 2px 4px; text-align: left; }");

// What a generation is called, the person's being the first; none past the
// great-great-grandparents.
QString nomDeGeneration(int g) {
    switch (g) {
    case 0:
        return QStringLiteral("la personne");
    case 1:
        return QStringLiteral("les parents");
    case 2:
        return QStringLiteral("les grands-parents");
    case 3:
        return QStringLiteral("les arrière-grands-parents");
    case 4:
        return QStringLiteral("les arrière-arrière-grands-parents");
    default:
        return {};
    }
}

// "12, 13" or "12, 13 et 4 094 autres numéros".
QString numerosSosa(const AncetreSosa& a) {
    QStringList n;
    for (const std::uint64_t v : a.numeros)
        n << nombreEnFrancais(static_cast<std::int64_t>(v));
    if (a.nombreDeNumeros <= a.numeros.size()) return n.join(QStringLiteral(", "));
    while (n.size() > 2)
        n.removeLast();
    const std::uint64_t autres = a.nombreDeNumeros - static_cast<std::uint64_t>(n.size());
    return n.join(QStringLiteral(", ")) +
           QStringLiteral(" et %1 autre%2 numéro%2")
               .arg(nombreEnFrancais(static_cast<std::int64_t>(autres)), autres > 1 ? "s" : "");
}

// A simple bar chart drawn by the program: one line per value, the bar a
// one-pixel picture stretched to the value's share of the longest.
const QString ImageBarre = QStringLiteral("barre");
constexpr int LongueurBarre = 330; // pixels at 96 per inch, for the largest value

QString barres(const std::vector<std::pair<QString, std::int64_t>>& valeurs, const QString& quoi) {
    if (valeurs.empty()) return QStringLiteral("<p>Aucun(e) %1.</p>").arg(h(quoi));
    std::int64_t maximum = 1;
    for (const auto& [libelle, v] : valeurs)
        maximum = std::max(maximum, v);
    QString html = QStringLiteral("<table cellspacing=\"1\">");
    for (const auto& [libelle, v] : valeurs) {
        const int largeur = static_cast<int>(
            std::lround(LongueurBarre * static_cast<double>(v) / static_cast<double>(maximum)));
        // The bar and its count share one line, so that a page break never
        // parts a bar from its label: cells of one text line break together.
        const QString barre = largeur > 0 ? QStringLiteral("<img src=\"%1\" width=\"%2\" "
                                                           "height=\"9\"/>&nbsp;")
                                                .arg(ImageBarre)
                                                .arg(largeur)
                                          : QString();
        html += QStringLiteral("<tr><td width=\"170\">%1</td><td>%2%3</td></tr>")
                    .arg(h(libelle), barre, nombreEnFrancais(v));
    }
    return html + QStringLiteral("</table>");
}

} // namespace

QString resumePersonne(const TFiche& f) {
    QString texte = nomComplet(f);
    auto evenement = [&](const char* signe, const QString& date, const QString& lieu) {
        if (date.trimmed().isEmpty() && lieu.trimmed().isEmpty()) return;
        texte += QStringLiteral(", ") + QString::fromUtf8(signe) + u' ' +
                 QStringList{date.trimmed(), lieu.trimmed()}.join(u' ').trimmed();
    };
    evenement("°", f.DateNaissance.texte(), f.LieuNaissance.texte());
    evenement("x", f.DateMariage.texte(), f.LieuMariage.texte());
    evenement("†", f.DateDeces.texte(), f.LieuDeces.texte());
    return texte;
}

DocumentRapport rapportAscendance(const AscendanceSosa& a, const TFiche& personne,
                                  const QString& fichier, const QString& date) {
    DocumentRapport r;
    r.titre = QStringLiteral("Liste d'ascendance %1").arg(deNom(nomComplet(personne)));
    r.html = entete(r.titre, fichier, date) +
             QStringLiteral("<p>Numérotation de Sosa-Stradonitz : la personne porte le numéro 1 "
                            "et forme la 1re génération ; le père d'une personne n porte le "
                            "numéro 2n, sa mère 2n + 1. Un ancêtre atteint par plusieurs "
                            "chemins (implexe) est cité une fois, à sa première génération, avec "
                            "tous ses numéros, et rappelé aux générations suivantes.</p>");
    std::unordered_map<std::int32_t, std::size_t> citeA; // where each person was listed
    std::uint64_t numeros = 0, personnes = 0;
    for (std::size_t g = 0; g < a.generations.size(); ++g) {
        const GenerationSosa& generation = a.generations[g];
        const QString nom = nomDeGeneration(static_cast<int>(g));
        r.html += QStringLiteral("<h2>Génération %1%2</h2>")
                      .arg(g + 1)
                      .arg(nom.isEmpty() ? QString() : QStringLiteral(" : ") + h(nom));
        if (g > 0) {
            // Every number of this generation counts, whoever holds it.
            QString compte =
                QStringLiteral("%1 ancêtre%2 connu%2 sur %3")
                    .arg(nombreEnFrancais(static_cast<std::int64_t>(generation.numeros)),
                         generation.numeros > 1 ? "s" : "", nombreEnFrancais(std::int64_t(1) << g));
            if (generation.personnes < generation.numeros)
                compte +=
                    QStringLiteral(", %1 personne%2 distincte%2")
                        .arg(nombreEnFrancais(static_cast<std::int64_t>(generation.personnes)),
                             generation.personnes > 1 ? "s" : "");
            r.html += QStringLiteral("<p class=\"source\">%1.</p>").arg(compte);
        }
        numeros += generation.numeros;
        personnes += generation.ancetres.size();
        r.html += QStringLiteral("<table width=\"100%\">");
        for (const AncetreSosa& x : generation.ancetres) {
            citeA[x.fiche] = g;
            r.html +=
                QStringLiteral("<tr><td class=\"numero\" width=\"18%\">%1</td><td>%2</td></tr>")
                    .arg(h(numerosSosa(x)), h(resumePersonne(x.personne)));
        }
        for (const AncetreSosa& x : generation.dejaCites)
            r.html += QStringLiteral("<tr><td class=\"numero\" width=\"18%\">%1</td><td>%2 "
                                     "<i>(déjà cité%3 à la génération %4)</i></td></tr>")
                          .arg(h(numerosSosa(x)), h(nomComplet(x.personne)),
                               x.personne.Qualite == 1 || x.personne.Qualite == 2 ? "e" : "")
                          .arg(citeA.count(x.fiche) ? citeA[x.fiche] + 1 : g + 1);
        r.html += QStringLiteral("</table>");
    }
    if (numeros > personnes) {
        const std::uint64_t doubles = numeros - personnes;
        r.html += QStringLiteral("<h2>Implexe</h2><p>%1 numéros de Sosa sont portés par %2 "
                                 "personnes distinctes : %3 numéro(s) reviennent à un ancêtre "
                                 "déjà compté, un taux d'implexe de %4 %.</p>")
                      .arg(nombreEnFrancais(static_cast<std::int64_t>(numeros)),
                           nombreEnFrancais(static_cast<std::int64_t>(personnes)),
                           nombreEnFrancais(static_cast<std::int64_t>(doubles)))
                      .arg(QLocale(QLocale::French, QLocale::France)
                               .toString(100.0 * static_cast<double>(doubles) /
                                             static_cast<double>(numeros),
                                         'f', 1));
    }
    r.html += notes(a.notes);
    return r;
}

DocumentRapport rapportDescendance(const DescendanceAboville& d, const TFiche& personne,
                                   const QString& fichier, const QString& date) {
    DocumentRapport r;
    r.titre = QStringLiteral("Liste de descendance %1").arg(deNom(nomComplet(personne)));
    r.html = entete(r.titre, fichier, date) +
             QStringLiteral("<p>Numérotation d'Aboville : la personne porte le numéro 1, ses "
                            "enfants 1.1, 1.2… union après union dans l'ordre des mariages, et "
                            "pour chaque union dans l'ordre de leur rang sur la fiche (le rang de "
                            "naissance tel qu'il a été saisi), leurs enfants 1.1.1, et ainsi de "
                            "suite. Chaque conjoint est nommé (x), suivi des enfants de cette "
                            "union.</p><table width=\"100%\">");
    for (const DescendantAboville& x : d.descendants) {
        const int profondeur = static_cast<int>(x.numero.count(u'.'));
        if (x.estUnion) {
            // The spouse's own birth and death; the marriage is the union's.
            TFiche sansMariage = x.personne;
            sansMariage.DateMariage.vider();
            sansMariage.LieuMariage.vider();
            QString conjoint = x.fiche >= 0 ? resumePersonne(sansMariage)
                                            : QStringLiteral("conjoint(e) inconnu(e)");
            if (!x.dateUnion.isEmpty() || !x.lieuUnion.isEmpty()) {
                conjoint += QStringLiteral(" — mariage");
                if (!x.dateUnion.isEmpty()) conjoint += u' ' + phraseDeDate(x.dateUnion);
                if (!x.lieuUnion.isEmpty()) conjoint += QStringLiteral(" à ") + x.lieuUnion;
            }
            r.html +=
                QStringLiteral("<tr><td width=\"18%\"></td><td>%1x (%2) %3</td></tr>")
                    .arg(QString(profondeur * 2 + 2, u' ').replace(u' ', QStringLiteral("&nbsp;")))
                    .arg(x.rangUnion)
                    .arg(h(conjoint));
            continue;
        }
        QString texte = h(resumePersonne(x.personne));
        if (!x.dejaCite.isEmpty())
            texte += QStringLiteral(" <i>(déjà cité(e) sous le numéro %1)</i>").arg(h(x.dejaCite));
        if (x.dejaCite.isEmpty() && x.enfantsHorsOrdre)
            texte += QStringLiteral("<br/>&nbsp;&nbsp;<i>Ses enfants suivent leur rang sur la "
                                    "fiche, qui n'est pas l'ordre de leurs dates de "
                                    "naissance.</i>");
        if (x.dejaCite.isEmpty() && x.dixEnfants)
            texte += QStringLiteral("<br/>&nbsp;&nbsp;<i>Les dix emplacements d'enfants de la "
                                    "fiche sont pris : d'autres enfants peuvent manquer.</i>");
        r.html += QStringLiteral("<tr><td class=\"numero\" width=\"18%\">%1%2</td><td>%3</td></tr>")
                      .arg(QString(profondeur * 2, u' ').replace(u' ', QStringLiteral("&nbsp;")),
                           h(x.numero), texte);
    }
    r.html += QStringLiteral("</table>") + notes(d.notes);
    return r;
}

DocumentRapport rapportParente(const LienDeParente& l,
                               const std::function<TFiche(std::int32_t)>& fiche, std::int32_t a,
                               std::int32_t b, const QString& fichier, const QString& date) {
    DocumentRapport r;
    const TFiche fa = fiche(a), fb = fiche(b);
    r.titre = QStringLiteral("Lien de parenté entre %1 et %2").arg(nomComplet(fa), nomComplet(fb));
    r.html = entete(r.titre, fichier, date);
    if (!l.trouve) {
        r.html += QStringLiteral("<p><b>Aucun lien de parenté trouvé.</b></p>") + notes(l.notes);
        return r;
    }
    if (l.memePersonne) {
        r.html += QStringLiteral("<p><b>%1</b></p>").arg(h(l.deAVersB));
        return r;
    }
    r.html += QStringLiteral("<p><b>%1</b><br/><b>%2</b></p>").arg(h(l.deAVersB), h(l.deBVersA));
    for (std::size_t i = 0; i < l.relations.size(); ++i) {
        const RelationDeParente& x = l.relations[i];
        r.html += l.relations.size() == 1
                      ? QStringLiteral("<h2>Le chemin par l'ancêtre commun</h2>")
                      : QStringLiteral("<h2>%1 relation : %2 %3</h2>")
                            .arg(i == 0 ? QStringLiteral("1re") : QStringLiteral("%1e").arg(i + 1),
                                 h(x.nomDeAVersB), h(deNom(nomComplet(fb))));
        QStringList communs;
        for (const std::int32_t c : x.ancetresCommuns)
            communs << nomComplet(fiche(c));
        r.html += QStringLiteral("<p>%1 est %2 %3 ; %4 est %5 %6.<br/>%7 : %8, à %9 de %10 et à "
                                 "%11 de %12. Parenté au %13 degré civil, %14 degré canonique.</p>")
                      .arg(h(nomComplet(fa)), h(x.nomDeAVersB), h(deNom(nomComplet(fb))),
                           h(nomComplet(fb)), h(x.nomDeBVersA), h(deNom(nomComplet(fa))),
                           communs.size() > 1 ? QStringLiteral("Ancêtres communs")
                                              : QStringLiteral("Ancêtre commun"),
                           h(communs.join(QStringLiteral(" et "))))
                      .arg(x.generationsA > 1 ? QStringLiteral("%1 générations").arg(x.generationsA)
                                              : QStringLiteral("%1 génération").arg(x.generationsA))
                      .arg(h(nomComplet(fa)))
                      .arg(x.generationsB)
                      .arg(h(nomComplet(fb)))
                      .arg(x.degreCivil() == 1 ? QStringLiteral("1er")
                                               : QStringLiteral("%1e").arg(x.degreCivil()))
                      .arg(x.degreCanonique() == 1 ? QStringLiteral("1er")
                                                   : QStringLiteral("%1e").arg(x.degreCanonique()));
        r.html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\"><tr><th>Génération</th>"
                                 "<th>Du côté %1</th><th>Du côté %2</th></tr>")
                      .arg(h(deNom(nomComplet(fa))), h(deNom(nomComplet(fb))));
        const std::size_t lignes = std::max(x.cheminA.size(), x.cheminB.size());
        for (std::size_t k = 0; k < lignes; ++k) {
            auto cellule = [&](const std::vector<std::int32_t>& c) {
                return k < c.size() ? h(resumePersonne(fiche(c[k]))) : QString();
            };
            r.html += QStringLiteral("<tr><td class=\"numero\">%1</td><td>%2</td><td>%3</td></tr>")
                          .arg(k + 1)
                          .arg(cellule(x.cheminA), cellule(x.cheminB));
        }
        r.html += QStringLiteral("</table>");
    }
    if (l.autresRelations)
        r.html += QStringLiteral("<p>Ils sont encore apparentés de %1 autre(s) façon(s), plus "
                                 "éloignée(s), par d'autres ancêtres communs (implexe).</p>")
                      .arg(l.autresRelations);
    r.html += notes(l.notes);
    return r;
}

DocumentRapport rapportStatistiques(const Statistiques& s, const QString& fichier,
                                    const QString& date) {
    DocumentRapport r;
    r.titre = QStringLiteral("Statistiques du fichier");
    QImage barre(1, 1, QImage::Format_RGB32);
    barre.fill(QColor(0xB4, 0x40, 0x40));
    r.images.insert(ImageBarre, barre);
    r.html = entete(r.titre, fichier, date);
    r.html += QStringLiteral("<p>%1 fiche(s) ; %2 sans aucun lien (ni père, ni mère, ni "
                             "enfant).</p>")
                  .arg(nombreEnFrancais(s.fiches), nombreEnFrancais(s.sansAucunLien));
    r.html += QStringLiteral("<h2>Par qualité</h2>") +
              barres({{QStringLiteral("Monsieur"), s.parQualite[0]},
                      {QStringLiteral("Madame"), s.parQualite[1]},
                      {QStringLiteral("Mademoiselle"), s.parQualite[2]},
                      {QStringLiteral("Non précisée"), s.parQualite[3]}},
                     QStringLiteral("fiche"));
    r.html += QStringLiteral("<h2>Les noms les plus fréquents</h2>") +
              barres(s.nomsFrequents, QStringLiteral("nom"));
    r.html += QStringLiteral("<h2>Les prénoms les plus fréquents</h2><p class=\"source\">Le "
                             "premier prénom de chaque personne.</p>") +
              barres(s.prenomsFrequents, QStringLiteral("prénom"));
    const std::pair<const char*, const std::map<int, std::int64_t>*> periodes[] = {
        {"Naissances", &s.naissancesParDecennie},
        {"Mariages", &s.mariagesParDecennie},
        {"Décès", &s.decesParDecennie}};
    for (const auto& [quoi, parDecennie] : periodes) {
        std::vector<std::pair<QString, std::int64_t>> decennies;
        for (const auto& [decennie, n] : *parDecennie)
            decennies.push_back({QStringLiteral("%1-%2").arg(decennie).arg(decennie + 9), n});
        r.html += QStringLiteral("<h2>%1 par décennie</h2>").arg(QString::fromUtf8(quoi)) +
                  barres(decennies, QStringLiteral("date"));
    }
    const QLocale francais(QLocale::French, QLocale::France);
    r.html += QStringLiteral("<h2>Durée de vie</h2>");
    r.html +=
        s.viesMesurees
            ? QStringLiteral("<p>%1 an(s) en moyenne, sur %2 vie(s) dont les années de naissance "
                             "et de décès sont sûres.</p>")
                  .arg(francais.toString(s.dureeDeVieMoyenne, 'f', 1),
                       nombreEnFrancais(s.viesMesurees))
            : QStringLiteral("<p>Aucune vie dont les deux années soient sûres.</p>");
    if (s.viesApprochees)
        r.html += QStringLiteral("<p>Comptées à part, %1 vie(s) aux dates approchées (« vers », "
                                 "« av. », « ap. », intervalles) : %2 an(s) en moyenne.</p>")
                      .arg(nombreEnFrancais(s.viesApprochees),
                           francais.toString(s.dureeDeVieApprochee, 'f', 1));
    const std::pair<const char*, const std::vector<std::pair<QString, std::int64_t>>*> lieux[] = {
        {"naissance", &s.lieuxNaissance}, {"mariage", &s.lieuxMariage}, {"décès", &s.lieuxDeces}};
    for (const auto& [quoi, liste] : lieux)
        r.html += QStringLiteral("<h2>Les lieux de %1 les plus fréquents</h2>")
                      .arg(QString::fromUtf8(quoi)) +
                  barres(*liste, QStringLiteral("lieu"));
    r.html += QStringLiteral("<h2>Années extrêmes</h2>");
    r.html += s.premiereAnnee
                  ? QStringLiteral("<p>De %1 à %2.</p>").arg(s.premiereAnnee).arg(s.derniereAnnee)
                  : QStringLiteral("<p>Aucune année ne se lit.</p>");
    return r;
}

namespace {

QString blocMembre(const MembreFamille& m, int niveau, DocumentRapport& r) {
    const TFiche& f = m.personne;
    QString html = QStringLiteral("<h%1>%2 — %3 (fiche %4)</h%1><table width=\"100%\"><tr>")
                       .arg(niveau)
                       .arg(h(m.role), h(nomComplet(f)))
                       .arg(m.fiche);
    if (!m.portrait.isNull()) {
        const QString nom = QStringLiteral("portrait%1").arg(r.images.size());
        r.images.insert(nom, m.portrait);
        html += QStringLiteral("<td width=\"90\"><img src=\"%1\" width=\"80\"/></td>").arg(nom);
    }
    auto lieu = [](const QString& entier, const ChampTexte<30>& c) {
        return entier.isEmpty() ? c.texte() : entier;
    };
    const std::pair<const char*, QString> champs[] = {
        {"Qualité",
         motQualite(f.Qualite).isEmpty() ? QStringLiteral("non précisée") : motQualite(f.Qualite)},
        {"Nom", f.Nom.texte()},
        {"Prénoms", f.Prenom.texte()},
        {"Profession", f.Profession.texte()},
        {"Naissance", dateEtLieu(f.DateNaissance.texte(), lieu(m.lieuNaissance, f.LieuNaissance))},
        {"Mariage", dateEtLieu(f.DateMariage.texte(), lieu(m.lieuMariage, f.LieuMariage))},
        {"Décès", dateEtLieu(f.DateDeces.texte(), lieu(m.lieuDeces, f.LieuDeces))},
        {"Nombre d'enfants", QString::number(f.NbEnfants)},
        {"Portrait", f.Photo.texte()}};
    html += QStringLiteral("<td><table cellspacing=\"0\">");
    for (const auto& [libelle, valeur] : champs)
        html += QStringLiteral("<tr><td width=\"150\"><b>%1</b></td><td>%2</td></tr>")
                    .arg(h(QString::fromUtf8(libelle)), h(valeur));
    return html + QStringLiteral("</table></td></tr></table>");
}

} // namespace

DocumentRapport rapportFicheFamiliale(const FicheFamiliale& fiche, const QString& fichier,
                                      const QString& date) {
    DocumentRapport r;
    const TFiche& personne = fiche.personneEtParents.front().personne;
    r.titre = QStringLiteral("Fiche familiale %1").arg(deNom(nomComplet(personne)));
    r.html = entete(r.titre, fichier, date);
    for (const QString& remarque : fiche.remarques)
        r.html += QStringLiteral("<p><i>%1</i></p>").arg(h(remarque));
    for (const MembreFamille& m : fiche.personneEtParents)
        r.html += blocMembre(m, 2, r);
    for (const UnionFamiliale& u : fiche.unions) {
        r.html += QStringLiteral("<h2>%1</h2>").arg(h(u.titre));
        if (!u.evenements.isEmpty()) {
            r.html += QStringLiteral("<p>");
            for (const QString& ligne : u.evenements) {
                const qsizetype retrait = ligne.size() - QString(ligne).trimmed().size();
                r.html += QString(retrait * 2, QChar(0xA0)) + h(ligne.trimmed()) +
                          QStringLiteral("<br/>");
            }
            r.html += QStringLiteral("</p>");
        }
        if (u.membres.empty()) r.html += QStringLiteral("<p>Aucun enfant connu.</p>");
        for (const MembreFamille& m : u.membres)
            r.html += blocMembre(m, 3, r);
    }
    return r;
}

namespace {

int pageDe(const QTextDocument& document, double y) {
    return static_cast<int>(y / document.pageSize().height());
}

// The last block of the heading's section, up to the next heading.
QTextBlock finDeSection(const QTextBlock& titre) {
    QTextBlock fin = titre;
    while (fin.next().isValid() && fin.next().blockFormat().headingLevel() == 0)
        fin = fin.next();
    return fin;
}

// What must share the heading's page: its whole section when that takes no
// more than half a page (a person of the family sheet, a short generation),
// otherwise the two blocks that follow it (a count line and a first row).
QTextBlock finDuTitre(const QAbstractTextDocumentLayout& mise, const QTextBlock& titre,
                      double hauteurPage) {
    const QTextBlock section = finDeSection(titre);
    if (mise.blockBoundingRect(section).bottom() - mise.blockBoundingRect(titre).top() <=
        hauteurPage / 2)
        return section;
    QTextBlock fin = titre;
    for (int i = 0; i < 2 && fin.blockNumber() < section.blockNumber(); ++i)
        fin = fin.next();
    return fin;
}

} // namespace

void garderTitresAvecLeurTexte(QTextDocument& document) {
    QAbstractTextDocumentLayout* mise = document.documentLayout();
    const double hauteur = document.pageSize().height();
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() == 0) continue;
        const double haut = mise->blockBoundingRect(b).top();
        const double bas = mise->blockBoundingRect(finDuTitre(*mise, b, hauteur)).bottom() - 1;
        const int page = pageDe(document, haut);
        const bool enHautDePage = haut - page * hauteur < 1;
        if (enHautDePage || pageDe(document, bas) == page) continue;
        QTextBlockFormat format = b.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(b).setBlockFormat(format);
    }
}

namespace {

// Where each page starts, laid out at `hauteur` a page. A paragraph (a
// table's cell too) that the bottom of a page would cut starts the next
// page instead: the painter draws a paragraph whole wherever part of it
// shows, so a cut one would print twice, clipped, on both pages. Only a
// paragraph taller than a page is cut, between its lines.
std::vector<double> debutsDePages(QTextDocument& document, double hauteur) {
    std::vector<std::pair<double, double>> morceaux;
    QAbstractTextDocumentLayout* mise = document.documentLayout();
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        QRectF cadre = mise->blockBoundingRect(b);
        // A table's cell is painted from above its text: its padding, the
        // spacing and border between rows.
        if (const QTextTable* table = QTextCursor(b).currentTable()) {
            const QTextTableFormat f = table->format();
            cadre.setTop(cadre.top() - f.cellPadding() - f.cellSpacing() - f.border() - 1);
        }
        if (cadre.height() < hauteur) {
            morceaux.emplace_back(cadre.top(), cadre.bottom());
            continue;
        }
        const QTextLayout* l = b.layout();
        for (int i = 0; l && i < l->lineCount(); ++i) {
            const QTextLine ligne = l->lineAt(i);
            morceaux.emplace_back(cadre.top() + ligne.y(),
                                  cadre.top() + ligne.y() + ligne.height());
        }
    }
    const double total = mise->documentSize().height();
    std::vector<double> debuts{0};
    for (double debut = 0; debut + hauteur < total;) {
        const double limite = debut + hauteur;
        double suivant = limite;
        for (const auto& [haut, bas] : morceaux)
            if (haut > debut && haut < limite && bas > limite) suivant = std::min(suivant, haut);
        debut = suivant;
        debuts.push_back(debut);
    }
    return debuts;
}

} // namespace

int imprimerRapport(QPagedPaintDevice& sortie, const DocumentRapport& rapport) {
    QPainter p;
    if (!p.begin(&sortie))
        throw ErreurVelmoris(QStringLiteral("L'impression du rapport a été refusée"));
    const QRectF zone = sortie.pageLayout().paintRectPixels(sortie.logicalDpiX());
    const double pouce = sortie.logicalDpiY();
    const double marge = pouce * 0.3; // room for the head and the foot of each page
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&sortie);
    document.setDefaultStyleSheet(Style);
    QFont police(QStringLiteral("Liberation Sans"));
    police.setPointSizeF(10);
    document.setDefaultFont(police);
    for (auto i = rapport.images.cbegin(); i != rapport.images.cend(); ++i)
        document.addResource(QTextDocument::ImageResource, QUrl(i.key()), i.value());
    document.setHtml(rapport.html);
    document.setDocumentMargin(0);
    const QSizeF page(zone.width(), zone.height() - 2 * marge);
    document.setPageSize(page);
    document.markContentsDirty(0, document.characterCount());
    garderTitresAvecLeurTexte(document);
    // The page breaks just set moved blocks down: the layout is done again
    // whole, so that drawing a page starts from where its blocks now are.
    document.markContentsDirty(0, document.characterCount());
    const std::vector<double> debuts = debutsDePages(document, page.height());
    const int pages = static_cast<int>(debuts.size());
    QFont petite = police;
    petite.setPointSizeF(8);
    for (int n = 0; n < pages; ++n) {
        if (n > 0 && !sortie.newPage())
            throw ErreurVelmoris(QStringLiteral("L'impression du rapport a été interrompue"));
        const double fin =
            n + 1 < pages ? debuts[static_cast<std::size_t>(n) + 1] : debuts.back() + page.height();
        p.save();
        p.translate(0, marge - debuts[static_cast<std::size_t>(n)]);
        document.drawContents(&p, QRectF(0, debuts[static_cast<std::size_t>(n)], page.width(),
                                         fin - debuts[static_cast<std::size_t>(n)] - 1));
        p.restore();
        p.setFont(petite);
        p.setPen(Qt::darkGray);
        if (n > 0)
            p.drawText(QRectF(0, 0, page.width(), marge * 0.8), Qt::AlignLeft | Qt::AlignTop,
                       rapport.titre);
        p.drawText(QRectF(0, zone.height() - marge * 0.8, page.width(), marge * 0.8),
                   Qt::AlignCenter | Qt::AlignBottom,
                   QStringLiteral("page %1 sur %2").arg(n + 1).arg(pages));
    }
    p.end();
    return pages;
}
