#include "data/Gedcom.h"

#include "data/Cp1252.h"
#include "data/Recherches.h"
#include "data/Translitteration.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

const char* const Mois[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

QString individu(std::int32_t n) {
    return QStringLiteral("@I%1@").arg(n);
}

QString famille(std::int32_t pere, std::int32_t mere) {
    auto partie = [](std::int32_t n) { return n < 0 ? QStringLiteral("X") : QString::number(n); };
    return QStringLiteral("@F%1_%2@").arg(partie(pere), partie(mere));
}

class Ecrivain {
public:
    // Control characters of damaged or foreign records never reach the file.
    void ligne(int niveau, QString texte) {
        const auto avant = texte.size();
        texte.removeIf(estCaractereDeControle);
        m_controles += static_cast<int>(avant - texte.size());
        m_sortie += QString::number(niveau).toUtf8() + ' ' + texte.toUtf8() + "\r\n";
    }
    int controles() const { return m_controles; }
    void valeur(int niveau, const char* etiquette, const QString& texte) {
        if (!texte.isEmpty()) ligne(niveau, QString::fromLatin1(etiquette) + u' ' + texte);
    }
    void evenement(const char* etiquette, const QString& date, const QString& lieu) {
        if (date.isEmpty() && lieu.isEmpty()) return;
        ligne(1, QString::fromLatin1(etiquette));
        valeur(2, "DATE", dateGedcom(date));
        valeur(2, "PLAC", lieu);
    }
    QByteArray& sortie() { return m_sortie; }

private:
    QByteArray m_sortie;
    int m_controles = 0;
};

struct Couple {
    std::int32_t pere, mere;
    bool operator<(const Couple& autre) const {
        return std::tie(pere, mere) < std::tie(autre.pere, autre.mere);
    }
};

} // namespace

