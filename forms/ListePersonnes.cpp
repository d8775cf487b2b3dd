#include "forms/ListePersonnes.h"

int ModeleListePersonnes::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_publiees;
}

QVariant ModeleListePersonnes::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_publiees) return {};
    return m_lignes[static_cast<std::size_t>(index.row())];
}

void ModeleListePersonnes::vider() {
    beginResetModel();
    m_lignes.clear();
    m_numeros.clear();
    m_publiees = 0;
    endResetModel();
}

void ModeleListePersonnes::ajouter(const QString& ligne, std::int32_t numero) {
    m_lignes.push_back(ligne);
    m_numeros.push_back(numero);
}

void ModeleListePersonnes::publier() {
    const int total = static_cast<int>(m_lignes.size());
    if (total == m_publiees) return;
    beginInsertRows({}, m_publiees, total - 1);
    m_publiees = total;
    endInsertRows();
}
