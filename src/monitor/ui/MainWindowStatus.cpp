// SPDX-License-Identifier: GPL-3.0-or-later
// How each camera is, in words: its slot's tooltip and badge, the viewer's status row, the
// slot's context menu and the certificate window of an https camera.

#include "monitor/ui/MainWindow.h"

#include "monitor/CameraMonitor.h"
#include "monitor/PictureAcceptance.h"
#include "monitor/ui/CertificateWindow.h"
#include "monitor/ui/SlotView.h"
#include "platform/Clock.h"
#include "platform/ui/MessageBoxes.h"

#include <QMenu>

namespace {

// A picture older than this many intervals is marked as old.
constexpr qint64 StaleIntervals = 3;

} // namespace

QString MainWindow::outcomeWords(const FetchOutcome &outcome) const
{
    return outcomeText(outcome, [this](const QString &key) { return m_languages.message(key); });
}

QString MainWindow::ageText(qint64 seconds) const
{
    seconds = std::max<qint64>(0, seconds);
    if (seconds < 120)
        return m_languages.message(QStringLiteral("MSG_AGE_SECONDS")).arg(seconds);
    if (seconds < 120 * 60)
        return m_languages.message(QStringLiteral("MSG_AGE_MINUTES")).arg(seconds / 60);
    if (seconds < 48 * 3600)
        return m_languages.message(QStringLiteral("MSG_AGE_HOURS")).arg(seconds / 3600);
    return m_languages.message(QStringLiteral("MSG_AGE_DAYS")).arg(seconds / 86400);
}

void MainWindow::showCameraState(int slot)
{
    const CameraEngine *camera = m_cameras->camera(slot);
    if (!camera->isOpen())
        return;
    const QDateTime now = Clock::now();
    QStringList lines {camera->record().name,
                       m_languages.message(QStringLiteral("MSG_SLOT_ADDRESS")).arg(camera->shownAddress())};
    const std::optional<FetchOutcome> &outcome = camera->lastOutcome();
    lines.append(outcome ? outcomeWords(*outcome) : m_languages.message(QStringLiteral("MSG_SLOT_WAITING")));
    const QDateTime &pictureAt = camera->lastPictureAt();
    const qint64 age = pictureAt.isValid() ? pictureAt.secsTo(now) : 0;
    lines.append(pictureAt.isValid() ? m_languages.message(QStringLiteral("MSG_SLOT_LASTPICTURE"))
                                           .arg(refreshedStamp(pictureAt, m_displayLocale), ageText(age))
                                     : m_languages.message(QStringLiteral("MSG_SLOT_NOPICTURE")));

    SlotView::Mark mark = SlotView::Mark::None;
    if (outcome && outcome->kind != FetchOutcomeKind::Picture)
        mark = SlotView::Mark::Failed;
    else if (pictureAt.isValid() && age > StaleIntervals * std::max<qint64>(1, camera->refreshSeconds()))
        mark = SlotView::Mark::Stale;
    m_slots[static_cast<size_t>(slot)]->showState(mark, lines.join(QLatin1Char('\n')));
}

void MainWindow::showSlotMenu(int slot, const QPoint &globalPos)
{
    const CameraEngine *camera = m_cameras->camera(slot);
    if (!camera->isOpen())
        return;
    QMenu menu(this);
    QAction *certificate = menu.addAction(m_languages.message(QStringLiteral("MSG_MENU_CERTIFICATE")));
    certificate->setObjectName(QStringLiteral("actCertificate"));
    certificate->setEnabled(camera->lastOutcome() && isCertificateOutcome(camera->lastOutcome()->kind));
    connect(certificate, &QAction::triggered, this, [this, slot] { openCertificate(slot); });
    addHistoryItem(menu, slot);
    menu.exec(globalPos);
}

void MainWindow::openCertificate(int slot)
{
    const CameraEngine *camera = m_cameras->camera(slot);
    if (!camera->lastOutcome() || !isCertificateOutcome(camera->lastOutcome()->kind))
        return;
    CertificateWindow *window = CertificateWindow::open(m_certificateWindow, camera->record().name,
                                                        *camera->lastOutcome(), m_languages, this);
    connect(window, &CertificateWindow::trustRequested, this,
            [this, slot](const FetchOutcome &outcome) { trustCertificate(slot, outcome); });
}

void MainWindow::trustCertificate(int slot, const FetchOutcome &outcome)
{
    if (!m_pins.pin(outcome.host, outcome.port, outcome.certificate.value_or(QSslCertificate()))) {
        showMessage(this, QMessageBox::Warning, windowTitle(),
                    m_languages.message(QStringLiteral("MSG_CERT_NOTSAVED")).arg(m_pins.errorString()));
        return;
    }
    CameraEngine *camera = m_cameras->camera(slot);
    if (camera->isOpen())
        camera->refresh();
}
