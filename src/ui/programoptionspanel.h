#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class ProgramOptionsPanel;
}

// The "program options" page: cyclic reading, the serial read limit, the output destinations and the
// output file, and the scale commands with their hot keys. The commands and hot keys are laid out
// here; the scale link drives them.
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

    explicit ProgramOptionsPanel(QWidget* parent = nullptr);
    ~ProgramOptionsPanel() override;

    void setFileChooser(FileChooser chooser);
    // Shows the output file's path in black, or "Nie wybrano pliku" in red when there is none.
    void showOutputFile(const QString& path);
    // The state a window starts with: no file chosen, in the window's own text colour.
    void showNoFileChosen();

public slots:
    void sbSelectDestFileClick();
    void chbDestinationClick();
    void EditBufferSizeChange();

private:
    std::unique_ptr<Ui::ProgramOptionsPanel> m_ui;
    FileChooser m_chooseFile;
};
