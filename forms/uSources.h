#pragma once

#include "data/complements/Complements.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTabWidget;

// The sources of the file with their repository, call number and how often
// they are cited, sortable and filtered as the user types; the citations of
// the one chosen, person by person (a double-click shows the person); and
// the repositories with how many sources each keeps.
class TSources : public QDialog {
    Q_OBJECT
public:
    using Citations = std::function<std::vector<CitationDeSource>(const std::string& xref)>;
    // The person of a citation as a list names them.
    using NomDe = std::function<QString(std::int32_t fiche, const std::string& empreinte)>;
    TSources(std::vector<SourceDetaillee> sources, const std::vector<DepotConnu>& depots,
             Citations citations, NomDe nomDe, QWidget* parent = nullptr);

    QTabWidget* Onglets = nullptr;
    QLineEdit* EFiltre = nullptr;
    QTableWidget* TableSources = nullptr;
    QListWidget* ListeCitations = nullptr;
    QTableWidget* TableDepots = nullptr;
    QLabel* LCompte = nullptr;
    QPushButton* BtFermer = nullptr;

signals:
    void personneDemandee(std::int32_t fiche);

private:
    void filtrer(const QString& texte);
    void montrerLesCitations();
    std::vector<SourceDetaillee> m_sources;
    std::vector<CitationDeSource> m_citations; // of the source chosen
    Citations m_lireCitations;
    NomDe m_nomDe;
};
