#include "ui/arrivalmonitor.h"

#include "core/messagepresenter.h"
#include "processing/arrivallog.h"

#include <QClipboard>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

std::optional<QString> askWithSaveDialog(QWidget* parent)
{
    const QString path = QFileDialog::getSaveFileName(parent, ArrivalMonitor::tr("Zapisz odebrane wiersze"), QString(),
                                                      ArrivalMonitor::tr("Pliki tekstowe (*.txt)"));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

ArrivalMonitor::ArrivalMonitor(ArrivalLog& log, QWidget* parent)
    : QWidget(parent)
    , m_log(&log)
    , m_chooseFile(askWithSaveDialog)
{
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("arrivalTable"));
    m_table->setModel(&log);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // A fixed row height spares the table measuring every row as a thousand of them come and go.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    // Widths for what the columns usually hold (a time with milliseconds, "TCP 192.168.100.200:4001", a
    // line of a scale's print, a weight with its rule); measuring the rows instead would cost at every
    // arrival. The user can drag them.
    const QFontMetrics metrics = m_table->fontMetrics();
    const int widths[] = {metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16,
                          metrics.horizontalAdvance(QStringLiteral("TCP 192.168.100.200:4001")) + 16,
                          metrics.horizontalAdvance(QStringLiteral("ST,GS,+  12.345 kg⟨CR⟩⟨LF⟩")) + 16,
                          metrics.horizontalAdvance(QStringLiteral("waga 12.345 kg (ST,GS)")) + 16};
    for (int column = 0; column < int(std::size(widths)); ++column)
        m_table->setColumnWidth(column, widths[column]);

    // The table's own Ctrl+C copies only the current cell.
    m_table->installEventFilter(this);

    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("pauseButton"));
    m_pause->setCheckable(true);
    m_clear = new QPushButton(this);
    m_clear->setObjectName(QStringLiteral("clearButton"));
    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("copyButton"));
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    connect(m_pause, &QPushButton::toggled, this, &ArrivalMonitor::pauseToggled);
    connect(m_clear, &QPushButton::clicked, this, &ArrivalMonitor::clearClicked);
    connect(m_copy, &QPushButton::clicked, this, &ArrivalMonitor::copySelection);
    connect(m_save, &QPushButton::clicked, this, &ArrivalMonitor::saveClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pause);
    buttons->addWidget(m_clear);
    buttons->addStretch();
    buttons->addWidget(m_copy);
    buttons->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

    QScrollBar* scroll = m_table->verticalScrollBar();
    connect(scroll, &QScrollBar::rangeChanged, this, &ArrivalMonitor::scrollRangeChanged);
    // Rows coming in move the range and not the value: the value moves when the user scrolls, or when
    // the table follows its newest row.
    connect(scroll, &QScrollBar::valueChanged, this,
            [this, scroll](int value) { m_followNewest = value >= scroll->maximum(); });

    retranslateUi();
}

ArrivalMonitor::~ArrivalMonitor()
{
    // With nobody looking the log goes back to recording silently; its owner may have ended it first.
    if (m_log)
        m_log->setAttached(false);
}

bool ArrivalMonitor::isPaused() const
{
    return m_pause->isChecked();
}

void ArrivalMonitor::retranslateUi()
{
    setWindowTitle(tr("Podgląd danych z wagi"));
    m_pause->setText(tr("Wstrzymaj"));
    m_pause->setToolTip(tr("Nowe wiersze nie trafiają do tabeli; dziennik zapisuje je nadal"));
    m_clear->setText(tr("Wyczyść"));
    m_copy->setText(tr("Kopiuj"));
    m_copy->setToolTip(tr("Kopiuje zaznaczone wiersze do schowka"));
    m_save->setText(tr("Zapisz wszystko..."));
    // The column titles and the cells are the log's texts, composed as they are shown.
    if (m_log)
        emit m_log->headerDataChanged(Qt::Horizontal, 0, ArrivalLog::ColumnCount - 1);
    m_table->viewport()->update();
}

void ArrivalMonitor::updateAttachment()
{
    const bool attach = isVisible() && !isPaused();
    if (!m_log || attach == m_log->isAttached())
        return;
    m_log->setAttached(attach);
    if (attach && m_followNewest)
        m_table->scrollToBottom();
}

void ArrivalMonitor::scrollRangeChanged(int /*minimum*/, int maximum)
{
    if (m_followNewest)
        m_table->verticalScrollBar()->setValue(maximum);
}

void ArrivalMonitor::pauseToggled(bool /*paused*/)
{
    updateAttachment();
}

void ArrivalMonitor::clearClicked()
{
    if (m_log)
        m_log->clear();
    m_followNewest = true;
}

void ArrivalMonitor::copySelection()
{
    // Without its model the table has no selection model either.
    if (!m_log || !m_table->selectionModel())
        return;
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    QGuiApplication::clipboard()->setText(m_log->rowsText(rows));
}

void ArrivalMonitor::saveClicked()
{
    if (const std::optional<QString> path = m_chooseFile(this))
        saveTo(*path);
}

bool ArrivalMonitor::saveTo(const QString& path)
{
    QSaveFile file(path);
    if (m_log && file.open(QIODevice::WriteOnly)) {
        file.write(m_log->toText().toUtf8());
        if (file.commit())
            return true;
    }
    MessagePresenter::current().show(this, tr("Nie można zapisać pliku %1: %2").arg(path, file.errorString()),
                                     tr("Błąd"), MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
    return false;
}

void ArrivalMonitor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateAttachment();
}

void ArrivalMonitor::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateAttachment();
}

bool ArrivalMonitor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ArrivalMonitor::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void showArrivalMonitor(ArrivalLog& log, QWidget& owner)
{
    auto* monitor = owner.findChild<ArrivalMonitor*>(QStringLiteral("arrivalMonitor"), Qt::FindDirectChildrenOnly);
    if (!monitor) {
        monitor = new ArrivalMonitor(log, &owner);
        monitor->setObjectName(QStringLiteral("arrivalMonitor"));
        monitor->setWindowFlag(Qt::Window);
        monitor->resize(980, 440);
    }
    monitor->show();
    monitor->raise();
    monitor->activateWindow();
}
