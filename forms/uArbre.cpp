#include "forms/uArbre.h"

#include "platform/Polices.h"

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Cinq générations"));
    setFont(policeFenetre());
    setFixedSize(646, 480);
    move(138, 109);
}

TForm3::~TForm3() {
    if (Form3 == this) Form3 = nullptr;
}
