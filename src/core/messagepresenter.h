#pragma once

#include <QString>

class QWidget;

// Every modal message box of the program goes through here, so that tests can answer them: a test
// installs its own presenter, which records the question and returns the answer the test chose.
class MessagePresenter
{
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessagePresenter() = default;
    virtual Answer show(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) = 0;

    // The presenter in use: QMessageBox unless a test installed another (nullptr restores QMessageBox).
    static MessagePresenter& current();
    static void install(MessagePresenter* presenter);
};
