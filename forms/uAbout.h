#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: the program's emblem and nine lines about it.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    QLabel* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QPushButton* OKButton = nullptr;

public slots:
    void OKButtonClick();

protected:
    void showEvent(QShowEvent* evenement) override;
};

// The nine lines of the box.
QStringList lignesAPropos();

extern TAboutBox* AboutBox;
