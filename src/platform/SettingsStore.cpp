// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"

#include "platform/AtomicFile.h"
#include "platform/FolderCreation.h"
#include "platform/OperationError.h"
#include "platform/RegistryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Registry status codes that the errors of machineSetting carry.
constexpr int kStatusOk = 0;
constexpr int kStatusNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr int kStatusAccessDenied = 5;   // ERROR_ACCESS_DENIED
constexpr int kStatusCorrupt = 1009;     // ERROR_BADDB

constexpr qint64 kMaxStoreFileSize = 1 << 20;
constexpr int kLockWaitMs = 2000;

constexpr qint32 kErrAppNameEmpty = -2147220504;
constexpr qint32 kErrSectionEmpty = -2147220503;
constexpr qint32 kErrKeyEmpty = -2147220502;
constexpr qint32 kErrRegistryBase = -2147219504;

const QString kErrorSource = QStringLiteral("SettingsStore");
const QString kPermissionTitle = QStringLiteral("Permission Denied");
const QString kSettingsSection = QStringLiteral("Settings");
const QString kIgnoreKey = QStringLiteral("IgnorePermissionDeniedError");

QString g_company;
PermissionPrompt g_prompt;

// Base number plus a status or type, wrapping like a 32-bit register.
qint32 registryErrorNumber(quint32 offset)
{
    return static_cast<qint32>(static_cast<quint32>(kErrRegistryBase) + offset);
}

QString userRoot()
{
    const QString root = qEnvironmentVariable("OCELLUS_USER_SETTINGS_ROOT");
    if (!root.isEmpty())
        return root;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString machineRoot()
{
    const QString root = qEnvironmentVariable("OCELLUS_MACHINE_SETTINGS_ROOT");
    return root.isEmpty() ? QStringLiteral("/etc/xdg") : root;
}

// A trimmed name made safe as one path component.
QString fileComponent(const QString &name)
{
    QString part = name.trimmed();
    part.replace(u'/', u'_');
    part.replace(u'\\', u'_');
    part.replace(QChar(u'\0'), u'_');
    if (part == QLatin1String(".") || part == QLatin1String(".."))
        part = QStringLiteral("_");
    return part;
}

QString registryFileName(const QString &root, const QString &program)
{
    return QDir::cleanPath(root + QLatin1Char('/') + fileComponent(g_company) + QLatin1Char('/')
                           + fileComponent(program) + QStringLiteral(".reg"));
}

QString keyPathOf(const QString &program, const QString &section)
{
    return QStringLiteral("SOFTWARE\\") + g_company.trimmed() + QLatin1Char('\\') + program.trimmed()
           + QLatin1Char('\\') + section.trimmed();
}

struct LoadedFile
{
    int status = kStatusNotFound;
    RegistryFile file;
};

// Reads a store file. Status 2 when it does not exist, 5 when this account may not
// open it, 1009 when it is not a regular file, too large, unreadable or corrupt.
LoadedFile loadStoreFile(const QString &path)
{
    LoadedFile result;
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: a FIFO in the file's place must not block the open.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            result.status = kStatusNotFound;
        else if (errno == EACCES || errno == EPERM)
            result.status = kStatusAccessDenied;
        else
            result.status = kStatusCorrupt;
        return result;
    }
    result.status = kStatusCorrupt;
    struct stat st {};
    QByteArray bytes;
    bool readOk = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxStoreFileSize;
    if (readOk) {
        bytes.resize(static_cast<qsizetype>(st.st_size) + 1);
        qsizetype filled = 0;
        for (;;) {
            const ssize_t n = ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                readOk = false;
                break;
            }
            if (n == 0)
                break;
            filled += n;
            if (filled == bytes.size()) {
                // The file grew while being read; allow up to the limit.
                if (bytes.size() > kMaxStoreFileSize) {
                    readOk = false;
                    break;
                }
                bytes.resize(std::min<qsizetype>(bytes.size() * 2, kMaxStoreFileSize + 1));
            }
        }
        bytes.truncate(filled);
    }
    ::close(fd);
    if (readOk && RegistryFile::parse(bytes, &result.file))
        result.status = kStatusOk;
    return result;
}

