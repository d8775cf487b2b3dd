#pragma once

#include "data/fichier/TFiche.h"
#include "print/ArbrePapier.h"

#include <QHash>
#include <QStringList>

#include <QWidget>
#include <functional>
#include <optional>

class BoutonImage;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The five-generation chart window, shown without blocking: a snapshot of
// the person on screen with parents, grandparents, great-grandparents,
// spouse and up to eight children, four lines a box.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Empties every box of the chart.
    void viderBoites();
    // The child box of a birth rank from 1 to 8.
    QPlainTextEdit* boiteEnfant(int rang) const;
    QList<QPlainTextEdit*> boites() const;
    // The chart as paper needs it: boxes, captions and connectors, no button.
    // `aPublier`, given a box's records, gives the lines to publish instead
    // of those shown, or nothing to keep them.
    using TexteAPublier = std::function<std::optional<QStringList>(const QList<std::int32_t>&)>;
    DessinArbre dessin(const TexteAPublier& aPublier = {}) const;

    // The records shown in a box, for the double-click that makes one of them
    // the pivot: the last child box may hold ranks 8 to 10.
    void noterFiche(QPlainTextEdit* boite, std::int32_t numero);
    std::int32_t ficheDe(const QPlainTextEdit* boite) const;
    QList<std::int32_t> fichesDe(const QPlainTextEdit* boite) const;
    // Once filled: each box's full text as its tooltip, "Retour" as it may be.
    void terminerRemplissage();
    // Beside the spouse's caption, the unions the chart has no room for.
    void montrerAutresUnions(int autres);
    std::int32_t pivot() const { return ficheDe(MPers); }
    // The pivots before the one shown, most recent last.
    void retenirPivot(std::int32_t numero);
    std::int32_t pivotPrecedent() const {
        return m_historique.isEmpty() ? -1 : m_historique.back();
    }
    void oublierPivotPrecedent();

    QPlainTextEdit *MAGP1, *MAGP2, *MAGP3, *MAGP4, *MAGP5, *MAGP6, *MAGP7, *MAGP8;
    QPlainTextEdit *mgpp, *mgmp, *mgpm, *mgmm;
    QPlainTextEdit *MP, *MM, *MC, *MPers;
    QPlainTextEdit *ME1, *ME2, *ME3, *ME4, *ME5, *ME6, *Me7, *Me8;
    QLabel* Panel1 = nullptr;
    QLabel* StaticText1 = nullptr;
    BoutonImage* SbSortie = nullptr;
    QPushButton* BtImprimer = nullptr;
    QPushButton* BtExporter = nullptr;
    QPushButton* BtRetour = nullptr;

signals:
    void impressionDemandee();
    void exportDemande();
    void pivotDemande(std::int32_t numero);
    // A double-click on a box that shows several persons: one is to be chosen.
    void choixDuPivotDemande(const QList<std::int32_t>& numeros);
    void retourDemande();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

public slots:
    void SbSortieClick() { hide(); }
    void MPersChange() { hide(); }

private:
    QLabel* m_autresUnions = nullptr; // "et 2 autres unions", under the spouse's box
    QPlainTextEdit* boite(const char* nom, QRect geometrie, const QString& couleur = {});
    void creerConnecteurs();
    void creerTextesFixes();
    QHash<const QPlainTextEdit*, QList<std::int32_t>> m_fiches;
    QList<std::int32_t> m_historique;
};

// Appends the four lines of a person's box: names, then "N : ", "M : ",
// "D : " with the birth, marriage and death dates.
// A person's box: name, birth, marriage, death.
QStringList lignesDeBoite(const TFiche& fiche);
void RemplirMemo(QPlainTextEdit* boite, const TFiche& fiche);

extern TForm3* Form3;
