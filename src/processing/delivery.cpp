#include "processing/delivery.h"

#include "core/scaletext.h"
#include "platform/keyboardinjector.h"
#include "processing/processingoptions.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Why an append failed: the system's reason (errno), or that the path is not a regular file.
struct AppendFailure
{
    int error = 0;
    bool notRegularFile = false;
};

// Appends all of text to the regular file at path, or nothing. The file is opened without blocking,
// since a FIFO nobody reads (or a device) would otherwise hold the window for good, and anything but a
// regular file is refused. A write that fails part way (a full disk, a size limit) is cut back to the
// file's length before it, so the next record never follows half of this one.
std::optional<AppendFailure> appendWhole(const QByteArray& path, const QByteArray& text)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return AppendFailure{errno};
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return AppendFailure{error};
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return AppendFailure{0, true};
    }
    const off_t before = status.st_size;
    qsizetype done = 0;
    int error = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing without an error is a full disk in all but name.
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    if (done != text.size()) {
        // Should even this fail, nothing more can be done here; the user is told all the same.
        const bool cutBack = ::ftruncate(fd, before) == 0;
        Q_UNUSED(cutBack)
        ::close(fd);
        return AppendFailure{error};
    }
    // A network file system may report a failed write only at the close.
    if (::close(fd) != 0)
        return AppendFailure{errno};
    return std::nullopt;
}

// The key a character is typed with. Control characters other than TAB, CR, backspace and escape
// come out as the key of the printable character that Ctrl would combine with (code 1 is the 'a'
// key); the Ctrl itself is not sent. LF types nothing, so CR LF gives one Enter.
std::optional<KeyChord> chordFor(KeyboardInjector& keyboard, char32_t character)
{
    switch (character) {
    case U'\n':
        return std::nullopt;
    case U'\b':
    case U'\t':
    case U'\r':
    case 0x1B:
        return keyboard.chordForCharacter(character);
    case 0x7F:
        return keyboard.chordForCharacter(U'\b');
    case 0x00:
        return keyboard.chordForCharacter(U'@');
    case 0x1C:
        return keyboard.chordForCharacter(U'\\');
    case 0x1D:
        return keyboard.chordForCharacter(U']');
    case 0x1E:
        return keyboard.chordForCharacter(U'^');
    case 0x1F:
        return keyboard.chordForCharacter(U'_');
    default:
        break;
    }
    if (character >= 0x01 && character <= 0x1A) {
        auto chord = keyboard.chordForCharacter(U'a' + (character - 1));
        if (chord)
            chord->shift = chord->altGr = false;
        return chord;
    }
    return keyboard.chordForCharacter(character);
}

} // namespace

Delivery::Delivery(const ProcessingOptions& options, KeyboardInjector& keyboard, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_keyboard(keyboard)
    , m_ownWindowActive([] { return false; })
{}

void Delivery::setOwnWindowActive(OwnWindowActive check)
{
    m_ownWindowActive = check ? std::move(check) : OwnWindowActive([] { return false; });
}

void Delivery::tap(quint32 key)
{
    m_keyboard.sendKey(key, true);
    m_keyboard.sendKey(key, false);
}

bool Delivery::mayType()
{
    using NotTyped = DeliveryRecord::NotTyped;
    const NotTyped why = ownWindowActive()           ? NotTyped::OwnWindowActive
                         : !m_keyboard.isAvailable() ? NotTyped::NoKeyboard
                                                     : NotTyped::No;
    if (m_record) {
        if (why == NotTyped::No)
            m_record->typed = true;
        else
            m_record->notTyped = why;
    }
    return why == NotTyped::No;
}

void Delivery::typeText(const QByteArray& text)
{
    if (text.isEmpty() || !mayType())
        return;

    m_keyboard.beginBurst();
    const std::optional<quint32> shiftKey = m_keyboard.modifierKey(KeyboardInjector::ModifierKey::Shift);
    const std::optional<quint32> altGrKey = m_keyboard.modifierKey(KeyboardInjector::ModifierKey::AltGr);
    const std::optional<quint32> capsKey = m_keyboard.modifierKey(KeyboardInjector::ModifierKey::CapsLock);

    // With Caps Lock on, letters would come out in the wrong case: switch it off for the burst.
    const bool capsWasOn = capsKey && m_keyboard.isCapsLockOn();
    if (capsWasOn)
        tap(*capsKey);

    for (const char32_t character : decodeScaleText(text).toStdU32String()) {
        const std::optional<KeyChord> chord = chordFor(m_keyboard, character);
        if (!chord || (chord->shift && !shiftKey) || (chord->altGr && !altGrKey))
            continue;
        if (chord->shift)
            m_keyboard.sendKey(*shiftKey, true);
        if (chord->altGr)
            m_keyboard.sendKey(*altGrKey, true);
        tap(chord->key);
        if (chord->altGr)
            m_keyboard.sendKey(*altGrKey, false);
        if (chord->shift)
            m_keyboard.sendKey(*shiftKey, false);
    }

    if (capsWasOn)
        tap(*capsKey);
    m_keyboard.endBurst();
}

void Delivery::sendKeyCode(quint8 code)
{
    if (!mayType())
        return;
    m_keyboard.beginBurst();
    if (const std::optional<quint32> key = m_keyboard.keyForVirtualKey(code))
        tap(*key);
    m_keyboard.endBurst();
}

void Delivery::appendToOutputFile(const QByteArray& text)
{
    const QString path = m_options.outputFile;
    const std::optional<AppendFailure> failure = appendWhole(QFile::encodeName(path), text);
    if (m_record)
        m_record->fileWritten = m_record->fileWritten || !failure;
    if (!failure) {
        m_failing = false;
        return;
    }
    const QString reason =
        failure->notRegularFile ? tr("to nie jest zwykły plik") : QString::fromLocal8Bit(std::strerror(failure->error));
    if (m_record)
        m_record->fileError = reason;
    emit outputFileFailed(path, reason, !std::exchange(m_failing, true));
}
