#include "core/messagepresenter.h"

#include <QMessageBox>

namespace {

class DialogPresenter final : public MessagePresenter
{
public:
    Answer show(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(caption);
        // Some texts break their lines with a bare CR, which a label would not show as a break.
        box.setText(QString(text).replace(u'\r', u'\n'));
        switch (icon) {
        case Icon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        }
        if (buttons == Buttons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return Answer::Ok;
    }
};

MessagePresenter* installed = nullptr;

} // namespace

MessagePresenter& MessagePresenter::current()
{
    static DialogPresenter dialogs;
    return installed ? *installed : dialogs;
}

void MessagePresenter::install(MessagePresenter* presenter)
{
    installed = presenter;
}
