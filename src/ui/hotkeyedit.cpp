#include "ui/hotkeyedit.h"

#include "core/shortcuttext.h"

#include <QEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

// The key as the stored text names it: Qt reports Shift+Tab as Backtab and the keypad's Enter as a key
// of its own, which to the X server is the Enter key's twin. Meta is no modifier a hot key can have.
std::optional<QKeyCombination> combinationOf(const QKeyEvent& event)
{
    int key = event.key();
    Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier);
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        modifiers |= Qt::ShiftModifier;
    }
    if (key == Qt::Key_Enter) {
        key = Qt::Key_Return;
        modifiers &= ~Qt::KeypadModifier;
    }
    const QKeyCombination combination(modifiers, Qt::Key(key));
    if (!shortCutToText(combination).isEmpty())
        return combination;
    return std::nullopt;
}

} // namespace

HotKeyEdit::HotKeyEdit(QWidget* parent)
    : QLineEdit(parent)
{
    // Typing must not edit the text; keys are caught before the line edit sees them.
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
}

QSize HotKeyEdit::sizeHint() const
{
    return minimumSizeHint();
}

QSize HotKeyEdit::minimumSizeHint() const
{
    ensurePolished();
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    for (const Qt::Key key : {Qt::Key_PageDown, Qt::Key_Right, Qt::Key_Space, Qt::Key_Return, Qt::Key_Home,
                              Qt::Key_Backspace, Qt::Key_F24, Qt::Key_W, Qt::Key_M, Qt::Key_Down})
        widest = std::max(widest, metrics.horizontalAdvance(shortCutToText(QKeyCombination(
                                      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, key))));
    // What QLineEdit keeps around its text: two pixels a side, the text margins and the contents margins;
    // the style adds its frame.
    const QMargins margins = textMargins() + contentsMargins();
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QSize contents(widest + 4 + margins.left() + margins.right(), QLineEdit::minimumSizeHint().height());
    const QSize framed = style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, this);
    return {framed.width(), QLineEdit::minimumSizeHint().height()};
}

void HotKeyEdit::setKeyCombination(std::optional<QKeyCombination> combination)
{
    const QString text = shortCutToText(combination);
    // A combination the stored text cannot name would be lost at the next save; it counts as none.
    m_combination = text.isEmpty() ? std::nullopt : combination;
    setText(text);
    emit keyCombinationChanged();
}

QString HotKeyEdit::shortCutText() const
{
    return shortCutToText(m_combination);
}

void HotKeyEdit::setShortCutText(const QString& text)
{
    setKeyCombination(textToShortCut(text));
}

void HotKeyEdit::setKeyTaken(bool taken)
{
    m_taken = taken;
    showTaken();
}

void HotKeyEdit::showTaken()
{
    QPalette colours;
    if (m_taken) {
        colours.setColor(QPalette::Text, Qt::red);
        colours.setColor(QPalette::Base, QColor(255, 230, 230));
    }
    setPalette(colours);
    setToolTip(m_taken ? tr("Ten klawisz jest zajęty przez inny program.") : QString());
}

bool HotKeyEdit::event(QEvent* event)
{
    // Tab would move the focus on; here it is a key like any other.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (event->type() == QEvent::KeyPress)
                keyPressEvent(key);
            event->accept();
            return true;
        }
    }
    // Keys that are the window's shortcuts elsewhere belong to this control while it has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void HotKeyEdit::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    if (isModifierKey(event->key()) || event->isAutoRepeat())
        return;
    if (const std::optional<QKeyCombination> combination = combinationOf(*event))
        setKeyCombination(combination);
}

void HotKeyEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        showTaken();
    QLineEdit::changeEvent(event);
}
