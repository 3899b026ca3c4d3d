#pragma once

#include "core/scaleorder.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class ProgramOptionsPanel;
}

class QTimer;
class SettingsBinding;

// The "program options" page: cyclic reading, the serial read limit, the output destinations and the
// output file, and the scale commands with their hot keys. Each command goes out through the order
// sender the window gives it; what the scale answers comes back through the reading path.
class ProgramOptionsPanel : public QWidget
{
    Q_OBJECT

public:
    // What the save dialog answered: the chosen name and the index of the chosen filter, or nothing
    // when it was cancelled. Tests replace the dialog through setFileChooser().
    struct FileChoice
    {
        QString name;
        int filterIndex = 0;
    };
    using FileChooser = std::function<std::optional<FileChoice>(QWidget* parent, const QStringList& filters)>;
    using OrderSender = std::function<void(const QByteArray& command)>;

    explicit ProgramOptionsPanel(QWidget* parent = nullptr);
    ~ProgramOptionsPanel() override;

    void setFileChooser(FileChooser chooser);
    void setOrderSender(OrderSender sender);
    // The order's button clicked as the user would, so that exactly what the button sends goes out;
    // whether it sent anything.
    bool clickOrderButton(ScaleOrder order);
    QTimer& timerRepeat() { return *m_timerRepeat; }
    // The file the output is appended to; empty when none is chosen.
    // Its controls into the settings binding.
    void bindSettings(SettingsBinding& binding);
    const QString& outputFile() const { return m_outputFile; }
    // Takes the path and shows it.
    void setOutputFile(const QString& path);
    // Shows the output file's path in black, or "Nie wybrano pliku" in red when there is none.
    void showOutputFile(const QString& path);
    // The state a window starts with: no file chosen, in the window's own text colour.
    void showNoFileChosen();

public slots:
    void chooseOutputFile();
    void destinationsChanged();
    void tareClicked();
    void zeroClicked();
    void printClicked();
    void specialClicked();
    // Widens the special command's box over its neighbours for editing; specialButton's next click
    // narrows it again instead of sending.
    void specialCommandEdited();
    void cyclicReadToggled();
    void repeatTimerFired();

signals:
    void outputFileChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showOutputFileText(const QString& text);
    void sendOrder(const QByteArray& command);

    std::unique_ptr<Ui::ProgramOptionsPanel> m_ui;
    FileChooser m_chooseFile;
    OrderSender m_sendOrder;
    // Orders handed to the sender so far, so that a click can tell whether its button sent one.
    quint64 m_ordersSent = 0;
    QTimer* m_timerRepeat = nullptr;
    QString m_outputFile;
    bool m_specialOrderOpen = false;
    int m_specialOrderClosedWidth = 0;
};