// Creates `folder` with its missing parents; with `everyoneReads` the folders
// created are 0755 whatever the umask.
bool ensureFolder(const QString &folder, bool everyoneReads)
{
    if (QFileInfo(folder).isDir())
        return true;
    return everyoneReads ? createFolderPath(folder, 0755, true) : createFolderPath(folder, 0777);
}

enum class Change { Set, Remove };

// Applies one change to the store file at `path` under its lock and writes it back
// through a temporary file. False when the folder, the lock or the file cannot be
// written, or the existing file cannot be read (it is then left as it is).
bool changeStoreFile(const QString &path, bool everyoneReads, Change change, const QString &keyPath,
                     const QString &name, const QString &value)
{
    if (!ensureFolder(QFileInfo(path).absolutePath(), everyoneReads))
        return false;
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return false;

    LoadedFile loaded = loadStoreFile(path);
    if (loaded.status != kStatusOk && loaded.status != kStatusNotFound)
        return false;
    if (change == Change::Set) {
        if (!loaded.file.setString(keyPath, name, value))
            return false;
    } else if (!loaded.file.removeValue(keyPath, name)) {
        return true;
    }

    // A new machine file is readable by everyone whatever the umask; a replaced one keeps
    // its bits.
    const auto permissions
        = everyoneReads ? AtomicFile::Permissions::EveryoneReads : AtomicFile::Permissions::Default;
    return AtomicFile::replace(path, loaded.file.serialize(), {.permissions = permissions}).ok();
}

// One attempt of saveMachineSetting: the machine file, else the overlay.
bool writeMachineValue(const QString &program, const QString &keyPath, const QString &name,
                       const QString &value)
{
    const QString machine = machineSettingsFilePath(program);
    const QString overlay = machineOverlayFilePath(program);
    if (changeStoreFile(machine, true, Change::Set, keyPath, name, value)) {
        // The overlay would hide the value just written.
        const LoadedFile shadow = loadStoreFile(overlay);
        if (shadow.status == kStatusOk && shadow.file.value(keyPath, name))
            return changeStoreFile(overlay, false, Change::Remove, keyPath, name, QString());
        return true;
    }
    return changeStoreFile(overlay, false, Change::Set, keyPath, name, value);
}

bool blank(const QString &s) { return s.trimmed().isEmpty(); }

bool holdsLineBreak(const QString &s) { return s.contains(u'\n') || s.contains(u'\r'); }

} // namespace

QString userSettingsFilePath(const QString &program)
{
    const QString part = fileComponent(program);
    return QDir::cleanPath(userRoot() + QLatin1Char('/') + part + QLatin1Char('/') + part + QStringLiteral(".ini"));
}

QString machineSettingsFilePath(const QString &program) { return registryFileName(machineRoot(), program); }

QString machineOverlayFilePath(const QString &program)
{
    return registryFileName(userRoot() + QStringLiteral("/VirtualStore"), program);
}

QString userSetting(const QString &program, const QString &section, const QString &key,
                       const QString &defaultValue)
{
    if (blank(program) || blank(section) || blank(key))
        return defaultValue;
    QSettings settings(userSettingsFilePath(program), QSettings::IniFormat);
    settings.beginGroup(section);
    const QVariant stored = settings.value(key);
    if (!stored.isValid())
        return defaultValue;
    // An unquoted "a, b" written by hand reads as a list.
    if (stored.userType() == QMetaType::QStringList)
        return stored.toStringList().join(QStringLiteral(", "));
    return stored.toString();
}

void saveUserSetting(const QString &program, const QString &section, const QString &key, const QString &value)
{
    if (blank(program) || blank(section) || blank(key))
        return;
    QSettings settings(userSettingsFilePath(program), QSettings::IniFormat);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
}

