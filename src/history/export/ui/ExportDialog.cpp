// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export/ui/ExportDialog.h"

#include "history/export/ExportRange.h"
#include "history/export/PictureExport.h"
#include "history/export/TimelapseEncoder.h"
#include "localization/LanguageTable.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The choices of `cboSize`: the longer side's bound in pixels, 0 for the pictures' own size.
constexpr int SizeBounds[] = {0, 1920, 1280, 640};
constexpr int DefaultFramesPerSecond = 10;
constexpr int MaxFramesPerSecond = 60;

template<typename Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A line edit with a "Browse…" button beside it, in one row.
QWidget *browseRow(QWidget *parent, QLineEdit *edit, QPushButton *browse)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    return row;
}

} // namespace

ExportDialog::ExportDialog(
    const QString &cameraName, ExportItems items, const LanguageTable &languages, QWidget *parent)
    : QDialog(parent)
    , m_items(std::move(items))
    , m_languages(languages)
{
    setObjectName(QStringLiteral("frmExport"));
    buildLayout(cameraName);
    updateMode();
    updateCount();
    setRunning(false);
}

ExportDialog::~ExportDialog()
{
    // The task's thread stops at its next picture; its destructor waits for that.
    if (m_task)
        m_task->cancel();
}

QString ExportDialog::message(const char *key) const
{
    return m_languages.message(QLatin1String(key));
}

void ExportDialog::buildLayout(const QString &cameraName)
{
    setWindowTitle(message("MSG_EXPORT_TITLE").arg(cameraName));
    auto *layout = new QVBoxLayout(this);

    m_settings = named(new QWidget(this), "fraSettings");
    auto *form = new QFormLayout(m_settings);
    form->setContentsMargins(0, 0, 0, 0);
    const QString timeFormat = QLocale().dateTimeFormat(QLocale::ShortFormat).contains(QLatin1String("ss"))
        ? QLocale().dateTimeFormat(QLocale::ShortFormat)
        : QLocale().dateFormat(QLocale::ShortFormat) + QLatin1Char(' ')
            + QLocale().timeFormat(QLocale::LongFormat);
    const auto timeEdit = [&](const char *name) {
        auto *edit = named(new QDateTimeEdit(m_settings), name);
        edit->setDisplayFormat(timeFormat);
        edit->setCalendarPopup(true);
        if (!m_items.isEmpty())
            edit->setDateTimeRange(m_items.first().time, m_items.last().time);
        return edit;
    };
    m_from = timeEdit("dtpFrom");
    m_to = timeEdit("dtpTo");
    if (!m_items.isEmpty()) {
        m_from->setDateTime(m_items.first().time);
        m_to->setDateTime(m_items.last().time);
    }
    form->addRow(message("MSG_EXPORT_FROM"), m_from);
    form->addRow(message("MSG_EXPORT_TO"), m_to);
    m_count = named(new QLabel(m_settings), "lblCount");
    form->addRow(QString(), m_count);

    m_mode = new QButtonGroup(this);
    auto *copy = named(new QRadioButton(message("MSG_EXPORT_COPY"), m_settings), "optCopy");
    auto *video = named(new QRadioButton(message("MSG_EXPORT_VIDEO"), m_settings), "optVideo");
    m_mode->addButton(copy, 0);
    m_mode->addButton(video, 1);
    copy->setChecked(true);

    form->addRow(copy);
    m_folder = named(new QLineEdit(m_settings), "txtFolder");
    auto *browseFolder = named(new QPushButton(message("MSG_EXPORT_BROWSE"), m_settings), "cmdBrowseFolder");
    m_copyRow = browseRow(m_settings, m_folder, browseFolder);
    form->addRow(message("MSG_EXPORT_FOLDER"), m_copyRow);

    form->addRow(video);
    m_videoRows = new QWidget(m_settings);
    auto *videoForm = new QFormLayout(m_videoRows);
    videoForm->setContentsMargins(0, 0, 0, 0);
    m_videoFile = named(new QLineEdit(m_videoRows), "txtVideo");
    auto *browseVideo = named(new QPushButton(message("MSG_EXPORT_BROWSE"), m_videoRows), "cmdBrowseVideo");
    videoForm->addRow(message("MSG_EXPORT_VIDEOFILE"), browseRow(m_videoRows, m_videoFile, browseVideo));
    m_frameRate = named(new QSpinBox(m_videoRows), "spnFrameRate");
    m_frameRate->setRange(1, MaxFramesPerSecond);
    m_frameRate->setValue(DefaultFramesPerSecond);
    videoForm->addRow(message("MSG_EXPORT_FRAMERATE"), m_frameRate);
    m_size = named(new QComboBox(m_videoRows), "cboSize");
    for (const int bound : SizeBounds)
        m_size->addItem(
            bound == 0 ? message("MSG_EXPORT_SIZEFULL") : message("MSG_EXPORT_SIZEMAX").arg(bound), bound);
    videoForm->addRow(message("MSG_EXPORT_SIZE"), m_size);
    form->addRow(m_videoRows);
    layout->addWidget(m_settings);

    m_progress = named(new QProgressBar(this), "prgExport");
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_outcome = named(new QLabel(this), "lblOutcome");
    m_outcome->setTextFormat(Qt::PlainText);
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_outcome);

    auto *buttons = new QHBoxLayout;
    m_start = named(new QPushButton(message("MSG_EXPORT_START"), this), "cmdStart");
    m_cancel = named(new QPushButton(message("MSG_EXPORT_CANCEL"), this), "cmdCancel");
    m_close = named(new QPushButton(message("MSG_EXPORT_CLOSE"), this), "cmdClose");
    m_start->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(m_from, &QDateTimeEdit::dateTimeChanged, this, &ExportDialog::updateCount);
    connect(m_to, &QDateTimeEdit::dateTimeChanged, this, &ExportDialog::updateCount);
    connect(m_mode, &QButtonGroup::idToggled, this, &ExportDialog::updateMode);
    connect(browseFolder, &QPushButton::clicked, this, &ExportDialog::chooseFolder);
    connect(browseVideo, &QPushButton::clicked, this, &ExportDialog::chooseVideo);
    connect(m_start, &QPushButton::clicked, this, &ExportDialog::startExport);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_task)
            m_task->cancel();
    });
    connect(m_close, &QPushButton::clicked, this, &ExportDialog::reject);
}

