#include "forms/uAbout.h"

#include "platform/Polices.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos"));
    setFont(policeFenetre());
    setFixedSize(298, 205);
}

TAboutBox::~TAboutBox() {
    if (AboutBox == this) AboutBox = nullptr;
}
