// SPDX-License-Identifier: GPL-3.0-or-later
// The 24 engines together without a window: opening cameras of the list into slots, the
// limit of 24, cameras already open, stop all and edits passed to open cameras.

#include "monitor/CameraMonitor.h"
#include "support/CameraListFixture.h"
#include "support/TempAppFolder.h"

#include <QTest>

using namespace fixture;

namespace {

// A camera list of `count` cameras "Cam0", "Cam1", ... in a fresh application folder.
QList<Camera> numberedCameras(int count)
{
    QList<Camera> cameras;
    for (int i = 0; i < count; ++i)
        cameras.append({QStringLiteral("Cam%1").arg(i), QStringLiteral("http://127.0.0.1:9/%1.jpg").arg(i)});
    return cameras;
}

QList<int> openSlots(const CameraMonitor &monitor)
{
    QList<int> open;
    for (int slot = 0; slot < CameraMonitor::SlotCount; ++slot) {
        if (monitor.camera(slot)->isOpen())
            open.append(slot);
    }
    return open;
}

} // namespace

class TestCameraMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensIntoFirstClosedSlot();
    void refusesTheTwentyFifth();
    void cameraAlreadyOpenIsNotOpenedAgain();
    void namesNotInTheListOpenNothing_data();
    void namesNotInTheListOpenNothing();
    void duplicateNamesOpenTheFirstRecord();
    void stopAllClosesExactlyTheOpenSlots();
    void editReachesOnlyOpenCamerasOfThatName();
};

void TestCameraMonitor::opensIntoFirstClosedSlot()
{
    TempAppFolder folder;
    folder.write(CameraListFile::FileName, camListBytes(numberedCameras(8)));
    CameraMonitor monitor;
    for (int i = 0; i < 6; ++i)
        QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Cam%1").arg(i)), i);
    QCOMPARE(monitor.openCount(), 6);
    // After closing slot 3 of slots 0 to 5, the next camera goes into slot 3.
    monitor.camera(3)->stop();
    QCOMPARE(monitor.openCount(), 5);
    QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Cam7")), 3);
    QCOMPARE(monitor.camera(3)->record().name, QStringLiteral("Cam7"));
    QCOMPARE(monitor.camera(3)->record().url, QStringLiteral("http://127.0.0.1:9/7.jpg"));
    QCOMPARE(monitor.camera(3)->caption(), QStringLiteral("Cam7"));
}

void TestCameraMonitor::refusesTheTwentyFifth()
{
    TempAppFolder folder;
    folder.write(CameraListFile::FileName, camListBytes(numberedCameras(25)));
    CameraMonitor monitor;
    for (int i = 0; i < 24; ++i)
        QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Cam%1").arg(i)), i);
    QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Cam24")), -1);
    QCOMPARE(monitor.openByName(QStringLiteral("Cam24")), -1);
    QCOMPARE(monitor.openCount(), 24);
}

void TestCameraMonitor::cameraAlreadyOpenIsNotOpenedAgain()
{
    TempAppFolder folder;
    folder.write(CameraListFile::FileName, camListBytes(numberedCameras(2)));
    CameraMonitor monitor;
    QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Cam1")), 0);
    QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Cam1")), -1);
    QCOMPARE(openSlots(monitor), QList<int>{0});
    // The comparison is exact: another letter case is another camera name.
    QVERIFY(!monitor.hasCaption(QStringLiteral("cam1")));
}

void TestCameraMonitor::namesNotInTheListOpenNothing_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("name");
    QTest::newRow("empty name") << camListBytes(numberedCameras(1)) << QString();
    QTest::newRow("unknown name") << camListBytes(numberedCameras(1)) << QStringLiteral("Nowhere");
    // Markers in other letter case or places are listed, but a record is found only by a
    // line that is exactly the marker and the name.
    QTest::newRow("marker in capitals") << QByteArray("\r\n[NAME]Porch\r\nhttp://h/p.jpg\r\n60\r\n\r\n")
                                        << QStringLiteral("Porch");
    QTest::newRow("marker after the name") << QByteArray("\r\nGate[name]\r\nhttp://h/g.jpg\r\n5\r\n")
                                           << QStringLiteral("Gate");
    // A closed slot's placeholder caption counts as a camera already open.
    QTest::newRow("placeholder caption")
        << camListBytes({{CameraEngine::NeverOpenedCaption, QStringLiteral("http://127.0.0.1:9/w.jpg")}})
        << CameraEngine::NeverOpenedCaption;
}

