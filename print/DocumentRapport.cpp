#include "print/DocumentRapport.h"

#include "data/Erreurs.h"

#include <QAbstractTextDocumentLayout>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

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

QString nombre(std::int64_t n) {
    return QLocale(QLocale::French, QLocale::France).toString(static_cast<qlonglong>(n));
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
    "h1 { color: #9a0000; font-size: 15pt; } h2 { color: #7a1010; font-size: 12pt; } "
    "p.source { color: #555555; font-size: 9pt; } td { padding: 2px 4px; vertical-align: top; } "
    "td.numero { color: #7a1010; font-weight: bold; white-space: nowrap; } "
    "th { background-color: #eeeeee; padding: 2px 4px; text-align: left; }");

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
    default:
        return QStringLiteral("%1e génération").arg(g + 1);
    }
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
                    .arg(h(libelle), barre, nombre(v));
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
    r.titre = QStringLiteral("Liste d'ascendance de %1").arg(nomComplet(personne));
    r.html = entete(r.titre, fichier, date) +
             QStringLiteral("<p>Numérotation de Sosa-Stradonitz : la personne porte le numéro 1, "
                            "le père d'une personne n le numéro 2n, sa mère 2n + 1. Un ancêtre "
                            "atteint par plusieurs chemins (implexe) est cité une fois, avec tous "
                            "ses numéros.</p>");
    for (std::size_t g = 0; g < a.generations.size(); ++g) {
        const auto& generation = a.generations[g];
        std::int64_t numeros = 0;
        for (const AncetreSosa& x : generation)
            numeros += static_cast<std::int64_t>(x.numeros.size());
        r.html += QStringLiteral("<h2>Génération %1 : %2</h2>")
                      .arg(g + 1)
                      .arg(nomDeGeneration(static_cast<int>(g)));
        if (g > 0)
            r.html += QStringLiteral("<p class=\"source\">%1 ancêtre(s) connu(s) sur %2.</p>")
                          .arg(nombre(numeros), nombre(std::int64_t(1) << g));
        r.html += QStringLiteral("<table width=\"100%\">");
        for (const AncetreSosa& x : generation) {
            QStringList n;
            for (const std::uint64_t v : x.numeros)
                n << QString::number(v);
            r.html +=
                QStringLiteral("<tr><td class=\"numero\" width=\"14%\">%1</td><td>%2</td></tr>")
                    .arg(h(n.join(QStringLiteral(", "))), h(resumePersonne(x.personne)));
        }
        r.html += QStringLiteral("</table>");
    }
    r.html += notes(a.notes);
    return r;
}

DocumentRapport rapportDescendance(const DescendanceAboville& d, const TFiche& personne,
                                   const QString& fichier, const QString& date) {
    DocumentRapport r;
    r.titre = QStringLiteral("Liste de descendance de %1").arg(nomComplet(personne));
    r.html = entete(r.titre, fichier, date) +
             QStringLiteral("<p>Numérotation d'Aboville : la personne porte le numéro 1, ses "
                            "enfants 1.1, 1.2… par rang de naissance, leurs enfants 1.1.1, et "
                            "ainsi de suite. Le conjoint est celui que trouve le bouton "
                            "Conjoint(e).</p><table width=\"100%\">");
    for (const DescendantAboville& x : d.descendants) {
        const int profondeur = static_cast<int>(x.numero.count(u'.'));
        QString texte = h(resumePersonne(x.personne));
        if (!x.dejaCite.isEmpty())
            texte += QStringLiteral(" <i>(déjà cité(e) sous le numéro %1)</i>").arg(h(x.dejaCite));
        else if (x.conjoint >= 0)
            texte +=
                QStringLiteral("<br/>&nbsp;&nbsp;x %1").arg(h(resumePersonne(x.personneConjoint)));
        r.html += QStringLiteral("<tr><td class=\"numero\" width=\"18%\">%1%2</td><td>%3</td></tr>")
                      .arg(QString(profondeur * 2, u' ').replace(u' ', QStringLiteral("&nbsp;")),
                           h(x.numero), texte);
    }
    r.html += QStringLiteral("</table>") + notes(d.notes);
    return r;
}

