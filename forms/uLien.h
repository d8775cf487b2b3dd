#pragma once

#include <QDialog>

// The parent-linking dialog.
class TFormLien : public QDialog {
    Q_OBJECT
public:
    explicit TFormLien(QWidget* parent = nullptr);
    ~TFormLien() override;
};

extern TFormLien* FormLien;
