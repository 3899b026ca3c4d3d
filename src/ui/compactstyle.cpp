#include "ui/compactstyle.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace {

class CompactStyle : public QProxyStyle
{
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget) const override
    {
        QRect rect = QProxyStyle::subControlRect(control, option, subControl, widget);
        const auto* group = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control == CC_GroupBox && subControl == SC_GroupBoxContents && group &&
            (group->features & QStyleOptionFrame::Flat)) {
            const QRect title = QProxyStyle::subControlRect(control, option, SC_GroupBoxLabel, widget);
            rect.setTop(title.isValid() ? title.bottom() + 1 : option->rect.top());
            rect.setBottom(option->rect.bottom());
        }
        return rect;
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* group = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control == CC_GroupBox && group && (group->features & QStyleOptionFrame::Flat)) {
            QStyleOptionGroupBox titleOnly(*group);
            titleOnly.subControls &= ~SC_GroupBoxFrame;
            QProxyStyle::drawComplexControl(control, &titleOnly, painter, widget);
            return;
        }
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contentsSize,
                           const QWidget* widget) const override
    {
        QSize size = QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
        if (type == CT_RadioButton || type == CT_CheckBox) {
            const int indicator =
                pixelMetric(type == CT_RadioButton ? PM_ExclusiveIndicatorHeight : PM_IndicatorHeight, option, widget);
            size.setHeight(std::max(indicator, option->fontMetrics.height()));
        }
        return size;
    }
};

} // namespace

void applyCompactStyle(QWidget* page)
{
    QFont font = page->font();
    font.setPointSize(7);
    page->setFont(font);
    const int rowHeight = QFontMetrics(font).height() + 6;
    auto* compact = new CompactStyle;
    compact->setParent(page);
    for (QWidget* control : page->findChildren<QWidget*>()) {
        if (auto* group = qobject_cast<QGroupBox*>(control)) {
            group->setFlat(true);
            group->setStyle(compact);
        } else if (qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control)) {
            control->setStyle(compact);
        } else if (qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractSpinBox*>(control) ||
                   qobject_cast<QComboBox*>(control) || qobject_cast<QAbstractButton*>(control)) {
            // Edit boxes and buttons keep room for their text and frame, no more.
            control->setMaximumHeight(rowHeight);
        }
    }
}
