#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QWidget>

// What does not fit in a window or a panel, one line per control ("<control> in <where>: ..."):
//  - a control outside its parent;
//  - a control overlapping a sibling (unless it says it is drawn over the others: property "overlay");
//  - a control shrunk below what it needs;
//  - a text cut off or elided: a label's, a button's, a check box's beside its indicator, a group's
//    title, any of a list's choices, the text in an edit box (unless it is read-only and its tooltip
//    holds the whole text), a wrapped label's last lines.
// A longer translation, a bigger font or a fractional scale factor brings each about first. Looks at
// what is visible now, inside `root`; the insides of lists, spin boxes, edit boxes and scrolled areas
// are theirs to lay out.
inline void fitProblemsOf(QWidget& root, const QString& where, QStringList& problems)
{
    const auto describe = [&](const QWidget* widget, const QString& text) {
        return QStringLiteral("%1 in %2: %3").arg(widget->objectName(), where, text);
    };
    const auto fitsWidth = [](const QWidget* widget, const QString& text, int width) {
        return widget->fontMetrics().horizontalAdvance(QString(text).remove(u'&')) <= width;
    };
    const auto containerOf = [](const QWidget* widget) {
        return !qobject_cast<const QAbstractScrollArea*>(widget) && !qobject_cast<const QComboBox*>(widget) &&
               !qobject_cast<const QAbstractSpinBox*>(widget) && !qobject_cast<const QLineEdit*>(widget) &&
               !qobject_cast<const QAbstractButton*>(widget) && !qobject_cast<const QLabel*>(widget);
    };

    QList<QWidget*> visible;
    for (QObject* object : root.children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && child->isVisibleTo(&root) && !child->isHidden())
            visible.append(child);
    }
    for (qsizetype i = 0; i < visible.size(); ++i) {
        QWidget* child = visible[i];
        if (!root.rect().contains(child->geometry()))
            problems.append(describe(child, QStringLiteral("outside its parent %1").arg(root.objectName())));
        for (qsizetype j = i + 1; j < visible.size(); ++j) {
            const QWidget* other = visible[j];
            if (child->geometry().intersects(other->geometry()) && !child->property("overlay").toBool() &&
                !other->property("overlay").toBool())
                problems.append(describe(child, QStringLiteral("overlaps %1").arg(other->objectName())));
        }
        // What the layout would give it, at the least: its own minimum, within its maximum.
        const QSize needed = child->minimumSizeHint().boundedTo(child->maximumSize()).expandedTo(child->minimumSize());
        if (child->width() < needed.width())
            problems.append(describe(child, QStringLiteral("narrower than it needs")));
        if (child->height() < needed.height())
            problems.append(describe(child, QStringLiteral("lower than it needs")));

        const auto* label = qobject_cast<QLabel*>(child);
        const auto* button = qobject_cast<QAbstractButton*>(child);
        const QString text = label ? label->text() : button ? button->text() : QString();
        const bool plain = !text.isEmpty() && !text.contains(u'<') && !text.contains(u'\n');
        if (label && label->wordWrap() && !text.isEmpty()) {
            if (label->heightForWidth(label->width()) > label->height())
                problems.append(describe(child, text + QStringLiteral(" (wrapped lines cut)")));
        } else if (plain && !fitsWidth(child, text, child->width())) {
            problems.append(describe(child, text + QStringLiteral(" (text cut)")));
        }
        // A check box's or radio button's text has the room beside its indicator, not the whole width.
        if (qobject_cast<const QCheckBox*>(child) || qobject_cast<const QRadioButton*>(child)) {
            QStyleOptionButton option;
            option.initFrom(child);
            option.text = text;
            const QStyle::SubElement contents =
                qobject_cast<const QCheckBox*>(child) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents;
            if (!fitsWidth(child, text, child->style()->subElementRect(contents, &option, child).width()))
                problems.append(describe(child, text + QStringLiteral(" (text cut beside the indicator)")));
        }
        if (const auto* group = qobject_cast<QGroupBox*>(child); group && !group->title().isEmpty()) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel;
            option.features = group->isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
            const QRect title =
                group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
            if (!fitsWidth(group, group->title().trimmed(), std::min(title.width(), group->width())))
                problems.append(describe(child, group->title() + QStringLiteral(" (title cut)")));
        }
        if (const auto* list = qobject_cast<QComboBox*>(child)) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.editable = list->isEditable();
            const int room =
                list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
            for (int item = 0; item < list->count(); ++item)
                if (!fitsWidth(list, list->itemText(item), room))
                    problems.append(describe(child, list->itemText(item) + QStringLiteral(" (choice cut)")));
        }
        if (const auto* edit = qobject_cast<QLineEdit*>(child);
            edit && !edit->text().isEmpty() && !(edit->isReadOnly() && edit->toolTip() == edit->text())) {
            // The edit box's own margins and frame, as QLineEdit lays out its text.
            const QMargins margins = edit->textMargins();
            const int frame = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
            const int room = edit->contentsRect().width() - margins.left() - margins.right() - 2 * frame - 4;
            if (!fitsWidth(edit, edit->text(), room))
                problems.append(describe(child, edit->text() + QStringLiteral(" (text cut in its box)")));
        }
        if (containerOf(child))
            fitProblemsOf(*child, where, problems);
    }
}

inline QStringList fitProblems(QWidget& root, const QString& where)
{
    QStringList problems;
    fitProblemsOf(root, where, problems);
    return problems;
}

// What does not fit on the main window's six pages, each shown in turn; empty when everything fits.
inline QStringList pageFitProblems(QWidget& form)
{
    QStringList problems;
    const char* buttons[] = {"statisticsButton", "communicationButton",  "formatOptionsButton",
                             "aboutButton",      "programOptionsButton", "helpButton"};
    const char* pages[] = {"statisticsPage", "communicationPage",  "formatOptionsPage",
                           "aboutPage",      "programOptionsPage", "helpPage"};
    for (int i = 0; i < 6; ++i) {
        form.findChild<QAbstractButton*>(QString::fromLatin1(buttons[i]))->click();
        auto* page = form.findChild<QWidget*>(QString::fromLatin1(pages[i]));
        if (!page->isVisible()) {
            problems.append(QStringLiteral("%1 is not shown").arg(QString::fromLatin1(pages[i])));
            continue;
        }
        problems += fitProblems(*page, QString::fromLatin1(pages[i]));
    }
    return problems;
}
