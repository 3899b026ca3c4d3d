#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

// What does not fit on the main window's six pages, one line per control ("<control> on <page>: ..."):
// a control outside its page, one shrunk below what it needs, or a text cut off, which a longer
// translation would bring about first. Shows each page in turn; empty when everything fits.
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
        for (QWidget* child : page->findChildren<QWidget*>()) {
            const auto* label = qobject_cast<QLabel*>(child);
            const auto* button = qobject_cast<QAbstractButton*>(child);
            if (!child->isVisibleTo(page) || child->isHidden() || (!label && !button))
                continue;
            const QString text = label ? label->text() : button->text();
            const QString where =
                QStringLiteral("%1 on %2: %3").arg(child->objectName(), QString::fromLatin1(pages[i]), text);
            const QString shown = QString(text).remove(u'&');
            if (!page->rect().contains(QRect(child->mapTo(page, QPoint(0, 0)), child->size())))
                problems.append(where + QStringLiteral(" (outside the page)"));
            if (child->width() < child->minimumSizeHint().width())
                problems.append(where + QStringLiteral(" (narrower than it needs)"));
            // A check box's or radio button's text has the room beside its indicator, not the whole width.
            if (qobject_cast<const QCheckBox*>(child) || qobject_cast<const QRadioButton*>(child)) {
                QStyleOptionButton option;
                option.initFrom(child);
                option.text = text;
                const QStyle::SubElement contents = qobject_cast<const QCheckBox*>(child)
                                                        ? QStyle::SE_CheckBoxContents
                                                        : QStyle::SE_RadioButtonContents;
                if (child->fontMetrics().horizontalAdvance(shown) >
                    child->style()->subElementRect(contents, &option, child).width())
                    problems.append(where + QStringLiteral(" (text cut beside the indicator)"));
            }
            if (!text.isEmpty() && !text.contains(u'<') && !text.contains(u'\n') && !(label && label->wordWrap()) &&
                child->fontMetrics().horizontalAdvance(shown) > child->width())
                problems.append(where + QStringLiteral(" (text cut)"));
        }
    }
    return problems;
}
