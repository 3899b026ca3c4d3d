#pragma once

#include "platform/hotkeyregistrar.h"

#include <QHash>
#include <QSet>
#include <QStringList>

// A registrar that grabs nothing and records every call as text: "register KweltaHotKeyTare 0x77 6"
// (the id's name, the virtual-key code, the modifier bits) and "unregister KweltaHotKeyTare". Ids are
// handed out per name as the X server hands out atoms: the same name always gives the same id.
class RecordingHotKeys : public HotKeyRegistrar
{
public:
    QStringList calls;
    // Combinations another program holds: registering one answers Taken.
    QSet<QPair<quint8, quint8>> taken;

    quint32 idForName(const QString& name) override
    {
        if (!m_ids.contains(name))
            m_ids.insert(name, quint32(m_ids.size() + 100));
        return m_ids.value(name);
    }

    Result registerHotKey(quint32 id, quint8 virtualKey, quint8 modifiers) override
    {
        calls.append(QStringLiteral("register %1 0x%2 %3")
                         .arg(nameOf(id))
                         .arg(virtualKey, 2, 16, QLatin1Char('0'))
                         .arg(modifiers));
        if (taken.contains({virtualKey, modifiers})) {
            m_registered.remove(id);
            return Result::Taken;
        }
        m_registered.insert(id);
        return Result::Registered;
    }

    void unregisterHotKey(quint32 id) override
    {
        calls.append(QStringLiteral("unregister %1").arg(nameOf(id)));
        m_registered.remove(id);
    }

    bool isRegistered(const QString& name) const { return m_registered.contains(m_ids.value(name)); }

    // What the platform does when the user presses a registered key.
    void press(const QString& name) { emit activated(m_ids.value(name)); }

private:
    QString nameOf(quint32 id) const { return m_ids.key(id, QStringLiteral("id %1").arg(id)); }

    QHash<QString, quint32> m_ids;
    QSet<quint32> m_registered;
};
