#pragma once

#include "core/usersettings.h"

#include <QObject>

#include <array>
#include <functional>
#include <span>

class HotKeyEdit;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QSpinBox;
class RadioGroup;

// Keeps the user's settings value and the controls that show it in step, both ways: a control the user
// changes changes the value, and a value put in goes into its control, whose change handler then runs
// as for the user's change. What the control makes of a value (a box's length limit, a handler that
// unticks its own box) is read back, so the value is always what the controls show.
class SettingsBinding : public QObject
{
    Q_OBJECT

public:
    using Read = std::function<QVariant()>;
    using Show = std::function<void(const QVariant&)>;

    explicit SettingsBinding(QObject* parent = nullptr);

    void bind(Setting setting, QAbstractButton* box);
    void bind(Setting setting, RadioGroup* group);
    // The item index.
    void bind(Setting setting, QComboBox* box);
    // The arrows' range grows to take any stored number.
    void bind(Setting setting, QSpinBox* box);
    // A number where the setting is one (the default while the text is none), otherwise the text.
    void bind(Setting setting, QLineEdit* edit);
    void bind(Setting setting, HotKeyEdit* edit);
    // A control of its own: how its value is read and shown; whoever owns it calls controlChanged.
    void bind(Setting setting, Read read, Show show);
    void controlChanged(Setting setting);

    const UserSettings& values() const { return m_values; }
    // A value without a control of its own, or one to go into its control now.
    void set(Setting setting, const QVariant& value);
    // These settings of values, in the order of the table, into the value and the controls.
    void show(const UserSettings& values, std::span<const Setting> settings);
    // Every setting of values.
    void showAll(const UserSettings& values);

signals:
    void changed(Setting setting);

private:
    struct Binding
    {
        Read read;
        Show show;
    };
    static constexpr std::size_t Count = SettingCount + LaterSettingsTable.size();

    std::array<Binding, Count> m_bindings;
    UserSettings m_values;
};