ExportItems ExportDialog::chosenItems() const
{
    return itemsBetween(m_items, m_from->dateTime(), m_to->dateTime());
}

bool ExportDialog::isExporting() const
{
    return m_task != nullptr;
}

void ExportDialog::updateCount()
{
    m_count->setText(message("MSG_EXPORT_COUNT")
                         .arg(countBetween(m_items, m_from->dateTime(), m_to->dateTime()))
                         .arg(m_items.size()));
}

void ExportDialog::updateMode()
{
    const bool video = m_mode->checkedId() == 1;
    m_copyRow->setEnabled(!video);
    m_videoRows->setEnabled(video);
}

void ExportDialog::chooseFolder()
{
    const QString folder
        = QFileDialog::getExistingDirectory(this, message("MSG_EXPORT_CHOOSEFOLDER"), m_folder->text());
    if (!folder.isEmpty())
        m_folder->setText(folder);
}

void ExportDialog::chooseVideo()
{
    QString file = QFileDialog::getSaveFileName(
        this, message("MSG_EXPORT_CHOOSEVIDEO"), m_videoFile->text(), message("MSG_EXPORT_VIDEOFILTER"));
    if (file.isEmpty())
        return;
    if (!file.endsWith(QLatin1String(".mp4"), Qt::CaseInsensitive))
        file += QLatin1String(".mp4");
    m_videoFile->setText(file);
}

