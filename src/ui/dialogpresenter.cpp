#include "ui/dialogpresenter.h"

#include "core/messagepresenter.h"
#include "ui/dialogframe.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>

namespace {

// A message box sizes itself to its text; a short message under a long caption would cut the caption.
// Its layout's minimum is what it takes its width from, so a row as wide as the title bar goes in.
void fitFrame(QMessageBox& box)
{
    useDialogFrame(box);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleBarWidth(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

class DialogPresenter final : public MessagePresenter
{
public:
    Answer show(QObject* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        QWidget* owner = qobject_cast<QWidget*>(parent);
        QMessageBox box(owner ? owner->window() : QApplication::activeWindow());
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
            fitFrame(box);
            return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        fitFrame(box);
        box.exec();
        return Answer::Ok;
    }
};

} // namespace

void useDialogsForMessages()
{
    static DialogPresenter dialogs;
    MessagePresenter::setStandard(&dialogs);
}
