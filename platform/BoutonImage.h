#pragma once

#include "platform/Glyphes.h"

#include <QAbstractButton>
#include <QColor>

// A button with a picture beside, above or below its caption, in the manner
// of the image buttons of the entry window.
class BoutonImage : public QAbstractButton {
    Q_OBJECT
public:
    enum class Disposition { ImageGauche, ImageDessus, ImageDessous };

    BoutonImage(const QString& legende, Glyphe glyphe, int tailleImage, Disposition disposition,
                QWidget* parent);
    void definirCouleurLegende(const QColor& couleur) {
        m_couleur = couleur;
        update();
    }
    QSize sizeHint() const override { return {80, 30}; }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    Disposition m_disposition;
    int m_tailleImage;
    QColor m_couleur;
};
