// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"
#include "platform/ui/PermissionDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
const QString kProgram = QStringLiteral("Ocellus");
const QString kSection = QStringLiteral("Settings");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Answers every message box that becomes modal: the planned buttons in turn, Abort
// once they run out, so an unexpected box ends the call instead of hanging the test.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QList<QMessageBox::StandardButton> answers)
        : m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::look);
        m_timer.start(20);
    }

    std::function<void()> beforeAnswer;
    int seen = 0;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QWidget *parent = nullptr;

private:
    void look()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_last)
            return;
        m_last = box;
        ++seen;
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        parent = box->parentWidget();
        const QMessageBox::StandardButton answer = seen <= m_answers.size() ? m_answers[seen - 1] : QMessageBox::Abort;
        if (beforeAnswer)
            beforeAnswer();
        box->button(answer)->click();
    }

    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};
} // namespace

class TestPermissionDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void abortEndsSave();
    void retryWritesOnceFreed();
    void ignoreSilencesLaterFailures();
    void savesThatSucceedAskNothing();

private:
    QString machineBlocker() const { return m_root->filePath(QStringLiteral("machine/Quillmark")); }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<QWidget> m_mainWindow;
};

void TestPermissionDialog::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    qputenv("OCELLUS_USER_SETTINGS_ROOT", QFile::encodeName(m_root->filePath(QStringLiteral("user"))));
    qputenv("OCELLUS_MACHINE_SETTINGS_ROOT", QFile::encodeName(m_root->filePath(QStringLiteral("machine"))));
    setMachineSettingsCompany(QStringLiteral("Quillmark"));
    // Regular files where the folders of the machine file and of its overlay belong:
    // nothing can be written there, root included.
    QVERIFY(writeFile(machineBlocker(), "x"));
    QVERIFY(writeFile(m_root->filePath(QStringLiteral("user/VirtualStore/Quillmark")), "x"));
    m_mainWindow = std::make_unique<QWidget>();
    m_mainWindow->show();
    installPermissionDialog(m_mainWindow.get());
}

void TestPermissionDialog::cleanup()
{
    setPermissionPrompt({});
    m_mainWindow.reset();
    m_root.reset();
}

void TestPermissionDialog::abortEndsSave()
{
    BoxAnswerer answerer({QMessageBox::Abort});
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(answerer.seen, 1);
    QCOMPARE(answerer.title, QStringLiteral("Permission Denied"));
    QCOMPARE(answerer.text,
             QStringLiteral("Ocellus requires read/write access to the system registry and hard drive in order to run "
                            "properly.  This user account does not have the proper permissions set.  As a result some "
                            "or all of your settings may not be properly saved.  Please contact your system "
                            "administrator or change the permission settings for this account.\n\nIf you would like "
                            "to prevent this error message from being displayed again, please press 'Ignore'."));
    QCOMPARE(answerer.buttons, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    QCOMPARE(answerer.parent, m_mainWindow.get());

    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("0"));
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("IgnorePermissionDeniedError"), QStringLiteral("0")),
             QStringLiteral("0"));
}

void TestPermissionDialog::retryWritesOnceFreed()
{
    BoxAnswerer answerer({QMessageBox::Retry});
    answerer.beforeAnswer = [this] { QFile::remove(machineBlocker()); };
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(answerer.seen, 1);
    QVERIFY(QFile::exists(machineSettingsFilePath(kProgram)));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("1"));
}

void TestPermissionDialog::ignoreSilencesLaterFailures()
{
    BoxAnswerer answerer({QMessageBox::Ignore});
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(answerer.seen, 1);
    QCOMPARE(userSetting(kProgram, kSection, QStringLiteral("IgnorePermissionDeniedError"), QStringLiteral("0")),
             QStringLiteral("1"));
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("0"));

    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(answerer.seen, 1);
}

void TestPermissionDialog::savesThatSucceedAskNothing()
{
    BoxAnswerer answerer({});
    QVERIFY(QFile::remove(machineBlocker()));
    saveMachineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("1"));
    QCOMPARE(answerer.seen, 0);
    QCOMPARE(machineSetting(kProgram, kSection, QStringLiteral("autoSave"), QStringLiteral("0")),
             QStringLiteral("1"));
}

QTEST_MAIN(TestPermissionDialog)
#include "tst_permission.moc"