void TestCameraMonitor::namesNotInTheListOpenNothing()
{
    QFETCH(QByteArray, list);
    QFETCH(QString, name);
    TempAppFolder folder;
    folder.write(CameraListFile::FileName, list);
    CameraMonitor monitor;
    QCOMPARE(monitor.openIfNotOpen(name), -1);
    QCOMPARE(monitor.openCount(), 0);
}

void TestCameraMonitor::duplicateNamesOpenTheFirstRecord()
{
    TempAppFolder folder;
    folder.write(CameraListFile::FileName,
                 camListBytes({{QStringLiteral("Twin"), QStringLiteral("http://127.0.0.1:9/first.jpg")},
                               {QStringLiteral("Twin"), QStringLiteral("http://127.0.0.1:9/second.jpg")}}));
    CameraMonitor monitor;
    QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Twin")), 0);
    QCOMPARE(monitor.camera(0)->record().url, QStringLiteral("http://127.0.0.1:9/first.jpg"));
    QCOMPARE(monitor.openIfNotOpen(QStringLiteral("Twin")), -1);
}

void TestCameraMonitor::stopAllClosesExactlyTheOpenSlots()
{
    TempAppFolder folder;
    folder.write(CameraListFile::FileName, camListBytes(numberedCameras(30)));
    CameraMonitor monitor;
    for (int i = 0; i < 3; ++i)
        monitor.openIfNotOpen(QStringLiteral("Cam%1").arg(i));
    QList<int> stopped;
    for (int slot = 0; slot < CameraMonitor::SlotCount; ++slot)
        connect(monitor.camera(slot), &CameraEngine::stopped, this, [&stopped, slot] { stopped.append(slot); });
    monitor.stopAll();
    QCOMPARE(stopped, (QList<int>{0, 1, 2}));
    QCOMPARE(monitor.openCount(), 0);
    // Opening afterwards fills slots from 0 again, at most 24.
    for (int i = 3; i < 30; ++i)
        monitor.openIfNotOpen(QStringLiteral("Cam%1").arg(i));
    QCOMPARE(monitor.openCount(), 24);
    QCOMPARE(monitor.camera(0)->record().name, QStringLiteral("Cam3"));
}

void TestCameraMonitor::editReachesOnlyOpenCamerasOfThatName()
{
    TempAppFolder folder;
    folder.write(CameraListFile::FileName,
                 camListBytes({{QStringLiteral("Garden"), QStringLiteral("http://127.0.0.1:9/g.jpg")},
                               {QStringLiteral("Gate"), QStringLiteral("http://127.0.0.1:9/t.jpg")}}));
    CameraMonitor monitor;
    monitor.openIfNotOpen(QStringLiteral("Gate"));
    monitor.openIfNotOpen(QStringLiteral("Garden"));
    monitor.camera(0)->stop();
    const CameraEngine::CameraRecord yard {QStringLiteral("Yard"), QStringLiteral("http://127.0.0.1:9/y.jpg"),
                                           QStringLiteral("15")};
    monitor.applyEdit(QStringLiteral("Garden"), yard);
    QCOMPARE(monitor.camera(1)->record().name, QStringLiteral("Yard"));
    QCOMPARE(monitor.camera(1)->record().refresh, QStringLiteral("15"));
    QCOMPARE(monitor.camera(1)->caption(), QStringLiteral("Yard"));
    // A closed slot is left alone, even under a placeholder caption a camera is named after.
    monitor.applyEdit(CameraEngine::StoppedCaption, yard);
    QCOMPARE(monitor.camera(0)->record().name, QStringLiteral("Gate"));
    QCOMPARE(monitor.camera(0)->caption(), CameraEngine::StoppedCaption);
}

QTEST_GUILESS_MAIN(TestCameraMonitor)
#include "tst_cameramonitor.moc"
