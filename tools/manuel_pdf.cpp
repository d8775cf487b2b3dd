// Renders the user manual from its Markdown to PDF:
//   manuel_pdf MANUEL.md CAPTURES GENEA.pdf
// with a table of contents, the screenshots of CAPTURES (made by the program
// itself at build time), page numbers, no heading alone at the foot of a
// page and no table row split across two pages.
#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// A4, 20 mm margins. The document is laid out on the PDF writer itself, in
// its own pixels, so that fonts and pictures have their printed sizes.
const QPageLayout Mise(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 22),
                       QPageLayout::Millimeter);
QSizeF g_zone;       // the text area of a page, in the writer's pixels
double g_resolution; // the writer's pixels per inch

QSizeF zoneDeTexte() {
    return g_zone;
}

int pageDe(double y) {
    return static_cast<int>(std::floor(y / zoneDeTexte().height()));
}

// Lays the whole document out again: after formats change, the layout would
// otherwise keep blocks it has not redone, with no lines.
void toutMettreEnPage(QTextDocument& document) {
    document.markContentsDirty(0, document.characterCount());
    document.pageCount();
}

bool estTitre(const QTextBlock& b) {
    return b.blockFormat().headingLevel() > 0;
}

// Screenshots no wider than the page, and drawn at a size a page shows well.
void ajusterImages(QTextDocument& document, const QString& captures) {
    const double largeurMax = zoneDeTexte().width();
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QImage source(QDir(captures).filePath(QFileInfo(image.name()).fileName()));
            if (source.isNull()) {
                std::fprintf(stderr, "manuel_pdf : capture introuvable : %s\n",
                             qPrintable(image.name()));
                std::exit(1);
            }
            // Screen pixels at 96 per inch, never wider than the text. The
            // layout gives an image its size in those pixels and scales it to
            // the writer's own.
            const double largeur =
                std::min(largeurMax * 96.0 / g_resolution, static_cast<double>(source.width()));
            image.setName(QDir(captures).filePath(QFileInfo(image.name()).fileName()));
            image.setWidth(largeur);
            image.setHeight(largeur * source.height() / source.width());
            QTextCursor c(&document);
            c.setPosition(fragment.position());
            c.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            c.setCharFormat(image);
        }
    }
}

struct Entree {
    int niveau;
    QString titre;
    int position; // of the heading in the document
};

// The table of contents, before the first section, on pages of its own; the
// page numbers are filled in once the document is laid out.
QTextTable* insererSommaire(QTextDocument& document, std::vector<Entree>& entrees) {
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        if (estTitre(b) && b.blockFormat().headingLevel() <= 2 && b.blockNumber() > 0)
            entrees.push_back({b.blockFormat().headingLevel(), b.text(), 0});
    QTextBlock premiere = document.begin().next();
    while (premiere.isValid() &&
           !(estTitre(premiere) && premiere.blockFormat().headingLevel() == 2))
        premiere = premiere.next();
    QTextCursor c(premiere);
    c.insertBlock();
    c.movePosition(QTextCursor::PreviousBlock);
    QTextBlockFormat titre;
    titre.setHeadingLevel(2);
    c.setBlockFormat(titre);
    QTextCharFormat gros;
    gros.setFontPointSize(16);
    gros.setFontWeight(QFont::Bold);
    gros.setForeground(QColor(0x7a, 0x10, 0x10));
    c.insertText(QStringLiteral("Sommaire"), gros);
    c.movePosition(QTextCursor::EndOfBlock);
    QTextTableFormat format;
    format.setBorder(0);
    format.setCellPadding(1);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                      QTextLength(QTextLength::PercentageLength, 10)});
    QTextTable* table = c.insertTable(static_cast<int>(entrees.size()), 2, format);
    for (std::size_t i = 0; i < entrees.size(); ++i) {
        QTextCharFormat texte;
        texte.setFontPointSize(entrees[i].niveau == 2 ? 11 : 10);
        if (entrees[i].niveau == 2) texte.setFontWeight(QFont::Bold);
        QTextCursor cellule = table->cellAt(static_cast<int>(i), 0).firstCursorPosition();
        cellule.insertText((entrees[i].niveau == 3 ? QStringLiteral("      ") : QString()) +
                               entrees[i].titre,
                           texte);
        QTextBlockFormat droite;
        droite.setAlignment(Qt::AlignRight);
        QTextCursor page = table->cellAt(static_cast<int>(i), 1).firstCursorPosition();
        page.setBlockFormat(droite);
        page.insertText(QStringLiteral("00"), texte);
    }
    // The first section starts on a new page.
    QTextBlockFormat saut = premiere.blockFormat();
    saut.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(premiere).setBlockFormat(saut);
    return table;
}

