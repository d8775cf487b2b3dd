#include "platform/BoiteDeChoix.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

BoiteDeChoix::BoiteDeChoix(const QString& titre, const QString& texte, const QStringList& boutons,
                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(titre);
    auto* colonne = new QVBoxLayout(this);
    auto* question = new QLabel(texte, this);
    question->setObjectName(QStringLiteral("LQuestion"));
    question->setWordWrap(true);
    question->setMinimumWidth(420);
    colonne->addWidget(question);
    colonne->addSpacing(style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing));
    for (int i = 0; i < boutons.size(); ++i) {
        auto* bouton = new QPushButton(boutons[i], this);
        bouton->setObjectName(QStringLiteral("BtChoix%1").arg(i));
        if (i == 0) {
            bouton->setDefault(true);
            bouton->setAutoDefault(true);
        }
        connect(bouton, &QPushButton::clicked, this, [this, i] {
            m_reponse = i;
            accept();
        });
        colonne->addWidget(bouton);
    }
    colonne->setSizeConstraint(QLayout::SetFixedSize);
}
