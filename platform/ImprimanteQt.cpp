#include "platform/ImprimanteQt.h"

#include "data/fichier/Erreurs.h"

#include <QFontMetrics>
#include <QPrinter>

void ImprimanteQt::definirTitre(const QString& titre) {
    m_imprimante.setDocName(titre);
}

void ImprimanteQt::definirOrientation(Orientation orientation) {
    m_imprimante.setPageOrientation(orientation == Orientation::Portrait ? QPageLayout::Portrait
                                                                         : QPageLayout::Landscape);
}

void ImprimanteQt::commencer() {
    // Narrow margins: seventy counted lines and the banner fit an A4 page.
    m_imprimante.setPageMargins(QMarginsF(10, 5, 10, 5), QPageLayout::Millimeter);
    m_peintre = std::make_unique<QPainter>();
    if (!m_peintre->begin(&m_imprimante)) {
        m_peintre.reset();
        throw ErreurVelmoris(QStringLiteral("L'imprimante « %1 » refuse le travail d'impression")
                                 .arg(m_imprimante.printerName()));
    }
    m_x = 0;
    m_y = 0;
    m_hauteurLigneCourante = 0;
    m_pageVide = true;
}

void ImprimanteQt::choisirPolice(const QString& face, int points) {
    m_police = QFont(face);
    m_police.setPointSize(points);
    if (m_peintre) m_peintre->setFont(m_police);
}

// A line is as high as its font's size and a small gap.
int ImprimanteQt::hauteurLigne() const {
    return qRound(m_police.pointSizeF() * 1.12 * m_imprimante.resolution() / 72.0);
}

void ImprimanteQt::nouvellePage() {
    if (!m_imprimante.newPage())
        throw ErreurVelmoris(QStringLiteral("L'imprimante a refusé une nouvelle page"));
    m_x = 0;
    m_y = 0;
    m_hauteurLigneCourante = 0;
    m_pageVide = true;
}

void ImprimanteQt::allerALaLigne() {
    m_y += std::max(m_hauteurLigneCourante, hauteurLigne());
    m_pageVide = false;
    m_x = 0;
    m_hauteurLigneCourante = 0;
    const int page = m_imprimante.pageLayout().paintRectPixels(m_imprimante.resolution()).height();
    if (m_y + hauteurLigne() > page) nouvellePage();
}

// Text that passes the right edge continues on the next line.
void ImprimanteQt::dessiner(const QString& texte) {
    if (texte.isEmpty()) return;
    const int largeurPage =
        m_imprimante.pageLayout().paintRectPixels(m_imprimante.resolution()).width();
    const QFontMetrics mesure(m_police, &m_imprimante);
    QString reste = texte;
    while (!reste.isEmpty()) {
        int n = static_cast<int>(reste.size());
        while (n > 1 && m_x + mesure.horizontalAdvance(reste.left(n)) > largeurPage)
            --n;
        const QString morceau = reste.left(n);
        m_peintre->drawText(m_x, m_y + mesure.ascent(), morceau);
        m_x += mesure.horizontalAdvance(morceau);
        m_hauteurLigneCourante = std::max(m_hauteurLigneCourante, hauteurLigne());
        m_pageVide = false;
        reste = reste.mid(n);
        if (!reste.isEmpty()) allerALaLigne();
    }
}

void ImprimanteQt::ecrireLigne(const QString& texte) {
    if (!m_peintre)
        throw ErreurVelmoris(QStringLiteral("Le travail d'impression n'est pas commencé"));
    QString enCours;
    for (QChar c : texte) {
        if (c == u'\r' || c == u'\n' || c == u'\f') {
            dessiner(enCours);
            enCours.clear();
            if (c == u'\n') allerALaLigne();
            // A page that a line feed has just begun is not left blank.
            if (c == u'\f' && !m_pageVide) nouvellePage();
        } else {
            enCours += c;
        }
    }
    dessiner(enCours);
    allerALaLigne();
}

void ImprimanteQt::terminer() {
    if (!m_peintre) return;
    const bool fini = m_peintre->end();
    m_peintre.reset();
    if (!fini) throw ErreurVelmoris(QStringLiteral("L'impression n'a pas pu être terminée"));
}
