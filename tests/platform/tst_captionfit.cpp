// SPDX-License-Identifier: GPL-3.0-or-later
// Captions made to fit their controls: a smaller font down to the floor, then two lines,
// the whole caption as tooltip, and everything undone for a caption that fits again.

#include "platform/ui/CaptionFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

enum class Kind { Label, PushButton, ToolButton, CheckBox };

std::unique_ptr<QWidget> makeControl(Kind kind)
{
    switch (kind) {
    case Kind::Label:
        return std::make_unique<QLabel>();
    case Kind::PushButton:
        return std::make_unique<QPushButton>();
    case Kind::ToolButton: {
        auto button = std::make_unique<QToolButton>();
        QPixmap icon(12, 12);
        icon.fill(Qt::red);
        button->setIcon(QIcon(icon));
        button->setIconSize(QSize(12, 12));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        return button;
    }
    case Kind::CheckBox:
        return std::make_unique<QCheckBox>();
    }
    return nullptr;
}

void setText(QWidget *control, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(text);
    else
        static_cast<QAbstractButton *>(control)->setText(text);
}

// The control's width that leaves `share` of the caption's one-line width (in the designed
// font) as room for the text.
int widthFor(QWidget *control, const QString &text, double share)
{
    control->resize(400, control->height());
    const int overhead = control->width() - CaptionFit::captionRoom(control).width();
    const int textWidth = control->fontMetrics().size(Qt::TextShowMnemonic, text).width();
    return overhead + static_cast<int>(textWidth * share);
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestCaptionFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fitsByFontOrLines_data();
    void fitsByFontOrLines();
    void fittingAgainStartsFromTheDesign();
    void tooLongForEverything();
};

void TestCaptionFit::fitsByFontOrLines_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("share");   // room for this share of the caption's width
    QTest::addColumn<int>("lines");      // room for this many lines
    QTest::addColumn<QString>("outcome"); // "as designed", "smaller", "two lines"
    QTest::addColumn<QString>("ownTip");

    const QString longText = QStringLiteral("Neue Bilder automatisch speichern");
    QTest::newRow("label with room") << Kind::Label << longText << 1.05 << 1 << "as designed" << "";
    QTest::newRow("label a little short") << Kind::Label << longText << 0.85 << 1 << "smaller" << "";
    QTest::newRow("label at the floor") << Kind::Label << longText << 0.75 << 1 << "smaller" << "";
    QTest::newRow("label half as wide, two lines high") << Kind::Label << longText << 0.45 << 2 << "two lines" << "";
    QTest::newRow("push button a little short, own tooltip") << Kind::PushButton << QStringLiteral("Bild speichern")
                                                             << 0.85 << 1 << "smaller" << "Saves the picture";
    QTest::newRow("push button half as wide") << Kind::PushButton << QStringLiteral("Bild speichern") << 0.45 << 2
                                              << "two lines" << "";
    QTest::newRow("check box a little short") << Kind::CheckBox << longText << 0.8 << 1 << "smaller" << "";
    QTest::newRow("check box half as wide") << Kind::CheckBox << longText << 0.45 << 2 << "two lines" << "";
    QTest::newRow("tool button with icon, a little short") << Kind::ToolButton << QStringLiteral("Stopp") << 0.8
                                                           << 1 << "smaller" << "Stopp";
}

