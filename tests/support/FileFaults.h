// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

// Ways to make writes and reads of files fail that hold for root as well.

// While alive, no regular file of this process can grow beyond `bytes`: a write past
// the limit fails with EFBIG (SIGXFSZ is ignored meanwhile). Root is bound by it too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_previous {};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

// While alive, a process running as root acts as the user "nobody" (uid 65534) for
// file access, so that permission bits apply; a process of another user is left as
// it is.
class AsUnprivilegedUser
{
public:
    AsUnprivilegedUser()
    {
        if (geteuid() == 0)
            m_dropped = seteuid(65534) == 0;
        m_active = geteuid() != 0;
    }
    ~AsUnprivilegedUser()
    {
        if (m_dropped && seteuid(0) != 0)
            std::abort();
    }
    AsUnprivilegedUser(const AsUnprivilegedUser &) = delete;
    AsUnprivilegedUser &operator=(const AsUnprivilegedUser &) = delete;

    bool active() const { return m_active; }

private:
    bool m_dropped = false;
    bool m_active = false;
};

// Lets every user create and remove files in `folder` (mode 0777).
inline bool openToEveryone(const QString &folder)
{
    return QFile::setPermissions(folder,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
            | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
            | QFileDevice::WriteOther | QFileDevice::ExeOther);
}
