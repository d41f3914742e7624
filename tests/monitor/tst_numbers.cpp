// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/RefreshInterval.h"
#include "monitor/NumberText.h"

#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(std::optional<qint32>)
Q_DECLARE_METATYPE(std::optional<double>)

class TestNumbers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toLong_data();
    void toLong();
    void toDouble_data();
    void toDouble();
    void single_data();
    void single();
    void shortestDouble_data();
    void shortestDouble();
    void refresh_data();
    void refresh();
};

void TestNumbers::toLong_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint32>>("value");
    const std::optional<qint32> none;
    const auto row = [](const char *text, std::optional<qint32> value) { QTest::newRow(text) << QString::fromLatin1(text) << value; };
    row("30", 30);
    row(" 30 ", 30);
    row("\t12\t", 12);
    row("+7", 7);
    row("-5", -5);
    row("0", 0);
    row("4.5", 4);
    row("5.5", 6);
    row("0.5", 0);
    row("1.5", 2);
    row("2.5", 2);
    row("-2.5", -2);
    row("-3.5", -4);
    row("4.4999", 4);
    row("4.5001", 5);
    row(".5", 0);
    row("5.", 5);
    row("1e2", 100);
    row("2.5E1", 25);
    row("2147483647", std::numeric_limits<qint32>::max());
    row("2147483647.4", std::numeric_limits<qint32>::max());
    row("2147483647.5", none);
    row("2147483648", none);
    row("-2147483648", std::numeric_limits<qint32>::min());
    row("-2147483648.5", std::numeric_limits<qint32>::min());
    row("-2147483649", none);
    row("1e400", none);
    row("abc", none);
    row("", none);
    row("   ", none);
    row("30s", none);
    row("&H10", none);
    row("1,000", none);
    row("3 0", none);
    row(".", none);
    row("1e", none);
    row("--1", none);
    row("inf", none);
    row("nan", none);
    row("0x10", none);
}

void TestNumbers::toLong()
{
    QFETCH(QString, text);
    QFETCH(std::optional<qint32>, value);
    QCOMPARE(toRoundedInt32(text), value);
    QCOMPARE(effectiveRefreshSeconds(text), value.value_or(DefaultRefreshSeconds));
}

void TestNumbers::toDouble_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("value");
    QTest::newRow("fraction") << "4.5" << std::optional<double>(4.5);
    QTest::newRow("exponent") << "1e-3" << std::optional<double>(0.001);
    QTest::newRow("negative") << " -0.25 " << std::optional<double>(-0.25);
    QTest::newRow("comma") << "4,5" << std::optional<double>();
    QTest::newRow("letters") << "abc" << std::optional<double>();
    QTest::newRow("too large") << "1e309" << std::optional<double>();
}

void TestNumbers::toDouble()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, value);
    QCOMPARE(toNumber(text), value);
}

void TestNumbers::single_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("25") << 25.0f << "25";
    QTest::newRow("100") << 100.0f << "100";
    QTest::newRow("0") << 0.0f << "0";
    QTest::newRow("-0") << -0.0f << "0";
    QTest::newRow("45.2381") << static_cast<float>(452381.0 / (1000000.0 / 100.0)) << "45.2381";
    QTest::newRow("45.23809") << static_cast<float>(950.0 / (2100.0 / 100.0)) << "45.23809";
    QTest::newRow("one third") << static_cast<float>(100.0 / 3.0) << "33.33333";
    QTest::newRow("half") << 0.5f << "0.5";
    QTest::newRow("12.5") << 12.5f << "12.5";
    QTest::newRow("99.99999") << 99.99999f << "99.99999";
    QTest::newRow("rounds at 7 digits") << 99.999999f << "100";
    QTest::newRow("small") << 0.0001f << "0.0001";
    QTest::newRow("large uses exponent") << 1.0e7f << "1e+07";
    QTest::newRow("below 0") << -12.25f << "-12.25";
}

void TestNumbers::single()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(formatSingle(value), text);
}

void TestNumbers::shortestDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("45") << 45.0 << "45";
    QTest::newRow("-2") << -2.0 << "-2";
    QTest::newRow("7.5") << 7.5 << "7.5";
    QTest::newRow("0.1") << 0.1 << "0.1";
    QTest::newRow("-0") << -0.0 << "0";
    QTest::newRow("9 digits") << 123456789.0 << "123456789";
    QTest::newRow("beyond 1e15") << 1e20 << "1e+20";
    QTest::newRow("tiny") << 1e-7 << "1e-07";
}

void TestNumbers::shortestDouble()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatDouble(value), text);
}

void TestNumbers::refresh_data()
{
    QTest::addColumn<QString>("txtRefresh");
    QTest::addColumn<qint32>("elapsed");
    QTest::addColumn<QString>("countdown");
    QTest::addColumn<qint32>("interval");
    QTest::newRow("60 after 15") << "60" << 15 << "45" << 60;
    QTest::newRow("30 after 1") << "30" << 1 << "29" << 30;
    QTest::newRow("30 after 30") << "30" << 30 << "0" << 30;
    QTest::newRow("overdue") << "30" << 32 << "-2" << 30;
    QTest::newRow("4.5 after 1") << "4.5" << 1 << "3.5" << 4;
    QTest::newRow("8.5 after 1") << "8.5" << 1 << "7.5" << 8;
    QTest::newRow("blanks") << " 30 " << 0 << "30" << 30;
    QTest::newRow("not a number") << "abc" << 10 << "50" << DefaultRefreshSeconds;
    QTest::newRow("empty") << "" << 0 << "60" << DefaultRefreshSeconds;
    QTest::newRow("too large for the interval") << "1e20" << 5 << "55" << DefaultRefreshSeconds;
    QTest::newRow("zero interval") << "0" << 1 << "-1" << 0;
}

void TestNumbers::refresh()
{
    QFETCH(QString, txtRefresh);
    QFETCH(qint32, elapsed);
    QFETCH(QString, countdown);
    QFETCH(qint32, interval);
    QCOMPARE(nextRefreshText(txtRefresh, elapsed), countdown);
    QCOMPARE(effectiveRefreshSeconds(txtRefresh), interval);
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
