#include "platform/Polices.h"

#include <QStringList>

void installerSubstitutionsPolices() {
    const QStringList sansSerif = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                   QStringLiteral("DejaVu Sans")};
    for (const char* face : {"MS Sans Serif", "Tahoma", "Arial"})
        QFont::insertSubstitutions(QString::fromLatin1(face), sansSerif);
    QFont::insertSubstitutions(QStringLiteral("Arial Black"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
}

QFont police(const QString& face, int hauteurPixels, bool gras, bool italique) {
    QFont f(face);
    f.setPixelSize(hauteurPixels);
    f.setBold(gras);
    f.setItalic(italique);
    return f;
}

// 8 points at 96 dots an inch: 11 pixels.
QFont policeFenetre() { return police(QStringLiteral("MS Sans Serif"), 11); }
