// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary file names back as saved pictures in a few locales, and names written by
// autosave at times taken from the input. Aborts when a reading claims a match without a
// time, gives times out of order or a variant beyond the names autosave writes, or when a
// name autosave wrote does not read back as the time it was written for.
#include "history/SavedPictureName.h"
#include "monitor/PictureAcceptance.h"

#include "FuzzCheck.h"

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <cstring>

namespace {

QLocale localeOf(int which)
{
    static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France),
        QLocale(QLocale::Spanish, QLocale::Spain), QLocale::c()};
    return locales[which % 5];
}

const NamePattern &pattern(int which)
{
    static const NamePattern patterns[] = {NamePattern(localeOf(0)), NamePattern(localeOf(1)),
        NamePattern(localeOf(2)), NamePattern(localeOf(3)), NamePattern(localeOf(4))};
    return patterns[which % 5];
}

void checkReading(const NamePattern::Reading &reading)
{
    if (!reading.matches) {
        check(reading.times.isEmpty());
        return;
    }
    check(!reading.times.isEmpty());
    check(std::is_sorted(reading.times.cbegin(), reading.times.cend()));
    check(reading.variant >= 1 && reading.variant <= 999);
    for (const qint64 key : reading.times)
        check(LocalTimeKey::toDateTime(key).isValid());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 10 || size > 4096)
        return 0;
    const int which = data[0];
    const NamePattern &names = pattern(which);
    if (!names.isValid())
        return 0;

    // Any name, with a prefix of any length up to the name's.
    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(data + 10), qsizetype(size - 10));
    const qsizetype prefix = std::min<qsizetype>(data[1] % 16, name.size());
    checkReading(names.read(name, prefix));

    // A name autosave writes reads back as its own time (to the second).
    quint64 bits = 0;
    std::memcpy(&bits, data + 2, sizeof bits);
    const QDate date = QDate(1970, 1, 1).addDays(qint64(bits % (200 * 366)));
    const QTime time = QTime(0, 0).addSecs(int((bits >> 32) % 86400));
    const QString camera = QStringLiteral("Cam");
    const QString written = autosaveFileName(camera, QDateTime(date, time), localeOf(which));
    const NamePattern::Reading reading = names.read(written, NamePattern::cameraPrefix(camera).size());
    checkReading(reading);
    check(reading.matches && reading.variant == 1);
    check(std::find(reading.times.cbegin(), reading.times.cend(), LocalTimeKey::of(date, time)) != reading.times.cend());
    return 0;
}