// Moves the rows from `ligne` on into a table of their own, after this one,
// starting on a new page with a copy of the heading row.
void couperTable(QTextDocument& document, QTextTable* table, int ligne) {
    const int lignes = table->rows(), colonnes = table->columns();
    // The block that always follows a table, outside it.
    QTextCursor insertion(&document);
    insertion.setPosition(table->lastPosition() + 1);
    QTextTableFormat format = table->format();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    insertion.insertBlock();
    QTextTable* suite = insertion.insertTable(1 + lignes - ligne, colonnes, format);
    auto copier = [&](int de, int vers) {
        for (int c = 0; c < colonnes; ++c) {
            const QTextTableCell source = table->cellAt(de, c);
            QTextCursor selection = source.firstCursorPosition();
            selection.setPosition(source.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            suite->cellAt(vers, c).firstCursorPosition().insertFragment(selection.selection());
        }
    };
    copier(0, 0);
    for (int r = ligne; r < lignes; ++r)
        copier(r, 1 + r - ligne);
    table->removeRows(ligne, lignes - ligne);
}

// Keeps each heading with what follows it, and each table row on one page,
// moving a heading or a table to the next page until the layout holds.
bool paginer(QTextDocument& document) {
    QAbstractTextDocumentLayout* mise = document.documentLayout();
    for (int tour = 0; tour < 500; ++tour) {
        bool change = false;
        toutMettreEnPage(document);
        for (QTextBlock b = document.begin(); b.isValid() && !change; b = b.next()) {
            if (!estTitre(b) ||
                b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                continue;
            QTextBlock suivant = b.next();
            // What the heading introduces: past empty blocks and the headings
            // of its own subsections, which go with it.
            auto vide = [](const QTextBlock& x) {
                return x.text().trimmed().isEmpty() && !QTextCursor(x).currentTable() &&
                       !x.begin().fragment().charFormat().isImageFormat();
            };
            while (suivant.isValid() && (vide(suivant) || estTitre(suivant)))
                suivant = suivant.next();
            if (!suivant.isValid()) continue;
            // The heading's line, and the second line of what follows (or
            // the whole of a picture), on one page.
            const QRectF titre = mise->blockBoundingRect(b);
            const double hautTitre = titre.top() + b.layout()->lineAt(0).y();
            const QRectF apres = mise->blockBoundingRect(suivant);
            double basSuivant = apres.bottom();
            if (const QTextLayout* lignes = suivant.layout(); lignes && lignes->lineCount() > 0) {
                const QTextLine l = lignes->lineAt(std::min(1, lignes->lineCount() - 1));
                basSuivant = apres.top() + l.y() + l.height();
            }
            if (pageDe(hautTitre) != pageDe(basSuivant - 1)) {
                QTextBlockFormat f = b.blockFormat();
                f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                QTextCursor(b).setBlockFormat(f);
                change = true;
            }
        }
        for (QTextFrame* cadre : document.rootFrame()->childFrames()) {
            auto* table = qobject_cast<QTextTable*>(cadre);
            if (!table || change) continue;
            for (int ligne = 0; ligne < table->rows() && !change; ++ligne) {
                const QRectF haut =
                    mise->blockBoundingRect(table->cellAt(ligne, 0).firstCursorPosition().block());
                double bas = haut.bottom();
                for (int col = 0; col < table->columns(); ++col) {
                    const QTextTableCell cellule = table->cellAt(ligne, col);
                    bas = std::max(
                        bas,
                        mise->blockBoundingRect(cellule.lastCursorPosition().block()).bottom());
                }
                if (pageDe(haut.top()) == pageDe(bas - 1)) continue;
                // A table that fits a page moves whole to the next one; a longer
                // one is cut before the row, and goes on with its heading row.
                QTextFrameFormat f = table->frameFormat();
                if (ligne > 1 || !(f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)) {
                    if (ligne <= 1) {
                        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                        table->setFrameFormat(f);
                    } else {
                        couperTable(document, table, ligne);
                    }
                    change = true;
                    continue;
                }
                std::fprintf(stderr, "manuel_pdf : une ligne de table ne tient pas sur une page\n");
                return false;
            }
        }
        if (!change) return true;
    }
    return false;
}

void numeroterSommaire(QTextDocument& document, QTextTable* table,
                       const std::vector<Entree>& entrees) {
    std::size_t i = 0;
    for (QTextBlock b = document.begin(); b.isValid() && i < entrees.size(); b = b.next()) {
        if (!estTitre(b) || b.text() != entrees[i].titre || QTextCursor(b).currentTable()) continue;
        const int page = pageDe(document.documentLayout()->blockBoundingRect(b).top()) + 1;
        QTextCursor c = table->cellAt(static_cast<int>(i), 1).firstCursorPosition();
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        c.insertText(QStringLiteral("%1").arg(page, 2, 10, QChar(u' ')), c.charFormat());
        ++i;
    }
}

void imprimer(QTextDocument& document, QPdfWriter& pdf) {
    QPainter p(&pdf);
    const QSizeF zone = zoneDeTexte();
    const int pages = document.pageCount();
    QFont pied(QStringLiteral("Liberation Sans"));
    pied.setPointSizeF(9);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) pdf.newPage();
        p.save();
        p.translate(0, -page * zone.height());
        // A hair short of the page: a line that starts the next page exactly
        // is not drawn, hidden, at the foot of this one.
        document.drawContents(&p, QRectF(0, page * zone.height(), zone.width(), zone.height() - 1));
        p.restore();
        p.save();
        p.setFont(pied);
        p.setPen(Qt::darkGray);
        p.drawText(QRectF(0, zone.height() + g_resolution * 0.1, zone.width(), g_resolution * 0.25),
                   Qt::AlignCenter,
                   QStringLiteral("Velmoris — manuel de l'utilisateur — page %1 sur %2")
                       .arg(page + 1)
                       .arg(pages));
        p.restore();
    }
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList a = application.arguments();
    if (a.size() != 4) {
        std::fprintf(stderr, "usage : manuel_pdf MANUEL.md CAPTURES GENEA.pdf\n");
        return 2;
    }
    QFile source(a[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manuel introuvable : %s\n", qPrintable(a[1]));
        return 1;
    }
    QPdfWriter pdf(a[3]);
    pdf.setTitle(QStringLiteral("Velmoris — manuel de l'utilisateur"));
    pdf.setCreator(QStringLiteral("Velmoris"));
    pdf.setPageLayout(Mise);
    g_resolution = pdf.resolution();
    g_zone = Mise.paintRectPixels(pdf.resolution()).size();
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&pdf);
    QFont police(QStringLiteral("Liberation Sans"));
    police.setPointSizeF(10.5);
    document.setDefaultFont(police);
    document.setDefaultStyleSheet(QStringLiteral("h1 { color: #b00000; } h2 { color: #7a1010; } "
                                                 "td, th { padding: 3px; }"));
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    document.setPageSize(zoneDeTexte());
    document.setDocumentMargin(0);
    ajusterImages(document, a[2]);
    // A table that goes on to the next page repeats its heading row there.
    for (QTextFrame* cadre : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(cadre)) {
            QTextTableFormat format = table->format();
            format.setHeaderRowCount(1);
            table->setFormat(format);
        }
    std::vector<Entree> entrees;
    QTextTable* sommaire = insererSommaire(document, entrees);
    if (!paginer(document)) {
        std::fprintf(stderr, "manuel_pdf : la mise en page ne tient pas ses règles\n");
        return 1;
    }
    numeroterSommaire(document, sommaire, entrees);
    toutMettreEnPage(document);
    imprimer(document, pdf);
    return 0;
}
