#include "ui/settingsbinding.h"

#include "ui/hotkeyedit.h"
#include "ui/radiogroup.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace {

std::size_t indexOf(Setting setting)
{
    return static_cast<std::size_t>(setting);
}

} // namespace

SettingsBinding::SettingsBinding(QObject* parent)
    : QObject(parent)
{}

void SettingsBinding::bind(Setting setting, Read read, Show show)
{
    m_bindings[indexOf(setting)] = {std::move(read), std::move(show)};
    // Until the settings are loaded the value is what the control shows.
    controlChanged(setting);
}

void SettingsBinding::bind(Setting setting, QAbstractButton* box)
{
    bind(
        setting, [box] { return QVariant(box->isChecked()); },
        [box](const QVariant& v) { box->setChecked(v.toBool()); });
    connect(box, &QAbstractButton::toggled, this, [this, setting] { controlChanged(setting); });
}

void SettingsBinding::bind(Setting setting, RadioGroup* group)
{
    bind(
        setting, [group] { return QVariant(qint32(group->itemIndex())); },
        [group](const QVariant& v) { group->setItemIndex(v.toInt()); });
    connect(group, &RadioGroup::itemIndexChanged, this, [this, setting] { controlChanged(setting); });
}

void SettingsBinding::bind(Setting setting, QComboBox* box)
{
    bind(
        setting, [box] { return QVariant(qint32(box->currentIndex())); },
        [box](const QVariant& v) { box->setCurrentIndex(v.toInt()); });
    connect(box, &QComboBox::currentIndexChanged, this, [this, setting] { controlChanged(setting); });
}

void SettingsBinding::bind(Setting setting, QSpinBox* box)
{
    bind(
        setting, [box] { return QVariant(qint32(box->value())); },
        [box](const QVariant& v) {
            // A port found by the search or stored may lie above the arrows' usual range; the box must
            // still hold it, or the next close would store the range's end instead.
            box->setMaximum(std::max(box->maximum(), v.toInt()));
            box->setValue(v.toInt());
        });
    connect(box, &QSpinBox::valueChanged, this, [this, setting] { controlChanged(setting); });
}

void SettingsBinding::bind(Setting setting, QLineEdit* edit)
{
    const SettingDefinition& definition = settingDefinition(setting);
    if (definition.kind == SettingKind::Integer) {
        // Text that is not a decimal number counts as the default, as in every numeric box here.
        const qint32 fallback = definition.defaultValue.integer;
        bind(
            setting,
            [edit, fallback] {
                bool ok = false;
                const int number = edit->text().toInt(&ok, 10);
                return QVariant(qint32(ok ? number : fallback));
            },
            [edit](const QVariant& v) { edit->setText(QString::number(v.toInt())); });
    } else {
        bind(
            setting, [edit] { return QVariant(edit->text()); },
            [edit](const QVariant& v) { edit->setText(v.toString()); });
    }
    connect(edit, &QLineEdit::textChanged, this, [this, setting] { controlChanged(setting); });
}

void SettingsBinding::bind(Setting setting, HotKeyEdit* edit)
{
    bind(
        setting, [edit] { return QVariant(edit->shortCutText()); },
        [edit](const QVariant& v) { edit->setShortCutText(v.toString()); });
    connect(edit, &HotKeyEdit::keyCombinationChanged, this, [this, setting] { controlChanged(setting); });
}

void SettingsBinding::controlChanged(Setting setting)
{
    const Binding& binding = m_bindings[indexOf(setting)];
    if (!binding.read)
        return;
    const QVariant shown = binding.read();
    if (shown == m_values.value(setting))
        return;
    m_values.setValue(setting, shown);
    emit changed(setting);
}

void SettingsBinding::set(Setting setting, const QVariant& value)
{
    const Binding& binding = m_bindings[indexOf(setting)];
    if (!binding.show) {
        if (value == m_values.value(setting))
            return;
        m_values.setValue(setting, value);
        emit changed(setting);
        return;
    }
    binding.show(value);
    // Where the control already showed it, no change handler ran to read it back.
    controlChanged(setting);
}

void SettingsBinding::show(const UserSettings& values, std::span<const Setting> settings)
{
    for (std::size_t i = 0; i < Count; ++i) {
        const auto setting = static_cast<Setting>(i);
        if (std::find(settings.begin(), settings.end(), setting) != settings.end())
            set(setting, values.value(setting));
    }
}

void SettingsBinding::showAll(const UserSettings& values)
{
    for (std::size_t i = 0; i < Count; ++i)
        set(static_cast<Setting>(i), values.value(static_cast<Setting>(i)));
}
