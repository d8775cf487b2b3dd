#include "platform/BoutonImage.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

BoutonImage::BoutonImage(const QString& legende, Glyphe glyphe, int tailleImage,
                         Disposition disposition, QWidget* parent)
    : QAbstractButton(parent), m_disposition(disposition), m_tailleImage(tailleImage) {
    setText(legende);
    setIcon(icone(glyphe, tailleImage));
    setIconSize({tailleImage, tailleImage});
    setFocusPolicy(Qt::TabFocus);
}

void BoutonImage::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    option.initFrom(this);
    if (isDown())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    p.drawControl(QStyle::CE_PushButtonBevel, option);

    const QPixmap image =
        icon().pixmap(m_tailleImage, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    const QRect zone = rect().adjusted(4, 4, -4, -4).translated(isDown() ? QPoint(1, 1) : QPoint());
    const int hauteurTexte = text().trimmed().isEmpty() ? 0 : fontMetrics().height();
    const int ecart = hauteurTexte ? 4 : 0;
    QRect rectImage(0, 0, m_tailleImage, m_tailleImage);
    QRect rectTexte;
    switch (m_disposition) {
    case Disposition::ImageGauche: {
        const int largeurTexte = fontMetrics().horizontalAdvance(text());
        const int total = m_tailleImage + (hauteurTexte ? ecart + largeurTexte : 0);
        const int x = zone.left() + (zone.width() - total) / 2;
        rectImage.moveTopLeft({x, zone.center().y() - m_tailleImage / 2});
        rectTexte = QRect(x + m_tailleImage + ecart, zone.top(), largeurTexte, zone.height());
        break;
    }
    case Disposition::ImageDessus:
    case Disposition::ImageDessous: {
        const int total = m_tailleImage + ecart + hauteurTexte;
        const int y = zone.top() + (zone.height() - total) / 2;
        const bool dessus = m_disposition == Disposition::ImageDessus;
        const int yImage = dessus ? y : y + hauteurTexte + ecart;
        const int yTexte = dessus ? y + m_tailleImage + ecart : y;
        rectImage.moveTopLeft({zone.center().x() - m_tailleImage / 2 + 1, yImage});
        rectTexte = QRect(zone.left(), yTexte, zone.width(), hauteurTexte);
        break;
    }
    }
    p.drawPixmap(rectImage, image);
    if (hauteurTexte) {
        QColor couleur = m_couleur.isValid() ? m_couleur : palette().color(QPalette::ButtonText);
        if (!isEnabled()) couleur = palette().color(QPalette::Disabled, QPalette::ButtonText);
        p.setPen(couleur);
        // The caption's own leading blanks are kept out of the centring.
        p.drawText(rectTexte, Qt::AlignCenter | Qt::TextShowMnemonic, text().trimmed());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