void ExportDialog::startExport()
{
    if (m_task)
        return;
    const ExportItems chosen = chosenItems();
    if (chosen.isEmpty()) {
        m_outcome->setText(message("MSG_EXPORT_NOPICTURES"));
        return;
    }
    m_video = m_mode->checkedId() == 1;
    ExportTask *task = nullptr;
    if (m_video) {
        const QString file = m_videoFile->text().trimmed();
        if (file.isEmpty()) {
            m_outcome->setText(message("MSG_EXPORT_NOVIDEOFILE"));
            return;
        }
        TimelapseEncoder::Settings settings;
        settings.framesPerSecond = m_frameRate->value();
        settings.maxSide = m_size->currentData().toInt();
        task = new TimelapseEncoder(chosen, file, settings, this);
    } else {
        const QString folder = m_folder->text().trimmed();
        if (folder.isEmpty()) {
            m_outcome->setText(message("MSG_EXPORT_NOFOLDER"));
            return;
        }
        task = new PictureExport(chosen, folder, this);
    }
    m_task = task;
    connect(task, &ExportTask::progress, this, &ExportDialog::showProgress);
    connect(task, &ExportTask::finished, this, &ExportDialog::finishExport);
    m_progress->setRange(0, int(chosen.size()));
    m_progress->setValue(0);
    m_outcome->setText(message("MSG_EXPORT_RUNNING").arg(0).arg(chosen.size()));
    setRunning(true);
    task->start();
}

void ExportDialog::showProgress(int done, int total)
{
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_outcome->setText(message("MSG_EXPORT_RUNNING").arg(done).arg(total));
}

void ExportDialog::finishExport(const ExportOutcome &outcome)
{
    if (m_task) {
        // The thread has emitted its last signal; the task goes once it has ended.
        m_task->deleteLater();
        m_task = nullptr;
    }
    if (outcome.status == ExportOutcome::Status::Finished)
        m_progress->setValue(m_progress->maximum());
    m_outcome->setText(outcomeText(outcome, m_video));
    setRunning(false);
    emit exportFinished(outcome);
    if (m_closeWhenStopped)
        QDialog::reject();
}

QString ExportDialog::outcomeText(const ExportOutcome &outcome, bool video) const
{
    QStringList lines;
    switch (outcome.status) {
    case ExportOutcome::Status::Finished:
        lines.append(video ? message("MSG_EXPORT_VIDEOMADE").arg(outcome.written).arg(outcome.path)
                           : message("MSG_EXPORT_COPIED").arg(outcome.written).arg(outcome.path));
        if (outcome.fallbackCodec)
            lines.append(message("MSG_EXPORT_FALLBACK"));
        break;
    case ExportOutcome::Status::Cancelled:
        lines.append(video ? message("MSG_EXPORT_VIDEOCANCELLED")
                           : message("MSG_EXPORT_COPYCANCELLED").arg(outcome.written));
        break;
    case ExportOutcome::Status::Failed:
        switch (outcome.failure) {
        case ExportOutcome::Failure::FolderMissing:
            lines.append(message("MSG_EXPORT_FOLDERMISSING").arg(outcome.detail));
            break;
        case ExportOutcome::Failure::WriteFailed:
            lines.append(message("MSG_EXPORT_WRITEFAILED").arg(outcome.detail));
            break;
        case ExportOutcome::Failure::NothingReadable:
            lines.append(message("MSG_EXPORT_NOTHINGREADABLE"));
            break;
        case ExportOutcome::Failure::NoEncoder:
            lines.append(message("MSG_EXPORT_NOENCODER"));
            break;
        case ExportOutcome::Failure::EncoderFailed:
        case ExportOutcome::Failure::None:
            lines.append(message("MSG_EXPORT_ENCODERFAILED").arg(outcome.detail));
            break;
        }
        if (!video && outcome.written > 0)
            lines.append(message("MSG_EXPORT_COPIEDBEFORE").arg(outcome.written));
        break;
    }
    if (outcome.skipped > 0 && outcome.failure != ExportOutcome::Failure::NothingReadable)
        lines.append(message("MSG_EXPORT_SKIPPED")
                         .arg(outcome.skipped)
                         .arg(outcome.skippedPaths.join(QLatin1String(", "))));
    return lines.join(QLatin1Char('\n'));
}

void ExportDialog::setRunning(bool running)
{
    m_settings->setEnabled(!running);
    m_start->setEnabled(!running);
    m_cancel->setEnabled(running);
}

void ExportDialog::reject()
{
    if (m_task) {
        // Closed while the work runs: stop it, and close once it has stopped.
        m_closeWhenStopped = true;
        m_task->cancel();
        return;
    }
    QDialog::reject();
}
