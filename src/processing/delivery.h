#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>

class KeyboardInjector;
struct ProcessingOptions;

// Where composed output goes: keystrokes into the focused window, and appends to the output file.
class Delivery : public QObject
{
    Q_OBJECT

public:
    // Whether a window of our own is active: nothing is typed into it. Only the window can tell.
    using OwnWindowActive = std::function<bool()>;

    Delivery(const ProcessingOptions& options, KeyboardInjector& keyboard, QObject* parent = nullptr);

    // Until one is given, no window of ours counts as active.
    void setOwnWindowActive(OwnWindowActive check);
    bool ownWindowActive() const { return m_ownWindowActive(); }

    // Types the text into the focused window in one burst; nothing while the main window is active.
    void TypeText(const QByteArray& text);
    // Presses and releases the key of a Windows virtual-key code; nothing while the main window is active.
    void SendKeyCode(quint8 code);
    // Appends the text to the output file as it is, whole or not at all; a failure (also: the output file
    // is not a regular file) is reported by outputFileFailed.
    void AppendToOutputFile(const QByteArray& text);

signals:
    // Once for every append that did not arrive whole.
    void outputFileFailed();

private:
    void tap(quint32 key);

    const ProcessingOptions& m_options;
    KeyboardInjector& m_keyboard;
    OwnWindowActive m_ownWindowActive;
};
