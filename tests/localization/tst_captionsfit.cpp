// SPDX-License-Identifier: GPL-3.0-or-later
// Every window of the program in every shipped language: no caption is clipped by its
// control (a caption made smaller or broken in two lines offers its whole text as
// tooltip), and every caption, title and tooltip of the design has its translation.
// Registered twice: at 96 dpi and with QT_SCALE_FACTOR=2.

#include "LanguageTestSupport.h"

#include "app/Identity.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/HelpWindow.h"
#include "camlist/ui/CameraDialog.h"
#include "camlist/ui/CameraListHost.h"
#include "camlist/ui/NoticeDialog.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "localization/LocalizationFile.h"
#include "localization/ui/LanguageWindow.h"
#include "localization/ui/WindowCaptions.h"
#include "platform/ui/CaptionFit.h"
#include "support/MainWindowWithList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <functional>
#include <memory>

using namespace langtest;

namespace {

class Host : public CameraListHost
{
public:
    LanguageTable table;
    const LanguageTable &languages() const override { return table; }
    void refillCameraList() override {}
    void applyEditToOpenCameras(const QString &, const CameraListFile::CameraRecord &) override {}
};

bool insideWindow(const QWidget *control, const QWidget *window)
{
    for (const QWidget *w = control; w; w = w->parentWidget()) {
        if (w == window)
            return true;
        if (w->isWindow())
            return false;
    }
    return false;
}

// The size the caption takes in the control's font: one line per line of the text, or as
// a word-wrapping label breaks it.
QSize textSize(const QWidget *control, const QString &text, const QRect &room)
{
    const QFontMetrics metrics = control->fontMetrics();
    const auto *label = qobject_cast<const QLabel *>(control);
    if (label && label->wordWrap()) {
        QSize size = metrics.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, text).size();
        for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            size.setWidth(std::max(size.width(), metrics.horizontalAdvance(word)));
        return size;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {width, metrics.height() + static_cast<int>(lines.size() - 1) * metrics.lineSpacing()};
}

// "name: what is wrong" for every control of `window` whose caption is clipped, or is
// drawn smaller or broken without offering its whole text as tooltip.
QStringList clippedCaptions(QWidget *window)
{
    QStringList clipped;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (!insideWindow(control, window) || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (!qobject_cast<QLabel *>(control) && !qobject_cast<QAbstractButton *>(control)
            && !qobject_cast<QGroupBox *>(control))
            continue;
        const QString caption = CaptionFit::caption(control);
        if (caption.isEmpty())
            continue;
        const QRect room = CaptionFit::captionRoom(control);
        const QSize size = textSize(control, caption, room);
        const QString name = control->objectName() + QLatin1Char(' ') + caption.simplified();
        if (size.width() > room.width() || size.height() > room.height())
            clipped << QStringLiteral("%1: %2x%3 in %4x%5 (%6 pt)")
                           .arg(name)
                           .arg(size.width())
                           .arg(size.height())
                           .arg(room.width())
                           .arg(room.height())
                           .arg(control->font().pointSizeF());
        const QVariant designed = control->property("captionFitDesignedFont");
        const auto *label = qobject_cast<QLabel *>(control);
        const bool changed = (designed.isValid() && designed.value<QFont>() != control->font())
            || caption.contains(QLatin1Char('\n'))
            || (label && label->wordWrap() && !label->property("captionFitDesignedWrap").toBool());
        if (changed && !control->toolTip().startsWith(QString(caption).replace(QLatin1Char('\n'), QLatin1Char(' '))))
            clipped << name + QStringLiteral(": made to fit without its text as tooltip");
    }
    return clipped;
}

// Controls whose caption is data (camera names, the program's identity) or set when the
// window is loaded, not designed texts.
bool showsData(const QString &window, const QString &control)
{
    static const QStringList data {QStringLiteral("Form1_Frame"), QStringLiteral("frmAbout_Label1"),
                                   QStringLiteral("frmAbout_lblVersion"), QStringLiteral("frmAbout_lblCompany"),
                                   QStringLiteral("frmAbout_lblWebsite")};
    return data.contains(window + QLatin1Char('_') + control);
}

// The designed texts of `window` that have no item in the loaded language: its captions,
// its title (for windows whose title is not data) and its tooltips.
QStringList untranslated(QWidget *window, const LanguageTable &languages)
{
    QStringList missing;
    const QString form = window->objectName();
    const auto has = [&](const QString &key) { return !languages.caption(key).isEmpty(); };
    if (form != QLatin1String("Form3") && !has(form.toUpper() + QStringLiteral("_CAPTION")))
        missing << form + QStringLiteral(" title");
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (!insideWindow(control, window) || control->objectName().isEmpty()
            || control->objectName().startsWith(QLatin1String("qt_")) || showsData(form, control->objectName()))
            continue;
        const QString key = form + QLatin1Char('_') + control->objectName();
        const bool captioned = qobject_cast<QLabel *>(control) || qobject_cast<QAbstractButton *>(control)
            || qobject_cast<QGroupBox *>(control);
        if (captioned && !CaptionFit::caption(control).isEmpty() && !has(key))
            missing << key;
        // A tooltip of its own (not the one that only repeats a fitted caption).
        const QString tip = control->property("captionFitTip").isValid()
            ? control->property("captionFitOwnTip").toString()
            : control->toolTip();
        if (!tip.isEmpty() && !has(key + QStringLiteral("_TOOLTIP")))
            missing << key + QStringLiteral("_TOOLTIP");
    }
    return missing;
}

} // namespace

class TestCaptionsFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void everyWindowInEveryLanguage_data();
    void everyWindowInEveryLanguage();
};

void TestCaptionsFit::initTestCase()
{
    setIdentityForTesting(
        {QStringLiteral("Ocellus"), QStringLiteral("Quillmark"), QStringLiteral("www.ocellus.example")});
    loadIdentity();
    QVERIFY(!shippedLocalization().isEmpty());
    // The second registration runs with the screen scaled.
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        QCOMPARE(qApp->devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
}

void TestCaptionsFit::everyWindowInEveryLanguage_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("language");
    for (const char *window : {"Form1", "Form2", "Form3", "Form4", "Form8", "frmAbout", "frmLanguage"}) {
        for (const char *language : {"English", "Deutsch", "Français", "Español"})
            QTest::addRow("%s %s", window, language) << QString::fromLatin1(window) << QString::fromUtf8(language);
    }
}

void TestCaptionsFit::everyWindowInEveryLanguage()
{
    QFETCH(QString, window);
    QFETCH(QString, language);

    // The main window's folder holds the shipped language file, help document and a camera.
    fixture::MainWindowWithList main({{QStringLiteral("Garden"), QStringLiteral("http://127.0.0.1:9/a.jpg"),
                                       QStringLiteral("60")}});
    main.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    QFile help(QStringLiteral(":/Help.rtf"));
    QVERIFY(help.open(QIODevice::ReadOnly));
    main.folder.write(QStringLiteral("Help.rtf"), help.readAll());

    Host host;
    addDefaultMessages(host.table);
    // The windows are captioned as the program does it: the main window and the language
    // window re-caption themselves in the chosen language, the others take the language
    // loaded for the main window.
    applyLanguage(main.window.get(), host.table, language);

    QPointer<CameraDialog> dialog;
    QPointer<NoticeDialog> notice;
    QPointer<HelpWindow> helpWindow;
    QPointer<AboutDialog> about;
    std::unique_ptr<LanguageWindow> languageWindow;
    QWidget *shown = nullptr;
    if (window == QLatin1String("Form1")) {
        shown = main.window.get();
    } else if (window == QLatin1String("Form2")) {
        shown = CameraDialog::openAdd(dialog, &host, nullptr);
    } else if (window == QLatin1String("Form3")) {
        shown = CameraDialog::openEdit(dialog, &host, QStringLiteral("Garden"), nullptr);
    } else if (window == QLatin1String("Form4")) {
        shown = NoticeDialog::open(notice, nullptr);
        captionWindow(shown, host.table);
    } else if (window == QLatin1String("Form8")) {
        shown = HelpWindow::open(helpWindow, nullptr);
        QVERIFY(shown);
        captionWindow(shown, host.table);
    } else if (window == QLatin1String("frmAbout")) {
        shown = AboutDialog::open(about, nullptr);
        captionWindow(shown, host.table);
    } else {
        languageWindow = std::make_unique<LanguageWindow>(host.table, nullptr);
        languageWindow->load();
        shown = languageWindow.get();
    }
    QVERIFY(shown);
    QCOMPARE(shown->objectName(), window);

    const QStringList clipped = clippedCaptions(shown);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
    const QStringList missing = untranslated(shown, host.table);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));

    for (QWidget *w : {static_cast<QWidget *>(dialog), static_cast<QWidget *>(notice),
                       static_cast<QWidget *>(helpWindow), static_cast<QWidget *>(about)})
        delete w;
}

QTEST_MAIN(TestCaptionsFit)
#include "tst_captionsfit.moc"
