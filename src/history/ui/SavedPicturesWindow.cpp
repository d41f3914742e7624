// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ui/SavedPicturesWindow.h"

#include "history/SavedPictureIndex.h"
#include "localization/LanguageTable.h"
#include "platform/ui/ModelessWindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {
constexpr int MaxMegabytes = 1 << 30; // a QSpinBox holds an int
constexpr int MaxDays = 100'000;
} // namespace

SavedPicturesWindow::SavedPicturesWindow(const QString &folder, const QStringList &cameras,
                                         const SavedPicturesSettings &settings, const LanguageTable &languages,
                                         QWidget *owner)
    : QWidget(owner, Qt::Dialog)
    , m_languages(languages)
    , m_cameras(cameras)
{
    setObjectName(QStringLiteral("frmSavedPictures"));
    const auto message = [&languages](const char *key) { return languages.message(QLatin1String(key)); };
    setWindowTitle(message("MSG_SAVED_TITLE"));

    m_maxMegabytes = spinBox("txtMaxMegabytes", MaxMegabytes);
    m_maxMegabytes->setValue(static_cast<int>(std::min<qint64>(settings.limits.maxMegabytes, MaxMegabytes)));
    m_maxDays = spinBox("txtMaxDays", MaxDays);
    m_maxDays->setValue(std::min(settings.limits.maxDays, MaxDays));
    m_automaticFloor = new QCheckBox(message("MSG_SAVED_AUTOFLOOR"), this);
    m_automaticFloor->setObjectName(QStringLiteral("chkAutomaticFloor"));
    m_automaticFloor->setChecked(!settings.minFreeMegabytes);
    m_minFree = spinBox("txtMinFree", MaxMegabytes);
    m_minFree->setValue(static_cast<int>(std::min<qint64>(settings.minFreeMegabytes.value_or(1024), MaxMegabytes)));
    m_minFree->setEnabled(!m_automaticFloor->isChecked());
    connect(m_automaticFloor, &QCheckBox::toggled, m_minFree, [this](bool automatic) { m_minFree->setEnabled(!automatic); });

    auto *form = new QFormLayout;
    form->addRow(message("MSG_SAVED_MAXMB"), m_maxMegabytes);
    form->addRow(message("MSG_SAVED_MAXDAYS"), m_maxDays);
    auto *floorRow = new QHBoxLayout;
    floorRow->addWidget(m_automaticFloor);
    floorRow->addWidget(m_minFree, 1);
    form->addRow(message("MSG_SAVED_MINFREE"), floorRow);

    m_table = new QTableWidget(static_cast<int>(cameras.size()), ColumnCount, this);
    m_table->setObjectName(QStringLiteral("grdCameras"));
    m_table->setHorizontalHeaderLabels({message("MSG_SAVED_COLCAMERA"), message("MSG_SAVED_COLCOUNT"),
                                        message("MSG_SAVED_COLSIZE"), message("MSG_SAVED_COLOWN"),
                                        message("MSG_SAVED_MAXMB"), message("MSG_SAVED_MAXDAYS")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < cameras.size(); ++row) {
        const QString &camera = cameras[row];
        const bool own = settings.cameraLimits.contains(camera);
        const RetentionLimits limits = settings.limitsFor(camera);
        m_table->setItem(row, CameraColumn, new QTableWidgetItem(camera));
        for (const int column : {CountColumn, SizeColumn}) {
            auto *item = new QTableWidgetItem(QStringLiteral("…"));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
        auto *ownBox = new QCheckBox(m_table);
        ownBox->setChecked(own);
        m_table->setCellWidget(row, OwnColumn, ownBox);
        auto *megabytes = spinBox("txtCameraMaxMegabytes", MaxMegabytes);
        megabytes->setValue(static_cast<int>(std::min<qint64>(limits.maxMegabytes, MaxMegabytes)));
        megabytes->setEnabled(own);
        m_table->setCellWidget(row, MegabytesColumn, megabytes);
        auto *days = spinBox("txtCameraMaxDays", MaxDays);
        days->setValue(std::min(limits.maxDays, MaxDays));
        days->setEnabled(own);
        m_table->setCellWidget(row, DaysColumn, days);
        connect(ownBox, &QCheckBox::toggled, this, [megabytes, days](bool on) {
            megabytes->setEnabled(on);
            days->setEnabled(on);
        });
    }

    auto *save = new QPushButton(message("MSG_SAVED_SAVE"), this);
    save->setObjectName(QStringLiteral("cmdSave"));
    save->setDefault(true);
    auto *closeButton = new QPushButton(message("MSG_SAVED_CLOSE"), this);
    closeButton->setObjectName(QStringLiteral("cmdClose"));
    connect(save, &QPushButton::clicked, this, [this] { emit settingsSaved(this->settings()); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(closeButton);

    auto *hint = new QLabel(message("MSG_SAVED_HINT"), this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setTextFormat(Qt::PlainText);
    hint->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    // Counting reads the whole folder: on a worker.
    QPointer<SavedPicturesWindow> self(this);
    QThreadPool::globalInstance()->start([self, folder, cameras] {
        QHash<QString, Count> counts;
        const NamePattern pattern;
        for (const QString &camera : cameras) {
            const SavedPictureIndex index
                = SavedPictureIndex::scan(folder, camera, cameras, pattern, {SavedPictureIndex::Ownership::Likely, true});
            counts.insert(camera, {index.size(), index.totalBytes()});
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, counts] {
            if (self)
                self->showCounts(counts);
        }, Qt::QueuedConnection);
    });
}

SavedPicturesWindow *SavedPicturesWindow::open(QPointer<SavedPicturesWindow> &holder, const QString &folder,
                                               const QStringList &cameras, const SavedPicturesSettings &settings,
                                               const LanguageTable &languages, QWidget *owner)
{
    return showModeless(holder, [&] { return new SavedPicturesWindow(folder, cameras, settings, languages, owner); });
}

QSpinBox *SavedPicturesWindow::spinBox(const char *name, int maximum)
{
    auto *box = new QSpinBox(this);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, maximum);
    return box;
}

SavedPicturesSettings SavedPicturesWindow::settings() const
{
    SavedPicturesSettings settings;
    settings.limits = {m_maxMegabytes->value(), m_maxDays->value()};
    if (!m_automaticFloor->isChecked())
        settings.minFreeMegabytes = m_minFree->value();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const auto *own = qobject_cast<const QCheckBox *>(m_table->cellWidget(row, OwnColumn));
        if (!own || !own->isChecked())
            continue;
        const auto *megabytes = qobject_cast<const QSpinBox *>(m_table->cellWidget(row, MegabytesColumn));
        const auto *days = qobject_cast<const QSpinBox *>(m_table->cellWidget(row, DaysColumn));
        settings.cameraLimits.insert(m_cameras.value(row), {megabytes->value(), days->value()});
    }
    return settings;
}

void SavedPicturesWindow::showCounts(const QHash<QString, Count> &counts)
{
    const QLocale locale;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const Count count = counts.value(m_cameras.value(row));
        m_table->item(row, CountColumn)->setText(locale.toString(count.pictures));
        m_table->item(row, SizeColumn)
            ->setText(locale.formattedDataSize(count.bytes, 1, QLocale::DataSizeTraditionalFormat));
    }
    m_countsReady = true;
    emit countsLoaded();
}

void SavedPicturesWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
