#include "data/FichierIni.h"

#include "data/Cp1252.h"
#include "data/Erreurs.h"

#include <QFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>

namespace ini {
namespace {

// Windows writes the file in its ANSI code page; a file written here may hold
// UTF-8 when a path needs characters outside Windows-1252.
QString decoderContenu(const QByteArray& octets, bool& utf8) {
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = decodeur(octets);
    utf8 = !decodeur.hasError() && texte.size() != octets.size();
    if (!decodeur.hasError()) return texte;
    return cp1252::decoder(octets);
}

// A file keeps its encoding; the code page is used unless it cannot hold the text.
QByteArray encoderContenu(const QString& texte, bool utf8) {
    if (!utf8 && cp1252::representable(texte)) return cp1252::encoder(texte);
    return texte.toUtf8();
}

bool estSection(const QString& ligne, QString& nom) {
    const QString t = ligne.trimmed();
    if (!t.startsWith(u'[')) return false;
    const auto fin = t.indexOf(u']');
    if (fin < 0) return false;
    nom = t.mid(1, fin - 1).trimmed();
    return true;
}

bool estCle(const QString& ligne, const QString& cle, QString* valeur) {
    const QString t = ligne.trimmed();
    if (t.startsWith(u';')) return false;
    const auto egal = t.indexOf(u'=');
    if (egal < 0) return false;
    if (t.left(egal).trimmed().compare(cle, Qt::CaseInsensitive) != 0) return false;
    if (valeur) {
        QString v = t.mid(egal + 1).trimmed();
        if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"')) v = v.mid(1, v.size() - 2);
        *valeur = v;
    }
    return true;
}

struct Contenu {
    QStringList lignes;
    QString finDeLigne = QStringLiteral("\r\n");
    bool utf8 = false;
};

Contenu lireContenu(const QString& chemin) {
    Contenu contenu;
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) return contenu;
    const QString texte = decoderContenu(fichier.readAll(), contenu.utf8);
    if (!texte.contains(QStringLiteral("\r\n")) && texte.contains(u'\n'))
        contenu.finDeLigne = QStringLiteral("\n");
    QString normalise = texte;
    normalise.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    contenu.lignes = normalise.split(u'\n');
    if (!contenu.lignes.isEmpty() && contenu.lignes.back().isEmpty()) contenu.lignes.removeLast();
    return contenu;
}

} // namespace

QString lireValeur(const QString& chemin, const QString& section, const QString& cle) {
    const Contenu contenu = lireContenu(chemin);
    bool dansSection = false;
    for (const QString& ligne : contenu.lignes) {
        QString nom;
        if (estSection(ligne, nom)) {
            dansSection = nom.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString valeur;
        if (dansSection && estCle(ligne, cle, &valeur)) return valeur;
    }
    return {};
}

void ecrireValeur(const QString& chemin, const QString& section, const QString& cle,
                  const QString& valeur) {
    Contenu contenu = lireContenu(chemin);
    const QString nouvelle = cle + u'=' + valeur;
    int debutSection = -1;
    int finSection = static_cast<int>(contenu.lignes.size());
    bool ecrit = false;
    for (int i = 0; i < contenu.lignes.size() && !ecrit; ++i) {
        QString nom;
        if (estSection(contenu.lignes[i], nom)) {
            if (debutSection >= 0) {
                finSection = i;
                break;
            }
            if (nom.compare(section, Qt::CaseInsensitive) == 0) debutSection = i;
        } else if (debutSection >= 0 && estCle(contenu.lignes[i], cle, nullptr)) {
            contenu.lignes[i] = nouvelle;
            ecrit = true;
        }
    }
    if (!ecrit && debutSection >= 0) {
        // After the last non-empty line of the section.
        int position = finSection;
        while (position > debutSection + 1 && contenu.lignes[position - 1].trimmed().isEmpty())
            --position;
        contenu.lignes.insert(position, nouvelle);
    } else if (!ecrit) {
        contenu.lignes << (u'[' + section + u']') << nouvelle;
    }

    QSaveFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly)) throw ErreurES(ErreurES::AccesRefuse);
    const QByteArray octets =
        encoderContenu(contenu.lignes.join(contenu.finDeLigne) + contenu.finDeLigne, contenu.utf8);
    if (fichier.write(octets) != octets.size()) {
        fichier.cancelWriting();
        throw ErreurES(ErreurES::DisquePlein);
    }
    if (!fichier.commit()) throw ErreurES(ErreurES::AccesRefuse);
}

} // namespace ini
