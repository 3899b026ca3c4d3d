#pragma once

#include "link/portsearch.h"

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

// Shows the port search (PortSearch) over ports 1 up to EditMaxPort: where it is, and what it found.
// Shown modally; showing it starts a search.
class TAutoKonfForm : public QDialog
{
    Q_OBJECT

public:
    // Handed each answer that may be a weighing line; it sets Global::PortConfigured when it accepts one.
    using AnswerParser = PortSearch::AnswerParser;

    // Without a link the search goes to the real serial ports.
    explicit TAutoKonfForm(QWidget* parent = nullptr, std::unique_ptr<PortSearchLink> link = nullptr);
    ~TAutoKonfForm() override;

    void setAnswerParser(AnswerParser parser);
    void setMakerLines(bool on);

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
    // Shows where the search is and lets pending window messages run, which may destroy the dialog.
    void showProgress(int port, int baudCode, int attempt);
    void fixSize();

    std::unique_ptr<Ui::TAutoKonfForm> m_ui;
    PortSearch* m_search = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_closeTimer = nullptr;
    QLineEdit* m_editMaxPort = nullptr;
    Status m_status = Status::None;
    // From SpeedButton2Click until the search has ended.
    bool m_busy = false;
};
