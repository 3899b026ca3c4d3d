#include "core/languagemodule.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(languageLog, "kwelta.language", QtWarningMsg)

// A Qt translation file loads as soon as its header is valid: 16 bytes of magic number with nothing
// after them load, and so does a module of another program or of the other language. Such a module
// would leave the windows in their design-time texts (German, in part) while the stored language says
// otherwise. So every module of this program translates this one text into the name of its language in
// that language, and a module is used only when it does, for the language asked for. A marker of its
// own, rather than a text of some window, so that no change to a window can turn the modules away; and
// the language's own name rather than the language tag, which other programs' modules carry too.
constexpr const char* markerContext = "LanguageModule";
//: The name of this module's language, in that language: "English" in the English module.
constexpr const char* markerText = QT_TRANSLATE_NOOP("LanguageModule", "Polski");

QString languageOwnName(qint32 language)
{
    return LanguageModule::offeredLanguage(language) == LanguageModule::English ? QStringLiteral("English")
                                                                                : QStringLiteral("Polski");
}

// Far beyond any module (ours are tens of kilobytes), so that a huge file by the name is not read whole.
constexpr qint64 largestModule = 16 * 1024 * 1024;

struct ModuleFile
{
    LanguageModules::Found found = LanguageModules::Found::Missing;
    QByteArray bytes;
    QString why;
};

QString notAFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket");
    return QStringLiteral("it is not a regular file");
}

ModuleFile unreadable(QString why)
{
    return {LanguageModules::Found::Unreadable, {}, std::move(why)};
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file's type decides before it is opened: opening a FIFO for reading waits for a writer, and the
// program would hang at its start.
ModuleFile readModuleFile(const QByteArray& file)
{
    struct stat status = {};
    if (stat(file.constData(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {LanguageModules::Found::Missing, {}, systemError(errno)};
        return unreadable(systemError(errno));
    }
    if (!S_ISREG(status.st_mode))
        return unreadable(notAFile(status.st_mode));
    // Without blocking all the same: the name may lead to a FIFO by the time it is opened.
    const int descriptor = open(file.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0)
        return unreadable(systemError(errno));
    ModuleFile read;
    read.found = LanguageModules::Found::Loaded;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        read = unreadable(notAFile(status.st_mode));
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                read = unreadable(systemError(errno));
                break;
            }
            if (count == 0)
                break;
            if (read.bytes.size() + count > largestModule) {
                read = unreadable(QStringLiteral("it is larger than any language module"));
                break;
            }
            read.bytes.append(buffer, count);
        }
    }
    close(descriptor);
    return read;
}

} // namespace

namespace LanguageModule {

qint32 languageForLocale(const QStringList& uiLanguages)
{
    const QString first = uiLanguages.value(0);
    if (first.isEmpty() || first == QLatin1String("C") || first == QLatin1String("POSIX"))
        return Polish;
    switch (QLocale(first).language()) {
    case QLocale::Polish:
        return Polish;
    case QLocale::C:
    case QLocale::AnyLanguage:
        return Polish;
    default:
        return English;
    }
}

qint32 offeredLanguage(qint32 language)
{
    return language == English ? English : Polish;
}

QList<QByteArray> fileNames(const QByteArray& executablePath, qint32 language)
{
    // Only the file name's extension is replaced: a dot in a folder name is not one, and a program
    // without an extension (as on Linux) gets the language's.
    const qsizetype slash = executablePath.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArrayLiteral(".") : executablePath.left(slash);
    QByteArray stem = executablePath.mid(slash + 1);
    const qsizetype dot = stem.lastIndexOf('.');
    if (dot >= 0 && dot + 1 < stem.size())
        stem.truncate(dot);
    stem.prepend(folder + '/');
    if (offeredLanguage(language) == English)
        return {stem + ".ENG", stem + ".EN"};
    return {stem + ".PLK", stem + ".PL"};
}

} // namespace LanguageModule

LanguageModules::LanguageModules(QByteArray executablePath)
    : m_executablePath(std::move(executablePath))
{}

LanguageModules::LanguageModules(const QString& executablePath)
    : LanguageModules(QFile::encodeName(executablePath))
{}

LanguageModules::~LanguageModules()
{
    if (m_module)
        QCoreApplication::removeTranslator(m_module->translator.get());
    if (m_qtTexts)
        QCoreApplication::removeTranslator(m_qtTexts.get());
}

LanguageModules::Found LanguageModules::loadLanguageModule(qint32 language)
{
    std::unique_ptr<Module> module;
    QByteArray loadedFile;
    Found found = Found::Missing;
    for (const QByteArray& file : LanguageModule::fileNames(m_executablePath, language)) {
        ModuleFile read = readModuleFile(file);
        if (read.found == Found::Loaded) {
            auto candidate = std::make_unique<Module>();
            candidate->bytes = std::move(read.bytes);
            candidate->translator = std::make_unique<QTranslator>();
            if (!candidate->translator->load(reinterpret_cast<const uchar*>(candidate->bytes.constData()),
                                             int(candidate->bytes.size()))) {
                read = unreadable(QStringLiteral("it is not a Qt translation file"));
            } else if (candidate->translator->translate(markerContext, markerText) != languageOwnName(language)) {
                // As good as missing: the fallback to the other language is what the user needs.
                qCWarning(languageLog) << "language module" << file << "holds none of the program's texts in"
                                       << qPrintable(languageOwnName(language));
                continue;
            } else {
                module = std::move(candidate);
                loadedFile = file;
                break;
            }
        }
        if (read.found == Found::Unreadable) {
            qCWarning(languageLog) << "language module" << file << "cannot be read:" << qPrintable(read.why);
            found = Found::Unreadable;
        } else {
            qCDebug(languageLog) << "no language module" << file << qPrintable(read.why);
        }
    }
    if (!module)
        return found;

    // Qt's own texts are English; Polish comes from Qt's translations, when they are installed.
    auto qtTexts = std::make_unique<QTranslator>();
    if (LanguageModule::offeredLanguage(language) == LanguageModule::Polish &&
        !qtTexts->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qCWarning(languageLog) << "Qt's Polish texts (qtbase_pl.qm) are not installed";
        qtTexts.reset();
    }

    m_loadedModule = std::move(module);
    m_loadedQtTexts = std::move(qtTexts);
    m_pendingFile = loadedFile;
    return Found::Loaded;
}

void LanguageModules::useLoadedModule()
{
    if (!m_loadedModule)
        return;
    // Removed before the new ones go in, so that no text is ever looked up in two modules at once.
    if (m_module)
        QCoreApplication::removeTranslator(m_module->translator.get());
    if (m_qtTexts)
        QCoreApplication::removeTranslator(m_qtTexts.get());
    m_module = std::move(m_loadedModule);
    m_qtTexts = std::move(m_loadedQtTexts);
    if (m_qtTexts)
        QCoreApplication::installTranslator(m_qtTexts.get());
    QCoreApplication::installTranslator(m_module->translator.get());
    m_loadedFile = std::exchange(m_pendingFile, QByteArray());
}
