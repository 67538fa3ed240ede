#include "cli/rendercommand.h"

#include "cli/clisupport.h"
#include "cli/commands.h"
#include "cli/showcommand.h"
#include "platform/errortext.h"
#include "platform/textfile.h"
#include "viewer/contentdisplay.h"
#include "viewer/imagerotation.h"
#include "viewer/render/picture.h"

#include <QBuffer>
#include <QPainter>

#include <cerrno>
#include <cmath>

namespace tovane::cli {

namespace {

constexpr int MaxAreaSide = 8192;

struct Arguments {
    int zoomMode = ZoomAuto;
    bool modeGiven = false;
    double zoom = ZoomActualSize;
    bool zoomGiven = false;
    int angle = 0;
    bool rotateGiven = false;
    int mirror = 0; // 0 none, 'h' or 'v'
    QSize area{800, 600};
    bool sizeGiven = false;
    QStringList files;
};

bool parseWhole(const QString& text, int low, int high, int& out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    out = v;
    return true;
}

bool parseArea(const QString& text, QSize& out)
{
    const qsizetype x = text.indexOf(u'x');
    if (x < 0)
        return false;
    int w = 0, h = 0;
    if (!parseWhole(text.left(x), 1, MaxAreaSide, w) ||
        !parseWhole(text.mid(x + 1), 1, MaxAreaSide, h))
        return false;
    out = QSize(w, h);
    return true;
}

// One option and its value; empty when taken, else the complaint.
QString takeOption(const QString& name, const QString& value, Arguments& a)
{
    auto twice = [&](bool& given) {
        const bool was = given;
        given = true;
        return was;
    };
    const QString bad = QStringLiteral("bad value for ") + name + QStringLiteral(": ") + value;
    if (name == QLatin1String("--zoom-mode")) {
        if (twice(a.modeGiven))
            return name + QStringLiteral(" given twice");
        return parseWhole(value, ZoomAuto, ZoomManual, a.zoomMode) ? QString() : bad;
    }
    if (name == QLatin1String("--zoom")) {
        if (twice(a.zoomGiven))
            return name + QStringLiteral(" given twice");
        bool ok = false;
        const double percent = value.toDouble(&ok);
        if (!ok || !std::isfinite(percent) || percent * 100 < ZoomMinimum ||
            percent * 100 > ZoomMaximum)
            return bad;
        a.zoom = percent * 100;
        return QString();
    }
    if (name == QLatin1String("--rotate")) {
        if (twice(a.rotateGiven))
            return name + QStringLiteral(" given twice");
        bool ok = false;
        a.angle = value.toInt(&ok);
        return ok ? QString() : bad;
    }
    if (name == QLatin1String("--mirror")) {
        if (a.mirror)
            return name + QStringLiteral(" given twice");
        if (value != QLatin1String("h") && value != QLatin1String("v"))
            return bad;
        a.mirror = value.at(0).unicode();
        return QString();
    }
    if (name == QLatin1String("--size")) {
        if (twice(a.sizeGiven))
            return name + QStringLiteral(" given twice");
        return parseArea(value, a.area) ? QString() : bad;
    }
    return QStringLiteral("unknown option ") + name;
}

QString parse(const QStringList& args, Arguments& a)
{
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            if (arg == QLatin1String("--")) {
                optionsEnd = true;
                continue;
            }
            QString name = arg;
            QString value;
            const qsizetype equals = arg.indexOf(u'=');
            if (equals > 0) {
                name = arg.left(equals);
                value = arg.mid(equals + 1);
            } else {
                static const QStringList known{"--zoom-mode", "--zoom", "--rotate", "--mirror",
                                               "--size"};
                if (!known.contains(arg))
                    return QStringLiteral("unknown option ") + arg;
                if (++i == args.size())
                    return arg + QStringLiteral(" needs a value");
                value = args.at(i);
            }
            const QString complaint = takeOption(name, value, a);
            if (!complaint.isEmpty())
                return complaint;
            continue;
        }
        if (arg.isEmpty())
            return QStringLiteral("an empty argument names no file");
        a.files.append(arg);
    }
    if (a.files.size() != 2)
        return QStringLiteral("FILE and OUT.png are both needed, nothing more");
    if (a.zoomGiven) {
        if (a.modeGiven && a.zoomMode != ZoomManual)
            return QStringLiteral("--zoom needs --zoom-mode 3");
        a.zoomMode = ZoomManual;
    }
    return QString();
}

