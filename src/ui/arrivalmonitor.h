#pragma once

#include "processing/arrivallog.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;
class QTableView;

// The page where the user sees what the scale sends and what became of it: the arrival log as a table,
// newest at the bottom and followed there unless the user has scrolled up; Pause stops taking new
// entries into the table (the log goes on recording), Clear empties the log, Copy puts the selected
// rows on the clipboard, Save writes the whole log to a text file. The log is attached only while the
// page is shown and not paused, so a hidden page costs nothing.
class ArrivalMonitor : public QWidget
{
    Q_OBJECT

public:
    // Asks where to save; nothing when the user cancels. Tests give their own.
    using FileChooser = std::function<std::optional<QString>(QWidget* parent)>;

    explicit ArrivalMonitor(ArrivalLog& log, QWidget* parent = nullptr);
    ~ArrivalMonitor() override;

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    QTableView* table() const { return m_table; }
    bool isPaused() const;
    // Writes every entry of the log to the file as UTF-8 text; false when it could not be written, and
    // the reason is shown.
    bool saveTo(const QString& path);

public slots:
    void pauseToggled(bool paused);
    void clearClicked();
    void copySelection();
    void saveClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslateUi();
    void updateAttachment();
    void scrollRangeChanged(int minimum, int maximum);

    // The window owns the log, and may end it before its pages.
    QPointer<ArrivalLog> m_log;
    QTableView* m_table = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_save = nullptr;
    FileChooser m_chooseFile;
    // The table stays at its newest row as rows come, until the user scrolls away from it.
    bool m_followNewest = true;
};

// The monitor in a window of its own beside the owner, made at the first call and raised at the next.
void showArrivalMonitor(ArrivalLog& log, QWidget& owner);
