#include "ui/skin/ImageResource.h"

#include <QGuiApplication>

#include "ui/skin/SkinImage.h"

#include <QDirIterator>
#include <QFile>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

static void InitPictureResources()
{
    // The pictures live in a static library; naming its initialiser links them in.
    static const bool done = [] {
        Q_INIT_RESOURCE(skrytkar_pictures);
        return true;
    }();
    (void)done;
}

namespace {

const QLatin1String kPictureFolder(":/skin/");

// A picture larger than this is refused rather than decoded (no picture of ours comes near).
constexpr unsigned kMaxSide = 8192;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool corrupt;
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level)
{
    // Level -1 is a warning about damaged data (a truncated file, a bad Huffman code): libjpeg
    // would carry on with made-up pixels, which would show a picture that is not ours.
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0 && !err->corrupt) {
        err->corrupt = true;
        (*cinfo->err->format_message)(cinfo, err->message);
    }
}

// Plain C data only between setjmp and a possible longjmp: no destructor can be skipped.
// The image lives in the caller's frame.
bool DecodeInto(const unsigned char* data, unsigned long size, QImage* out, ErrorManager* err)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->pub);
    err->pub.error_exit = OnError;
    err->pub.emit_message = OnMessage;
    err->message[0] = '\0';
    err->corrupt = false;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3 || cinfo.output_width > kMaxSide || cinfo.output_height > kMaxSide) {
        std::snprintf(err->message, sizeof err->message, "unsupported picture %ux%u with %d components",
                      cinfo.output_width, cinfo.output_height, cinfo.output_components);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    *out = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
    if (out->isNull()) {
        std::snprintf(err->message, sizeof err->message, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return !err->corrupt;
}

} // namespace

QImage DecodeJpeg(const QByteArray& data, QString* errorText)
{
    QImage image;
    ErrorManager err;
    bool ok = false;
    if (data.isEmpty()) {
        std::snprintf(err.message, sizeof err.message, "no data");
    } else {
        ok = DecodeInto(reinterpret_cast<const unsigned char*>(data.constData()),
                        static_cast<unsigned long>(data.size()), &image, &err);
    }
    if (!ok) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(err.message);
        return QImage();
    }
    if (errorText)
        errorText->clear();
    return image;
}

QByteArray ImageResourceData(const QString& name)
{
    InitPictureResources();
    if (name.isEmpty())
        return QByteArray();
    // The resources are named in lower case, so the direct look-up nearly always hits.
    QFile direct(kPictureFolder + name.toLower());
    if (direct.open(QIODevice::ReadOnly))
        return direct.readAll();
    QDirIterator it(kPictureFolder, QDir::Files);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().compare(name, Qt::CaseInsensitive) == 0) {
            QFile file(it.filePath());
            if (file.open(QIODevice::ReadOnly))
                return file.readAll();
        }
    }
    return QByteArray();
}

QImage ImageResource(const QString& name)
{
    return DecodeJpeg(ImageResourceData(name));
}

bool LoadImageResource(const QString& name, SkinImage* image)
{
    // On a screen scaled up the picture of twice the pixels is drawn down to the screen's
    // scale, so it stays sharp; the design's own size is kept through its pixel ratio.
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (gui && gui->devicePixelRatio() > 1.0 && image) {
        QImage dense = ImageResource(name + QStringLiteral("@2x"));
        if (!dense.isNull()) {
            dense.setDevicePixelRatio(2.0);
            image->SetPicture(dense);
            return true;
        }
    }
    const QImage picture = ImageResource(name);
    if (picture.isNull() || !image)
        return false;
    image->SetPicture(picture);
    return true;
}
