#include "platform/Glyphes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Everything is drawn on a 32 by 32 grid and scaled to the requested size.
void dessinerPersonne(QPainter& p, QColor couleur, bool robe, double echelle, QPointF centre) {
    p.setBrush(couleur);
    p.drawEllipse(QRectF(centre + QPointF(-4, -12) * echelle, QSizeF(8, 8) * echelle));
    QPainterPath corps;
    if (robe) {
        corps.moveTo(centre + QPointF(-3, -3) * echelle);
        corps.lineTo(centre + QPointF(3, -3) * echelle);
        corps.lineTo(centre + QPointF(9, 13) * echelle);
        corps.lineTo(centre + QPointF(-9, 13) * echelle);
    } else {
        corps.addRoundedRect(QRectF(centre + QPointF(-7, -3) * echelle, QSizeF(14, 16) * echelle),
                             4 * echelle, 4 * echelle);
    }
    corps.closeSubpath();
    p.drawPath(corps);
}

void triangle(QPainter& p, QPointF a, QPointF b, QPointF c) {
    p.drawPolygon(QPolygonF({a, b, c}));
}

void maillon(QPainter& p, QRectF r) {
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 5, 5);
}

void dessiner(QPainter& p, Glyphe g) {
    const QColor bleu(30, 80, 170), rouge(190, 30, 30), vert(30, 130, 60), or_(200, 150, 30);
    p.setPen(QPen(Qt::black, 1.2));
    switch (g) {
    case Glyphe::Debut:
        p.setBrush(Qt::black);
        p.drawRect(QRectF(7, 8, 3, 16));
        triangle(p, {11, 16}, {24, 7}, {24, 25});
        break;
    case Glyphe::Precedent:
        p.setBrush(Qt::black);
        triangle(p, {8, 16}, {23, 6}, {23, 26});
        break;
    case Glyphe::Suivant:
        p.setBrush(Qt::black);
        triangle(p, {24, 16}, {9, 6}, {9, 26});
        break;
    case Glyphe::Fin:
        p.setBrush(Qt::black);
        triangle(p, {21, 16}, {8, 7}, {8, 25});
        p.drawRect(QRectF(22, 8, 3, 16));
        break;
    case Glyphe::Pere:
        dessinerPersonne(p, bleu, false, 1.4, {16, 18});
        break;
    case Glyphe::Mere:
        dessinerPersonne(p, rouge, true, 1.4, {16, 18});
        break;
    case Glyphe::Enfant:
        dessinerPersonne(p, bleu, false, 0.6, {9, 20});
        dessinerPersonne(p, vert, false, 0.75, {16, 18});
        dessinerPersonne(p, rouge, true, 0.6, {23, 20});
        break;
    case Glyphe::Conjoint:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(or_, 3));
        p.drawEllipse(QRectF(4, 9, 14, 14));
        p.drawEllipse(QRectF(14, 9, 14, 14));
        break;
    case Glyphe::Rechercher:
        p.setPen(QPen(Qt::black, 3));
        p.setBrush(QColor(200, 225, 255));
        p.drawEllipse(QRectF(5, 5, 15, 15));
        p.drawLine(QPointF(18, 18), QPointF(27, 27));
        break;
    case Glyphe::Aide: {
        p.setBrush(bleu);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(20);
        p.setFont(f);
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Glyphe::Fermer:
        p.setPen(QPen(rouge, 4));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    case Glyphe::Nouveau: {
        QPainterPath page;
        page.moveTo(7, 3);
        page.lineTo(20, 3);
        page.lineTo(26, 9);
        page.lineTo(26, 29);
        page.lineTo(7, 29);
        page.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(page);
        p.drawLine(QPointF(20, 3), QPointF(20, 9));
        p.drawLine(QPointF(20, 9), QPointF(26, 9));
        p.setPen(QPen(vert, 3));
        p.drawLine(QPointF(16, 13), QPointF(16, 25));
        p.drawLine(QPointF(10, 19), QPointF(22, 19));
        break;
    }
    case Glyphe::Enregistrer:
        p.setBrush(bleu);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRectF(8, 17, 16, 11));
        break;
    case Glyphe::Supprimer:
        p.setBrush(QColor(230, 230, 230));
        p.drawRect(QRectF(9, 9, 14, 19));
        p.drawRect(QRectF(6, 6, 20, 3));
        p.drawRect(QRectF(13, 3, 6, 3));
        p.setPen(QPen(rouge, 2));
        p.drawLine(QPointF(13, 12), QPointF(13, 25));
        p.drawLine(QPointF(19, 12), QPointF(19, 25));
        break;
    case Glyphe::Chainer:
        p.setPen(QPen(QColor(90, 90, 90), 3));
        maillon(p, QRectF(3, 11, 16, 10));
        maillon(p, QRectF(13, 11, 16, 10));
        break;
    case Glyphe::BriseChaine:
        p.setPen(QPen(QColor(90, 90, 90), 3));
        maillon(p, QRectF(2, 13, 12, 10));
        maillon(p, QRectF(18, 9, 12, 10));
        p.setPen(QPen(rouge, 2));
        p.drawLine(QPointF(15, 5), QPointF(17, 27));
        break;
    case Glyphe::Arbre:
        p.setBrush(QColor(120, 80, 40));
        p.drawRect(QRectF(14, 18, 4, 11));
        p.setBrush(vert);
        p.drawEllipse(QRectF(5, 3, 22, 18));
        break;
    case Glyphe::Sortie:
        p.setBrush(QColor(160, 110, 60));
        p.drawRect(QRectF(5, 3, 14, 26));
        p.setPen(QPen(vert, 3));
        p.drawLine(QPointF(14, 16), QPointF(28, 16));
        p.setBrush(vert);
        triangle(p, {29, 16}, {23, 11}, {23, 21});
        break;
    }
}

QPixmap rendu(Glyphe g, int taille, bool actif) {
    QPixmap image(taille, taille);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(taille / 32.0, taille / 32.0);
    dessiner(p, g);
    p.end();
    if (actif) return image;
    QImage grise = image.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grise.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(grise.scanLine(y));
        for (int x = 0; x < grise.width(); ++x) {
            const int g2 = 128 + qGray(ligne[x]) / 3;
            ligne[x] = qRgba(g2, g2, g2, qAlpha(ligne[x]) / 2);
        }
    }
    return QPixmap::fromImage(grise);
}

} // namespace

QIcon icone(Glyphe glyphe, int taille) {
    QIcon resultat;
    resultat.addPixmap(rendu(glyphe, taille, true), QIcon::Normal);
    resultat.addPixmap(rendu(glyphe, taille, false), QIcon::Disabled);
    return resultat;
}
