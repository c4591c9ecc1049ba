#include "Window/BatchWindow.h"

#include "Alerts/CommonAlert.h"
#include "Alerts/DesktopNotifier.h"
#include "Alerts/ProgressIndicator.h"
#include "Alerts/TaskbarProgress.h"
#include "Alerts/TextFieldAlert.h"
#include "Archive/ArchiveFile.h"
#include "Controls/Image.h"
#include "Resources/LocalizedText.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

using namespace Qt::StringLiterals;

namespace {
constexpr int windowWidth = 460;
constexpr QSize iconSize(48, 48);

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}
} // namespace

BatchWindow::BatchWindow(BatchJob::Kind kind, const QStringList& files, ArchiveType type,
                         const QString& destination, QWidget* parent)
    : QWidget(parent)
    , m_job(kind == BatchJob::Kind::extractHere ? BatchJob::extractHere(files, this, this, destination)
                                                : BatchJob::compressHere(files, type, this, this))
    , m_files(files)
    , m_type(type)
    , m_notifier(new DesktopNotifier(this))
    , m_icon(new QLabel(this))
    , m_title(new QLabel(this))
    , m_destination(new QLabel(this))
    , m_count(new QLabel(this))
    , m_indicator(new ProgressIndicator(this))
    , m_cancel(new QPushButton(localizedText("common_cancel"), this))
{
    setWindowTitle(localizedText("common_application_name"));
    setFixedWidth(windowWidth);
    const bool extracting = kind == BatchJob::Kind::extractHere;
    m_icon->setPixmap(image(extracting ? u"toobal_extract_icon"_s : u"toobal_compress_icon"_s, iconSize,
                            devicePixelRatioF()));
    m_icon->setFixedSize(iconSize);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    for (QLabel* label : { m_title, m_destination, m_count })
        label->setTextFormat(Qt::PlainText);
    QPalette grey = m_destination->palette();
    grey.setColor(QPalette::WindowText, QColor(0x67, 0x66, 0x66));
    m_destination->setPalette(grey);
    m_count->setPalette(grey);
    m_indicator->setAccessibleName(localizedText("common_application_name"));

    auto grid = new QGridLayout(this);
    grid->setContentsMargins(20, 18, 20, 18);
    grid->setHorizontalSpacing(14);
    grid->addWidget(m_icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(m_title, 0, 1, 1, 2);
    grid->addWidget(m_destination, 1, 1, 1, 2);
    grid->addWidget(m_indicator, 2, 1, 1, 2);
    grid->addWidget(m_count, 3, 1);
    grid->addWidget(m_cancel, 3, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    connect(m_cancel, &QPushButton::clicked, m_job, &BatchJob::cancel);
    // Escape is Cancel, as in the sheets.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, m_cancel, &QPushButton::click);
    connect(m_job, &BatchJob::jobStarted, this, &BatchWindow::jobStarted);
    connect(m_job, &BatchJob::progressed, this, &BatchWindow::progressed);
    connect(m_job, &BatchJob::finished, this, &BatchWindow::finished);
}

BatchWindow::~BatchWindow()
{
    if (!m_finished)
        TaskbarProgress::clear();
}

void BatchWindow::start()
{
    show();
    m_job->start();
}

void BatchWindow::jobStarted(int index)
{
    const bool extracting = m_job->kind() == BatchJob::Kind::extractHere;
    const QString name
        = extracting ? fileName(m_job->currentInput()) : ArchiveFile::compressOutputName(m_files, m_type);
    m_title->setText(localizedText(extracting ? "batch_extracting" : "batch_compressing").arg(name));
    const QString destination = localizedText("batch_into").arg(m_job->currentDestination());
    m_destination->setText(m_destination->fontMetrics().elidedText(destination, Qt::ElideMiddle,
                                                                   windowWidth - iconSize.width() - 60));
    m_destination->setToolTip(destination);
    m_count->setText(localizedText("batch_count").arg(index + 1).arg(m_job->count()));
    m_indicator->setAccessibleDescription(m_title->text());
}

void BatchWindow::progressed(double fraction)
{
    m_indicator->setDoubleValue(fraction);
    TaskbarProgress::show(fraction);
}

void BatchWindow::ask(const QString& message, Answer answer)
{
    TextFieldAlert::ask(this, message, fileName(m_job->currentInput()), std::move(answer));
}

void BatchWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window while it works is Cancel.
    if (!m_finished) {
        m_job->cancel();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void BatchWindow::finished()
{
    m_finished = true;
    TaskbarProgress::clear();
    m_cancel->setEnabled(false);
    if (m_job->allSucceeded()) {
        notifySuccess();
        return;
    }
    if (m_job->wasCancelled()) {
        emit done(1);
        return;
    }
    showFailures();
}

// Nothing to click away: a notification says what was made, and the
// process ends once the notification server has answered (or is known to
// be absent).
void BatchWindow::notifySuccess()
{
    hide();
    QStringList made;
    for (const BatchJob::Outcome& outcome : m_job->outcomes())
        made.append(fileName(outcome.output));
    const bool extracting = m_job->kind() == BatchJob::Kind::extractHere;
    const QString summary = localizedText(extracting ? "extract_completion" : "compress_completion");
    const QString body
        = localizedText(extracting ? "batch_extracted" : "batch_created").arg(made.join(u", "_s));
    connect(m_notifier, &DesktopNotifier::settled, this, [this] { emit done(0); });
    m_notifier->notify(summary, body);
}

void BatchWindow::showFailures()
{
    const bool extracting = m_job->kind() == BatchJob::Kind::extractHere;
    const QString message = localizedText(extracting ? "batch_extract_failed" : "batch_compress_failed")
        + u"\n\n"_s + failureList();
    CommonAlert::create(message, true)->show(this, [this](AlertResult) { emit done(1); });
}

QString BatchWindow::failureList() const
{
    QStringList lines;
    for (const BatchJob::Outcome& outcome : m_job->outcomes()) {
        if (outcome.success)
            continue;
        const QString reason
            = outcome.unanswered ? localizedText("error_password_empty") : outcome.error.localizedMessage();
        lines.append(u"%1: %2"_s.arg(fileName(outcome.input), reason));
    }
    return lines.join(u'\n');
}
