#include "data/Historique.h"

#include "data/Erreurs.h"

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
    revenirA(cheminFichier, e.apres, e.avant, [&] {
        if (!e.complementsRetour.isEmpty()) complements(e.complementsRetour);
    });
    const std::int32_t personne = e.personne;
    m_defaits.push_back(std::move(m_faits.back()));
    m_faits.pop_back();
    return personne;
}

std::int32_t Historique::retablir(const QString& cheminFichier, const Complements& complements) {
    if (m_defaits.empty()) return -1;
    const EntreeHistorique& e = m_defaits.back();
    if (!e.apres.complete() || (!e.complementsRetour.isEmpty() && e.complementsAller.isEmpty()))
        throw ErreurVelmoris(
            QStringLiteral("« %1 » ne peut pas être rétabli : ce changement était trop grand pour "
                           "être gardé en mémoire. Refaites-le (par exemple, importez de nouveau "
                           "le fichier)")
                .arg(e.libelle));
    revenirA(cheminFichier, e.avant, e.apres, [&] {
        if (!e.complementsAller.isEmpty()) complements(e.complementsAller);
    });
    const std::int32_t personne = e.personneApres;
    m_faits.push_back(std::move(m_defaits.back()));
    m_defaits.pop_back();
    return personne;
}

void Historique::vider() {
    m_faits.clear();
    m_defaits.clear();
}
