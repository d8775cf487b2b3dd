// Renders the user manual from its Markdown to PDF: manuel_pdf MANUEL.md GENEA.pdf
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList a = application.arguments();
    if (a.size() != 3) {
        std::fprintf(stderr, "usage : manuel_pdf MANUEL.md GENEA.pdf\n");
        return 2;
    }
    QFile source(a[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manuel introuvable : %s\n", qPrintable(a[1]));
        return 1;
    }
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 11));
    document.setDefaultStyleSheet(QStringLiteral("h1 { color: #b00000; } h2 { color: #7a1010; } "
                                                 "td, th { padding: 3px; }"));
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    QPdfWriter pdf(a[2]);
    pdf.setTitle(QStringLiteral("Velmoris — manuel de l'utilisateur"));
    pdf.setCreator(QStringLiteral("Velmoris"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    document.print(&pdf);
    return 0;
}