void TestCaptionFit::fitsByFontOrLines()
{
    QFETCH(Kind, kind);
    QFETCH(QString, text);
    QFETCH(double, share);
    QFETCH(int, lines);
    QFETCH(QString, outcome);
    QFETCH(QString, ownTip);

    const std::unique_ptr<QWidget> control = makeControl(kind);
    QFont designed = control->font();
    designed.setPointSizeF(10);
    control->setFont(designed);
    setText(control.get(), text);
    control->setToolTip(ownTip);
    const int lineHeight = control->fontMetrics().lineSpacing();
    const int overheadHeight = [&] {
        control->resize(control->width(), 200);
        return 200 - CaptionFit::captionRoom(control.get()).height();
    }();
    control->resize(widthFor(control.get(), text, share), overheadHeight + lines * lineHeight + 2);

    QVERIFY(CaptionFit::fitCaption(control.get()));
    QVERIFY(CaptionFit::fits(control.get()));

    const QFont now = control->font();
    const QString shown = CaptionFit::caption(control.get());
    const auto *label = qobject_cast<QLabel *>(control.get());
    const bool twoLines = shown.contains(QLatin1Char('\n')) || (label && label->wordWrap());
    if (outcome == QLatin1String("as designed")) {
        QCOMPARE(now.pointSizeF(), designed.pointSizeF());
        QVERIFY(!twoLines);
        QCOMPARE(control->toolTip(), ownTip);
        return;
    }
    QCOMPARE(twoLines, outcome == QLatin1String("two lines"));
    QVERIFY(now.pointSizeF() >= designed.pointSizeF() * CaptionFit::SmallestFontShare - 0.001);
    if (outcome == QLatin1String("smaller"))
        QVERIFY(now.pointSizeF() < designed.pointSizeF());
    // Broken at a space; nothing of the caption is lost.
    QCOMPARE(QString(shown).replace(QLatin1Char('\n'), QLatin1Char(' ')), text);
    const QString expectedTip = ownTip.isEmpty() || ownTip == text ? text : text + QLatin1Char('\n') + ownTip;
    QCOMPARE(control->toolTip(), expectedTip);
}

void TestCaptionFit::fittingAgainStartsFromTheDesign()
{
    QPushButton button;
    QFont designed = button.font();
    designed.setPointSizeF(10);
    button.setFont(designed);
    button.setToolTip(QStringLiteral("Saves the picture"));
    const QString longText = QStringLiteral("Enregistrer l'image");
    button.setText(longText);
    button.resize(widthFor(&button, longText, 0.5), 60);
    QVERIFY(CaptionFit::fitCaption(&button));
    QVERIFY(button.text().contains(QLatin1Char('\n')));

    // The same caption fitted twice stays as it is, its whole text kept.
    const QString broken = button.text();
    const QFont fitted = button.font();
    QVERIFY(CaptionFit::fitCaption(&button));
    QCOMPARE(button.text(), broken);
    QCOMPARE(button.font(), fitted);
    QCOMPARE(button.toolTip(), longText + QStringLiteral("\nSaves the picture"));

    // A short caption: designed font, one line, the control's own tooltip again.
    button.setText(QStringLiteral("Save"));
    QVERIFY(CaptionFit::fitCaption(&button));
    QCOMPARE(button.text(), QStringLiteral("Save"));
    QCOMPARE(button.font().pointSizeF(), designed.pointSizeF());
    QCOMPARE(button.toolTip(), QStringLiteral("Saves the picture"));

    // A tooltip set by the window while fitted replaces the own one.
    button.setText(longText);
    QVERIFY(CaptionFit::fitCaption(&button));
    button.setToolTip(QStringLiteral("Speichert das Bild"));
    QVERIFY(CaptionFit::fitCaption(&button));
    QCOMPARE(button.toolTip(), longText + QStringLiteral("\nSpeichert das Bild"));
}

void TestCaptionFit::tooLongForEverything()
{
    // One long word in a narrow label one line high: no font or break makes it fit; the
    // label keeps the floor font and offers the whole word as tooltip.
    QLabel label;
    QFont designed = label.font();
    designed.setPointSizeF(10);
    label.setFont(designed);
    const QString word = QStringLiteral("Bildschirmschoner");
    label.setText(word);
    label.resize(widthFor(&label, word, 0.3), label.fontMetrics().height());
    QVERIFY(!CaptionFit::fitCaption(&label));
    QVERIFY(!CaptionFit::fits(&label));
    QCOMPARE(label.text(), word);
    QVERIFY(label.font().pointSizeF() < designed.pointSizeF());
    QVERIFY(label.font().pointSizeF() >= designed.pointSizeF() * CaptionFit::SmallestFontShare - 0.001);
    QCOMPARE(label.toolTip(), word);

    // Controls that show no caption are left alone.
    QLabel picture;
    picture.setPixmap(QPixmap(4, 4));
    picture.resize(1, 1);
    QVERIFY(CaptionFit::fitCaption(&picture));
    QCOMPARE(picture.toolTip(), QString());
}

QTEST_MAIN(TestCaptionFit)
#include "tst_captionfit.moc"
