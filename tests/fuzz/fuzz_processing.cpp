// libFuzzer target for everything that reads outside input: the intake in every read mode, with the
// makers' formats or without, report mode with its options, the script interpreter and the number
// masks. The first byte picks the options; the rest is split at the first 0xFF into scale text and
// script/mask text.
#include "core/global.h"
#include "processing/numbermask.h"
#include "processing/processdata.h"
#include "support/fixedclock.h"
#include "support/recordingkeyboard.h"

#include <QCoreApplication>

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_processing";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static RecordingKeyboard keyboard;
    static FixedClock clock;
    static ProcessData processor(keyboard, clock, QLocale::c());

    if (size == 0)
        return 0;
    const quint8 options = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype split = rest.indexOf('\xFF');
    const QByteArray scaleText = split < 0 ? rest : rest.left(split);
    const QByteArray script = split < 0 ? QByteArray() : rest.mid(split + 1);

    ProcessingOptions told;
    told.readMode = readModeFromIndex(options & 3);
    told.removeScannerFrame = options & 4;
    told.dateBeforeReport = options & 8;
    // Report mode never asks for these two, so they share the bits of its options.
    told.makerFormats = options & 8;
    told.readOnlyStable = options & 4;
    told.advancedScript = options & 16;
    told.script = QString::fromLatin1(script).toUtf8();
    told.decimalSeparatorChoice = (options >> 6) % 3;
    told.reportDataDelay = (options >> 5) & 1 ? -1 : 2;
    told.useResultFormat = options & 32;
    told.resultFormat = QString::fromLatin1(script);
    processor.setOptions(told);

    processor.takeScaleText(scaleText);
    processor.script().runScript(script);
    const Statistics& statistics = processor.statistics();
    if (statistics.count() > 0)
        processor.script().FormatValue(true, statistics.sum() / statistics.count());

    double value = 0;
    if (scaleText.size() >= qsizetype(sizeof value))
        std::memcpy(&value, scaleText.constData(), sizeof value);
    formatWithMask(value, QString::fromLatin1(script), QStringLiteral(","), QString(QChar(0xA0)));

    keyboard.events.clear();
    clock.advance(1000);
    return 0;
}