QString dateGedcom(const QString& date) {
    static const QRegularExpression exacte(QStringLiteral("^(\\d{2})/(\\d{2})/(\\d{4})$"));
    const auto m = exacte.match(date);
    if (m.hasMatch()) {
        const QDate d(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
        if (d.isValid())
            return QStringLiteral("%1 %2 %3")
                .arg(d.day())
                .arg(QString::fromLatin1(Mois[d.month() - 1]))
                .arg(d.year());
    }
    return date.isEmpty() ? QString() : u'(' + date + u')';
}

ResultatExport exporterGedcom(FichierEnregistrements& fichier) {
    ResultatExport r;
    const std::int64_t nombre = fichier.nombreFiches();
    auto existe = [&](std::int32_t n) { return n >= 0 && n < nombre; };
    // First pass: the families, from the children's links.
    std::map<Couple, std::vector<std::pair<int, std::int32_t>>> familles; // rank, child
    std::map<std::int32_t, std::vector<Couple>> parentDe;
    std::vector<std::uint8_t> aDesEnfants(static_cast<std::size_t>(nombre), 0);
    QHash<QString, std::vector<std::int32_t>> parDateDeMariage;
    std::vector<std::pair<std::int32_t, std::int32_t>> parents(static_cast<std::size_t>(nombre));
    std::vector<std::array<std::int32_t, 10>> enfants(static_cast<std::size_t>(nombre));
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        std::int32_t pere = f.Pere, mere = f.Mere;
        for (std::int32_t* lien : {&pere, &mere})
            if (*lien != -1 && !existe(*lien)) {
                ++r.liensPendants;
                *lien = -1;
            }
        parents[static_cast<std::size_t>(n)] = {pere, mere};
        enfants[static_cast<std::size_t>(n)] = f.Enfants;
        for (int s = 0; s < emplacementsEnfants(f.NbEnfants); ++s)
            if (f.Enfants[static_cast<std::size_t>(s)] != -1 &&
                !existe(f.Enfants[static_cast<std::size_t>(s)]))
                ++r.liensPendants;
        if (!f.DateMariage.vide()) parDateDeMariage[f.DateMariage.texte()].push_back(n);
        return true;
    });
    auto rang = [&](std::int32_t parent, std::int32_t enfant) {
        if (parent < 0) return NbEmplacementsEnfants;
        const auto& s = enfants[static_cast<std::size_t>(parent)];
        const auto i = std::find(s.begin(), s.end(), enfant);
        return i == s.end() ? NbEmplacementsEnfants : static_cast<int>(i - s.begin());
    };
    for (std::int32_t n = 0; n < nombre; ++n) {
        const auto [pere, mere] = parents[static_cast<std::size_t>(n)];
        if (pere == -1 && mere == -1) continue;
        const int r1 = std::min(rang(pere, n), rang(mere, n));
        familles[{pere, mere}].push_back({r1, n});
        for (std::int32_t p : {pere, mere})
            if (p >= 0) aDesEnfants[static_cast<std::size_t>(p)] = 1;
    }
    // Childless couples that share a marriage date.
    std::set<std::int32_t> maries;
    for (const auto& [couple, liste] : familles) {
        maries.insert(couple.pere);
        maries.insert(couple.mere);
    }
    TFiche tampon;
    auto lire = [&](std::int32_t n) -> const TFiche& {
        fichier.positionner(n);
        fichier.lire(tampon);
        return tampon;
    };
    for (auto i = parDateDeMariage.cbegin(); i != parDateDeMariage.cend(); ++i) {
        std::vector<std::int32_t> seuls;
        for (std::int32_t n : i.value())
            if (!aDesEnfants[static_cast<std::size_t>(n)] && !maries.count(n)) seuls.push_back(n);
        for (std::size_t a = 0; a + 1 < seuls.size(); a += 2) {
            const bool homme = lire(seuls[a]).Qualite == 0;
            const std::int32_t pere = homme ? seuls[a] : seuls[a + 1];
            const std::int32_t mere = homme ? seuls[a + 1] : seuls[a];
            familles[{pere, mere}];
        }
    }
    for (auto& [couple, liste] : familles) {
        std::sort(liste.begin(), liste.end());
        for (std::int32_t p : {couple.pere, couple.mere})
            if (p >= 0) parentDe[p].push_back(couple);
    }

    Ecrivain e;
    e.ligne(0, QStringLiteral("HEAD"));
    e.ligne(1, QStringLiteral("SOUR VELMORIS"));
    e.ligne(2, QStringLiteral("NAME Velmoris"));
    e.ligne(2, QStringLiteral("VERS ") + QStringLiteral(VELMORIS_VERSION));
    e.ligne(1, QStringLiteral("SUBM @SUBM1@"));
    e.ligne(1, QStringLiteral("GEDC"));
    e.ligne(2, QStringLiteral("VERS 5.5.1"));
    e.ligne(2, QStringLiteral("FORM LINEAGE-LINKED"));
    e.ligne(1, QStringLiteral("CHAR UTF-8"));
    e.ligne(1, QStringLiteral("LANG French"));
    e.ligne(0, QStringLiteral("@SUBM1@ SUBM"));
    e.ligne(1, QStringLiteral("NAME Velmoris"));
    parcourirFiches(fichier, [&](std::int32_t n, const TFiche& f) {
        e.ligne(0, individu(n) + QStringLiteral(" INDI"));
        e.ligne(1, QStringLiteral("NAME ") + f.Prenom.texte() + QStringLiteral(" /") +
                       f.Nom.texte() + u'/');
        e.valeur(2, "NPFX", motQualite(f.Qualite));
        e.ligne(1,
                QStringLiteral("SEX ") + (f.Qualite == 0 ? u'M' : (f.Qualite <= 2 ? u'F' : u'U')));
        e.valeur(1, "OCCU", f.Profession.texte());
        e.evenement("BIRT", f.DateNaissance.texte(), f.LieuNaissance.texte());
        e.evenement("DEAT", f.DateDeces.texte(), f.LieuDeces.texte());
        if (!f.Photo.vide()) {
            e.ligne(1, QStringLiteral("OBJE"));
            e.ligne(2, QStringLiteral("FILE ") + f.Photo.texte());
            const QString extension = f.Photo.texte().section(u'.', -1).toLower();
            e.ligne(3, QStringLiteral("FORM ") +
                           (extension == u"bmp" ? QStringLiteral("bmp") : QStringLiteral("jpeg")));
        }
        const auto [pere, mere] = parents[static_cast<std::size_t>(n)];
        if (pere != -1 || mere != -1) e.ligne(1, QStringLiteral("FAMC ") + famille(pere, mere));
        if (parentDe.count(n))
            for (const Couple& c : parentDe[n])
                e.ligne(1, QStringLiteral("FAMS ") + famille(c.pere, c.mere));
        ++r.personnes;
        return true;
    });
    for (const auto& [couple, liste] : familles) {
        e.ligne(0, famille(couple.pere, couple.mere) + QStringLiteral(" FAM"));
        if (couple.pere >= 0) e.ligne(1, QStringLiteral("HUSB ") + individu(couple.pere));
        if (couple.mere >= 0) e.ligne(1, QStringLiteral("WIFE ") + individu(couple.mere));
        for (const auto& [rangEnfant, enfant] : liste)
            e.ligne(1, QStringLiteral("CHIL ") + individu(enfant));
        const std::int32_t temoin = couple.pere >= 0 ? couple.pere : couple.mere;
        const TFiche& f = lire(temoin);
        e.evenement("MARR", f.DateMariage.texte(), f.LieuMariage.texte());
        ++r.familles;
    }
    e.ligne(0, QStringLiteral("TRLR"));
    r.caracteresDeControle = e.controles();
    r.gedcom = std::move(e.sortie());
    return r;
}

