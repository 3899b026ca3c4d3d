#pragma once

#include <QString>

class QObject;

// Every modal message box of the program goes through here, so that the logic below the user
// interface can ask its questions without knowing widgets, and tests can answer them: a test installs
// its own presenter, which records the question and returns the answer the test chose.
class MessagePresenter
{
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessagePresenter() = default;
    // parent: the window the box belongs to, or nullptr for the application's active window.
    virtual Answer show(QObject* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) = 0;

    // The presenter in use: the one a test installed, else the standard one the user interface set,
    // else one that only logs the text and answers Ok or No.
    static MessagePresenter& current();
    // For tests; nullptr restores the standard presenter.
    static void install(MessagePresenter* presenter);
    static void setStandard(MessagePresenter* presenter);
};
