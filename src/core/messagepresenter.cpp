#include "core/messagepresenter.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(messagesLog, "kwelta.messages", QtWarningMsg)

// Without a user interface nobody can answer, so a question gets the answer that changes nothing.
class LoggingPresenter final : public MessagePresenter
{
public:
    Answer show(QObject*, const QString& text, const QString& caption, Icon, Buttons buttons) override
    {
        qCWarning(messagesLog).noquote() << caption << ":" << text;
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
};

MessagePresenter* installed = nullptr;
MessagePresenter* standard = nullptr;

} // namespace

MessagePresenter& MessagePresenter::current()
{
    static LoggingPresenter logging;
    if (installed)
        return *installed;
    return standard ? *standard : logging;
}

void MessagePresenter::install(MessagePresenter* presenter)
{
    installed = presenter;
}

void MessagePresenter::setStandard(MessagePresenter* presenter)
{
    standard = presenter;
}
