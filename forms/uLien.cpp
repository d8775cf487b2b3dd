#include "forms/uLien.h"

#include "platform/Polices.h"

TFormLien* FormLien = nullptr;

TFormLien::TFormLien(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormLien"));
    setWindowTitle(QStringLiteral("Recherche des parents dans les listes"));
    setFont(policeFenetre());
    setFixedSize(542, 420);
    move(138, 112);
}

TFormLien::~TFormLien() {
    if (FormLien == this) FormLien = nullptr;
}
