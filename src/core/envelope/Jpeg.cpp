#include "core/envelope/Jpeg.h"

#include "core/UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// After <cstdio>: jpeglib.h uses FILE and size_t without declaring them.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// A damaged header may claim 65500 × 65500 pixels: refuse such sizes before any
// pixel memory is taken. Both limits lie far above any envelope picture.
constexpr qint64 maxPixels = 64LL * 1024 * 1024;
constexpr qint64 maxFileBytes = 256LL * 1024 * 1024;

// libjpeg's default handler calls exit(); this one jumps back to the caller with
// the message kept for the user.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
    char text[JMSG_LENGTH_MAX];
};

[[noreturn]] void failJpeg(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = err->pub.msg_code;
    err->pub.format_message(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

// A warning means damaged data that libjpeg would go on to fill with grey (a
// truncated file among them): it fails the picture at once.
void emitJpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        failJpeg(cinfo);
}

void discardJpegMessage(j_common_ptr) {}

void initErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = failJpeg;
    err.pub.emit_message = emitJpegMessage;
    err.pub.output_message = discardJpegMessage;
    err.code = 0;
    err.text[0] = '\0';
}

QString jpegReason(const ErrorManager& err) {
    switch (err.code) {
    case JERR_INPUT_EMPTY:
        return QStringLiteral("файл пуст");
    case JERR_NO_SOI:
        return QStringLiteral("это не файл JPEG");
    case JWRN_JPEG_EOF:
    case JERR_INPUT_EOF:
        return QStringLiteral("файл обрезан");
    case JERR_OUT_OF_MEMORY:
        return QStringLiteral("недостаточно памяти");
    default:
        return QStringLiteral("файл повреждён или не поддерживается (%1)")
            .arg(QString::fromLatin1(err.text));
    }
}

UserError readError(const QString& name, const QString& reason) {
    return UserError(QStringLiteral("Не удалось прочитать рисунок %1: %2")
                         .arg(QDir::toNativeSeparators(name), reason));
}

struct Decoder {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    bool created = false;

    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    Decoder() {
        initErrors(err);
        cinfo.err = &err.pub;
    }
    ~Decoder() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// The functions that call setjmp hold no C++ objects with destructors: a
// longjmp past them would skip those destructors.

// Reads the header and chooses the output colours; false after a libjpeg error.
bool readHeader(Decoder* d, const unsigned char* bytes, unsigned long size) {
    if (setjmp(d->err.jump))
        return false;
    d->created = true;
    jpeg_create_decompress(&d->cinfo);
    jpeg_mem_src(&d->cinfo, bytes, size);
    jpeg_read_header(&d->cinfo, TRUE);
    const J_COLOR_SPACE space = d->cinfo.jpeg_color_space;
    // libjpeg has no CMYK to RGB conversion: CMYK comes out as is, four bytes a pixel.
    d->cinfo.out_color_space = space == JCS_CMYK || space == JCS_YCCK ? JCS_CMYK : JCS_EXT_RGBX;
    jpeg_calc_output_dimensions(&d->cinfo);
    return true;
}

bool readPixels(Decoder* d, unsigned char* bits, qsizetype bytesPerLine) {
    if (setjmp(d->err.jump))
        return false;
    jpeg_start_decompress(&d->cinfo);
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW row = bits + qsizetype(d->cinfo.output_scanline) * bytesPerLine;
        if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1)
            ERREXIT(&d->cinfo, JERR_INPUT_EOF);
    }
    jpeg_finish_decompress(&d->cinfo);
    return true;
}

void cmykToRgb(QImage& image, bool adobeInverted) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            // Adobe's files store ink inverted (255 = no ink), others store it plainly.
            const int k = adobeInverted ? p[3] : 255 - p[3];
            for (int i = 0; i < 3; ++i) {
                const int c = adobeInverted ? p[i] : 255 - p[i];
                p[i] = uchar((c * k + 127) / 255);
            }
            p[3] = 255;
        }
    }
}

struct Encoder {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    bool created = false;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;

    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    Encoder() {
        initErrors(err);
        cinfo.err = &err.pub;
    }
    ~Encoder() {
        if (created)
            jpeg_destroy_compress(&cinfo);
        std::free(out); // jpeg_mem_dest allocates with malloc and leaves freeing to us
    }
};

