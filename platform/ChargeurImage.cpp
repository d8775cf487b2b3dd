#include "platform/ChargeurImage.h"

#include "data/fichier/Erreurs.h"
#include "data/fichier/FichiersSurs.h"
#include "data/fichier/Texte.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <vector>

namespace {

// libjpeg reports errors by calling error_exit, which must not return: we
// jump back to the decoder and raise a load error instead of exiting.
struct GestionnaireErreurs {
    jpeg_error_mgr base;
    std::jmp_buf retour;
    char texte[JMSG_LENGTH_MAX];
};

void sortieSurErreur(j_common_ptr info) {
    auto* gestion = reinterpret_cast<GestionnaireErreurs*>(info->err);
    (*info->err->format_message)(info, gestion->texte);
    std::longjmp(gestion->retour, 1);
}

// A truncated or damaged stream only gives warnings in libjpeg; they are load
// errors here, except extra bytes after the picture.
void messageLibjpeg(j_common_ptr info, int niveau) {
    if (niveau == -1 && info->err->msg_code != JWRN_EXTRANEOUS_DATA) sortieSurErreur(info);
}

ErreurImage erreurDecodage(const QString& nom, const QString& detail) {
    return ErreurImage(
        QStringLiteral("L'image « %1 » ne peut pas être décodée (%2)").arg(nom, detail));
}

void versRgb(const JSAMPLE* ligne, int largeur, int composantes, J_COLOR_SPACE espace,
             QRgb* destination) {
    for (int x = 0; x < largeur; ++x) {
        const JSAMPLE* p = ligne + x * composantes;
        if (espace == JCS_CMYK) {
            // Adobe writes inverted CMYK: each value is already 255 minus the ink.
            const int k = p[3];
            destination[x] = qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
        } else {
            destination[x] = qRgb(p[0], p[1], p[2]);
        }
    }
}

} // namespace

