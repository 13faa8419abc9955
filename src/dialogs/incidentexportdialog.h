#pragma once

#include "incidentclipjob.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// Exports an incident clip: shows the span, lets the user pick the layout and the output file,
// runs IncidentClipJob with a progress bar, and shows the result or the job's own message.
// Cancel ends a running export (the job removes what it wrote and ends ffmpeg); closing the
// dialog while it runs does the same. The dialog stays open after an export so the user reads
// the result; another export can follow.
//
// Widgets carry object names: spanLabel, layoutCombo, outputEdit, browseBtn, progressBar,
// statusLabel, exportBtn, cancelBtn.
class IncidentExportDialog : public QDialog
{
    Q_OBJECT
public:
    // request holds everything of the export (from incidentRequestFor); its layout and
    // outputPath are the choices offered first.
    explicit IncidentExportDialog(const IncidentClipRequest &request, QWidget *parent = nullptr);
    ~IncidentExportDialog() override;

    ClipLayout clipLayout() const;
    void setClipLayout(ClipLayout layout);
    // The clip's file as it will be written (".mp4" added to a name without it).
    QString outputPath() const;
    void setOutputPath(const QString &path);
    bool isRunning() const;
    // The job of the running or the last export; null before the first.
    IncidentClipJob *job() const { return m_job; }

    // "08:00:50 - 08:01:20 (0:30), 3 cameras" for the request, in the dialog's words.
    static QString spanText(const IncidentClipRequest &request);

public slots:
    void startExport();
    // Ends a running export; does nothing otherwise.
    void cancelExport();

signals:
    // Once per export; message is what the dialog shows (the job's message when it failed).
    void exportFinished(bool success, const QString &message);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void browse();
    void jobFinished(bool success);
    void updateControls();

    IncidentClipRequest m_request;
    QPointer<IncidentClipJob> m_job;
    QLabel *m_spanLabel = nullptr;
    QComboBox *m_layoutCombo = nullptr;
    QLineEdit *m_outputEdit = nullptr;
    QPushButton *m_browseButton = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_statusLabel = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
