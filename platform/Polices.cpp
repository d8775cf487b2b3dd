#include "platform/Polices.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

#include <algorithm>

void installerSubstitutionsPolices() {
    const QStringList sansSerif = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                   QStringLiteral("DejaVu Sans")};
    for (const char* face : {"MS Sans Serif", "Tahoma", "Arial"})
        QFont::insertSubstitutions(QString::fromLatin1(face), sansSerif);
    QFont::insertSubstitutions(QStringLiteral("Arial Black"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier"), {QStringLiteral("Liberation Mono"),
                                                           QStringLiteral("DejaVu Sans Mono")});
}

QFont police(const QString& face, int hauteurPixels, bool gras, bool italique) {
    QFont f(face);
    f.setPixelSize(hauteurPixels);
    f.setBold(gras);
    f.setItalic(italique);
    return f;
}

// 8 points of the Windows bitmap face; its substitute is wider, and at 10
// pixels every caption fits the room the layout gives it.
QFont policeFenetre() {
    return police(QStringLiteral("MS Sans Serif"), 10);
}

void ajusterALaLargeur(QLabel* label, int largeur) {
    QFont f = label->font();
    auto plusLarge = [&label](const QFont& police) {
        int maximum = 0;
        for (const QString& ligne : label->text().split(u'\n'))
            maximum = std::max(maximum, QFontMetrics(police).horizontalAdvance(ligne));
        return maximum;
    };
    while (f.pixelSize() > 7 && plusLarge(f) > largeur)
        f.setPixelSize(f.pixelSize() - 1);
    label->setFont(f);
}
