#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// A report in a window of its own: the lines can be selected, copied and printed.
class TRapport : public QDialog {
    Q_OBJECT
public:
    TRapport(const QString& titre, const QStringList& lignes, QWidget* parent = nullptr);

    QPlainTextEdit* Texte = nullptr;
    QPushButton* BtCopier = nullptr;
    QPushButton* BtImprimer = nullptr;
    QPushButton* BtFermer = nullptr;

signals:
    void impressionDemandee();
};