DocumentRapport rapportParente(const LienDeParente& l, const std::vector<TFiche>& cheminA,
                               const std::vector<TFiche>& cheminB,
                               const std::vector<TFiche>& communs, const TFiche& a, const TFiche& b,
                               const QString& fichier, const QString& date) {
    DocumentRapport r;
    r.titre = QStringLiteral("Lien de parenté entre %1 et %2").arg(nomComplet(a), nomComplet(b));
    r.html = entete(r.titre, fichier, date);
    if (!l.trouve) {
        r.html += QStringLiteral("<p><b>Aucun lien de parenté trouvé.</b></p>") + notes(l.notes);
        return r;
    }
    r.html += QStringLiteral("<p><b>%1</b><br/><b>%2</b></p>").arg(h(l.deAVersB), h(l.deBVersA));
    r.html += QStringLiteral("<h2>Le chemin par l'ancêtre commun</h2><table width=\"100%\" "
                             "cellspacing=\"0\"><tr><th>Génération</th><th>Du côté de %1</th>"
                             "<th>Du côté de %2</th></tr>")
                  .arg(h(nomComplet(a)), h(nomComplet(b)));
    const std::size_t lignes = std::max(cheminA.size(), cheminB.size());
    for (std::size_t i = 0; i < lignes; ++i) {
        auto cellule = [&](const std::vector<TFiche>& chemin) {
            return i < chemin.size() ? h(resumePersonne(chemin[i])) : QString();
        };
        r.html += QStringLiteral("<tr><td class=\"numero\">%1</td><td>%2</td><td>%3</td></tr>")
                      .arg(i)
                      .arg(cellule(cheminA), cellule(cheminB));
    }
    QStringList noms;
    for (const TFiche& c : communs)
        noms << nomComplet(c);
    r.html += QStringLiteral("</table><p>%1 : %2, à %3 génération(s) de %4 et à %5 de %6.</p>")
                  .arg(noms.size() > 1 ? QStringLiteral("Ancêtres communs les plus proches")
                                       : QStringLiteral("Ancêtre commun le plus proche"),
                       h(noms.join(QStringLiteral(" et "))))
                  .arg(l.generationsA)
                  .arg(h(nomComplet(a)))
                  .arg(l.generationsB)
                  .arg(h(nomComplet(b)));
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
                  .arg(nombre(s.fiches), nombre(s.sansAucunLien));
    r.html += QStringLiteral("<h2>Par qualité</h2>") +
              barres({{QStringLiteral("Monsieur"), s.parQualite[0]},
                      {QStringLiteral("Madame"), s.parQualite[1]},
                      {QStringLiteral("Mademoiselle"), s.parQualite[2]},
                      {QStringLiteral("Non précisée"), s.parQualite[3]}},
                     QStringLiteral("fiche"));
    r.html += QStringLiteral("<h2>Les noms les plus fréquents</h2>") +
              barres(s.nomsFrequents, QStringLiteral("nom"));
    std::vector<std::pair<QString, std::int64_t>> decennies;
    for (const auto& [decennie, n] : s.naissancesParDecennie)
        decennies.push_back({QStringLiteral("%1-%2").arg(decennie).arg(decennie + 9), n});
    r.html += QStringLiteral("<h2>Naissances par décennie</h2>") +
              barres(decennies, QStringLiteral("naissance datée"));
    r.html += QStringLiteral("<h2>Durée de vie</h2>");
    r.html +=
        s.viesMesurees
            ? QStringLiteral("<p>%1 an(s) en moyenne, sur %2 vie(s) dont l'année de naissance "
                             "et celle du décès se lisent.</p>")
                  .arg(QLocale(QLocale::French, QLocale::France)
                           .toString(s.dureeDeVieMoyenne, 'f', 1),
                       nombre(s.viesMesurees))
            : QStringLiteral("<p>Aucune vie dont les deux années se lisent.</p>");
    r.html += QStringLiteral("<h2>Les lieux les plus fréquents</h2>") +
              barres(s.lieuxFrequents, QStringLiteral("lieu"));
    r.html += QStringLiteral("<h2>Années extrêmes</h2>");
    r.html += s.premiereAnnee
                  ? QStringLiteral("<p>De %1 à %2.</p>").arg(s.premiereAnnee).arg(s.derniereAnnee)
                  : QStringLiteral("<p>Aucune année ne se lit.</p>");
    return r;
}

DocumentRapport rapportFicheFamiliale(const std::vector<MembreFamille>& membres,
                                      const QString& fichier, const QString& date) {
    DocumentRapport r;
    const TFiche& personne = membres.front().personne;
    r.titre = QStringLiteral("Fiche familiale de %1").arg(nomComplet(personne));
    r.html = entete(r.titre, fichier, date);
    int image = 0;
    for (const MembreFamille& m : membres) {
        const TFiche& f = m.personne;
        r.html += QStringLiteral("<h2>%1 — %2 (fiche %3)</h2><table width=\"100%\"><tr>")
                      .arg(h(m.role), h(nomComplet(f)))
                      .arg(m.fiche);
        if (!m.portrait.isNull()) {
            const QString nom = QStringLiteral("portrait%1").arg(image++);
            r.images.insert(nom, m.portrait);
            r.html +=
                QStringLiteral("<td width=\"90\"><img src=\"%1\" width=\"80\"/></td>").arg(nom);
        }
        const std::pair<const char*, QString> champs[] = {
            {"Qualité", motQualite(f.Qualite).isEmpty() ? QStringLiteral("non précisée")
                                                        : motQualite(f.Qualite)},
            {"Nom", f.Nom.texte()},
            {"Prénoms", f.Prenom.texte()},
            {"Profession", f.Profession.texte()},
            {"Naissance", dateEtLieu(f.DateNaissance.texte(), f.LieuNaissance.texte())},
            {"Mariage", dateEtLieu(f.DateMariage.texte(), f.LieuMariage.texte())},
            {"Décès", dateEtLieu(f.DateDeces.texte(), f.LieuDeces.texte())},
            {"Nombre d'enfants", QString::number(f.NbEnfants)},
            {"Portrait", f.Photo.texte()}};
        r.html += QStringLiteral("<td><table cellspacing=\"0\">");
        for (const auto& [libelle, valeur] : champs)
            r.html += QStringLiteral("<tr><td width=\"150\"><b>%1</b></td><td>%2</td></tr>")
                          .arg(h(QString::fromUtf8(libelle)), h(valeur));
        r.html += QStringLiteral("</table></td></tr></table>");
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
    const int pages = document.pageCount();
    QFont petite = police;
    petite.setPointSizeF(8);
    for (int n = 0; n < pages; ++n) {
        if (n > 0 && !sortie.newPage())
            throw ErreurVelmoris(QStringLiteral("L'impression du rapport a été interrompue"));
        p.save();
        p.translate(0, marge - n * page.height());
        document.drawContents(&p, QRectF(0, n * page.height(), page.width(), page.height() - 1));
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
