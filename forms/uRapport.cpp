#include "forms/uRapport.h"

#include "platform/Polices.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

TRapport::TRapport(const QString& titre, const QStringList& lignes, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Rapport"));
    setWindowTitle(titre);
    setFont(policeFenetre());
    setFixedSize(600, 400);
    Texte = new QPlainTextEdit(this);
    Texte->setObjectName(QStringLiteral("Texte"));
    Texte->setGeometry(8, 8, 584, 344);
    Texte->setReadOnly(true);
    Texte->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Texte->setPlainText(lignes.join(u'\n'));
    BtCopier = new QPushButton(QStringLiteral("Copier"), this);
    BtCopier->setGeometry(8, 362, 100, 28);
    connect(BtCopier, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Texte->toPlainText()); });
    BtImprimer = new QPushButton(QStringLiteral("Imprimer"), this);
    BtImprimer->setGeometry(116, 362, 100, 28);
    connect(BtImprimer, &QPushButton::clicked, this, &TRapport::impressionDemandee);
    BtFermer = new QPushButton(QStringLiteral("&Fermer"), this);
    BtFermer->setGeometry(492, 362, 100, 28);
    BtFermer->setDefault(true);
    connect(BtFermer, &QPushButton::clicked, this, &QDialog::accept);
}
