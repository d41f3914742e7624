#pragma once

#include "camlist/CameraListFile.h"
#include "camlist/ui/CameraListHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

// A main window stand-in: a real list box filled from the camera list file, and a
// record of the edits passed on to the open slots.
class TestHost : public CameraListHost
{
public:
    struct SlotEdit
    {
        QString previousName, name, url, refresh;
        bool operator==(const SlotEdit &) const = default;
    };

    TestHost()
        : m_window(new QWidget)
        , m_list(new QListWidget(m_window))
    {
        m_window->setObjectName(QStringLiteral("Form1"));
    }
    ~TestHost() override { delete m_window; } // deletes the dialogs it owns

    QListWidget *cameraListBox() override { return m_list; }
    QWidget *hostWindow() override { return m_window; }
    void refillCameraList() override
    {
        ++refills;
        m_list->clear();
        m_list->addItems(CameraListFile::readCameraNames());
    }
    void ApplyEditToOpenSlots(
        const QString &previousName, const QString &name, const QString &url, const QString &refresh) override
    {
        edits.append({previousName, name, url, refresh});
    }

    QStringList names() const
    {
        QStringList all;
        for (int i = 0; i < m_list->count(); ++i)
            all.append(m_list->item(i)->text());
        return all;
    }
    // Makes the first entry called `name` the current, selected one.
    void select(const QString &name)
    {
        const QList<QListWidgetItem *> found = m_list->findItems(name, Qt::MatchExactly);
        if (!found.isEmpty())
            m_list->setCurrentItem(found.first());
    }

    int refills = 0;
    QList<SlotEdit> edits;

private:
    QWidget *m_window;
    QListWidget *m_list;
};

// Answers every message box that opens while it lives with its OK button, and keeps
// what the boxes said.
class MessageBoxWatcher : public QObject
{
public:
    MessageBoxWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &MessageBoxWatcher::answer);
        m_timer.start(10);
    }

    int shown = 0;
    QString text;
    QString title;
    int buttonCount = 0;

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++shown;
        text = box->text();
        title = box->windowTitle();
        buttonCount = static_cast<int>(box->buttons().size());
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    }

    QTimer m_timer;
};
