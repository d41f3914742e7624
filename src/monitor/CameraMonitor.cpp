// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/CameraMonitor.h"

#include "imaging/JpegWriter.h"

#include <QFileInfo>

#include <algorithm>

CameraMonitor::CameraMonitor(QObject *parent)
    : QObject(parent)
    , m_decodes(&CameraMonitor::writeNewPicture)
{
    for (int slot = 0; slot < SlotCount; ++slot)
        m_cameras[static_cast<size_t>(slot)] = new CameraEngine(slot, &m_saving, &m_decodes, this);
}

QString CameraMonitor::writeNewPicture(const QString &path, const QByteArray &jpeg)
{
    const QFileInfo target(path);
    return saveJpegAsNewFile(target.path(), target.fileName(), jpeg);
}

void CameraMonitor::setCertificatePins(CertificatePins *pins)
{
    for (CameraEngine *camera : m_cameras)
        camera->setCertificatePins(pins);
}

int CameraMonitor::openCount() const
{
    return static_cast<int>(
        std::count_if(m_cameras.begin(), m_cameras.end(), [](const CameraEngine *c) { return c->isOpen(); }));
}

bool CameraMonitor::hasCaption(const QString &name) const
{
    return std::any_of(m_cameras.begin(), m_cameras.end(),
                       [&name](const CameraEngine *c) { return c->caption() == name; });
}

int CameraMonitor::openIfNotOpen(const QString &name, int firstFetchDelayMs)
{
    if (openCount() >= SlotCount || hasCaption(name))
        return -1;
    return openByName(name, firstFetchDelayMs);
}

int CameraMonitor::openByName(const QString &name, int firstFetchDelayMs)
{
    if (name.isEmpty())
        return -1;
    CameraEngine::CameraRecord record;
    if (!CameraListFile::findCameraRecord(name, record))
        return -1;
    for (CameraEngine *camera : m_cameras) {
        if (!camera->isOpen()) {
            camera->open(record, firstFetchDelayMs);
            return camera->slot();
        }
    }
    return -1;
}

QStringList CameraMonitor::openCameraNames() const
{
    QStringList names;
    for (const CameraEngine *camera : m_cameras)
        names.append(camera->isOpen() ? camera->record().name : QString());
    return names;
}

QList<int> CameraMonitor::reopen(const QStringList &names)
{
    QList<int> opened;
    const int count = std::min<int>(names.size(), SlotCount);
    for (int slot = 0; slot < count; ++slot) {
        const QString &name = names[slot];
        CameraEngine::CameraRecord record;
        if (name.isEmpty() || camera(slot)->isOpen() || hasCaption(name)
            || !CameraListFile::findCameraRecord(name, record))
            continue;
        camera(slot)->open(record, slot * 1000 / SlotCount);
        opened.append(slot);
    }
    return opened;
}

void CameraMonitor::stopAll()
{
    for (CameraEngine *camera : m_cameras) {
        if (camera->isOpen())
            camera->stop();
    }
}

void CameraMonitor::applyEdit(const QString &previousName, const CameraEngine::CameraRecord &edited)
{
    // Only open cameras: a closed slot keeps a placeholder caption that a camera may happen
    // to be named after.
    for (CameraEngine *camera : m_cameras) {
        if (camera->isOpen() && camera->caption() == previousName)
            camera->updateRecord(edited);
    }
}
