#include "incidentexportdialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString duration(qint64 ms)
{
    const qint64 s = qMax<qint64>(0, ms) / 1000;
    return s >= 3600 ? QStringLiteral("%1:%2:%3")
                           .arg(s / 3600)
                           .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(s % 60, 2, 10, QLatin1Char('0'))
                     : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

IncidentExportDialog::IncidentExportDialog(const IncidentClipRequest &request, QWidget *parent)
    : QDialog(parent), m_request(request)
{
    setWindowTitle(tr("Export incident clip"));
    m_spanLabel = new QLabel(spanText(request), this);
    m_spanLabel->setObjectName(QStringLiteral("spanLabel"));
    m_layoutCombo = new QComboBox(this);
    m_layoutCombo->setObjectName(QStringLiteral("layoutCombo"));
    m_layoutCombo->addItem(tr("Side by side"), int(ClipLayout::SideBySide));
    m_layoutCombo->addItem(tr("Grid"), int(ClipLayout::Grid));
    m_outputEdit = new QLineEdit(this);
    m_outputEdit->setObjectName(QStringLiteral("outputEdit"));
    m_browseButton = new QPushButton(tr("Browse..."), this);
    m_browseButton->setObjectName(QStringLiteral("browseBtn"));
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_exportButton = new QPushButton(tr("Export"), this);
    m_exportButton->setObjectName(QStringLiteral("exportBtn"));
    m_exportButton->setDefault(true);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("cancelBtn"));

    auto *output = new QHBoxLayout;
    output->addWidget(m_outputEdit, 1);
    output->addWidget(m_browseButton);
    auto *form = new QFormLayout;
    form->addRow(tr("Span:"), m_spanLabel);
    form->addRow(tr("Layout:"), m_layoutCombo);
    form->addRow(tr("Save as:"), output);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_cancelButton);
    auto *main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addWidget(m_progressBar);
    main->addWidget(m_statusLabel);
    main->addLayout(buttons);
    setMinimumWidth(480);

    connect(m_browseButton, &QPushButton::clicked, this, &IncidentExportDialog::browse);
    connect(m_exportButton, &QPushButton::clicked, this, &IncidentExportDialog::startExport);
    connect(m_cancelButton, &QPushButton::clicked, this, [this]() {
        if (isRunning())
            cancelExport();
        else
            reject();
    });
    connect(m_outputEdit, &QLineEdit::textChanged, this, [this]() {
        if (isRunning())
            return;
        const QString path = outputPath();
        m_statusLabel->setText(
            !path.isEmpty() && QFileInfo::exists(path)
                ? tr("%1 exists; the export will replace it.").arg(QDir::toNativeSeparators(path))
                : QString());
        updateControls();
    });
    setClipLayout(request.layout);
    setOutputPath(request.outputPath);
    updateControls();
}

IncidentExportDialog::~IncidentExportDialog()
{
    if (isRunning()) {
        // No signal of a dialog being destroyed reaches its half-gone widgets.
        m_job->disconnect(this);
        m_job->cancel();
    }
}

ClipLayout IncidentExportDialog::clipLayout() const
{
    return ClipLayout(m_layoutCombo->currentData().toInt());
}

void IncidentExportDialog::setClipLayout(ClipLayout layout)
{
    m_layoutCombo->setCurrentIndex(m_layoutCombo->findData(int(layout)));
}

QString IncidentExportDialog::outputPath() const
{
    const QString text = m_outputEdit->text().trimmed();
    if (text.isEmpty())
        return text;
    // ffmpeg writes MP4 whatever the name says; the name should say it too.
    return text.endsWith(QLatin1String(".mp4"), Qt::CaseInsensitive) ? text
                                                                     : text + QLatin1String(".mp4");
}

void IncidentExportDialog::setOutputPath(const QString &path)
{
    m_outputEdit->setText(QDir::toNativeSeparators(path));
}

bool IncidentExportDialog::isRunning() const
{
    return m_job != nullptr && m_job->state() == IncidentClipJob::State::Running;
}

QString IncidentExportDialog::spanText(const IncidentClipRequest &request)
{
    const qint64 length = request.spanEndMs - request.spanStartMs;
    QString from;
    QString to;
    if (request.recordingStart.isValid()) {
        const QDateTime start = request.recordingStart.addMSecs(request.spanStartMs);
        const QDateTime end = request.recordingStart.addMSecs(request.spanEndMs);
        from = start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        to = end.toString(end.date() == start.date() ? QStringLiteral("HH:mm:ss")
                                                     : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    } else {
        from = duration(request.spanStartMs);
        to = duration(request.spanEndMs);
    }
    // Without a loaded translation "%n" would show "camera(s)"; the window runs in English
    // without one.
    const int n = request.channels.size();
    const QString cameras = n == 1 ? tr("1 camera") : tr("%1 cameras").arg(n);
    return tr("%1 - %2 (%3), %4").arg(from, to, duration(length), cameras);
}

void IncidentExportDialog::startExport()
{
    if (isRunning())
        return;
    const QString path = outputPath();
    if (path.isEmpty()) {
        m_statusLabel->setText(tr("Choose a file for the clip."));
        return;
    }
    IncidentClipRequest request = m_request;
    request.layout = clipLayout();
    request.outputPath = QDir::fromNativeSeparators(path);
    if (m_job != nullptr)
        m_job->deleteLater();
    m_job = new IncidentClipJob(this);
    connect(m_job, &IncidentClipJob::progressChanged, m_progressBar, &QProgressBar::setValue);
    connect(m_job, &IncidentClipJob::finished, this, &IncidentExportDialog::jobFinished);
    m_progressBar->setValue(0);
    m_statusLabel->setText(tr("Exporting..."));
    // A failure at once (no ffmpeg, a vanished recording) has called jobFinished already.
    m_job->start(request);
    updateControls();
}

void IncidentExportDialog::cancelExport()
{
    if (isRunning())
        m_job->cancel();
}

void IncidentExportDialog::jobFinished(bool success)
{
    QString message;
    if (success) {
        m_progressBar->setValue(100);
        message =
            tr("Saved %1 with its route %2 and manifest %3.")
                .arg(QDir::toNativeSeparators(outputPath()), QFileInfo(m_job->gpxPath()).fileName(),
                     QFileInfo(m_job->manifestPath()).fileName());
    } else {
        m_progressBar->setValue(0);
        message = m_job->errorString();
    }
    m_statusLabel->setText(message);
    updateControls();
    emit exportFinished(success, message);
}

void IncidentExportDialog::updateControls()
{
    const bool running = isRunning();
    m_layoutCombo->setEnabled(!running);
    m_outputEdit->setEnabled(!running);
    m_browseButton->setEnabled(!running);
    m_exportButton->setEnabled(!running && !m_outputEdit->text().trimmed().isEmpty());
    m_cancelButton->setText(running ? tr("Cancel") : tr("Close"));
}

void IncidentExportDialog::browse()
{
    QFileDialog dialog(this, tr("Save incident clip"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(tr("MP4 video (*.mp4)"));
    dialog.setDefaultSuffix(QStringLiteral("mp4"));
    const QFileInfo current(QDir::fromNativeSeparators(outputPath()));
    if (!outputPath().isEmpty()) {
        dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.fileName());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        setOutputPath(dialog.selectedFiles().first());
}

void IncidentExportDialog::closeEvent(QCloseEvent *event)
{
    cancelExport();
    QDialog::closeEvent(event);
}

void IncidentExportDialog::reject()
{
    cancelExport();
    QDialog::reject();
}
