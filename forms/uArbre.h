#pragma once

#include <QWidget>

// The five-generation chart window, shown without blocking.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;
};

extern TForm3* Form3;
