#include "ui/aboutpanel.h"

#include "core/programinfo.h"

#include "ui_aboutpanel.h"

#include <QDesktopServices>
#include <QUrl>

AboutPanel::AboutPanel(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::AboutPanel>())
{
    m_ui->setupUi(this);
    connect(m_ui->documentationLink, &QLabel::linkActivated, this, &AboutPanel::openDocumentation);
    connect(m_ui->versionLabel, &QLabel::linkActivated, this, &AboutPanel::openDocumentation);
    showTexts();
}

AboutPanel::~AboutPanel() = default;

void AboutPanel::setTypingReach(KeyboardInjector::Reach reach)
{
    m_reach = reach;
    showTexts();
}

void AboutPanel::openDocumentation()
{
    const QUrl documentation = ProgramInfo::documentationUrl();
    if (!documentation.isEmpty())
        QDesktopServices::openUrl(documentation);
}

void AboutPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showTexts();
    }
    QWidget::changeEvent(event);
}

void AboutPanel::showTexts()
{
    m_ui->productLabel->setText(ProgramInfo::title());
    m_ui->versionLabel->setText(tr("Wersja %1").arg(ProgramInfo::version()));
    m_ui->typingReachLabel->setVisible(m_reach != KeyboardInjector::Reach::EveryWindow);
    m_ui->typingReachLabel->setText(m_reach == KeyboardInjector::Reach::X11WindowsOnly
                                        ? tr("Wyniki są wpisywane tylko do programów X11.")
                                        : tr("Wyniki nie są tu wpisywane, tylko zapisywane do pliku."));
    const QString documentation = ProgramInfo::documentationFolder();
    m_ui->documentationLink->setVisible(!documentation.isEmpty());
    m_ui->documentationLink->setText(
        tr("Dokumentacja: <a href=\"%1\">%2</a>")
            .arg(ProgramInfo::documentationUrl().toString(QUrl::FullyEncoded), documentation.toHtmlEscaped()));
}
