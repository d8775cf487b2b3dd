#pragma once

#include "data/complements/Complements.h"

// The session extension records a transaction's changes, to take them back.
#define SQLITE_ENABLE_SESSION 1
#define SQLITE_ENABLE_PREUPDATE_HOOK 1
#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

// What the store's files share of SQLite: its errors in French, and one
// prepared statement at a time. Internal to the companion store.
namespace magasin {

// No text read from a store, which may come from anyone, is larger.
constexpr int TailleMaximumTexte = 16 << 20;

// The store's own French words for what went wrong.
ErreurComplements erreur(sqlite3* base, int code, const QString& chemin);

// A record number read from the store: one that no record can have reads as -1.
std::int32_t fiche32(std::int64_t v);

// Runs `travail` inside a transaction of its own: all or nothing.
template <typename F> void enTransaction(Complements& c, F&& travail) {
    c.commencer();
    try {
        travail();
    } catch (...) {
        c.annuler();
        throw;
    }
    c.valider();
}

// One prepared statement: bound, stepped, read, finalised on every path.
class Requete {
public:
    Requete(sqlite3* base, const char* sql) : m_base(base) {
        const int code = sqlite3_prepare_v2(base, sql, -1, &m_requete, nullptr);
        if (code != SQLITE_OK) throw erreur(base, code, {});
    }
    ~Requete() { sqlite3_finalize(m_requete); }
    Requete(const Requete&) = delete;
    Requete& operator=(const Requete&) = delete;

    Requete& lier(int i, std::int64_t v) {
        sqlite3_bind_int64(m_requete, i, v);
        return *this;
    }
    Requete& lier(int i, const std::string& v) {
        sqlite3_bind_text(m_requete, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // Text that stays as it is until the statement has run: not copied.
    Requete& lierSansCopie(int i, const std::string& v) {
        sqlite3_bind_text(m_requete, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        return *this;
    }
    Requete& lierSansCopie(int i, const std::optional<std::string>& v) {
        if (!v) return lierNul(i);
        return lierSansCopie(i, *v);
    }
    // NULL for an absent value.
    Requete& lier(int i, const std::optional<std::string>& v) {
        if (!v) {
            sqlite3_bind_null(m_requete, i);
            return *this;
        }
        return lier(i, *v);
    }
    Requete& lierReel(int i, double v) {
        sqlite3_bind_double(m_requete, i, v);
        return *this;
    }
    Requete& lierNul(int i) {
        sqlite3_bind_null(m_requete, i);
        return *this;
    }
    // True while a row is there.
    bool ligne() {
        const int code = sqlite3_step(m_requete);
        if (code == SQLITE_ROW) return true;
        if (code != SQLITE_DONE) throw erreur(m_base, code, {});
        return false;
    }
    void executer() {
        ligne();
        sqlite3_reset(m_requete);
        sqlite3_clear_bindings(m_requete);
    }
    void recommencer() {
        sqlite3_reset(m_requete);
        sqlite3_clear_bindings(m_requete);
    }
    std::int64_t entier(int i) const { return sqlite3_column_int64(m_requete, i); }
    double reel(int i) const { return sqlite3_column_double(m_requete, i); }
    // The text of a column, valid until the next step.
    std::string_view vue(int i) const {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(m_requete, i));
        return t ? std::string_view(t, static_cast<std::size_t>(sqlite3_column_bytes(m_requete, i)))
                 : std::string_view();
    }
    std::string texte(int i) const {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(m_requete, i));
        const int n = sqlite3_column_bytes(m_requete, i);
        return t ? std::string(t, static_cast<std::size_t>(std::min(n, TailleMaximumTexte)))
                 : std::string();
    }

    bool nul(int i) const { return sqlite3_column_type(m_requete, i) == SQLITE_NULL; }
    std::optional<std::string> texteOuRien(int i) const {
        return nul(i) ? std::nullopt : std::optional<std::string>(texte(i));
    }

private:
    sqlite3* m_base;
    sqlite3_stmt* m_requete = nullptr;
};

// Whether the store has that table: those added by a later version are
// missing from a store not written since.
inline bool tableExiste(sqlite3* base, const char* table) {
    Requete r(base, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    r.lier(1, std::string(table));
    return r.ligne();
}

} // namespace magasin
