#pragma once

#include <QFont>
#include <QString>

// The faces the windows name ("MS Sans Serif", "Tahoma", "Arial Black",
// "Courier", "Arial") are Windows faces; each gets a metric-compatible
// substitute installed on this platform.
void installerSubstitutionsPolices();

// A font by face name and height in pixels.
QFont police(const QString& face, int hauteurPixels, bool gras = false, bool italique = false);

// The windows' default font: "MS Sans Serif", 8 points.
QFont policeFenetre();

class QLabel;

// Keeps the label's face but lowers its size until the text fits the width.
void ajusterALaLargeur(QLabel* label, int largeur);
