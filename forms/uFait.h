#pragma once

#include "data/complements/Complements.h"
#include "data/complements/Faits.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// One fact of a person or of a union, edited: its kind, date (any form the
// entry form takes), place, description, note, and the citations that
// prove it, each a source of the file (or a new one) and where in it.
// A field of the record (its birth, its death…) keeps its date and place
// on the entry form: here they are shown, its proof edited.
class TFait : public QDialog {
    Q_OBJECT
public:
    enum class Pour { Personne, Union, Nom, Note, Citation };
    // `nouvelleSource` creates a source of the title asked, and returns its identifier.
    using NouvelleSource = std::function<std::optional<std::string>()>;
    TFait(Pour pour, const FaitSaisi& fait, bool dateDeLaFiche, std::vector<SourceConnue> sources,
          NouvelleSource nouvelleSource, QWidget* parent = nullptr);
    // The fact as typed; raises ErreurVelmoris for a date that does not exist.
    FaitSaisi fait() const;

    QComboBox* CbGenre = nullptr;
    QLineEdit* EType = nullptr;
    QLineEdit* EValeur = nullptr;
    QLineEdit* EDate = nullptr;
    QLabel* LDate = nullptr;
    QLineEdit* ELieu = nullptr;
    QPlainTextEdit* ENote = nullptr;
    QTableWidget* Citations = nullptr;
    QPushButton* BtCiter = nullptr;
    QPushButton* BtNouvelleSource = nullptr;
    QPushButton* BtRetirer = nullptr;
    QPushButton* BtOK = nullptr;
    QPushButton* BtAnnuler = nullptr;
    // A citation row added, its source chosen by its identifier.
    void citer(const std::string& source, const QString& page = {});

private:
    const std::vector<GenreDeFait>& genres() const;
    void ajouterLigne(const CitationSaisie& citation);
    void montrerLaDate();
    Pour m_pour;
    FaitSaisi m_origine;
    QString m_dateMontree; // the original date as shown: unchanged, it stays as it was
    std::vector<SourceConnue> m_sources;
    NouvelleSource m_nouvelleSource;
};
