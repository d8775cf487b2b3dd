#pragma once

#include <QDialog>
#include <QStringList>

// A question with more answers than a message box can show side by side:
// the text, then one button a line, the first as default; Échap answers -1.
class BoiteDeChoix : public QDialog {
    Q_OBJECT
public:
    BoiteDeChoix(const QString& titre, const QString& texte, const QStringList& boutons,
                 QWidget* parent = nullptr);
    int reponse() const { return m_reponse; }

private:
    int m_reponse = -1;
};