namespace {

// What the protected decoding fills; it lives in the caller, so that a jump
// back from libjpeg never skips a destructor.
struct Decodage {
    QImage image;
    std::vector<JSAMPLE> ligne;
    QString erreur;
};

// Only C calls of libjpeg and plain values here, between setjmp and any longjmp.
bool decoderProtege(jpeg_decompress_struct& info, GestionnaireErreurs& gestion,
                    const QByteArray& octets, Decodage& sortie) {
    if (setjmp(gestion.retour)) {
        sortie.erreur = QString::fromLocal8Bit(gestion.texte);
        return false;
    }
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(octets.constData()),
                 static_cast<unsigned long>(octets.size()));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (static_cast<qint64>(info.image_width) * info.image_height > PixelsMaximum) {
        sortie.erreur = QStringLiteral("dimensions trop grandes");
        return false;
    }
    jpeg_start_decompress(&info);
    const int largeur = static_cast<int>(info.output_width);
    const int composantes = info.output_components;
    sortie.image = QImage(largeur, static_cast<int>(info.output_height), QImage::Format_RGB32);
    if (sortie.image.isNull()) {
        sortie.erreur = QStringLiteral("mémoire insuffisante");
        return false;
    }
    sortie.ligne.resize(static_cast<std::size_t>(largeur) * composantes);
    while (info.output_scanline < info.output_height) {
        JSAMPROW lignes[1] = {sortie.ligne.data()};
        const int y = static_cast<int>(info.output_scanline);
        jpeg_read_scanlines(&info, lignes, 1);
        versRgb(sortie.ligne.data(), largeur, composantes, info.out_color_space,
                reinterpret_cast<QRgb*>(sortie.image.scanLine(y)));
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

QImage decoderJpeg(const QByteArray& octets, const QString& nomPourMessage) {
    if (octets.isEmpty()) throw erreurDecodage(nomPourMessage, QStringLiteral("fichier vide"));
    jpeg_decompress_struct info{};
    GestionnaireErreurs gestion{};
    info.err = jpeg_std_error(&gestion.base);
    gestion.base.error_exit = sortieSurErreur;
    gestion.base.emit_message = messageLibjpeg;
    jpeg_create_decompress(&info);
    Decodage sortie;
    const bool reussi = decoderProtege(info, gestion, octets, sortie);
    jpeg_destroy_decompress(&info);
    if (!reussi) throw erreurDecodage(nomPourMessage, sortie.erreur);
    return sortie.image;
}

namespace {

QByteArray lireFichierImage(const QString& chemin) {
    if (!QFileInfo::exists(chemin))
        throw ErreurImage(QStringLiteral("Le fichier image « %1 » est introuvable").arg(chemin));
    try {
        return lireFichierBorne(chemin, TailleMaxImage, QStringLiteral("Le fichier image"));
    } catch (const ErreurES& e) {
        throw ErreurImage(QStringLiteral("Le fichier image « %1 » ne peut pas être lu (%2)")
                              .arg(chemin, e.texte()));
    } catch (const ErreurVelmoris& e) {
        // Still a load error: the display tries the stored path after the PHOTOS folder.
        throw ErreurImage(e.texte());
    }
}

std::uint32_t lireLE(const QByteArray& o, int position, int taille) {
    std::uint32_t v = 0;
    for (int i = taille - 1; i >= 0; --i)
        v = v << 8 | static_cast<std::uint8_t>(o[position + i]);
    return v;
}

// The reader draws what it finds of a cut bitmap; a cut file is an error here.
bool bmpTronque(const QByteArray& o) {
    if (o.size() < 54) return true;
    const std::uint32_t debut = lireLE(o, 10, 4);
    const auto largeur = static_cast<std::int32_t>(lireLE(o, 18, 4));
    const auto hauteur = static_cast<std::int32_t>(lireLE(o, 22, 4));
    const std::uint32_t bits = lireLE(o, 28, 2);
    const std::uint32_t compression = lireLE(o, 30, 4);
    if (compression != 0 && compression != 3) return false; // compressed: the reader checks
    // In floating point: a forged header must not overflow the sum.
    const double ligne = std::floor((bits * std::fabs(double(largeur)) + 31) / 32) * 4;
    return double(debut) + ligne * std::fabs(double(hauteur)) > double(o.size());
}

// Qt's reader for a format named by the extension, never guessed from the
// content, and refused past the largest picture accepted.
QImage decoderParQt(const QByteArray& octets, const QByteArray& format, const QString& chemin) {
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, format);
    lecteur.setAutoDetectImageFormat(false);
    lecteur.setDecideFormatFromContent(false);
    const QSize taille = lecteur.size();
    if (taille.isValid() && static_cast<qint64>(taille.width()) * taille.height() > PixelsMaximum)
        throw erreurDecodage(chemin, QStringLiteral("dimensions trop grandes"));
    QImage image = lecteur.read();
    if (image.isNull())
        throw erreurDecodage(
            chemin,
            QStringLiteral("fichier %1 invalide").arg(QString::fromLatin1(format.toUpper())));
    return image;
}

QImage decoderBmp(const QByteArray& octets, const QString& chemin) {
    if (bmpTronque(octets)) throw erreurDecodage(chemin, QStringLiteral("fichier BMP tronqué"));
    return decoderParQt(octets, "bmp", chemin);
}

} // namespace

QImage decoderImage(const QByteArray& octets, bool jpeg, const QString& nomPourMessage) {
    return jpeg ? decoderJpeg(octets, nomPourMessage) : decoderBmp(octets, nomPourMessage);
}

QImage chargerImage(const QString& chemin) {
    const QString extension = extensionDe(chemin);
    const QString majuscules = majusculesAZ(extension);
    const bool jpeg = majuscules == u".JPG" || majuscules == u".JPEG";
    if (jpeg || majuscules == u".BMP") return decoderImage(lireFichierImage(chemin), jpeg, chemin);
    const QByteArray format = extension.mid(1).toLower().toLatin1();
    if (format.isEmpty() || !QImageReader::supportedImageFormats().contains(format))
        throw ErreurImage(QStringLiteral("Format d'image non reconnu (extension « %1 ») : %2")
                              .arg(extension, chemin));
    // Any other format Qt reads (PNG, GIF, TIFF, WebP…), by its extension too.
    return decoderParQt(lireFichierImage(chemin), format, chemin);
}
