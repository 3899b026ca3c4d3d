#pragma once

#include "core/messagepresenter.h"

#include <QList>

// Answers message boxes without showing them, and remembers what was asked. Installed for as long as
// it lives.
class ScriptedMessages : public MessagePresenter
{
public:
    struct Shown
    {
        QString text;
        QString caption;
        Icon icon;
        Buttons buttons;
    };

    ScriptedMessages() { MessagePresenter::install(this); }
    ~ScriptedMessages() override { MessagePresenter::install(nullptr); }
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    // What the next Yes/No question is answered with.
    Answer nextAnswer = Answer::Yes;
    QList<Shown> shown;

    Answer show(QObject*, const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        shown.append({text, caption, icon, buttons});
        return buttons == Buttons::YesNo ? nextAnswer : Answer::Ok;
    }
};