// ---------------------------------------------------------------- import

QString decoderAnsel(const QByteArray& octets) {
    static const QMap<unsigned char, char16_t> speciaux = {
        {0xA1, u'Ł'}, {0xA2, u'Ø'}, {0xA3, u'Đ'}, {0xA4, u'Þ'}, {0xA5, u'Æ'}, {0xA6, u'Œ'},
        {0xA7, u'ʹ'}, {0xA8, u'·'}, {0xA9, u'♭'}, {0xAA, u'®'}, {0xAB, u'±'}, {0xAE, u'ʼ'},
        {0xB0, u'ʻ'}, {0xB1, u'ł'}, {0xB2, u'ø'}, {0xB3, u'đ'}, {0xB4, u'þ'}, {0xB5, u'æ'},
        {0xB6, u'œ'}, {0xB7, u'ʺ'}, {0xB8, u'ı'}, {0xB9, u'£'}, {0xBA, u'ð'}, {0xC0, u'°'},
        {0xC1, u'ℓ'}, {0xC2, u'℗'}, {0xC3, u'©'}, {0xC4, u'♯'}, {0xC5, u'¿'}, {0xC6, u'¡'},
        {0xCF, u'ß'}};
    static const QMap<unsigned char, char16_t> diacritiques = {
        {0xE0, 0x0309}, {0xE1, 0x0300}, {0xE2, 0x0301}, {0xE3, 0x0302}, {0xE4, 0x0303},
        {0xE5, 0x0304}, {0xE6, 0x0306}, {0xE7, 0x0307}, {0xE8, 0x0308}, {0xE9, 0x030C},
        {0xEA, 0x030A}, {0xEB, 0x0361}, {0xEC, 0x0360}, {0xED, 0x0315}, {0xEE, 0x030B},
        {0xEF, 0x0310}, {0xF0, 0x0327}, {0xF1, 0x0328}, {0xF2, 0x0323}, {0xF3, 0x0324},
        {0xF4, 0x0325}, {0xF5, 0x0333}, {0xF6, 0x0332}, {0xF7, 0x0326}, {0xF8, 0x031C},
        {0xF9, 0x032E}, {0xFA, 0x0360}, {0xFB, 0x0361}, {0xFE, 0x0313}};
    QString texte;
    QString enAttente; // ANSEL puts the marks before the letter they go on
    for (const char c : octets) {
        const auto o = static_cast<unsigned char>(c);
        if (diacritiques.contains(o)) {
            enAttente += QChar(diacritiques.value(o));
            continue;
        }
        texte += o < 0x80 ? QChar(o) : QChar(speciaux.value(o, u'?'));
        texte += enAttente;
        enAttente.clear();
    }
    return (texte + enAttente).normalized(QString::NormalizationForm_C);
}

