#pragma once

#include <QKeyCombination>
#include <QLineEdit>

#include <optional>

// Holds one key with any of Shift, Ctrl and Alt, as a hot key is: pressing a key in it replaces what it
// held, so there is never a sequence of chords. It shows and takes the text the settings file stores
// ("Shift+Ctrl+F8"), and keys that text has no name for are not taken.
class HotKeyEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString shortCutText READ shortCutText WRITE setShortCutText NOTIFY keyCombinationChanged)

public:
    explicit HotKeyEdit(QWidget* parent = nullptr);

    std::optional<QKeyCombination> keyCombination() const { return m_combination; }
    void setKeyCombination(std::optional<QKeyCombination> combination);
    // The stored text form; text that names no key empties the control.
    QString shortCutText() const;
    void setShortCutText(const QString& text);

    // Shows that another program holds the key, so that it cannot work as a hot key, or that it no
    // longer does.
    void setKeyTaken(bool taken);
    bool isKeyTaken() const { return m_taken; }

    // As wide as the longest combination, three modifiers and all, needs: a narrower box would show only
    // its end, and one as wide as a line edit's usual hint would push the page apart.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void keyCombinationChanged();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showTaken();

    std::optional<QKeyCombination> m_combination;
    bool m_taken = false;
};
