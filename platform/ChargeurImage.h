#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture loader: the decoder is chosen by the file-name extension,
// without regard to case and without looking at the content. "jpg" and
// "jpeg" go through libjpeg, "bmp" through the BMP reader, any other format
// Qt reads (png, gif, tiff…) through its reader; an unknown extension, and
// any file that does not decode, raises ErreurImage with a French text.
QImage chargerImage(const QString& chemin);

// Decodes the bytes of a picture held in memory, as JPEG or as BMP.
QImage decoderImage(const QByteArray& octets, bool jpeg, const QString& nomPourMessage);

// Decodes JPEG bytes held in memory (the emblem of the About box, the tests).
QImage decoderJpeg(const QByteArray& octets, const QString& nomPourMessage);

// Largest picture accepted, in pixels, so that a forged header cannot
// exhaust memory.
constexpr qint64 PixelsMaximum = 64LL * 1024 * 1024;