namespace {

struct LigneGed {
    int niveau = 0;
    QString reference;
    QString etiquette;
    QString valeur;
};

QString decoderGedcom(const QByteArray& contenu, QStringList& rapport) {
    if (contenu.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(contenu.mid(3));
    if (contenu.startsWith("\xFF\xFE") ||
        (contenu.size() > 1 && contenu[0] != 0 && contenu[1] == 0)) {
        QStringDecoder d(QStringDecoder::Utf16LE);
        return QString(d(contenu.startsWith("\xFF\xFE") ? contenu.mid(2) : contenu));
    }
    if (contenu.startsWith("\xFE\xFF") || (contenu.size() > 1 && contenu[0] == 0)) {
        QStringDecoder d(QStringDecoder::Utf16BE);
        return QString(d(contenu.startsWith("\xFE\xFF") ? contenu.mid(2) : contenu));
    }
    static const QRegularExpression charset(QStringLiteral("\\n\\s*1\\s+CHAR\\s+(\\S+)"));
    const QString entete = QString::fromLatin1(contenu.left(4096));
    const QString jeu = charset.match(u'\n' + entete).captured(1).toUpper();
    if (jeu == u"ANSEL") {
        rapport << QStringLiteral("Le fichier est écrit en ANSEL : ses accents ont été convertis.");
        return decoderAnsel(contenu);
    }
    if (jeu == u"ANSI" || jeu == u"WINDOWS" || jeu == u"IBMPC" || jeu == u"ASCII")
        return cp1252::decoder(contenu);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texte = utf8(contenu);
    if (!utf8.hasError()) return texte;
    rapport << QStringLiteral(
        "Le fichier annonce l'UTF-8 sans en être : il a été lu en Windows-1252.");
    return cp1252::decoder(contenu);
}

std::vector<LigneGed> lignesGedcom(const QString& texte) {
    std::vector<LigneGed> lignes;
    static const QRegularExpression forme(
        QStringLiteral("^\\s*(\\d+)\\s+(@[^@]+@\\s+)?(\\S+)(?: (.*))?$"));
    QString normalise = texte;
    normalise.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    for (const QString& brute : normalise.split(u'\n')) {
        const auto m = forme.match(brute);
        if (!m.hasMatch()) continue;
        LigneGed l{m.captured(1).toInt(), m.captured(2).trimmed(), m.captured(3).toUpper(),
                   m.captured(4)};
        // Continuation lines belong to the value of the line above them.
        if ((l.etiquette == u"CONC" || l.etiquette == u"CONT") && !lignes.empty()) {
            lignes.back().valeur +=
                (l.etiquette == u"CONT" ? QStringLiteral(" ") : QString()) + l.valeur;
            continue;
        }
        lignes.push_back(l);
    }
    return lignes;
}

struct Individu {
    QString reference, nom, prenom, sexe, titre, profession, naissance, lieuNaissance, deces,
        lieuDeces, photo;
    QStringList famillesEnfant, famillesParent;
};

struct Famille {
    QString mari, femme, dateMariage, lieuMariage;
    QStringList enfants;
};

} // namespace

// A loop of families makes someone their own ancestor, which no tree holds.
// Walking up the father and mother links, the link that closes a loop is
// left at -1, on both sides, and each is reported.
void briserBoucles(std::vector<TFiche>& fiches, QStringList& rapport,
                   const std::function<QString(std::int32_t)>& designation) {
    const auto nombre = static_cast<std::int32_t>(fiches.size());
    std::vector<std::uint8_t> etat(fiches.size(), 0); // 0 unseen, 1 on the path, 2 done
    struct Etape {
        std::int32_t n;
        int suivant; // 0 father, 1 mother, 2 finished
    };
    std::vector<Etape> pile;
    for (std::int32_t depart = 0; depart < nombre; ++depart) {
        if (etat[static_cast<std::size_t>(depart)]) continue;
        pile.assign(1, {depart, 0});
        etat[static_cast<std::size_t>(depart)] = 1;
        while (!pile.empty()) {
            Etape& e = pile.back();
            if (e.suivant == 2) {
                etat[static_cast<std::size_t>(e.n)] = 2;
                pile.pop_back();
                continue;
            }
            TFiche& enfant = fiches[static_cast<std::size_t>(e.n)];
            const bool pere = e.suivant++ == 0;
            std::int32_t& lien = pere ? enfant.Pere : enfant.Mere;
            if (lien < 0 || lien >= nombre) continue;
            if (etat[static_cast<std::size_t>(lien)] == 1) {
                rapport << QStringLiteral(
                               "Boucle dans les familles : %1 serait son propre ancêtre ; "
                               "le lien vers %2 %3 n'a pas été gardé.")
                               .arg(designation(e.n),
                                    pere ? QStringLiteral("son père") : QStringLiteral("sa mère"),
                                    designation(lien));
                for (std::int32_t& slot : fiches[static_cast<std::size_t>(lien)].Enfants)
                    if (slot == e.n) slot = -1;
                lien = -1;
            } else if (etat[static_cast<std::size_t>(lien)] == 0) {
                etat[static_cast<std::size_t>(lien)] = 1;
                const std::int32_t parent = lien;
                pile.push_back({parent, 0});
            }
        }
    }
}

QString dateDepuisGedcom(const QString& date, bool& approchee) {
    approchee = false;
    const QString d = date.trimmed().toUpper();
    if (d.isEmpty()) return {};
    // A date phrase is kept as it was typed.
    if (d.startsWith(u'(') && d.endsWith(u')'))
        return date.trimmed().mid(1, date.trimmed().size() - 2);
    static const QRegularExpression exacte(
        QStringLiteral("^(\\d{1,2})\\s+([A-Z]{3})\\s+(\\d{4})$"));
    const auto m = exacte.match(d);
    if (m.hasMatch()) {
        for (int mois = 0; mois < 12; ++mois)
            if (m.captured(2) == QLatin1String(Mois[mois])) {
                const QDate jour(m.captured(3).toInt(), mois + 1, m.captured(1).toInt());
                if (jour.isValid()) return jour.toString(QStringLiteral("dd/MM/yyyy"));
            }
    }
    approchee = true;
    static const QRegularExpression annee(QStringLiteral("(\\d{4})"));
    const auto a = annee.match(d);
    if (a.hasMatch()) return QStringLiteral("vers ") + a.captured(1);
    return date.trimmed();
}

ResultatImport importerGedcom(const QByteArray& contenu) {
    ResultatImport r;
    const std::vector<LigneGed> lignes = lignesGedcom(decoderGedcom(contenu, r.rapport));
    std::vector<Individu> individus;
    QMap<QString, Famille> familles;
    QStringList ordreFamilles;
    Individu* individu = nullptr;
    Famille* fam = nullptr;
    QString evenement; // the level-1 tag the level-2 lines belong to
    for (const LigneGed& l : lignes) {
        if (l.niveau == 0) {
            individu = nullptr;
            fam = nullptr;
            if (l.etiquette == u"INDI") {
                individus.push_back({});
                individu = &individus.back();
                individu->reference = l.reference;
            } else if (l.etiquette == u"FAM") {
                fam = &familles[l.reference];
                ordreFamilles << l.reference;
            }
            continue;
        }
        if (l.niveau == 1) evenement = l.etiquette;
        if (individu) {
            if (l.niveau == 1 && l.etiquette == u"NAME") {
                individu->prenom = l.valeur.section(u'/', 0, 0).trimmed();
                individu->nom = l.valeur.section(u'/', 1, 1).trimmed();
            } else if (l.niveau == 2 && evenement == u"NAME" && l.etiquette == u"NPFX") {
                individu->titre = l.valeur.trimmed();
            } else if (l.niveau == 1 && l.etiquette == u"SEX")
                individu->sexe = l.valeur.trimmed().toUpper();
            else if (l.niveau == 1 && l.etiquette == u"OCCU")
                individu->profession = l.valeur;
            else if (l.niveau == 1 && l.etiquette == u"FAMC")
                individu->famillesEnfant << l.valeur.trimmed();
            else if (l.niveau == 1 && l.etiquette == u"FAMS")
                individu->famillesParent << l.valeur.trimmed();
            else if (l.etiquette == u"FILE" && evenement == u"OBJE" && individu->photo.isEmpty())
                individu->photo = l.valeur;
            else if (l.niveau == 2 && evenement == u"BIRT" && l.etiquette == u"DATE")
                individu->naissance = l.valeur;
            else if (l.niveau == 2 && evenement == u"BIRT" && l.etiquette == u"PLAC")
                individu->lieuNaissance = l.valeur;
            else if (l.niveau == 2 && evenement == u"DEAT" && l.etiquette == u"DATE")
                individu->deces = l.valeur;
            else if (l.niveau == 2 && evenement == u"DEAT" && l.etiquette == u"PLAC")
                individu->lieuDeces = l.valeur;
        } else if (fam) {
            if (l.niveau == 1 && l.etiquette == u"HUSB")
                fam->mari = l.valeur.trimmed();
            else if (l.niveau == 1 && l.etiquette == u"WIFE")
                fam->femme = l.valeur.trimmed();
            else if (l.niveau == 1 && l.etiquette == u"CHIL")
                fam->enfants << l.valeur.trimmed();
            else if (l.niveau == 2 && evenement == u"MARR" && l.etiquette == u"DATE")
                fam->dateMariage = l.valeur;
            else if (l.niveau == 2 && evenement == u"MARR" && l.etiquette == u"PLAC")
                fam->lieuMariage = l.valeur;
        }
    }

    QHash<QString, std::int32_t> numeros;
    for (std::size_t i = 0; i < individus.size(); ++i)
        numeros[individus[i].reference] = static_cast<std::int32_t>(i);
    r.fiches.resize(individus.size());
    auto designation = [&](std::size_t i) {
        return QStringLiteral("Fiche %1 (%2 %3)").arg(i).arg(individus[i].nom, individus[i].prenom);
    };
    auto texte = [&](std::size_t i, auto& champ, const QString& valeur, const QString& quoi) {
        const QString stocke = versCp1252(valeur);
        champ.definir(stocke);
        if (stocke != valeur)
            r.rapport << QStringLiteral("%1 : %2 « %3 » est écrit « %4 ».")
                             .arg(designation(i), quoi, valeur, champ.texte());
        else if (valeur.size() > champ.largeur)
            r.rapport << QStringLiteral("%1 : %2 « %3 » est coupé à %4 caractères.")
                             .arg(designation(i), quoi, valeur)
                             .arg(champ.largeur);
    };
    auto date = [&](std::size_t i, auto& champ, const QString& valeur, const QString& quoi) {
        bool approchee = false;
        const QString convertie = dateDepuisGedcom(valeur, approchee);
        if (approchee)
            r.rapport << QStringLiteral("%1 : la date %2 « %3 » devient « %4 ».")
                             .arg(designation(i), quoi, valeur, convertie.left(10));
        texte(i, champ, convertie, QStringLiteral("la date ") + quoi);
    };
    for (std::size_t i = 0; i < individus.size(); ++i) {
        const Individu& ind = individus[i];
        TFiche& f = r.fiches[i];
        ViderFiche(f);
        f.Qualite = ind.sexe == u"M"   ? 0
                    : ind.sexe == u"F" ? (ind.famillesParent.isEmpty() ? 2 : 1)
                                       : 255;
        for (std::uint8_t q = 0; q <= 2; ++q)
            if (ind.titre.compare(motQualite(q), Qt::CaseInsensitive) == 0) f.Qualite = q;
        texte(i, f.Nom, ind.nom, QStringLiteral("le nom"));
        texte(i, f.Prenom, ind.prenom, QStringLiteral("le prénom"));
        texte(i, f.Profession, ind.profession, QStringLiteral("la profession"));
        date(i, f.DateNaissance, ind.naissance, QStringLiteral("de naissance"));
        texte(i, f.LieuNaissance, ind.lieuNaissance, QStringLiteral("le lieu de naissance"));
        date(i, f.DateDeces, ind.deces, QStringLiteral("de décès"));
        texte(i, f.LieuDeces, ind.lieuDeces, QStringLiteral("le lieu de décès"));
        texte(i, f.Photo, ind.photo, QStringLiteral("le chemin du portrait"));
        if (ind.famillesEnfant.size() > 1)
            r.rapport << QStringLiteral(
                             "%1 est enfant de %2 familles : seule la première est gardée.")
                             .arg(designation(i))
                             .arg(ind.famillesEnfant.size());
    }
    // The links, family by family, in the order of the file.
    for (const QString& reference : ordreFamilles) {
        const Famille& fam = familles[reference];
        const std::int32_t mari = numeros.value(fam.mari, -1), femme = numeros.value(fam.femme, -1);
        for (std::int32_t conjoint : {mari, femme}) {
            if (conjoint < 0) continue;
            TFiche& f = r.fiches[static_cast<std::size_t>(conjoint)];
            if (!f.DateMariage.vide() || fam.dateMariage.isEmpty()) continue;
            date(static_cast<std::size_t>(conjoint), f.DateMariage, fam.dateMariage,
                 QStringLiteral("de mariage"));
            texte(static_cast<std::size_t>(conjoint), f.LieuMariage, fam.lieuMariage,
                  QStringLiteral("le lieu de mariage"));
        }
        if (fam.enfants.size() > NbEmplacementsEnfants)
            r.rapport << QStringLiteral("La famille %1 compte %2 enfants : seuls les dix premiers "
                                        "sont inscrits chez leurs parents.")
                             .arg(reference)
                             .arg(fam.enfants.size());
        for (const QString& refEnfant : fam.enfants) {
            const std::int32_t enfant = numeros.value(refEnfant, -1);
            if (enfant < 0) continue;
            const Individu& ind = individus[static_cast<std::size_t>(enfant)];
            if (ind.famillesEnfant.isEmpty() || ind.famillesEnfant.front() == reference) {
                r.fiches[static_cast<std::size_t>(enfant)].Pere = mari;
                r.fiches[static_cast<std::size_t>(enfant)].Mere = femme;
            }
            for (std::int32_t parent : {mari, femme}) {
                if (parent < 0) continue;
                TFiche& p = r.fiches[static_cast<std::size_t>(parent)];
                if (p.NbEnfants >= NbEmplacementsEnfants) continue;
                p.Enfants[p.NbEnfants] = enfant;
                ++p.NbEnfants;
            }
        }
    }
    briserBoucles(r.fiches, r.rapport,
                  [&](std::int32_t n) { return designation(static_cast<std::size_t>(n)); });
    return r;
}