int usageError(const QString& complaint)
{
    writeErrorLine(QStringLiteral("tovane-cli render: ") + complaint + u'\n' + renderUsage());
    return ExitUsage;
}

QString pathArgument(const QString& arg)
{
    int error = 0;
    const QString path = absolutePath(arg, error);
    if (path.isEmpty())
        writeErrorLine(QStringLiteral("tovane-cli render: ") + arg + QStringLiteral(": ") +
                       platform::systemErrorMessage(error ? error : ENOENT));
    return path;
}

} // namespace

QString renderUsage()
{
    return QStringLiteral(
        "  render [--zoom-mode 0-3] [--zoom Z] [--rotate DEG] [--mirror h|v] [--size WxH]\n"
        "         FILE OUT.png\n"
        "                 the picture FILE drawn as the content area shows it, on white,\n"
        "                 into an area of WxH pixels (default 800x600, each 1-8192),\n"
        "                 saved as OUT.png; zoom modes: 0 fit (default), 1 fill,\n"
        "                 2 stretch, 3 manual at Z percent (5-2000, default 100; --zoom\n"
        "                 alone means mode 3); --rotate turns clockwise by DEG degrees\n"
        "                 first, then --mirror flips left-right (h) or top-bottom (v)\n"
        "                 (exit 1 when FILE cannot be shown or OUT written, 4 when FILE\n"
        "                 cannot be read)\n");
}

int runRenderCommand(const QStringList& args)
{
    Arguments a;
    const QString complaint = parse(args, a);
    if (!complaint.isEmpty())
        return usageError(complaint);
    const QString path = pathArgument(a.files.at(0));
    if (path.isEmpty())
        return ExitPathUnavailable;
    const QString target = pathArgument(a.files.at(1));
    if (target.isEmpty())
        return ExitFailed;

    QImage picture;
    const int error = loadPicture(path, picture);
    if (error == LoadFailed) {
        writeNotDisplayable(path);
        return ExitFailed;
    }
    if (error != 0) {
        writeLoadFailure(QStringLiteral("render"), path, error);
        return isContentError(error) || error == EFBIG ? ExitFailed : ExitPathUnavailable;
    }
    if (a.angle % 360 != 0) {
        QImage turned;
        if (!turnPicture(picture, a.angle, turned)) {
            writeErrorLine(rotationTooLargeText());
            return ExitFailed;
        }
        picture = std::move(turned);
    }
    if (a.mirror)
        picture = mirrorPicture(picture, a.mirror == 'h');

    QImage canvas(a.area, QImage::Format_RGB32);
    if (canvas.isNull()) {
        writeErrorLine(QStringLiteral("tovane-cli render: ") +
                       platform::systemErrorMessage(ENOMEM));
        return ExitFailed;
    }
    PictureView view;
    view.zoomMode = a.zoomMode;
    view.zoom = a.zoom;
    QPainter painter(&canvas);
    paintPicture(painter, picture, a.area, Qt::white, view);
    painter.end();

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    int writeError = canvas.save(&buffer, "PNG") ? 0 : ENOMEM;
    if (writeError == 0)
        writeError = platform::writeFileAtomically(target, png, platform::WriteMode::KeepMetadata);
    if (writeError != 0) {
        writeErrorLine(QStringLiteral("tovane-cli render: ") + target + QStringLiteral(": ") +
                       platform::systemErrorMessage(writeError));
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace tovane::cli
