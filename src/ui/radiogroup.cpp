#include "ui/radiogroup.h"

#include <QEvent>
#include <QRadioButton>

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent)
{
    m_group.setExclusive(true);
    connect(&m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

bool RadioGroup::event(QEvent* event)
{
    // By the time the group or a child is polished, uic has finished building the buttons.
    if (event->type() == QEvent::Polish || event->type() == QEvent::ChildPolished)
        adoptButtons();
    return QGroupBox::event(event);
}

void RadioGroup::adoptButtons() const
{
    const QList<QRadioButton*> buttons = findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    for (QRadioButton* button : buttons) {
        if (m_group.id(button) == -1)
            m_group.addButton(button, int(m_group.buttons().size()));
    }
}

int RadioGroup::itemIndex() const
{
    adoptButtons();
    return m_group.checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    adoptButtons();
    QAbstractButton* button = m_group.button(index);
    if (button) {
        button->setChecked(true);
        return;
    }
    // No item: clearing an exclusive group needs exclusivity off for a moment.
    if (QAbstractButton* checked = m_group.checkedButton()) {
        m_group.setExclusive(false);
        checked->setChecked(false);
        m_group.setExclusive(true);
        emit itemIndexChanged(-1);
    }
}

int RadioGroup::count() const
{
    adoptButtons();
    return int(m_group.buttons().size());
}
