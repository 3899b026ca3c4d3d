#include "ui/scalehotkeys.h"

#include "core/shortcuttext.h"
#include "platform/hotkeyregistrar.h"
#include "ui/hotkeyedit.h"
#include "ui/namedcontrol.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QScopeGuard>
#include <QTimer>

// The settings layer and the platform each name the modifier bits; they must mean the same keys.
static_assert(HotKey::Alt == HotKeyRegistrar::Alt && HotKey::Ctrl == HotKeyRegistrar::Ctrl &&
              HotKey::Shift == HotKeyRegistrar::Shift);

ScaleHotKeys::ScaleHotKeys(QWidget& panel, std::unique_ptr<HotKeyRegistrar> registrar, QObject* parent)
    : QObject(parent)
    , m_registrar(std::move(registrar))
    , m_slots{{{"KweltaHotKeySpecial"}, {"KweltaHotKeyTare"}, {"KweltaHotKeyZero"}, {"KweltaHotKeyPrint"}}}
{
    const struct
    {
        const char* button;
        const char* check;
        const char* key;
        void (ScaleHotKeys::*handler)();
    } controls[] = {
        {"specialButton", "specialHotKeyBox", "specialHotKeyEdit", &ScaleHotKeys::specialHotKeyToggled},
        {"tareButton", "tareHotKeyBox", "tareHotKeyEdit", &ScaleHotKeys::tareHotKeyToggled},
        {"zeroButton", "zeroHotKeyBox", "zeroHotKeyEdit", &ScaleHotKeys::zeroHotKeyToggled},
        {"printButton", "printHotKeyBox", "printHotKeyEdit", &ScaleHotKeys::printHotKeyToggled},
    };
    for (size_t i = 0; i < m_slots.size(); ++i) {
        HotKeySlot& slot = m_slots[i];
        slot.button = namedControl<QAbstractButton>(&panel, controls[i].button);
        slot.check = namedControl<QCheckBox>(&panel, controls[i].check);
        slot.key = namedControl<HotKeyEdit>(&panel, controls[i].key);
        slot.key->setEnabled(!slot.check->isChecked());
        // Toggled, not clicked: ticking the box from the stored settings has to register the key too.
        connect(slot.check, &QCheckBox::toggled, this, controls[i].handler);
    }
    if (!m_registrar->isSupported()) {
        showWhereUnsupported();
        panel.installEventFilter(this);
    }
    connect(m_registrar.get(), &HotKeyRegistrar::activated, this, &ScaleHotKeys::hotKeyPressed);
    connect(m_registrar.get(), &HotKeyRegistrar::reregistered, this,
            [this](quint32 id, HotKeyRegistrar::Result result) {
                for (const HotKeySlot& slot : m_slots) {
                    if (id != 0 && slot.id == id && slot.check->isChecked())
                        slot.key->setKeyTaken(result == HotKeyRegistrar::Result::Taken);
                }
            });
}

ScaleHotKeys::~ScaleHotKeys()
{
    for (const HotKeySlot& slot : m_slots) {
        if (slot.id != 0)
            m_registrar->unregisterHotKey(slot.id);
    }
}

void ScaleHotKeys::specialHotKeyToggled()
{
    switchHotKey(m_slots[Special]);
}

void ScaleHotKeys::tareHotKeyToggled()
{
    switchHotKey(m_slots[Tare]);
}

void ScaleHotKeys::zeroHotKeyToggled()
{
    switchHotKey(m_slots[Zero]);
}

void ScaleHotKeys::printHotKeyToggled()
{
    switchHotKey(m_slots[Print]);
}

void ScaleHotKeys::switchHotKey(HotKeySlot& slot)
{
    // The key control's own tooltip follows its state; where nothing can register, the hint stays.
    const auto keepHint = qScopeGuard([this] {
        if (!m_registrar->isSupported())
            showWhereUnsupported();
    });
    const bool on = slot.check->isChecked();
    // The key cannot change under a registered hot key; to change it, the box is cleared first.
    slot.key->setEnabled(!on);
    if (!on) {
        if (slot.id != 0)
            m_registrar->unregisterHotKey(slot.id);
        slot.key->setKeyTaken(false);
        return;
    }
    slot.id = m_registrar->idForName(QString::fromLatin1(slot.name));
    const std::optional<HotKey> hotKey = ShortCutToHotKey(slot.key->keyCombination());
    if (slot.id == 0 || !hotKey) {
        slot.key->setKeyTaken(false);
        return;
    }
    // The desktop shows it where the portal binds the keys.
    m_registrar->setDescription(slot.id, tr("Kwelta: %1").arg(slot.button->text()));
    const HotKeyRegistrar::Result result = m_registrar->registerHotKey(slot.id, hotKey->key, hotKey->modifiers);
    slot.key->setKeyTaken(result == HotKeyRegistrar::Result::Taken);
}

void ScaleHotKeys::hotKeyPressed(quint32 id)
{
    for (const HotKeySlot& slot : m_slots) {
        if (id != 0 && slot.id == id)
            slot.button->click();
    }
}

void ScaleHotKeys::showWhereUnsupported()
{
    static constexpr const char* commands[] = {"special", "tare", "zero", "print"};
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const QString text = tr("Ta sesja pulpitu nie pozwala programom na własne skróty globalne. Przypisz "
                                "klawisz poleceniu „kwelta --command %1” w ustawieniach skrótów pulpitu.")
                                 .arg(QLatin1StringView(commands[i]));
        m_slots[i].check->setToolTip(text);
        m_slots[i].key->setToolTip(text);
    }
}

bool ScaleHotKeys::eventFilter(QObject* watched, QEvent* event)
{
    // After the panel's own retranslation, which puts back the tooltips of its form.
    if (event->type() == QEvent::LanguageChange)
        QTimer::singleShot(0, this, &ScaleHotKeys::showWhereUnsupported);
    return QObject::eventFilter(watched, event);
}
