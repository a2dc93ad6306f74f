// make-firmware: writes the updater's data.bin for a firmware image.
//
//   make-firmware (--image FILE | --generate BYTES [--seed N]) --version A1.A2
//                 [--title TEXT] [--ids VVVV:PPPP] [--keys K0:K1] --output FILE
//
// The version (what command 0x80 reports once the image runs) is written into the image's
// info block; an image without one gets one for the user area at 0x2000. The title is
// stored in GB18030; without --title the file carries the title marker ("Update").
#include "isp/common/firmware_image.h"
#include "update/firmware_file.h"
#include "update/local_text.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "make-firmware: %s\n", qPrintable(message));
    return 2;
}

// "A:B" of two hexadecimal numbers up to `limit`.
bool hexPair(const QString& text, uint limit, uint& a, uint& b) {
    const QStringList parts = text.split(QLatin1Char(':'));
    bool okA = false, okB = false;
    if (parts.size() != 2)
        return false;
    a = parts[0].toUInt(&okA, 16);
    b = parts[1].toUInt(&okB, 16);
    return okA && okB && a <= limit && b <= limit;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Builds the updater's data.bin from a firmware image.");
    parser.addHelpOption();
    parser.addOption({"image", "The firmware image (content of the user area).", "file"});
    parser.addOption({"generate", "Make up an image of this many bytes instead.", "bytes"});
    parser.addOption({"seed", "Seed of the made-up image.", "n", "1"});
    parser.addOption({"version", "Firmware version a1.a2 in hexadecimal, e.g. 1.0B.", "version"});
    parser.addOption({"title", "Window title of the updater (default: the marker).", "text"});
    parser.addOption({"ids", "USB IDs of the mouse in normal mode.", "vid:pid", "04d9:a26b"});
    parser.addOption({"keys", "Scramble keys k0:k1 in hexadecimal.", "k0:k1", "5a:c3"});
    parser.addOption({"output", "Where to write data.bin.", "file"});
    parser.process(app);

    if (!parser.isSet("output") || !parser.isSet("version") ||
        parser.isSet("image") == parser.isSet("generate"))
        return fail("needs --output, --version and one of --image and --generate");

    std::vector<std::uint8_t> image;
    if (parser.isSet("image")) {
        QFile in(parser.value("image"));
        if (!in.open(QIODevice::ReadOnly))
            return fail("cannot read " + in.fileName());
        const QByteArray bytes = in.readAll();
        image.assign(bytes.begin(), bytes.end());
    } else {
        bool ok = false, seedOk = false;
        const uint size = parser.value("generate").toUInt(&ok);
        const uint seed = parser.value("seed").toUInt(&seedOk);
        if (!ok || !seedOk || size == 0)
            return fail("--generate takes a byte count, --seed a number");
        image = ispimage::makeImage(size, seed, 0, 0);
    }
    if (image.size() > ispimage::kUserSize)
        return fail(QString("the image has %1 bytes; the user area holds %2")
                        .arg(image.size())
                        .arg(ispimage::kUserSize));

    uint major = 0, minor = 0, vid = 0, pid = 0, k0 = 0, k1 = 0;
    if (!hexPair(QString(parser.value("version")).replace('.', ':'), 0xFF, major, minor))
        return fail("--version takes A1.A2 in hexadecimal");
    if (!hexPair(parser.value("ids"), 0xFFFF, vid, pid))
        return fail("--ids takes VVVV:PPPP in hexadecimal");
    if (!hexPair(parser.value("keys"), 0xFF, k0, k1))
        return fail("--keys takes K0:K1 in hexadecimal");

    ispimage::Info info;
    if (const auto present = ispimage::readInfo(image.data(), image.size()))
        info = *present;
    info.versionMajor = static_cast<std::uint8_t>(major);
    info.versionMinor = static_cast<std::uint8_t>(minor);
    if (!ispimage::writeInfo(image.data(), image.size(), info))
        return fail(QString("the image is too short for its info block (%1 bytes)")
                        .arg(ispimage::kInfoOffset + ispimage::kInfoSize));

    updater::setLocal8BitEncoding("GB18030-0");
    const QByteArray title = updater::toLocal8Bit(parser.value("title"));
    if (title.size() >= updater::FirmwareFile::kHeaderSize || title.contains('\0'))
        return fail("the title takes at most 119 bytes");

    const QByteArray bytes(reinterpret_cast<const char*>(image.data()),
                           static_cast<qsizetype>(image.size()));
    const QByteArray file =
        updater::FirmwareFile::compose(title, static_cast<quint16>(vid), static_cast<quint16>(pid),
                                       bytes, ispimage::sum16(image.data(), image.size()),
                                       static_cast<quint8>(k0), static_cast<quint8>(k1));
    QFile out(parser.value("output"));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size())
        return fail("cannot write " + out.fileName());
    return 0;
}
