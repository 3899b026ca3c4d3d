#pragma once

#include "core/global.h"
#include "link/ethconnection.h"
#include "link/lineformat.h"
#include "link/portsettings.h"
#include "link/serialconnection.h"

#include <QColor>
#include <QWidget>

#include <memory>

struct EthLinkStatus;
class QLineEdit;
class SettingsBinding;

namespace Ui {
class CommunicationPanel;
}

// The communication page: which link the scale is on and how to reach it, the program's start-up
// choices, and the buttons that open the link, search for the serial port and restore the defaults. It
// shows the link's state on its open button and says what the status line is to read; the window does
// what the buttons ask.
class CommunicationPanel : public QWidget
{
    Q_OBJECT

public:
    explicit CommunicationPanel(QWidget* parent = nullptr);
    ~CommunicationPanel() override;

    void bindSettings(SettingsBinding& binding);

    // None while the stored value is neither kind.
    ScaleLink connectionKind() const;
    EthTarget ethTarget() const;
    // The serial port, speed and line format the controls hold.
    PortSettings portSettings() const;
    // The open button offers to close: the link is open, or wanted open.
    bool offersClose() const { return m_offersClose; }

    void showSerialState(SerialState state);
    void showEthStatus(const EthLinkStatus& status);
    // The link's settings can change only while it is closed.
    void setLinkSettingsEnabled(bool enabled);
    void setSearchEnabled(bool enabled);
    // Beside the port number, the device that number stands for now: devices come and go (USB
    // adapters), so it is looked up whenever the user may look.
    void showPortDevice();

signals:
    void openClicked();
    void searchClicked();
    void defaultsClicked();
    // The user or the settings chose another kind of link.
    void connectionKindChanged();
    // What the status line is to read about the link, and in which colour.
    void linkStatusChanged(const QString& text, const QColor& colour);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void kindChosen();
    // The frames and flow controls a port can be set to, in the user's language.
    void fillLineFormatChoices();
    LineFormat shownLineFormat() const;
    void showLineFormat(const LineFormat& format);
    void offerClose(bool close);

    std::unique_ptr<Ui::CommunicationPanel> m_ui;
    bool m_offersClose = false;
    // The port number's edit box inside its arrows, which holds what the user typed.
    QLineEdit* m_portEdit = nullptr;
};
