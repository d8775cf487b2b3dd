#include "print/ArbrePapier.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>
#include <map>

namespace {

constexpr double Marge = 2.0; // inside a box, in chart units

double plusLarge(const QStringList& lignes, const QFont& police) {
    const QFontMetricsF mesure(police);
    double largeur = 0;
    for (const QString& ligne : lignes)
        largeur = std::max(largeur, mesure.horizontalAdvance(ligne));
    return largeur;
}

QSizeF interieur(const DessinArbre::Boite& b) {
    return b.place.adjusted(Marge, Marge, -Marge, -Marge).size();
}

// A box's lines as drawn: the name goes on two lines when that lets the text
// be larger, which narrow boxes of long names need.
QStringList lignesDessinees(const QStringList& lignes, const QSizeF& place, const QFont& base) {
    const auto coupure = lignes.isEmpty() ? -1 : lignes.front().indexOf(u' ');
    if (coupure <= 0) return lignes;
    QStringList coupees = lignes;
    coupees[0] = lignes.front().left(coupure);
    coupees.insert(1, lignes.front().mid(coupure + 1));
    return policeAjustee(coupees, place, base).pixelSize() >
                   policeAjustee(lignes, place, base).pixelSize()
               ? coupees
               : lignes;
}

// One face for the boxes of a row, the largest that fits all of them: a
// generation reads evenly.
std::map<double, QFont> policesParRangee(const DessinArbre& dessin) {
    std::map<double, QFont> polices;
    for (const DessinArbre::Boite& b : dessin.boites) {
        if (b.lignes.isEmpty()) continue;
        const QFont police = policeAjustee(lignesDessinees(b.lignes, interieur(b), dessin.police),
                                           interieur(b), dessin.police);
        const auto [i, nouvelle] = polices.try_emplace(b.place.top(), police);
        if (!nouvelle && police.pixelSize() < i->second.pixelSize()) i->second = police;
    }
    return polices;
}

void peindreBoite(QPainter& p, const DessinArbre::Boite& b, const QFont& police) {
    p.setPen(QPen(Qt::black, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(b.place);
    if (b.lignes.isEmpty()) return;
    const QRectF interieur = b.place.adjusted(Marge, Marge, -Marge, -Marge);
    p.setFont(police);
    p.setPen(b.couleur);
    const double hauteur = QFontMetricsF(police).height();
    double y = interieur.top();
    // The name on one line when it fits at the row's size, else on two.
    const QStringList lignes =
        policeAjustee(b.lignes, interieur.size(), police).pixelSize() >= police.pixelSize()
            ? b.lignes
            : lignesDessinees(b.lignes, interieur.size(), police);
    for (const QString& ligne : lignes) {
        p.drawText(QRectF(interieur.left(), y, interieur.width() + 1, hauteur),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, ligne);
        y += hauteur;
    }
}

void peindreTexte(QPainter& p, const DessinArbre::Texte& t) {
    if (t.cadre) {
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(t.fond.isValid() ? QBrush(t.fond) : QBrush(Qt::white));
        p.drawRect(t.place);
        const QFont police =
            policeAjustee({t.texte}, t.place.adjusted(Marge, 0, -Marge, 0).size(), t.police);
        p.setFont(police);
        p.setPen(t.couleur);
        p.drawText(t.place, Qt::AlignCenter | Qt::TextSingleLine, t.texte);
        return;
    }
    p.setFont(t.police);
    p.setPen(t.couleur);
    p.drawText(t.place, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t.texte);
}

} // namespace

QFont policeAjustee(const QStringList& lignes, const QSizeF& place, const QFont& base) {
    QFont police = base;
    double taille = base.pixelSize() > 0 ? base.pixelSize() : base.pointSizeF();
    auto tient = [&] {
        const QFontMetricsF mesure(police);
        return plusLarge(lignes, police) <= place.width() &&
               mesure.height() * lignes.size() <= place.height() + 0.5;
    };
    while (taille > 3) {
        police.setPixelSize(static_cast<int>(std::floor(taille)));
        if (tient()) return police;
        taille -= 0.5;
    }
    police.setPixelSize(3);
    return police;
}

void peindreDessinArbre(QPainter& p, const DessinArbre& dessin, const QRectF& cible) {
    const double echelle =
        std::min(cible.width() / dessin.taille.width(), cible.height() / dessin.taille.height());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(cible.left() + (cible.width() - dessin.taille.width() * echelle) / 2,
                cible.top() + (cible.height() - dessin.taille.height() * echelle) / 2);
    p.scale(echelle, echelle);
    // Connectors first, so that the boxes lie over their ends.
    p.setPen(QPen(QColor(90, 90, 90), 0.8));
    for (const QRectF& trait : dessin.traits) {
        const bool vertical = trait.width() < trait.height();
        const QPointF centre = trait.center();
        if (vertical)
            p.drawLine(QPointF(centre.x(), trait.top()), QPointF(centre.x(), trait.bottom()));
        else
            p.drawLine(QPointF(trait.left(), centre.y()), QPointF(trait.right(), centre.y()));
    }
    for (const DessinArbre::Texte& t : dessin.textes)
        peindreTexte(p, t);
    const std::map<double, QFont> polices = policesParRangee(dessin);
    for (const DessinArbre::Boite& b : dessin.boites) {
        const auto police = polices.find(b.place.top());
        peindreBoite(p, b, police == polices.end() ? dessin.police : police->second);
    }
    p.restore();
}

void exporterDessinArbre(const DessinArbre& dessin, const QString& chemin) {
    const QString extension = QFileInfo(chemin).suffix().toLower();
    EcritureAtomique sortie(chemin);
    if (extension == u"pdf") {
        {
            QPdfWriter pdf(sortie.cheminTemporaire());
            pdf.setTitle(QStringLiteral("Cinq générations"));
            pdf.setCreator(QStringLiteral("Velmoris"));
            pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                          QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
            QPainter p;
            if (!p.begin(&pdf)) throw ErreurES(ErreurES::AccesRefuse);
            peindreDessinArbre(p, dessin, pdf.pageLayout().paintRectPixels(pdf.resolution()));
            p.end();
        }
        validerPdf(sortie);
        return;
    }
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    if (extension == u"svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&tampon);
        svg.setTitle(QStringLiteral("Cinq générations"));
        svg.setSize(dessin.taille.toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), dessin.taille));
        QPainter p(&svg);
        peindreDessinArbre(p, dessin, QRectF(QPointF(0, 0), dessin.taille));
    } else {
        const double facteur = ResolutionPng / 96.0;
        QImage image((dessin.taille * facteur).toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDotsPerMeterX(static_cast<int>(std::lround(ResolutionPng / 0.0254)));
        image.setDotsPerMeterY(static_cast<int>(std::lround(ResolutionPng / 0.0254)));
        {
            QPainter p(&image);
            peindreDessinArbre(p, dessin, QRectF(QPointF(0, 0), QSizeF(image.size())));
        }
        if (!image.save(&tampon, "PNG"))
            throw ErreurVelmoris(QStringLiteral("L'arbre n'a pas pu être converti en image"));
    }
    sortie.ecrire(octets);
    sortie.valider();
}
