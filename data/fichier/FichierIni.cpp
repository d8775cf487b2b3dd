#include "data/fichier/FichierIni.h"

#include "data/fichier/Cp1252.h"
#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"

#include <QFileInfo>
#include <QStringConverter>
#include <QStringList>

namespace ini {
namespace {

// How the file was written, so that a rewrite keeps it: Windows programs
// write their code page, some editors UTF-16 or UTF-8 with a byte-order mark.
enum class Codage { Cp1252, Utf8, Utf8Bom, Utf16LE, Utf16BE };

QString decoderContenu(const QByteArray& octets, Codage& codage) {
    if (octets.startsWith("\xFF\xFE")) {
        codage = Codage::Utf16LE;
        return QStringDecoder(QStringDecoder::Utf16LE)(octets.mid(2));
    }
    if (octets.startsWith("\xFE\xFF")) {
        codage = Codage::Utf16BE;
        return QStringDecoder(QStringDecoder::Utf16BE)(octets.mid(2));
    }
    if (octets.startsWith("\xEF\xBB\xBF")) {
        codage = Codage::Utf8Bom;
        return QString::fromUtf8(octets.mid(3));
    }
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = decodeur(octets);
    const bool utf8 = !decodeur.hasError() && texte.size() != octets.size();
    codage = utf8 ? Codage::Utf8 : Codage::Cp1252;
    if (!decodeur.hasError()) return texte;
    return cp1252::decoder(octets);
}

// The code page is kept unless it cannot hold the text; then UTF-8.
QByteArray encoderContenu(const QString& texte, Codage codage) {
    switch (codage) {
    case Codage::Utf16LE:
        return QByteArray("\xFF\xFE", 2) + QStringEncoder(QStringEncoder::Utf16LE)(texte);
    case Codage::Utf16BE:
        return QByteArray("\xFE\xFF", 2) + QStringEncoder(QStringEncoder::Utf16BE)(texte);
    case Codage::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + texte.toUtf8();
    case Codage::Utf8:
        return texte.toUtf8();
    case Codage::Cp1252:
        break;
    }
    if (cp1252::representable(texte)) return cp1252::encoder(texte);
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
    Codage codage = Codage::Cp1252;
};

const QString QuoiIni = QStringLiteral("Le fichier de paramètres");

// A file that is not there reads as empty; a pipe or a device in its place,
// or a file larger than any settings file, is refused with its name.
Contenu lireContenu(const QString& chemin) {
    Contenu contenu;
    if (!QFileInfo::exists(chemin) && !QFileInfo(chemin).isSymLink()) return contenu;
    const QString texte =
        decoderContenu(lireFichierBorne(chemin, TailleMaxIni, QuoiIni), contenu.codage);
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

namespace {

// Sets one key in the lines, in place when present, else at the end of its
// section, or in a new section at the end.
void placer(QStringList& lignes, const QString& section, const QString& cle,
            const QString& valeur) {
    const QString nouvelle = cle + u'=' + valeur;
    int debutSection = -1;
    int finSection = static_cast<int>(lignes.size());
    for (int i = 0; i < lignes.size(); ++i) {
        QString nom;
        if (estSection(lignes[i], nom)) {
            if (debutSection >= 0) {
                finSection = i;
                break;
            }
            if (nom.compare(section, Qt::CaseInsensitive) == 0) debutSection = i;
        } else if (debutSection >= 0 && estCle(lignes[i], cle, nullptr)) {
            lignes[i] = nouvelle;
            return;
        }
    }
    if (debutSection < 0) {
        lignes << (u'[' + section + u']') << nouvelle;
        return;
    }
    // After the last non-empty line of the section.
    int position = finSection;
    while (position > debutSection + 1 && lignes[position - 1].trimmed().isEmpty())
        --position;
    lignes.insert(position, nouvelle);
}

} // namespace

void ecrireValeur(const QString& chemin, const QString& section, const QString& cle,
                  const QString& valeur) {
    ecrireValeurs(chemin, section, {{cle, valeur}});
}

void ecrireValeurs(const QString& chemin, const QString& section,
                   const QList<std::pair<QString, QString>>& valeurs) {
    Contenu contenu = lireContenu(chemin);
    for (const auto& [cle, valeur] : valeurs)
        placer(contenu.lignes, section, cle, valeur);
    EcritureAtomique fichier(chemin);
    fichier.ecrire(encoderContenu(contenu.lignes.join(contenu.finDeLigne) + contenu.finDeLigne,
                                  contenu.codage));
    fichier.valider();
}

} // namespace ini