QStringList userSettingList(const QString &program, const QString &section, const QString &key)
{
    if (blank(program) || blank(section) || blank(key))
        return {};
    QSettings settings(userSettingsFilePath(program), QSettings::IniFormat);
    settings.beginGroup(section);
    return settings.value(key).toStringList();
}

void saveUserSettingList(const QString &program, const QString &section, const QString &key,
                         const QStringList &values)
{
    if (blank(program) || blank(section) || blank(key))
        return;
    QSettings settings(userSettingsFilePath(program), QSettings::IniFormat);
    settings.beginGroup(section);
    settings.setValue(key, values);
    settings.endGroup();
    settings.sync();
}

QString machineSetting(const QString &program, const QString &section, const QString &key,
                          const QString &defaultValue)
{
    if (blank(program))
        throw OperationError(kErrAppNameEmpty, kErrorSource, QStringLiteral("AppName may not be empty"));
    if (blank(section))
        throw OperationError(kErrSectionEmpty, kErrorSource, QStringLiteral("Section may not be empty"));
    if (blank(key))
        throw OperationError(kErrKeyEmpty, kErrorSource, QStringLiteral("Key may not be empty"));

    const QString keyPath = keyPathOf(program, section);
    const auto openFailure = [](int status) {
        return OperationError(registryErrorNumber(static_cast<quint32>(status)), kErrorSource,
                       QStringLiteral("Could not open registry section"));
    };

    const LoadedFile overlay = loadStoreFile(machineOverlayFilePath(program));
    if (overlay.status != kStatusOk && overlay.status != kStatusNotFound)
        throw openFailure(overlay.status);
    LoadedFile machine;
    const RegistryValue *found = overlay.status == kStatusOk ? overlay.file.value(keyPath, key) : nullptr;
    if (!found) {
        machine = loadStoreFile(machineSettingsFilePath(program));
        if (machine.status != kStatusOk && machine.status != kStatusNotFound)
            throw openFailure(machine.status);
        if (machine.status == kStatusOk)
            found = machine.file.value(keyPath, key);
    }
    if (!found)
        return defaultValue;
    if (found->type != RegistryType::String)
        throw OperationError(registryErrorNumber(found->type), kErrorSource, QStringLiteral("Registry data not a string"));
    return found->text;
}

void saveMachineSetting(const QString &program, const QString &section, const QString &key, const QString &value)
{
    // The registry would refuse such a key path; its status is not examined.
    if (blank(program) || blank(section) || holdsLineBreak(program) || holdsLineBreak(section)
        || holdsLineBreak(g_company))
        return;
    const QString keyPath = keyPathOf(program, section);
    for (;;) {
        if (writeMachineValue(program, keyPath, key, value))
            return;
        if (userSetting(program, kSettingsSection, kIgnoreKey, QStringLiteral("0")) == QLatin1String("1"))
            return;
        const PermissionAnswer answer = g_prompt ? g_prompt(kPermissionTitle, permissionDeniedText(program))
                                                 : PermissionAnswer::Abort;
        switch (answer) {
        case PermissionAnswer::Retry:
            continue;
        case PermissionAnswer::Ignore:
            saveUserSetting(program, kSettingsSection, kIgnoreKey, QStringLiteral("1"));
            return;
        case PermissionAnswer::Abort:
            return;
        }
        return;
    }
}

void setMachineSettingsCompany(const QString &company) { g_company = company; }

QString machineSettingsCompany() { return g_company; }

void setPermissionPrompt(PermissionPrompt prompt) { g_prompt = std::move(prompt); }

QString permissionDeniedText(const QString &program)
{
    return program
           + QStringLiteral(" requires read/write access to the system registry and hard drive in order to "
                            "run properly.  This user account does not have the proper permissions set.  As a "
                            "result some or all of your settings may not be properly saved.  Please contact "
                            "your system administrator or change the permission settings for this account.")
           + QStringLiteral("\r\n\r\n")
           + QStringLiteral("If you would like to prevent this error message from being displayed again, "
                            "please press 'Ignore'.");
}
