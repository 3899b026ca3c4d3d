#pragma once

#include "processing/arrival.h"

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
    // Where what is done with the output goes while one arrival is taken; nullptr: nowhere.
    void setRecord(DeliveryRecord* record) { m_record = record; }
    DeliveryRecord* record() const { return m_record; }

    // Types the text into the focused window in one burst; nothing while the main window is active.
    void typeText(const QByteArray& text);
    // Presses and releases the key of a Windows virtual-key code; nothing while the main window is active.
    void sendKeyCode(quint8 code);
    // Appends the text to the output file as it is, whole or not at all; a failure (also: the output file
    // is not a regular file) is reported by outputFileFailed.
    void appendToOutputFile(const QByteArray& text);

signals:
    // Once for every append that did not arrive whole: the path, the system's reason, and whether it is
    // the first failure since the last append that arrived (or since the start). A file that stays
    // unwritable fails for every result, and only the first of such a run deserves a message box.
    void outputFileFailed(const QString& path, const QString& reason, bool first);

private:
    void tap(quint32 key);

    const ProcessingOptions& m_options;
    KeyboardInjector& m_keyboard;
    OwnWindowActive m_ownWindowActive;
    DeliveryRecord* m_record = nullptr;
    // The last append failed: the next failure is no news.
    bool m_failing = false;
    // Whether keys may go out now; the reason why not goes to the record.
    bool mayType();
};
