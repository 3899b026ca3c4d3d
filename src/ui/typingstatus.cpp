#include "ui/typingstatus.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TypingStatus::TypingStatus(KeyboardGrant& grant, QWidget* parent)
    : QWidget(parent)
    , m_grant(grant)
{
    setObjectName(QStringLiteral("TypingStatus"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 6, 6);
    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("LabelTypingStatus"));
    m_reason->setStyleSheet(QStringLiteral("color: #ff0000;"));
    m_reason->setWordWrap(true);
    m_askAgain = new QPushButton(this);
    m_askAgain->setObjectName(QStringLiteral("sbTypingAskAgain"));
    layout->addWidget(m_reason, 1);
    layout->addWidget(m_askAgain);
    setVisible(false);

    connect(&m_grant, &KeyboardGrant::typingOff, this, &TypingStatus::typingOff);
    connect(&m_grant, &KeyboardGrant::typingOn, this, &QWidget::hide);
    // The row goes at once: the desktop's dialog comes next, and a second refusal shows it again.
    connect(m_askAgain, &QPushButton::clicked, this, [this] {
        hide();
        m_grant.askAgain();
    });
    showReason();
}

void TypingStatus::typingOff(KeyboardGrant::Refusal why)
{
    m_why = why;
    showReason();
    show();
}

void TypingStatus::showReason()
{
    switch (m_why) {
    case KeyboardGrant::Refusal::Refused:
        m_reason->setText(tr("Wpisywanie wyłączone: pulpit nie zezwolił na nie."));
        break;
    case KeyboardGrant::Refusal::Revoked:
        m_reason->setText(tr("Wpisywanie wyłączone: pulpit cofnął zezwolenie."));
        break;
    case KeyboardGrant::Refusal::Failed:
        m_reason->setText(tr("Wpisywanie wyłączone: błąd portalu pulpitu."));
        break;
    }
    m_reason->setToolTip(tr("Wyniki są nadal liczone i zapisywane do pliku."));
    m_askAgain->setText(tr("Zapytaj ponownie"));
}

void TypingStatus::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        showReason();
    QWidget::changeEvent(event);
}
