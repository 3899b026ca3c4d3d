#pragma once

#include "core/mainwindowcontrols.h"

#include <QList>

// The main window's settings as plain fields, with the defaults of a first start.
class FakeControls : public MainWindowControls
{
public:
    struct Message
    {
        QString text;
        QString caption;
        MessageIcon icon;
    };

    int mode = 0;
    bool cursor = true;
    bool file = false;
    bool advanced = false;
    QString memoScript = QStringLiteral(":m");
    QString composed = QStringLiteral(":m:#09:u:#09:#0D:#0A");
    int separatorChoice = 0;
    bool cutFrame = false;
    bool dateBeforeReport = false;
    int delaySeconds = 0;
    bool mainWindowActive = false;
    bool makers = false;
    bool onlyStable = false;
    bool cycleRead = true;
    QList<Message> messages;

    int readMode() const override { return mode; }
    bool destinationCursor() const override { return cursor; }
    bool destinationFile() const override { return file; }
    bool advancedOptions() const override { return advanced; }
    QByteArray scriptText() const override { return memoScript.toUtf8(); }
    QString composedScript() const override { return composed; }
    int decimalSeparatorChoice() const override { return separatorChoice; }
    bool removeScannerFrame() const override { return cutFrame; }
    bool reportTime() const override { return dateBeforeReport; }
    int reportDataDelay() const override { return delaySeconds; }
    bool isMainWindowActive() const override { return mainWindowActive; }
    bool makerFormats() const override { return makers; }
    bool readOnlyStable() const override { return onlyStable; }
    void uncheckCycleRead() override { cycleRead = false; }
    void showMessageBox(const QString& text, const QString& caption, MessageIcon icon) override
    {
        messages.append({text, caption, icon});
    }
};
