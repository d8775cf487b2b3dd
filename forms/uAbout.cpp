#include "forms/uAbout.h"

#include "platform/ChargeurImage.h"
#include "platform/Polices.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TAboutBox* AboutBox = nullptr;

QStringList lignesAPropos() {
    return {QStringLiteral("Velmoris"),
            QString(),
            QStringLiteral("Version ") + QStringLiteral(VELMORIS_VERSION),
            QStringLiteral("Le projet Velmoris"),
            QString(),
            QStringLiteral("Email : aide@velmoris.example"),
            QStringLiteral("Sites : velmoris.example"),
            QStringLiteral("docs.velmoris.example"),
            QStringLiteral("dl.velmoris.example")};
}

namespace {

// The emblem is a JPEG kept in the program's resources, decoded like the portraits.
QPixmap embleme() {
    QFile ressource(QStringLiteral(":/embleme.jpg"));
    if (!ressource.open(QIODevice::ReadOnly)) return {};
    return QPixmap::fromImage(decoderJpeg(ressource.readAll(), QStringLiteral("embleme.jpg")));
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos"));
    setFont(policeFenetre());
    setFixedSize(298, 205);

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 145);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 16, 90, 105);
    ProgramIcon->setScaledContents(true); // stretched to the frame
    ProgramIcon->setPixmap(embleme());

    ProductName = new QLabel(lignesAPropos().join(u'\n'), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setGeometry(104, 16, 139, 117);
    ProductName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ProductName->setFont(police(QStringLiteral("MS Sans Serif"), 10));
    ajusterALaLargeur(ProductName, 139);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 164, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

TAboutBox::~TAboutBox() {
    if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::OKButtonClick() {
    hide();
    accept();
}

void TAboutBox::showEvent(QShowEvent* evenement) {
    QDialog::showEvent(evenement);
    if (QScreen* ecran = screen()) move(ecran->availableGeometry().center() - rect().center());
}
