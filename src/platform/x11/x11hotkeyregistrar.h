#pragma once

#include "platform/hotkeyregistrar.h"

#include <QAbstractNativeEventFilter>

#include <chrono>
#include <memory>

class QTimer;

// Hot keys as passive key grabs on the root window, made on Qt's own X connection so that the presses
// arrive with Qt's events and are picked out by a native event filter on the main thread. The grabs
// follow the keymap: a changed keymap is read again and every hot key grabbed on its new key code. A key
// another client holds is tried again at an interval, because X reports no ungrab to anyone else.
class X11HotKeyRegistrar final : public HotKeyRegistrar, public QAbstractNativeEventFilter
{
public:
    explicit X11HotKeyRegistrar(QObject* parent = nullptr);
    ~X11HotKeyRegistrar() override;
    X11HotKeyRegistrar(const X11HotKeyRegistrar&) = delete;
    X11HotKeyRegistrar& operator=(const X11HotKeyRegistrar&) = delete;

    // False where the application has no X connection; the registrar then registers nothing.
    bool isAvailable() const;

    quint32 idForName(const QString& name) override;
    Result registerHotKey(quint32 id, quint8 virtualKey, quint8 modifiers) override;
    void unregisterHotKey(quint32 id) override;

    // How often a key that another client holds is tried again; zero leaves it to keymap changes and
    // new registrations.
    void setRetryInterval(std::chrono::milliseconds interval);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // Keeps the X and XKB types out of everything that includes this header.
    struct State;
    std::unique_ptr<State> m_x;

    QTimer* m_retry = nullptr;

    void keyboardChanged();
    void retryTakenKeys();
    void scheduleRetry();
};
