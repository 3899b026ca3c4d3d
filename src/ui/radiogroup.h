#pragma once

#include <QButtonGroup>
#include <QGroupBox>

// A titled group of exclusive choices addressed by item index, the way the settings and the option
// logic speak of them ("item 2 of betweenFieldsGroup"). The items are the radio buttons placed inside
// it, in the order they were created (the order of the .ui file). Setting the index from code emits
// itemIndexChanged just as a click does, so handlers connected to it run for loaded values too.
class RadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged USER true)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    int count() const;

signals:
    void itemIndexChanged(int index);

protected:
    bool event(QEvent* event) override;

private:
    void adoptButtons() const;

    // Filled lazily: while uic builds the form, a new child is not yet a QRadioButton when it is added.
    mutable QButtonGroup m_group;
};
