#include "data/journal/Historique.h"

#include "data/fichier/Erreurs.h"

namespace {

std::int64_t octetsGardes(const EntreeHistorique& e) {
    std::int64_t n = e.complementsAller.size() + e.complementsRetour.size();
    for (const ImageOctets* image : {&e.avant, &e.apres})
        for (const BlocOctets& b : image->blocs)
            n += b.octets.size();
    return n;
}

QString avecLibelle(const QString& verbe, const QString& libelle) {
    return libelle.isEmpty() ? verbe : verbe + u' ' + libelle;
}

void appliquer(const Historique::Complements& complements, const QByteArray& changements) {
    if (!changements.isEmpty()) complements(changements);
}

// The entry undone or redone goes to the other stack; returns it there.
const EntreeHistorique& deplacer(std::deque<EntreeHistorique>& depuis,
                                 std::deque<EntreeHistorique>& vers) {
    vers.push_back(std::move(depuis.back()));
    depuis.pop_back();
    return vers.back();
}

} // namespace

void Historique::ajouter(EntreeHistorique entree) {
    m_defaits.clear();
    m_faits.push_back(std::move(entree));
    borner();
}

void Historique::borner() {
    std::int64_t total = 0;
    for (const EntreeHistorique& e : m_faits)
        total += octetsGardes(e);
    while (m_faits.size() > 1 && (m_faits.size() > Capacite || total > OctetsMax)) {
        total -= octetsGardes(m_faits.front());
        m_faits.pop_front();
    }
}

QString Historique::texteAnnuler() const {
    return avecLibelle(QStringLiteral("Annuler"),
                       m_faits.empty() ? QString() : m_faits.back().libelle);
}

QString Historique::texteRetablir() const {
    return avecLibelle(QStringLiteral("Rétablir"),
                       m_defaits.empty() ? QString() : m_defaits.back().libelle);
}

std::int32_t Historique::annuler(const QString& cheminFichier, const Complements& complements) {
    if (m_faits.empty()) return -1;
    const EntreeHistorique& e = m_faits.back();
    revenirA(cheminFichier, e.apres, e.avant, [&] { appliquer(complements, e.complementsRetour); });
    return deplacer(m_faits, m_defaits).personne;
}

std::int32_t Historique::retablir(const QString& cheminFichier, const Complements& complements) {
    if (m_defaits.empty()) return -1;
    const EntreeHistorique& e = m_defaits.back();
    if (!e.apres.complete() || (!e.complementsRetour.isEmpty() && e.complementsAller.isEmpty()))
        throw ErreurVelmoris(
            QStringLiteral(
                "Ce changement (%1) ne peut pas être rétabli : il dépassait les %2 Mo "
                "que l'historique garde pour refaire un changement. Refaites-le vous-même "
                "(par exemple, importez de nouveau le fichier)")
                .arg(e.libelle)
                .arg(ChangementGardeMax >> 20));
    revenirA(cheminFichier, e.avant, e.apres, [&] { appliquer(complements, e.complementsAller); });
    return deplacer(m_defaits, m_faits).personneApres;
}

void Historique::vider() {
    m_faits.clear();
    m_defaits.clear();
}
