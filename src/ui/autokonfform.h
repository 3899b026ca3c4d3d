#pragma once

#include "core/global.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace Ui {
class TAutoKonfForm;
}

// The serial calls the port search makes, in the order it makes them. The dialog drives them through
// this interface so that a test can record the combinations tried and script a scale's answers without
// devices; the real one goes to ObsPort and the serial layer.
class PortSearchLink
{
public:
    virtual ~PortSearchLink() = default;

    // Opens and configures the port of the record; false when it did not open.
    virtual bool openPort(const TPortSettings& settings) = 0;
    virtual int setReadTimeouts(int port, int totalMs, int intervalMs) = 0;
    virtual int putch(int port, int byte) = 0;
    // The number of bytes placed in buffer, or a negative Sio code.
    virtual int read(int port, char* buffer, int count) = 0;
    virtual void closePort(const TPortSettings& settings) = 0;
};

// Finds the serial port and speed at which a scale answers: ports 1 up to EditMaxPort, at 4800 and then
// 9600 bit/s, three requests for a result at each. Shown modally; showing it starts a search.
class TAutoKonfForm : public QDialog
{
    Q_OBJECT

public:
    // Handed each answer that may be a weighing line; it sets Global::PortConfigured when it accepts one.
    using AnswerParser = std::function<void(const QByteArray& answer)>;

    // Without a link the search goes to the real serial ports.
    explicit TAutoKonfForm(QWidget* parent = nullptr, std::unique_ptr<PortSearchLink> link = nullptr);
    ~TAutoKonfForm() override;

    void setAnswerParser(AnswerParser parser);

    // The rate of a baud code followed by " bps"; "- bps" for a code outside 0..19.
    static QString BaudCodeText(int baudCode);

signals:
    // A scale answered at this port and baud code; the main window takes them into its port settings.
    void portFound(int port, int baudCode);

public slots:
    void FormShow();
    void SpeedButton2Click();
    void Timer1Timer();
    void SpeedButton1Click();
    void EditMaxPortChange();
    void UpDownMaxPortClick(int position);

    // Refused while a search is pending or running: it cannot be interrupted from the dialog.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class Status { None, Searching, Found, NotFound };

    static QString statusText(Status status);
    void setStatus(Status status);
    int maxPort() const;
    // Lets pending window messages run; false when the dialog was destroyed meanwhile.
    bool letWindowRepaint();
    void closeOpenPort();
    void fixSize();

    std::unique_ptr<Ui::TAutoKonfForm> m_ui;
    std::unique_ptr<PortSearchLink> m_link;
    AnswerParser m_parser;
    QTimer* m_timer1 = nullptr;
    QTimer* m_closeTimer = nullptr;
    QLineEdit* m_editMaxPort = nullptr;
    Status m_status = Status::None;
    // From SpeedButton2Click until the search has ended.
    bool m_busy = false;
    bool m_searching = false;
    // The port the search holds open, so that it is closed even if the dialog goes away mid-search.
    int m_openPort = 0;
};
