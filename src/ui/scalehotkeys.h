#pragma once

#include <QObject>

#include <array>
#include <memory>

class HotKeyEdit;
class HotKeyRegistrar;
class QAbstractButton;
class QCheckBox;
class QWidget;

// The hot keys of the four scale-command buttons on the program-options panel: each check box makes
// the key in its key control a system-wide hot key, or lets it go, and a press of the hot key clicks
// the button as the user would. A key another program holds shows as taken in its key control until the
// registrar gets it (ticking the box again tries at once).
class ScaleHotKeys : public QObject
{
    Q_OBJECT

public:
    // Finds the buttons, check boxes and key controls among the panel's children by their names.
    ScaleHotKeys(QWidget& panel, std::unique_ptr<HotKeyRegistrar> registrar, QObject* parent = nullptr);
    ~ScaleHotKeys() override;

    HotKeyRegistrar& registrar() { return *m_registrar; }

public slots:
    void specialHotKeyToggled();
    void tareHotKeyToggled();
    void zeroHotKeyToggled();
    void printHotKeyToggled();
    void hotKeyPressed(quint32 id);

private:
    struct HotKeySlot
    {
        const char* name; // the hot key's identity: on X11 its id is the atom of this name
        QAbstractButton* button = nullptr;
        QCheckBox* check = nullptr;
        HotKeyEdit* key = nullptr;
        quint32 id = 0;
    };
    enum Command { Special, Tare, Zero, Print };

    void switchHotKey(HotKeySlot& slot);
    // Where nothing can register system-wide keys (Wayland without the GlobalShortcuts portal), the
    // hot-key boxes say so and name the command line a desktop's own shortcut can run instead.
    void showWhereUnsupported();
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::unique_ptr<HotKeyRegistrar> m_registrar;
    std::array<HotKeySlot, 4> m_slots;
};
