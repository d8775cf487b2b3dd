#pragma once

#include "data/journal/Journal.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>

// The session's changes to the open file, to undo and redo them: at least
// the last 100, fewer only when they hold more than 256 MiB of records.
class Historique {
public:
    static constexpr std::size_t Capacite = 100;
    static constexpr std::int64_t OctetsMax = 256LL << 20;

    // Applies the store's part of an undo or a redo.
    using Complements = std::function<void(const QByteArray& changements)>;

    // A change just made: what was undone can no longer be redone.
    void ajouter(EntreeHistorique entree);
    bool peutAnnuler() const { return !m_faits.empty(); }
    bool peutRetablir() const { return !m_defaits.empty(); }
    // "Annuler le chaînage de DURAND Pierre", "Rétablir …"; plain when empty.
    QString texteAnnuler() const;
    QString texteRetablir() const;
    // Each returns the person to show; raises a French error, and changes
    // nothing, when the file no longer holds what the change left.
    std::int32_t annuler(const QString& cheminFichier, const Complements& complements);
    std::int32_t retablir(const QString& cheminFichier, const Complements& complements);
    // Another file is opened: the history ends.
    void vider();

private:
    void borner();
    std::deque<EntreeHistorique> m_faits;
    std::deque<EntreeHistorique> m_defaits;
};
