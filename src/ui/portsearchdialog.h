#pragma once

#include "link/portsearch.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QTimer;

namespace Ui {
class PortSearchDialog;
}

// Shows the port search (PortSearch) over ports 1 up to maxPortEdit: where it is, and what it found.
// Shown modally; showing it starts a search, which runs on a thread of its own, so the dialog answers
// throughout and closing it cancels the search.
class PortSearchDialog : public QDialog
{
    Q_OBJECT

public:
    // Tells whether an answer is a weighing result; called on the search's thread.
    using AnswerParser = PortSearch::AnswerParser;

    // Without a link the search goes to the real serial ports.
    explicit PortSearchDialog(QWidget* parent = nullptr, std::unique_ptr<PortSearchLink> link = nullptr);
    ~PortSearchDialog() override;

    // Taken by the next search.
    void setAnswerParser(AnswerParser parser);
    void setMakerLines(bool on);
    // Taken by the next search: the frame the ports are opened with, and the question a failed search
    // asks of what came (PortSearch::setMakerFormatsParser).
    void setLineFormat(const LineFormat& format);
    void setMakerFormatsParser(AnswerParser parser);
    void setTiming(const PortSearch::Timing& timing);

    // What a search that found nothing says, a line or a few for each port, in the user's language. Ports
    // in a row without a device share a line.
    static QString outcomesText(const QList<PortSearchOutcome>& outcomes);
    // An answer as readable text: control characters and bytes above 126 as \r, \n, \xHH.
    static QString sampleText(const QByteArray& answer);

    // The rate of a baud code followed by " bps"; "- bps" for a code outside 0..19.
    static QString baudCodeText(int baudCode);

signals:
    // A new search begins; what an earlier one found no longer counts.
    void searchStarted();
    // A scale answered at this port and baud code; the main window takes them into its port settings.
    void portFound(int port, int baudCode);
    // The user chose the program's language with one of the dialog's flags.
    void languageChosen(qint32 language);

public slots:
    void searchClicked();
    void startDelayElapsed();
    void closeClicked();
    void maxPortEdited();
    void maxPortStepped(int position);

    // Cancels a search under way; the search closes the port it held.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class Status { None, Searching, Found, NotFound };

    static QString statusText(Status status);
    void setStatus(Status status);
    void showReport(const QString& text);
    int maxPort() const;
    void showProgress(int port, int baudCode, int attempt);
    void searchFinished(const PortSearch::Result& result);
    void cancelSearch();
    void fixSize();

    std::unique_ptr<Ui::PortSearchDialog> m_ui;
    PortSearch* m_search = nullptr;
    QTimer* m_startDelay = nullptr;
    QTimer* m_closeTimer = nullptr;
    QLineEdit* m_maxPortEdit = nullptr;
    QPlainTextEdit* m_report = nullptr;
    QList<PortSearchOutcome> m_outcomes;
    Status m_status = Status::None;
    // From searchClicked until the search has ended or was cancelled.
    bool m_busy = false;
};
