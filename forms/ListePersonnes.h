#pragma once

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <vector>

// The lines of the lists of persons and the record number behind each. A model
// rather than one widget item per line, so that hundreds of thousands of
// lines open at once.
class ModeleListePersonnes : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void vider();
    void ajouter(const QString& ligne, std::int32_t numero);
    void publier(); // makes the lines added since the last call visible
    int total() const { return static_cast<int>(m_lignes.size()); }
    std::int32_t numero(int ligne) const { return m_numeros[static_cast<std::size_t>(ligne)]; }
    const QString& ligne(int ligne) const { return m_lignes[static_cast<std::size_t>(ligne)]; }

private:
    std::vector<QString> m_lignes;
    std::vector<std::int32_t> m_numeros;
    int m_publiees = 0;
};
