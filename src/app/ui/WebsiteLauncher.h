#pragma once

#include <QString>
#include <QWidget>

class QTimer;

// What the website launcher is to open: "Website" asks for the product website;
// empty otherwise. The launcher empties it once it has handed the address on.
extern QString WebsiteRequest;

// The website launcher: a window that is never shown (no border, not in the task
// bar). Loading it hands the product website to the desktop's browser; it unloads
// itself one second (Timer1) after it was loaded.
class WebsiteLauncher : public QWidget
{
    Q_OBJECT
public:
    WebsiteLauncher();

    // Loads a launcher and runs its load, unless one is still loaded: then
    // nothing happens and WebsiteRequest keeps its value.
    static void launch();
    // The loaded launcher, if any.
    static WebsiteLauncher *instance();

    // The address handed to the browser for the identity's `website`: unchanged when
    // it holds "http://" or "https://" anywhere (any letter case), otherwise
    // "http://" + website.
    static QString websiteAddress(const QString &website);

    // With WebsiteRequest "Website": reloads the identity, opens websiteAddress() of
    // its website and empties WebsiteRequest. Any other request does nothing. A
    // browser that cannot be started is not reported.
    void load();
    // Unloads (deletes) the launcher.
    void Timer1_Timer();

    QTimer *Timer1 = nullptr;   // 1000 ms, running from the start
};
