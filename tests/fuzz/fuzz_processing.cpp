// libFuzzer target for everything that reads outside input: the intake in every read mode, with the
// makers' formats or without, report mode with its options, the script interpreter and the number
// masks. The first byte picks the options; the rest is split at the first 0xFF into scale text and
// script/mask text.
#include "core/global.h"
#include "processing/numbermask.h"
#include "processing/processdata.h"
#include "support/fakecontrols.h"
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
    static FakeControls controls;
    static RecordingKeyboard keyboard;
    static FixedClock clock;
    static ProcessData processor(controls, keyboard, clock, QLocale::c());

    if (size == 0)
        return 0;
    const quint8 options = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype split = rest.indexOf('\xFF');
    const QByteArray scaleText = split < 0 ? rest : rest.left(split);
    const QByteArray script = split < 0 ? QByteArray() : rest.mid(split + 1);

    controls.mode = options & 3;
    controls.cutFrame = options & 4;
    controls.dateBeforeReport = options & 8;
    // Report mode never asks for these two, so they share the bits of its options.
    controls.makers = options & 8;
    controls.onlyStable = options & 4;
    controls.advanced = options & 16;
    controls.memoScript = QString::fromLatin1(script);
    controls.separatorChoice = (options >> 6) % 3;
    controls.delaySeconds = (options >> 5) & 1 ? -1 : 2;
    Global::Statistics.SetResultFormat = options & 32;
    Global::Statistics.ResultFormat = QString::fromLatin1(script);

    processor.TakeScaleText(scaleText);
    processor.script().RunScript(script);
    if (Global::Statistics.Count > 0)
        processor.script().FormatValue(true, Global::Statistics.Sum / Global::Statistics.Count);

    double value = 0;
    if (scaleText.size() >= qsizetype(sizeof value))
        std::memcpy(&value, scaleText.constData(), sizeof value);
    formatWithMask(value, QString::fromLatin1(script), QStringLiteral(","), QString(QChar(0xA0)));

    keyboard.events.clear();
    clock.advance(1000);
    return 0;
}