bool writePixels(Encoder* e, const QImage* image, int components, J_COLOR_SPACE space,
                 int quality) {
    if (setjmp(e->err.jump))
        return false;
    e->created = true;
    jpeg_create_compress(&e->cinfo);
    jpeg_mem_dest(&e->cinfo, &e->out, &e->outSize);
    e->cinfo.image_width = JDIMENSION(image->width());
    e->cinfo.image_height = JDIMENSION(image->height());
    e->cinfo.input_components = components;
    e->cinfo.in_color_space = space;
    jpeg_set_defaults(&e->cinfo);
    jpeg_set_quality(&e->cinfo, quality, TRUE);
    jpeg_start_compress(&e->cinfo, TRUE);
    while (e->cinfo.next_scanline < e->cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(image->constScanLine(int(e->cinfo.next_scanline)));
        jpeg_write_scanlines(&e->cinfo, &row, 1);
    }
    jpeg_finish_compress(&e->cinfo);
    return true;
}

// The encoded bytes, or an empty array with the reason set.
QByteArray encode(const QImage& image, int quality, QString& reason) {
    if (image.isNull()) {
        reason = QStringLiteral("рисунок пуст");
        return {};
    }
    QImage pixels;
    int components = 4;
    J_COLOR_SPACE space = JCS_EXT_RGBX;
    if (image.format() == QImage::Format_Grayscale8) {
        pixels = image;
        components = 1;
        space = JCS_GRAYSCALE;
    } else if (image.hasAlphaChannel()) {
        pixels = QImage(image.size(), QImage::Format_RGBX8888);
        pixels.fill(Qt::white);
        QPainter painter(&pixels);
        painter.drawImage(0, 0, image);
    } else {
        pixels = image.convertToFormat(QImage::Format_RGBX8888);
    }
    if (pixels.isNull()) {
        reason = QStringLiteral("недостаточно памяти");
        return {};
    }
    Encoder e;
    if (!writePixels(&e, &pixels, components, space, std::clamp(quality, 1, 100))) {
        reason = e.err.code == JERR_OUT_OF_MEMORY ? QStringLiteral("недостаточно памяти")
                                                  : QString::fromLatin1(e.err.text);
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(e.out), qsizetype(e.outSize));
}

} // namespace

QImage decodeJpegData(const QByteArray& data, const QString& name) {
    Decoder d;
    if (!readHeader(&d, reinterpret_cast<const unsigned char*>(data.constData()),
                    static_cast<unsigned long>(data.size())))
        throw readError(name, jpegReason(d.err));

    const qint64 width = d.cinfo.output_width;
    const qint64 height = d.cinfo.output_height;
    if (width * height > maxPixels)
        throw readError(
            name, QStringLiteral("рисунок слишком велик (%1 × %2 точек)").arg(width).arg(height));
    QImage image(int(width), int(height), QImage::Format_RGBX8888);
    if (image.isNull())
        throw readError(name, QStringLiteral("недостаточно памяти"));
    if (!readPixels(&d, image.bits(), image.bytesPerLine()))
        throw readError(name, jpegReason(d.err));
    if (d.cinfo.out_color_space == JCS_CMYK)
        cmykToRgb(image, d.cinfo.saw_Adobe_marker);
    return image;
}

QImage decodeJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(path);
        if (!info.exists())
            throw readError(path, QStringLiteral("файл не найден"));
        if (info.isDir())
            throw readError(path, QStringLiteral("это папка, а не файл"));
        throw readError(path, QStringLiteral("файл не открывается (%1)").arg(file.errorString()));
    }
    // Read with a bound, so that a device file or a huge file cannot take all memory.
    const QByteArray data = file.read(maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw readError(path, QStringLiteral("ошибка чтения (%1)").arg(file.errorString()));
    if (data.size() > maxFileBytes)
        throw readError(path, QStringLiteral("файл слишком велик"));
    return decodeJpegData(data, path);
}

QByteArray encodeJpegData(const QImage& image, int quality) {
    QString reason;
    QByteArray bytes = encode(image, quality, reason);
    if (bytes.isEmpty())
        throw UserError(QStringLiteral("Не удалось сжать рисунок в JPEG: %1").arg(reason));
    return bytes;
}

void encodeJpeg(const QImage& image, const QString& path, int quality) {
    const QString shown = QDir::toNativeSeparators(path);
    QString reason;
    const QByteArray bytes = encode(image, quality, reason);
    if (bytes.isEmpty())
        throw UserError(QStringLiteral("Не удалось записать рисунок %1: %2").arg(shown, reason));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw UserError(
            QStringLiteral("Не удалось записать рисунок %1: %2").arg(shown, file.errorString()));
}
